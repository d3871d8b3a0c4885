# Cross-compiles for 32-bit Windows with MinGW-w64. The -posix compilers are
# required: the win32-thread build has no std::mutex and GoogleTest needs it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs are Windows executables; CTest runs them through Wine.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

# Libraries built from Debian's source packages by scripts/deps.
if(DEFINED ENV{EMAIL32_DEPS_DIR})
  set(EMAIL32_DEPS_PREFIX "$ENV{EMAIL32_DEPS_DIR}/${MINGW_PREFIX}")
else()
  set(EMAIL32_DEPS_PREFIX "${CMAKE_CURRENT_LIST_DIR}/../.deps/${MINGW_PREFIX}")
endif()
get_filename_component(EMAIL32_DEPS_PREFIX "${EMAIL32_DEPS_PREFIX}" ABSOLUTE)
list(APPEND CMAKE_FIND_ROOT_PATH "${EMAIL32_DEPS_PREFIX}")
