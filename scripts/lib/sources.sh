# email32_sources ROOT: the project's C and C++ sources, NUL-separated: every
# source folder, not the build folders or the cached libraries.
email32_sources() {
  local root="$1"
  find "$root"/base "$root"/framework "$root"/public "$root"/registry "$root"/dispatch "$root"/sendui \
       "$root"/gif "$root"/imaging "$root"/module "$root"/hostapi "$root"/toolapi "$root"/mapihelper \
       "$root"/companions "$root"/message "$root"/tools "$root"/examples "$root"/tests \
       -type f \( -name '*.cpp' -o -name '*.h' -o -name '*.c' \) -print0 | sort -z
}
