# libjpeg-turbo: the JPEG codec of the image file library, static, with the
# i386 SIMD code (nasm).
dep_source=libjpeg-turbo
dep_build() {
  local src="$1" work="$2" prefix="$3" toolchain="$4"
  cmake -S "$src" -B "$work" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DENABLE_SHARED=OFF -DENABLE_STATIC=ON -DWITH_SIMD=ON \
    -DWITH_TURBOJPEG=OFF -DWITH_JAVA=OFF \
    -DCMAKE_ASM_NASM_COMPILER=nasm -DCMAKE_POSITION_INDEPENDENT_CODE=OFF
  cmake --build "$work"
  cmake --install "$work"
  dep_licence "$src/LICENSE.md" libjpeg-turbo
  dep_licence "$src/README.ijg" libjpeg-turbo-README.ijg
}
