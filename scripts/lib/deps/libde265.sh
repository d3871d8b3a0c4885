# libde265: the HEVC decoder under libheif, LGPL, so a DLL of its own that
# ships beside the module with its licence text. Decoder only: its sample
# programs, SDL and the encoder are off. It uses the shared GCC runtime, as
# libheif does: with a copy of the runtime linked into each of the two DLLs,
# a damaged HEIC file aborted the host process instead of being refused.
#
# One change to Debian's source: on Windows libde265 locks with kernel
# mutexes (CreateMutex, WaitForSingleObject) and waits with its own
# condition variables over kernel events, a round trip to the Wine server
# for every lock and every hand-over between libheif's thread and the worker
# thread it starts, of which a picture takes thousands. With MinGW's POSIX
# threads (user-space locks, the library the C++ runtime already needs) it
# uses the code it has for every other system. Measured under Wine on a
# 12-megapixel HEIC file: 4.2-5.9 s against 5.8-6.9 s with kernel mutexes,
# in interleaved runs on a busy machine.
dep_source=libde265
dep_build() {
  local src="$1" work="$2" prefix="$3" toolchain="$4"
  sed -i 's|^#ifndef _WIN32$|#if !defined(_WIN32) \|\| defined(__MINGW32__)|' \
    "$src/libde265/threads.h" "$src/libde265/threads.cc"
  cmake -S "$src" -B "$work" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=ON -DENABLE_SDL=OFF -DENABLE_DECODER=OFF -DENABLE_ENCODER=OFF
  cmake --build "$work"
  cmake --install "$work" --strip
  dep_licence "$src/COPYING" libde265
}
