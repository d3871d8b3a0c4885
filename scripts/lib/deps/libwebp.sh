# libwebp: WebP pictures, BSD-licensed, static in the module; the decoder
# and the demuxer (for a file's Exif and colour profile). No tools. Its
# licence text ships in the zip, with its version.
dep_source=libwebp
dep_build() {
  local src="$1" work="$2" prefix="$3" toolchain="$4"
  cmake -S "$src" -B "$work" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF -DWEBP_BUILD_ANIM_UTILS=OFF -DWEBP_BUILD_CWEBP=OFF -DWEBP_BUILD_DWEBP=OFF \
    -DWEBP_BUILD_GIF2WEBP=OFF -DWEBP_BUILD_IMG2WEBP=OFF -DWEBP_BUILD_VWEBP=OFF -DWEBP_BUILD_WEBPINFO=OFF \
    -DWEBP_BUILD_WEBPMUX=OFF -DWEBP_BUILD_EXTRAS=OFF -DWEBP_BUILD_LIBWEBPMUX=OFF
  cmake --build "$work"
  cmake --install "$work"
  dep_licence "$src/COPYING" libwebp
}
