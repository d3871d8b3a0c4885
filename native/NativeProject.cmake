# What every project under native/ shares: C++17, warnings as errors, the
# checkout's root as EMAIL32_ROOT, and the sanitizers' flags as SANITIZE.
set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE RelWithDebInfo)
endif()
get_filename_component(EMAIL32_ROOT ${CMAKE_CURRENT_LIST_DIR}/.. ABSOLUTE)
add_compile_options(-Wall -Wextra -Werror)
set(SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
