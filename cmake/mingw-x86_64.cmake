# Cross-compiles for 64-bit Windows with MinGW-w64 (x86_64, posix threads).
# x86_64 computes in SSE2 by default, as the i686 build is told to.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_PREFIX x86_64-w64-mingw32)

include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
