#!/usr/bin/env bash
# Installs what is missing, builds, prepares the Wine prefix with the
# simulated camera and starts the viewer on its default camera.
#
# On the user's display the viewer runs until it is closed. Without a
# display it runs under Xvfb for a few seconds: it takes a still with the
# Enter key, saves a screenshot of the main window, and says where both went.
#   KOR_RUN_SECONDS   how long the headless run previews first (default 4)
#   KOR_RUN_OUT       folder for the screenshot (default build/run)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

kor_install_packages
kor_configure_and_build
viewer="$KOR_BUILD/bin/KORViewer.exe"
if [ ! -f "$viewer" ]; then
  echo "KORViewer is not built yet: this checkout has the library and the simulated camera only."
  exit 0
fi

interactive=0
if [ -n "${DISPLAY:-}" ] && [ -e "/tmp/.X11-unix/X${DISPLAY#*:}" ]; then interactive=1; fi

kor_start_display
trap 'kor_stop_wine; kor_stop_display' EXIT
kor_prepare_prefix
kor_register_simcam

if [ $interactive -eq 1 ]; then
  kor_log "starting the viewer on $DISPLAY (close it to end)"
  kor_wine "$viewer"
  exit 0
fi

out=${KOR_RUN_OUT:-$KOR_BUILD_ROOT/run}
mkdir -p "$out"
drive="$KOR_BUILD/bin/viewer_drive.exe"
kor_log "no display: running the viewer under Xvfb ($DISPLAY) for a few seconds"
# There is no window manager on the virtual display: Wine draws the frames.
kor_wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1 || true
kor_wine "$viewer" >/dev/null 2>&1 </dev/null &
viewer_pid=$!
kor_wine "$drive" wait >/dev/null 2>&1 || true
sleep "${KOR_RUN_SECONDS:-4}"
still_win=$(kor_wine "$drive" still 2>/dev/null | tr -d '\r' || true)
sleep 1
shot="$out/korviewer-main.png"
window_id=$(xwininfo -root -tree | awk '/"KOR Viewer"/ {print $1; exit}')
import -window "${window_id:-root}" "$shot"
kor_wine "$drive" exit >/dev/null 2>&1 || true
wait "$viewer_pid" 2>/dev/null || true
# A window manager on a real display decorates the windows again.
kor_wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Decorated /f >/dev/null 2>&1 || true

if [ -n "$still_win" ]; then
  still=$(readlink -f "$(kor_wine winepath -u "$still_win" 2>/dev/null)")
  echo "still:      $still"
else
  echo "still:      none was written (see the screenshot)"
fi
echo "screenshot: $shot"
