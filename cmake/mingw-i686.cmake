# Cross-compiles for 32-bit Windows with MinGW-w64. The -posix compilers are
# required: the win32-thread build has no std::mutex and GoogleTest needs it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(MINGW_PREFIX i686-w64-mingw32)
set(CMAKE_C_COMPILER   ${MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${MINGW_PREFIX}-windres)

# Floating point in SSE2 registers, as on x86_64, not in the x87 unit's
# 80-bit registers: the same expression then gives the same double on both
# architectures (a scaled height of 29 / 100 x 800 is 231 on both, not 232
# here). Every processor that runs 64-bit-capable Windows has SSE2; GCC
# realigns the stack where SSE values are spilled, as MinGW requires.
# Set here, not in the project, so that the libraries scripts/deps builds
# with this file compute the same way too.
set(CMAKE_C_FLAGS_INIT   "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

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
