#!/usr/bin/env bash
# The library kit as a third party uses it: check_kit.sh RUN_ARCH RUN_SDK_ZIP I686_SDK_ZIP
# The i686 KORFwSw.lib holds short import entries for exactly the sixteen
# plain names the DLL exports; a C89 client links both ways MinGW offers and
# runs (as RUN_ARCH) on the simulated camera; the example builds from the kit.
set -euo pipefail
run_arch=$1 run_zip=$2 i686_zip=$3
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*" >&2; status=1; }

unpack() { mkdir -p "$work/$1" && (cd "$work/$1" && cmake -E tar xf "$2") && echo "$work/$1"/*; }
kit86=$(unpack i686 "$i686_zip")
kit=$kit86
[ "$run_zip" = "$i686_zip" ] || kit=$(unpack run "$run_zip")

# The import library for Microsoft's linker: the names extlib_pe_check finds
# exported by the DLL.
expected=$(tr ' ' '\n' <<<"AFFreezeControl ControlGPO DeInitLibrary GetAFStatus GetFirmwareVersionInfo GetGPIStatus
GetManualFocusPosition GetSensorId GetUVCChipId InitLibrary IsKORCamera IsSensorReady ReadRegister
ResetUSBCamera SetManualFocusPosition StrobeControl" | sort)
dump=$(llvm-readobj-14 "$kit86/lib/KORFwSw.lib")
imports=$(awk '/^Format: COFF-import-file/ {entry=1; type=""; next}
  entry && /^Name type:/ {type=$3}
  entry && /^Symbol: _[^_]/ {print type, substr($2, 2); entry=0}' <<<"$dump" | sort -k2)
[ "$(grep -c '^Format: COFF-import-file$' <<<"$dump")" -eq 16 ] || fail "KORFwSw.lib: not sixteen short import entries"
[ -z "$(grep '^Format:' <<<"$dump" | grep -vE 'COFF-import-file$|COFF-i386$' || true)" ] ||
  fail "KORFwSw.lib: a member not for i386"
grep -qv '^noprefix ' <<<"$imports" && fail "KORFwSw.lib: an entry whose import name is not the plain name: $imports"
[ "$(cut -d' ' -f2 <<<"$imports")" = "$expected" ] || fail "KORFwSw.lib imports: $(echo $imports)"
members=$(grep '^File:' <<<"$dump" | sed -E 's/^File: //; s/.*\(([^)]*)\)$/\1/' | sort -u)
[ "$members" = KORFwSw.dll ] || fail "KORFwSw.lib's members name: $(echo $members)"

# The example builds from the kit alone (meanwhile, the rest).
run_triple=$([ "$run_arch" = x86_64 ] && echo x86_64-w64-mingw32 || echo i686-w64-mingw32)
"$run_triple-g++-posix" -std=c++17 -municode -DUNICODE -D_UNICODE -Wall -Wextra -Werror -static -I"$kit/include" \
  "$kit"/example/korfw/*.cpp -L"$kit/lib" -lKORFwSw -lole32 -loleaut32 -luuid -lstrmiids -o "$work/korfw.exe" &
example=$!

# A C89 client, linked both ways MinGW offers, for each kit; and for the
# i686 kit a third way, with KORFwSw.lib named explicitly, linked by lld as
# Microsoft's linker would read it (GNU ld would take libKORFwSw.dll.a).
build_client() {  # triple kit
  local cc="$1-gcc-posix -std=c89 -Wall -Wextra -Werror -static -I$2/include"
  $cc "$here/kit_client.c" -L"$2/lib" -lKORFwSw -o "$2/bin/client_implib.exe" || fail "$1: linking with libKORFwSw.dll.a"
  $cc "$here/kit_client.c" "$2/bin/KORFwSw.dll" -o "$2/bin/client_dll.exe" || fail "$1: linking with KORFwSw.dll"
}
build_client i686-w64-mingw32 "$kit86"
i686-w64-mingw32-gcc-posix -std=c89 -Wall -Wextra -Werror -static -fuse-ld=lld -I"$kit86/include" \
  "$here/kit_client.c" "$kit86/lib/KORFwSw.lib" -o "$kit86/bin/client_lib.exe" || fail "linking with KORFwSw.lib"
lib_imports=$(i686-w64-mingw32-objdump -p "$kit86/bin/client_lib.exe" 2>&1 || true)
grep -q 'DLL Name: KORFwSw.dll' <<<"$lib_imports" || fail "the client linked with KORFwSw.lib does not import KORFwSw.dll"
[ "$kit" = "$kit86" ] || build_client "$run_triple" "$kit"
clients=(client_implib client_dll)
[ "$kit" = "$kit86" ] && clients+=(client_lib)

# Run against the simulated camera's default device.
path=$(sed -n 's/^path = //p' "$root/simcam/scenarios/default.txt")
for client in "${clients[@]}"; do
  out=$("$root/scripts/wine-run.sh" "$run_arch" "$kit/bin/$client.exe" "$path" 2>&1 | tr -d '\r') ||
    fail "$client did not run against the simulated camera: $out"
  # The default camera's own values (simcam/scenarios/default.txt).
  grep -qx 'sensor 0x5640 chip 0x17 firmware 2013.5.21 Ver 7' <<<"$out" || fail "$client printed: $out"
done

wait "$example" || fail "the example does not build from the kit"

[ $status -eq 0 ] && echo "OK: the kit's import libraries, a C89 client ($run_arch) and the example"
exit $status
