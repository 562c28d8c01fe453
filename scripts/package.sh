#!/usr/bin/env bash
# Installs what is missing, builds the i686 product and writes the packages
# to build/dist (KOR_BUILD_ROOT/dist):
#   KORViewer-<version>-win32-setup.exe   the installer (makensis)
#   KORViewer-<version>-win32.zip         the programs and the library kit
#   KORFwSw-<version>-sdk.zip             the library kit
# The version is the one in project() of CMakeLists.txt.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

kor_install_packages
# The product tree; its tests are built only where they can run (i686 hosts).
if [ "$KOR_ARCH" = i686 ]; then kor_build_tree mingw-i686 i686; else kor_build_tree mingw-i686-product i686; fi
dist=$KOR_BUILD_ROOT/dist
mkdir -p "$dist"
version=$(sed -n 's/^#define KOR_VERSION_TEXT "\(.*\)"$/\1/p' "$KOR_BUILD_ROOT/i686/generated/KorVersion.h")
for file in "KORViewer-$version-win32-setup.exe" "KORViewer-$version-win32.zip" "KORFwSw-$version-sdk.zip"; do
  cp -f "$KOR_BUILD_ROOT/i686/dist/$file" "$dist/"
  printf '%-40s %9d bytes\n' "$file" "$(stat -c %s "$dist/$file")"
done
kor_log "packages written to $dist"
