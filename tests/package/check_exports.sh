#!/usr/bin/env bash
# check_exports.sh BIN_DIR OBJDUMP
set -euo pipefail
bin="$1"; objdump="$2"
fail() { echo "FAIL: $*" >&2; exit 1; }

# Outputs are captured before matching: grep -q on a pipe would stop reading
# early and fail the writer with SIGPIPE under pipefail.
kind=$(file "$bin/Email32.dll")
grep -q 'PE32 executable (DLL).*Intel 80386' <<<"$kind" || fail "Email32.dll is not a PE32 DLL for Intel 80386"
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

kind=$(file "$bin/Userpath.dll")
grep -q 'PE32 executable (DLL).*Intel 80386' <<<"$kind" || fail "Userpath.dll is not a PE32 DLL"
userpath=$("$objdump" -p "$bin/Userpath.dll")
grep -Eq '\] GetAppDataPath$' <<<"$userpath" || fail "Userpath.dll does not export GetAppDataPath undecorated"
echo "exports as expected"
