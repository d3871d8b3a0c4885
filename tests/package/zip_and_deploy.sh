#!/bin/sh
# zip_and_deploy.sh BUILD_DIR TOOLCHAIN_FILE
#
# The module as a host's developer gets it. `cmake --install --strip` and
# `cpack -G ZIP` give stripped, versioned binaries; the zip stays under 5 MB.
# From the zip's contents alone (its package, its example sources), a host in
# C and one in C++ are configured and built from another folder, deployed
# with the sample catalogue and run under Wine.
set -eu
build=$1 toolchain=$2
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d)
relayKey='HKCU\Software\Email32\Relay'
alive=""
cleanup() {
  if [ -n "${WINEPREFIX:-}" ]; then wine reg delete "$relayKey" /f >/dev/null 2>&1 || true; fi
  # The hosts' detection rewrote the per-user installed list: later tests
  # find it as it was.
  if [ -n "$alive" ]; then
    if [ -f "$work/alive.saved" ]; then cp "$work/alive.saved" "$alive"; else rm -f "$alive"; fi
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
# win32 (the i686 build) or win64 (the x86_64 build); the other one names
# the toolchain of hosts that must not find this package.
system=$(sed -n 's/^set(CPACK_SYSTEM_NAME "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
case "$system" in
  win32) target=i686-w64-mingw32 msvc_target=i686-pc-windows-msvc other=mingw-x86_64.cmake ;;
  win64) target=x86_64-w64-mingw32 msvc_target=x86_64-pc-windows-msvc other=mingw-i686.cmake ;;
  *) fail "unknown package system '$system'" ;;
esac

cmake --install "$build" --prefix "$work/prefix" --strip >/dev/null
python3 "$here/check_binaries.py" --stripped "$work"/prefix/bin/*.dll "$work"/prefix/bin/*.exe

cd "$work"
cpack -G ZIP -B "$work/pack" --config "$build/CPackConfig.cmake" >/dev/null
zip="$work/pack/Email32-$version-$system.zip"
size=$(stat -c %s "$zip")
echo "zip: $(basename "$zip"), $size bytes"
[ "$size" -lt 5242880 ] || fail "the zip is $size bytes, not under 5 MB"
python3 -m zipfile -e "$zip" "$work/unzipped"
pkg="$work/unzipped/Email32-$version-$system"
for f in LICENSE CHANGELOG.md licences/curl.txt licences/libjpeg-turbo.txt licences/libjpeg-turbo-README.ijg.txt \
         licences/libwebp.txt licences/libheif.txt licences/libde265.txt licences/nlohmann-json.txt \
         licences/gcc-runtime-exception.txt licences/GPL-3.txt bin/c/Email32.dll \
         include/Email32/email32/email32.h include/Email32/email32/relay32.h \
         LICENSE.txt README.txt include/Email32/public/email32.h include/Email32/public/relay32.h \
         include/Email32/public/EmailComponent.h \
         include/Email32/public/framework/Collections.h lib/libEmail32.dll.a lib/Email32.lib \
         lib/cmake/Email32/Email32Config.cmake share/Email32/EmailDB.ini share/Email32/Relay32.ini \
         bin/libheif.dll bin/libde265.dll bin/libheif-COPYING.txt bin/libde265-COPYING.txt; do
  [ -f "$pkg/$f" ] || fail "not in the zip: $f"
done
# Complete licence texts with Windows line ends, each naming its version.
for f in "$pkg"/LICENSE "$pkg"/CHANGELOG.md "$pkg"/licences/*.txt; do
  python3 - "$f" <<'PY' || fail "$f: not CR LF throughout, or no version in its first line"
import re, sys
data = open(sys.argv[1], "rb").read()
lone = data.replace(b"\r\n", b"").count(b"\n")
named = sys.argv[1].endswith(("LICENSE", "CHANGELOG.md")) or re.search(rb"\d+\.\d+", data.split(b"\r\n", 1)[0])
sys.exit(0 if lone == 0 and named else 1)
PY
done
python3 "$here/check_binaries.py" --stripped --version "$version" \
  "$pkg/bin/c/Email32.dll" "$pkg/bin/Email32.dll" "$pkg/bin/Userpath.dll" "$pkg/bin/Relay32.dll" "$pkg/bin/email32.exe"
python3 "$here/check_binaries.py" --stripped "$pkg"/bin/lib*.dll

# A project of another compiler (here: none at all) finds the C interface and
# is refused the C++ classes.
mkdir "$work/other"
cat >"$work/other/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.20)
project(OtherCompiler LANGUAGES NONE)
find_package(Email32 1.0 REQUIRED)
if(NOT TARGET Email32::C OR TARGET Email32::Email32)
  message(FATAL_ERROR "expected the C interface alone")
endif()
find_package(Email32 1.0 COMPONENTS CXX)
if(Email32_FOUND)
  message(FATAL_ERROR "the C++ classes were offered to another compiler")
endif()
CMAKE
cmake -S "$work/other" -B "$work/other/build" -DEmail32_DIR="$pkg/lib/cmake/Email32" >"$work/other.log" 2>&1 ||
  { cat "$work/other.log" >&2; fail "the package does not serve a compiler other than MinGW"; }

# A host of the other bitness does not find it (it could not load its DLLs).
mkdir "$work/bitness"
cat >"$work/bitness/CMakeLists.txt" <<'CMAKE'
cmake_minimum_required(VERSION 3.20)
project(OtherBitness LANGUAGES C)
find_package(Email32 1.0)
if(Email32_FOUND)
  message(FATAL_ERROR "a host of the other bitness found the package")
endif()
CMAKE
cmake -S "$work/bitness" -B "$work/bitness/build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$(dirname "$toolchain")/$other" \
  -DEmail32_DIR="$pkg/lib/cmake/Email32" >"$work/bitness.log" 2>&1 ||
  { cat "$work/bitness.log" >&2; fail "a host of the other bitness was offered the $system package"; }
grep -q "considered but not accepted" "$work/bitness.log" ||
  { cat "$work/bitness.log" >&2; fail "the package was not considered for a host of the other bitness"; }

# Both example hosts, as the README builds them, from this folder.
for host in c-host host; do
  cmake -S "$pkg/share/Email32/examples/$host" -B "$work/$host" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DEmail32_DIR="$pkg/lib/cmake/Email32" >/dev/null
  CMAKE_BUILD_PARALLEL_LEVEL=2 cmake --build "$work/$host" >/dev/null
done
for f in c-host.exe Email32.dll Userpath.dll Relay32.dll EmailDB.ini; do
  [ -f "$work/c-host/$f" ] || fail "not deployed beside the host: $f"
done
# The Simple MAPI helper of the other bitness lies beside the module.
ls "$work"/c-host/email32-mapi*.exe >/dev/null 2>&1 || fail "no Simple MAPI helper deployed beside the host"
# A host of the C interface needs no generically named runtime DLL: none lies
# beside it, and none of its DLLs imports one.
for f in "$work"/c-host/*.dll; do
  case $(basename "$f") in libstdc++*|libgcc*|libwinpthread*) fail "a runtime DLL beside the C host: $f" ;; esac
  if $target-objdump -p "$f" | grep -Eiq 'DLL Name: (libstdc|libgcc|libwinpthread)'; then
    fail "$(basename "$f") beside the C host imports a runtime DLL"
  fi
done
# The C interface's import library serves a Microsoft-compatible toolchain:
# an object that clang compiles in MSVC mode (decorated __stdcall names,
# no headers, no C runtime) links against Email32.lib with lld-link.
msvc=""
if command -v clang >/dev/null && command -v lld-link >/dev/null && command -v llvm-lib >/dev/null; then
  llvm-lib /list "$pkg/lib/Email32.lib" >"$work/members.txt" && grep -q '^Email32.dll$' "$work/members.txt" ||
    fail "llvm-lib does not read Email32.lib"
  cat >"$work/msvc.c" <<'C'
__declspec(dllimport) unsigned long __stdcall Email32Version(void);
int start(void) { return (int)(Email32Version() >> 16); }
C
  clang --target=$msvc_target -ffreestanding -c "$work/msvc.c" -o "$work/msvc.obj"
  lld-link /nologo /nodefaultlib /entry:start /subsystem:console /out:"$work/c-host/msvc-host.exe" \
    "$work/msvc.obj" "$pkg/lib/Email32.lib" || fail "an MSVC-style object does not link against Email32.lib"
  msvc=yes
fi
python3 "$here/check_binaries.py" "$work/c-host/c-host.exe" "$work/host/example-host.exe"
if $target-objdump -p "$work/c-host/c-host.exe" | grep -Eiq 'DLL Name: (libstdc|libgcc|Email32)'; then
  fail "c-host.exe links more than the system"
fi

if ! command -v wine >/dev/null || [ -z "${WINEPREFIX:-}" ]; then
  echo "built; not run (no Wine session)"
  exit 0
fi
alive=$(wine "$pkg/bin/email32.exe" paths | tr -d '\r' | sed -n 2p)
alive=$(winepath -u "$alive")
if [ -f "$alive" ]; then cp "$alive" "$work/alive.saved"; fi
# The installer's part for the sample catalogue's SmtpRelay entry.
winpath() { printf 'Z:%s' "$(echo "$1" | tr / '\\')"; }
wine reg add "$relayKey" /v Folder /d "$(winpath "$work/c-host")" /f >/dev/null
# Runs a program in its folder; its output without carriage returns, its status.
run() {
  folder=$1; shift
  code=0
  (cd "$folder" && wine "$@") >"$work/out.txt" || code=$?
  tr -d '\r' <"$work/out.txt"
  return $code
}
status=0
listed=$(run "$work/c-host" ./c-host.exe list) || status=$?
echo "$listed"
[ $status = 0 ] || fail "c-host list: exit status $status"
echo "$listed" | grep -q "^SmtpRelay	SMTP server (Relay32)$" || fail "c-host does not list SmtpRelay"
status=0
unknown=$(run "$work/c-host" ./c-host.exe send NoSuchSystem C:\\x.jpg) || status=$?
[ "$unknown" = EMAIL32_NOT_INSTALLED ] && [ $status = 3 ] || fail "an unknown key gave '$unknown', exit status $status"
# The MSVC-style host calls Email32Version through the import library: its
# exit status is the module's major version.
if [ -n "$msvc" ]; then
  status=0
  run "$work/c-host" ./msvc-host.exe >/dev/null || status=$?
  major=$(sed -n 's/^#define EMAIL32_VERSION_MAJOR \([0-9]*\)$/\1/p' "$pkg/include/Email32/email32/email32.h")
  [ "$status" = "$major" ] || fail "the MSVC-style host exited with $status, not the major version $major"
fi
# The plug-in's header serves a host in C: its outbox, listed.
status=0
outbox=$(run "$work/c-host" ./c-host.exe outbox) || status=$?
[ $status = 0 ] && echo "$outbox" | tail -n1 | grep -Eq '^[0-9]+ in the outbox$' ||
  fail "c-host outbox gave '$outbox', exit status $status"

status=0
listed=$(run "$work/host" ./example-host.exe) || status=$?
echo "$listed"
[ $status = 0 ] && echo "$listed" | grep -q "SmtpRelay: SMTP server (Relay32)" || fail "example-host: exit status $status"
rm "$work/host/EmailDB.ini"
status=0
missing=$(run "$work/host" ./example-host.exe) || status=$?
[ $status = 2 ] && [ "$missing" = "No catalogue: EmailDB.ini is missing beside the host." ] ||
  fail "example-host without a catalogue: '$missing', exit status $status"
echo "both hosts built from the zip alone and run"
