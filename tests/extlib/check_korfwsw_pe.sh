#!/usr/bin/env bash
# Checks the product KORFwSw.dll: a 32-bit x86 PE image (PE32) that exports
# exactly the library's sixteen plain, undecorated names and imports system
# DLLs only (the compiler runtimes are linked in).
#   check_korfwsw_pe.sh PATH/KORFwSw.dll [objdump]
set -euo pipefail
dll=${1:?usage: check_korfwsw_pe.sh KORFwSw.dll [objdump]}
objdump=${2:-i686-w64-mingw32-objdump}
status=0
fail() { echo "FAIL: $*"; status=1; }

[ -f "$dll" ] || { echo "FAIL: $dll does not exist"; exit 1; }
dump=$("$objdump" -p "$dll" 2>&1) || { echo "FAIL: $objdump cannot read $dll: $dump"; exit 1; }

grep -q 'file format pei-i386' <<<"$dump" || fail "not an i386 PE image: $(grep -m1 'file format' <<<"$dump")"
grep -Eq '^Magic[[:space:]]+010b[[:space:]]+\(PE32\)' <<<"$dump" || fail "optional header is not PE32"

expected="AFFreezeControl ControlGPO DeInitLibrary GetAFStatus GetFirmwareVersionInfo GetGPIStatus
GetManualFocusPosition GetSensorId GetUVCChipId InitLibrary IsKORCamera IsSensorReady ReadRegister
ResetUSBCamera SetManualFocusPosition StrobeControl"
expected=$(tr ' ' '\n' <<<"$expected" | sort)
exports=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" |
          sed -nE 's/^[[:space:]]*\[[[:space:]]*[0-9]+\][[:space:]]+([^[:space:]]+)[[:space:]]*$/\1/p' | sort)
if [ "$exports" != "$expected" ]; then
  fail "exports differ from the sixteen names:"
  diff <(echo "$expected") <(echo "$exports") || true
fi

allowed='^(kernel32|msvcrt|ole32|oleaut32|user32|advapi32|ntdll|ucrtbase|api-ms-win-.*)\.dll$'
while read -r name; do
  lower=$(tr 'A-Z' 'a-z' <<<"$name")
  case "$lower" in
    libgcc*|libstdc++*|libwinpthread*) fail "imports the compiler runtime $name" ;;
    *) grep -Eq "$allowed" <<<"$lower" || fail "imports a non-system DLL $name" ;;
  esac
done < <(sed -nE 's/^[[:space:]]*DLL Name:[[:space:]]*(.+)$/\1/p' <<<"$dump")

[ $status -eq 0 ] && echo "OK: $dll is PE32 with the sixteen exports and system imports only"
exit $status
