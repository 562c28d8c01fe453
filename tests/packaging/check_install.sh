#!/usr/bin/env bash
# The installer as a person uses it, in a fresh Wine prefix of its own (its
# own wineserver): check_install.sh RUN_ARCH SETUP_EXE PROGRAMS_STAGE BUILD_BIN
# (PROGRAMS_STAGE: the files the installer was made from; BUILD_BIN: the
# build's simcam.dll and viewer_drive.exe). Install over an older version,
# check files, shortcut and uninstall values, preview the simulated camera
# with the installed viewer, ask the installed korfw, repair by installing
# again, uninstall quietly, and install elsewhere with /D=.
set -euo pipefail
run_arch=$1 setup=$2 stage=$3 build_bin=$4
source "$(dirname "${BASH_SOURCE[0]}")/../../scripts/common.sh"
kor_set_arch "$run_arch"
KOR_BUILD=$(dirname "$build_bin")
export WINEPREFIX=$KOR_BUILD/install-prefix
export SIMCAM_INSTANCE=  # the default camera, as the installed viewer sees it
rm -rf "$WINEPREFIX"
status=0
fail() { echo "FAIL: $*" >&2; status=1; }
cleanup() { kor_stop_wine; rm -rf "$work"; }  # wineserver -k ends whatever is left
work=$(mktemp -d)
trap cleanup EXIT
kor_prepare_prefix

c=$WINEPREFIX/drive_c
dir="$c/Program Files/KORViewer"
dir_win='C:\Program Files\KORViewer'
lnk="$c/ProgramData/Microsoft/Windows/Start Menu/Programs/KOR Viewer.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\KORViewer'
desktop=$(echo "$c"/users/*/Desktop)
programs=(KORViewer.exe KORFwSw.dll korfw.exe)
version=$(sed -nE 's/.*-([0-9.]+)-win(32|64)-setup\.exe$/\1/p' <<<"$setup")
nsis_arch=$([ "$run_arch" = x86_64 ] && echo x64 || echo x86)

install() {  # setup.exe [args]
  local exe=$1; shift
  kor_wine "$exe" /S "$@" </dev/null >/dev/null 2>&1 || fail "$(basename "$exe") $* exited with $?"
}
reg_value() { kor_wine reg query "$key" /v "$1" 2>/dev/null | tr -d '\r' | sed -nE "s/^ +$1 +REG_[A-Z_]+ +//p"; }
same_programs() {  # folder
  local file
  for file in "${programs[@]}"; do cmp -s "$stage/$file" "$1/$file" || return 1; done
}
uninstall_quietly() {  # folder left behind or removed
  local quiet exe
  quiet=$(reg_value QuietUninstallString)
  exe=$(sed -nE 's/^"([^"]+)" \/S$/\1/p' <<<"$quiet")
  [ -n "$exe" ] || { fail "QuietUninstallString is '$quiet'"; return; }
  kor_wine "$exe" /S </dev/null >/dev/null 2>&1 || fail "the uninstaller exited with $?"
  # The uninstaller runs from a copy in the temporary folder: wait for it.
  for _ in $(seq 1 100); do
    [ ! -e "$1/uninstall.exe" ] && ! kor_wine reg query "$key" >/dev/null 2>&1 && return
    sleep 0.3
  done
  fail "the uninstaller did not finish"
}

# 1. An older version (the same programs with a byte more each, packed by
#    the previous release's own installer script), then this one.
mkdir -p "$work/old"
for file in "${programs[@]}"; do cp "$stage/$file" "$work/old/"; printf 'x' >>"$work/old/$file"; done
makensis -V1 -DVERSION=2.1.0.0 -DARCH="$nsis_arch" -DPROGRAMS="$work/old" -DOUTFILE="$work/old-setup.exe" \
  "$(dirname "${BASH_SOURCE[0]}")/previous/KORViewer.nsi"
install "$work/old-setup.exe"
[ "$(reg_value DisplayVersion)" = 2.1.0.0 ] || fail "the older version did not install"
install "$setup"
same_programs "$dir" || fail "installing over the older version did not replace the files in place"
[ "$(cd "$dir" && ls | sort | tr '\n' ' ')" = "KORFwSw.dll KORViewer.exe korfw.exe uninstall.exe " ] ||
  fail "installed files: $(ls "$dir")"
# The viewer's version resource carries the installer's version (one source).
[ "$(i686-w64-mingw32-strings -el "$dir/KORViewer.exe" | grep -A1 -x ProductVersion | tail -1)" = "$version" ] ||
  fail "KORViewer.exe's ProductVersion is not $version"
[ -z "$(find "$c" -iname 'simcam*' -print)" ] || fail "the simulated camera was installed"
[ -f "$lnk" ] && grep -aq 'KORViewer\\KORViewer.exe' "$lnk" || fail "no Start menu shortcut to KORViewer.exe"
size_kb=$(( $(du -sk "$dir" | cut -f1) ))
for expected in "DisplayName=KOR Viewer" "DisplayVersion=$version" "Publisher=KOR" "InstallLocation=$dir_win" \
    "UninstallString=\"$dir_win\\uninstall.exe\"" "QuietUninstallString=\"$dir_win\\uninstall.exe\" /S" \
    "DisplayIcon=$dir_win\\KORViewer.exe,0" "NoModify=0x1" "NoRepair=0x1"; do
  name=${expected%%=*}
  [ "$(reg_value "$name")" = "${expected#*=}" ] || fail "$name is '$(reg_value "$name")', not '${expected#*=}'"
done
estimated=$(( $(reg_value EstimatedSize) ))
[ "$estimated" -gt $((size_kb / 2)) ] && [ "$estimated" -le $((size_kb * 2)) ] ||
  fail "EstimatedSize $estimated KB for $size_kb KB installed"

# 2. The installed programs on the simulated camera.
kor_register_simcam
kor_wine "$dir/KORViewer.exe" </dev/null >/dev/null 2>&1 &
viewer=$!
shown=$(kor_wine "$build_bin/viewer_drive.exe" status 2>&1 | tr -d '\r') || true
[ "$shown" = "Resolution : 640x480" ] || fail "the installed viewer's status bar: '$shown'"
kor_wine "$build_bin/viewer_drive.exe" exit >/dev/null 2>&1 || fail "the installed viewer did not exit"
viewer_rc=0
wait "$viewer" || viewer_rc=$?
[ "$viewer_rc" -eq 0 ] || fail "the installed viewer exited with $viewer_rc"
info=$(kor_wine "$dir/korfw.exe" info 2>&1 | tr -d '\r') || fail "installed korfw info: $info"
grep -q '^firmware: .*Ver' <<<"$info" || fail "installed korfw info printed: $info"

# 3. The same version again repairs a damaged file.
printf 'damaged' >"$dir/korfw.exe"
install "$setup"
same_programs "$dir" || fail "installing the same version again did not replace the files"

# 4. Uninstall; a still on the desktop stays.
mkdir -p "$desktop"
printf 'still' >"$desktop/20260102030405.jpg"
uninstall_quietly "$dir"
[ -e "$dir" ] && fail "the folder is left: $(ls -A "$dir")"
[ -e "$lnk" ] && fail "the shortcut is left"
kor_wine reg query "$key" >/dev/null 2>&1 && fail "the uninstall key is left"
[ -f "$desktop/20260102030405.jpg" ] || fail "the uninstaller removed the still on the desktop"

# 5. /D= chooses the folder (NSIS takes it unquoted, and Wine quotes an
#    argument with a space: the test folder has none); a still the user left
#    there stays, with its folder.
install "$setup" '/D=C:\Tools\KOR'
other="$c/Tools/KOR"
same_programs "$other" || fail "/D= did not install into C:\\Tools\\KOR"
[ "$(reg_value InstallLocation)" = 'C:\Tools\KOR' ] || fail "InstallLocation after /D=: $(reg_value InstallLocation)"
printf 'still' >"$other/20260102030406.jpg"
uninstall_quietly "$other"
[ "$(ls -A "$other" 2>/dev/null)" = 20260102030406.jpg ] || fail "after uninstalling from /D=: $(ls -A "$other" 2>&1)"

[ $status -eq 0 ] && echo "OK: installed, used, repaired and uninstalled KOR Viewer $version ($nsis_arch)"
exit $status
