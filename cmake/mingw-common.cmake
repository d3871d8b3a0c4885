# What both MinGW-w64 toolchain files share; each sets MINGW_PREFIX and
# CMAKE_SYSTEM_PROCESSOR, then includes this file. The -posix compilers are
# required: the win32-thread build has no std::mutex and GoogleTest needs it.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER   ${MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs are Windows executables; CTest runs them through Wine, whose
# loader starts 64-bit programs too (in a 64-bit prefix).
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

# Libraries built from Debian's source packages by scripts/deps, one prefix
# per architecture.
if(DEFINED ENV{EMAIL32_DEPS_DIR})
  set(EMAIL32_DEPS_PREFIX "$ENV{EMAIL32_DEPS_DIR}/${MINGW_PREFIX}")
else()
  set(EMAIL32_DEPS_PREFIX "${CMAKE_CURRENT_LIST_DIR}/../.deps/${MINGW_PREFIX}")
endif()
get_filename_component(EMAIL32_DEPS_PREFIX "${EMAIL32_DEPS_PREFIX}" ABSOLUTE)
list(APPEND CMAKE_FIND_ROOT_PATH "${EMAIL32_DEPS_PREFIX}")
