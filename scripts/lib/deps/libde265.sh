# libde265: the HEVC decoder under libheif, LGPL, so a DLL of its own that
# ships beside the module with its licence text. Decoder only: its sample
# programs, SDL and the encoder are off.
#
# One change to Debian's source: on Windows libde265 locks with kernel
# mutexes (CreateMutex, WaitForSingleObject), a round trip to the Wine
# server on every lock, of which a picture takes thousands; with MinGW's
# POSIX threads (user-space locks, already shipped for the C++ runtime) it
# uses the code it has for every other system.
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
