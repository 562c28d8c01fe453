#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine: the simulated camera's picture
# (capture frame times and CPU share at 30 fps, still times), the viewer's
# YUY2 still conversion against a memcpy, the camera as a device, the
# viewer's capture subsystem (still files, still times, start-up, preview CPU
# share) and its shell (message round trip while autofocus keeps failing,
# start-up to the first preview frame, Enter to the still file), and
# korfw.exe's stills from start to exit.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

kor_install_packages
kor_configure_and_build
trap 'kor_stop_wine; kor_stop_display' EXIT
kor_prepare_prefix

kor_log "picture benchmark ($KOR_ARCH)"
kor_wine "$KOR_BUILD/bin/picture_bench.exe"
kor_log "still conversion benchmark ($KOR_ARCH)"
kor_wine "$KOR_BUILD/bin/convert_bench.exe"
kor_register_simcam
kor_log "camera benchmark ($KOR_ARCH)"
kor_start_display
kor_wine "$KOR_BUILD/bin/camera_bench.exe"
kor_log "capture benchmark ($KOR_ARCH)"
kor_wine "$KOR_BUILD/bin/capture_bench.exe"
if [ -f "$KOR_BUILD/bin/viewer_bench.exe" ]; then
  kor_log "viewer benchmark ($KOR_ARCH)"
  kor_wine "$KOR_BUILD/bin/viewer_bench.exe"
fi
kor_log "korfw benchmark ($KOR_ARCH)"
kor_wine "$KOR_BUILD/bin/korfw_bench.exe"
