#!/usr/bin/env bash
# Checks the product KORViewer.exe: a 32-bit x86 PE image (PE32) for the
# Windows GUI subsystem that imports KORFwSw.dll and system DLLs only (the
# compiler runtimes are linked in), and that does not import the device
# notification functions, which it looks up in user32.dll at run time.
#   check_korviewer_pe.sh PATH/KORViewer.exe [objdump]
set -euo pipefail
exe=${1:?usage: check_korviewer_pe.sh KORViewer.exe [objdump]}
. "$(dirname "${BASH_SOURCE[0]}")/../../common/pe_check.sh"
pe_open "$exe" "${2:-}"
grep -Eq '^Subsystem[[:space:]]+0+2[[:space:]]+\(Windows GUI\)' <<<"$dump" || fail "not a Windows GUI program"

allowed='^(kernel32|msvcrt|ole32|oleaut32|user32|gdi32|comctl32|shell32|version|advapi32|ntdll|ucrtbase|api-ms-win-.*)\.dll$'
seen_korfwsw=0
while read -r name; do
  if [ "$(tr 'A-Z' 'a-z' <<<"$name")" = korfwsw.dll ]; then
    seen_korfwsw=1
  else
    pe_check_system_import "$name" "$allowed"
  fi
done < <(pe_imported_dlls)
[ $seen_korfwsw -eq 1 ] || fail "does not import KORFwSw.dll"

# The import tables' member names: nothing of the device notifications.
imports=$(sed -n '/^The Import Tables/,/^The Export Tables\|^The Function Table\|^PE File Base Relocations/p' <<<"$dump")
[ -n "$imports" ] || fail "no import tables found"
if grep -Eq '(^|[[:space:]])(RegisterDeviceNotification[AW]?|UnregisterDeviceNotification)([[:space:]]|$)' <<<"$imports"; then
  fail "imports the device notification functions: $(grep -Eo '(Un)?[Rr]egisterDeviceNotification[AW]?' <<<"$imports" | sort -u | tr '\n' ' ')"
fi
# The library entry points the shell uses are imported by name from KORFwSw.
for fn in InitLibrary DeInitLibrary IsSensorReady AFFreezeControl GetGPIStatus ResetUSBCamera; do
  grep -Eq "[[:space:]]$fn([[:space:]]|$)" <<<"$imports" || fail "does not import $fn"
done

[ $status -eq 0 ] && echo "OK: $exe is a PE32 GUI program importing KORFwSw.dll and system DLLs only, without the device notification functions"
exit $status
