# libheif: HEIF/HEIC pictures, decoding through libde265 only (no encoder,
# no AV1, no plug-ins loaded at run time). LGPL: a DLL beside the module,
# with its licence text. Builds after libde265, which it finds in the prefix.
# It uses the shared GCC runtime, as libde265 does (see there).
dep_source=libheif
dep_build() {
  local src="$1" work="$2" prefix="$3" toolchain="$4"
  PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" PKG_CONFIG_PATH="" \
  cmake -S "$src" -B "$work" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_PREFIX_PATH="$prefix" \
    -DBUILD_SHARED_LIBS=ON -DWITH_EXAMPLES=OFF -DBUILD_TESTING=OFF -DWITH_FUZZERS=OFF \
    -DENABLE_PLUGIN_LOADING=OFF -DWITH_LIBDE265=ON -DWITH_LIBDE265_PLUGIN=OFF \
    -DWITH_X265=OFF -DWITH_DAV1D=OFF -DWITH_AOM_ENCODER=OFF -DWITH_AOM_DECODER=OFF \
    -DWITH_SvtEnc=OFF -DWITH_RAV1E=OFF -DWITH_JPEG_DECODER=OFF -DWITH_JPEG_ENCODER=OFF \
    -DWITH_KVAZAAR=OFF -DWITH_GDK_PIXBUF=OFF
  cmake --build "$work"
  cmake --install "$work" --strip
  dep_licence "$src/COPYING" libheif
}
