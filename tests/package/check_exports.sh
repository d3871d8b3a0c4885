#!/usr/bin/env bash
# check_exports.sh BIN_DIR OBJDUMP BITS
#   BITS  32 (the i686 build) or 64 (the x86_64 build)
set -euo pipefail
bin="$1"; objdump="$2"; bits="$3"
fail() { echo "FAIL: $*" >&2; exit 1; }
if [ "$bits" = 64 ]; then
  pe='PE32\+ executable' machine='x86-64'
else
  pe='PE32 executable' machine='Intel 80386'
fi
# Every binary that ships is of the build's own kind: a process loads DLLs
# of its own bitness only.
for binary in Email32.dll Userpath.dll Relay32.dll libheif.dll libde265.dll libstdc++-6.dll libwinpthread-1.dll \
              email32.exe; do
  kind=$(file "$bin/$binary")
  case "$binary" in *.dll) what='\(DLL\)' ;; *) what='\(console\)' ;; esac
  grep -Eq "$pe $what.*$machine" <<<"$kind" || fail "$binary is not a $bits-bit $machine binary: $kind"
done

# Outputs are captured before matching: grep -q on a pipe would stop reading
# early and fail the writer with SIGPIPE under pipefail.
exports=$("$objdump" -p "$bin/Email32.dll")
for member in \
  '_ZN14EmailComponentC1Ev' '_ZN14EmailComponentC1Eb' '_ZN14EmailComponentC1ERKS_' '_ZN14EmailComponentaSERKS_' \
  '_ZN14EmailComponentD1Ev' '_ZN14EmailComponent14InitEmailSysDBEb' '_ZN14EmailComponent18SetDefaultEmailSys' \
  '_ZNK14EmailComponent19GetAllAliveEmailSys' '_ZNK14EmailComponent18GetDefaultEmailSys' \
  '_ZNK14EmailComponent16GetEmailSysTitle' '_ZNK14EmailComponent22GetEmailSysTitleFromDB' \
  '_ZNK14EmailComponent15GetEmailSysIcon' '_ZNK14EmailComponent8SendMailERKNSt' '_ZNK14EmailComponent8SendMailERKSt6vector' \
  '_ZN8CUtility12BuildPaletteEPhi' '_ZN8CUtility11CopyPalette' '_ZN8CUtility15LoadFilePalette' '_ZN8CUtility11SavePalette' \
  '_ZN8CUtility14TransToTrueClr' '_ZN8CUtility11PixoTextOut' '_ZN8CUtility12PixoDrawText' '_ZN8CUtilityaSERKS_'; do
  grep -q "$member" <<<"$exports" || fail "Email32.dll does not export $member"
done

# The C interface: every entry under its plain name, as GetProcAddress asks.
for entry in Open Close InitSystems SystemCount SystemW SystemA SystemIcon DefaultSystemW DefaultSystemA \
  SetDefaultSystemW SetDefaultSystemA SendW SendA SendMessageW SendMessageA LastErrorW LastErrorA SendOptionsW SendOptionsA \
  FreeList FreeListW FreeListA Version; do
  grep -Eq "\] Email32$entry\$" <<<"$exports" || fail "Email32.dll does not export Email32$entry undecorated"
done
# The host written in C needs no C++ runtime.
chost=$("$objdump" -p "$bin/doubles/c_host.exe")
if grep -Eiq 'DLL Name: (libstdc|libgcc)' <<<"$chost"; then fail "c_host.exe imports a C++ runtime"; fi

userpath=$("$objdump" -p "$bin/Userpath.dll")
grep -Eq '\] GetAppDataPath$' <<<"$userpath" || fail "Userpath.dll does not export GetAppDataPath undecorated"
echo "exports as expected"
