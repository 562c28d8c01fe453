#!/usr/bin/env bash
# Installs what is missing, builds, prepares the Wine prefix with the
# simulated camera and starts the viewer on it.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

kor_install_packages
kor_configure_and_build
if [ ! -f "$KOR_BUILD/bin/KORViewer.exe" ]; then
  echo "KORViewer is not built yet: this checkout has the library and the simulated camera only."
  exit 0
fi
kor_start_display
trap 'kor_stop_wine; kor_stop_display' EXIT
kor_prepare_prefix
kor_register_simcam
kor_wine "$KOR_BUILD/bin/KORViewer.exe"
