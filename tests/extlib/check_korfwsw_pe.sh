#!/usr/bin/env bash
# Checks the product KORFwSw.dll: a 32-bit x86 PE image (PE32) that exports
# exactly the library's sixteen plain, undecorated names and imports system
# DLLs only (the compiler runtimes are linked in).
#   check_korfwsw_pe.sh PATH/KORFwSw.dll [objdump]
set -euo pipefail
dll=${1:?usage: check_korfwsw_pe.sh KORFwSw.dll [objdump]}
. "$(dirname "${BASH_SOURCE[0]}")/../common/pe_check.sh"
pe_open "$dll" "${2:-}"

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
while read -r name; do pe_check_system_import "$name" "$allowed"; done < <(pe_imported_dlls)

[ $status -eq 0 ] && echo "OK: $dll is PE32 with the sixteen exports and system imports only"
exit $status
