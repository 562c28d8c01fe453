# pe_check.sh - checks shared by the product image scripts (sourced, not run):
# the failure count, reading the image with objdump, the PE32 header and the
# imported DLLs.

status=0
fail() { echo "FAIL: $*"; status=1; }

# pe_read FILE OBJDUMP: the `objdump -p` text of FILE into $dump; the check
# ends here when there is none.
pe_read() {
  [ -f "$1" ] || { echo "FAIL: $1 does not exist"; exit 1; }
  dump=$("$2" -p "$1" 2>&1) || { echo "FAIL: $2 cannot read $1: $dump"; exit 1; }
}

# pe_open FILE [OBJDUMP]: reads FILE (with the i686 objdump unless another
# is named) and checks it is a PE32 image.
pe_open() {
  pe_read "$1" "${2:-i686-w64-mingw32-objdump}"
  pe_check_pe32
}

# A 32-bit x86 image with a PE32 optional header.
pe_check_pe32() {
  grep -q 'file format pei-i386' <<<"$dump" || fail "not an i386 PE image: $(grep -m1 'file format' <<<"$dump")"
  grep -Eq '^Magic[[:space:]]+010b[[:space:]]+\(PE32\)' <<<"$dump" || fail "optional header is not PE32"
}

# The names of the DLLs the image imports, one a line.
pe_imported_dlls() { sed -nE 's/^[[:space:]]*DLL Name:[[:space:]]*(.+)$/\1/p' <<<"$dump"; }

# pe_check_system_import NAME ALLOWED: NAME, in lower case, is no compiler
# runtime and matches the extended regular expression ALLOWED.
pe_check_system_import() {
  local lower
  lower=$(tr 'A-Z' 'a-z' <<<"$1")
  case "$lower" in
    libgcc*|libstdc++*|libwinpthread*) fail "imports the compiler runtime $1" ;;
    *) grep -Eq "$2" <<<"$lower" || fail "imports a non-system DLL $1" ;;
  esac
}
