# Cross-compiles for 32-bit Windows with MinGW-w64 (i686, posix threads).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_PREFIX i686-w64-mingw32)

# Floating point in SSE2 registers, as on x86_64, not in the x87 unit's
# 80-bit registers: the same expression then gives the same double on both
# architectures (a scaled height of 29 / 100 x 800 is 231 on both, not 232
# here). Every processor that runs 64-bit-capable Windows has SSE2; GCC
# realigns the stack where SSE values are spilled, as MinGW requires.
# Set here, not in the project, so that the libraries scripts/deps builds
# with this file compute the same way too.
set(CMAKE_C_FLAGS_INIT   "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")

include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
