#!/usr/bin/env bash
# Runs one cross-built program under Wine in its build tree's prefix; CTest
# uses it as the cross-compiling emulator: wine-run.sh ARCH PROGRAM [ARGS...]
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
kor_set_arch "$1"; shift
exec "$KOR_WINE" "$@"
