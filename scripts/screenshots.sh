#!/usr/bin/env bash
# Regenerates the screenshots of the README and docs/VIEWER.md from the real program: KORViewer.exe
# on the default simulated camera under Xvfb, the main window previewing
# (after a still taken with Enter) and each dialog, opened through its menu
# command. Writes docs/viewer-*.png.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

kor_install_packages
kor_configure_and_build
viewer="$KOR_BUILD_ROOT/i686/bin/KORViewer.exe"
drive="$KOR_BUILD/bin/viewer_drive.exe"
docs="$KOR_ROOT/docs"
mkdir -p "$docs"

# A virtual display of our own, whatever display the caller has.
unset DISPLAY
kor_start_display
trap 'kor_stop_wine; kor_stop_display' EXIT
kor_prepare_prefix
kor_register_simcam
# No window manager on the virtual display: Wine draws the frames itself.
kor_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1 || true

# The X window of a top-level window, by its exact title.
shoot() {
  local title=$1 file=$2 id
  id=$(xwininfo -root -tree | awk -v t="\"$title\":" 'index($0, t) { print $1; exit }')
  if [ -z "$id" ]; then
    echo "no window titled '$title'" >&2
    return 1
  fi
  import -window "$id" "$docs/$file"
  kor_log "$docs/$file"
}

drv() { kor_wine "$drive" "$@" 2>/dev/null | tr -d '\r'; }

kor_wine "$viewer" >/dev/null 2>&1 </dev/null &
viewer_pid=$!
drv wait >/dev/null
sleep 3
drv still >/dev/null || true
sleep 1
shoot "KOR Viewer" viewer-main.png

# Each dialog through its command: command, caption, file.
dialog() {
  local command=$1 caption=$2 file=$3
  drv command "$command"
  drv dialog "$caption" >/dev/null
  sleep 1
  shoot "$caption" "$file"
  drv close "$caption" || true
}
dialog 104 "About" viewer-about.png
dialog 32778 "Still Path" viewer-still-path.png
dialog 32776 "Current Settings" viewer-current-settings.png
dialog 32775 "Still Pin Properties" viewer-still-pin.png
sleep 2  # the preview is rebuilt after the still pin dialog
# Focus Mode opens from the UVC Extension Controls dialog's button.
drv command 32779
drv dialog " UVC Extension Controls" >/dev/null
sleep 1
shoot " UVC Extension Controls" viewer-uvc-extension.png
drv click " UVC Extension Controls" 1042
drv dialog "Focus Mode" >/dev/null
sleep 1
shoot "Focus Mode" viewer-focus-mode.png
drv close "Focus Mode" || true
drv close " UVC Extension Controls" || true

drv exit || true
wait "$viewer_pid" 2>/dev/null || true
kor_wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Decorated /f >/dev/null 2>&1 || true
# The still taken for the main window's status text stays in the prefix.
kor_log "screenshots are in $docs"
