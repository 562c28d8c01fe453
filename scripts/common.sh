# Shared by the scripts: paths, package installation, the build trees, the
# Wine prefix and the display. Source it; it defines functions and variables.
#
# The product is Windows on 32-bit x86 and is always built for i686
# (build/i686). Tests and the demo run under Wine; on a host whose kernel
# cannot execute 32-bit code (no IA-32 emulation), 32-bit Wine cannot start,
# so the same sources are also built for x86_64 (build/x86_64) and run under
# 64-bit Wine. KOR_ARCH=i686|x86_64 forces the choice.

KOR_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# Where the build trees go; a second checkout or a parallel worker can point
# this elsewhere.
KOR_BUILD_ROOT=${KOR_BUILD_ROOT:-$KOR_ROOT/build}
export WINEDEBUG=${WINEDEBUG:--all}
# Keep Wine from offering to install Mono or Gecko into the prefix.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

kor_log() { printf '== %s\n' "$*"; }

kor_sudo() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

kor_apt_install() {
  kor_log "installing: $*"
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    kor_sudo dpkg --add-architecture i386
    kor_sudo apt-get update -qq
  fi
  if ! kor_sudo apt-get install -y -qq --no-install-recommends "$@" >/dev/null 2>&1; then
    kor_sudo apt-get update -qq
    kor_sudo apt-get install -y -qq --no-install-recommends "$@"
  fi
}

# Installs the cross compilers, Wine, Xvfb and the test tools when missing.
kor_install_packages() {
  local need=()
  command -v i686-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-i686-posix mingw-w64-i686-dev)
  command -v cmake >/dev/null || need+=(cmake)
  command -v make >/dev/null || need+=(make)
  [ -x /usr/lib/wine/wine ] || need+=(wine wine32:i386)
  command -v Xvfb >/dev/null || need+=(xvfb)
  command -v xauth >/dev/null || need+=(xauth)
  [ -f /usr/src/googletest/CMakeLists.txt ] || need+=(googletest)
  command -v djpeg >/dev/null || need+=(libjpeg-turbo-progs)
  { command -v convert >/dev/null && convert -version 2>/dev/null | grep -q ImageMagick; } || need+=(imagemagick)
  # The packages: the installer compiler and the Microsoft import library.
  command -v makensis >/dev/null || need+=(nsis)
  command -v llvm-dlltool >/dev/null || need+=(llvm)
  command -v llvm-readobj-14 >/dev/null || need+=(llvm-14)
  command -v ld.lld >/dev/null || need+=(lld)
  [ ${#need[@]} -eq 0 ] || kor_apt_install "${need[@]}"

  kor_pick_arch
  if [ "$KOR_ARCH" = x86_64 ]; then
    need=()
    command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev)
    [ -x /usr/lib/wine/wine64 ] || need+=(wine64)
    [ ${#need[@]} -eq 0 ] || kor_apt_install "${need[@]}"
  fi
}

# Chooses the architecture the tests and the demo run as.
kor_pick_arch() {
  if [ -z "${KOR_ARCH:-}" ]; then
    # 32-bit Wine only when the kernel runs i386 code itself: an emulator
    # registered with binfmt_misc would start it, far too slowly to be of use.
    if /usr/lib/wine/wine --version >/dev/null 2>&1 &&
       ! grep -qs 'qemu-i386' /proc/sys/fs/binfmt_misc/* 2>/dev/null; then
      KOR_ARCH=i686
    else
      KOR_ARCH=x86_64
    fi
  fi
  export KOR_ARCH
  kor_set_arch "$KOR_ARCH"
}

# Sets the build tree, the Wine loader and the prefix for one architecture.
kor_set_arch() {
  KOR_BUILD=$KOR_BUILD_ROOT/$1
  if [ "$1" = x86_64 ]; then
    KOR_WINE=/usr/lib/wine/wine64; export WINEARCH=win64
  else
    KOR_WINE=/usr/lib/wine/wine; export WINEARCH=win32
  fi
  export WINEPREFIX=$KOR_BUILD/wineprefix
}

# Configures and builds one tree through its preset (CMakePresets.json holds
# the generator, the toolchain and the options), in the tree's folder below
# KOR_BUILD_ROOT: kor_build_tree PRESET ARCH [-DOPTION=VALUE ...]. The
# configure step runs every time (it is quick when nothing changed), so
# options given now replace the ones an earlier run left in the cache.
# ccache is used when the host has it.
kor_build_tree() {
  local preset=$1 arch=$2; shift 2
  local dir=$KOR_BUILD_ROOT/$arch
  local launcher=()
  if command -v ccache >/dev/null; then
    export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$KOR_ROOT} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  kor_log "configuring $arch ($preset)"
  (cd "$KOR_ROOT" && cmake --preset "$preset" -B "$dir" "${launcher[@]}" "$@" >/dev/null)
  kor_log "building $arch"
  cmake --build "$dir" -j "$(nproc)" -- --no-print-directory
}

# The product tree (i686) always; the x86_64 tree too when the tests run there.
kor_configure_and_build() {
  if [ "$KOR_ARCH" = i686 ]; then
    kor_build_tree mingw-i686 i686
  else
    kor_build_tree mingw-i686-product i686
    kor_build_tree mingw-x86_64 x86_64 -DKOR_PRODUCT_DIR="$KOR_BUILD_ROOT/i686/bin"
  fi
}

# Starts a virtual display for the run unless one is already there.
kor_start_display() {
  if [ -n "${DISPLAY:-}" ] && [ -e "/tmp/.X11-unix/X${DISPLAY#*:}" ]; then return 0; fi
  local n i
  for n in $(seq 91 120); do
    { [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; } && continue
    Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    KOR_XVFB_PID=$!
    export DISPLAY=:$n
    for i in $(seq 1 50); do
      [ -e /tmp/.X11-unix/X$n ] && return 0
      sleep 0.1
    done
  done
  echo "could not start Xvfb" >&2
  return 1
}

kor_stop_display() {
  [ -n "${KOR_XVFB_PID:-}" ] && kill "$KOR_XVFB_PID" 2>/dev/null
  KOR_XVFB_PID=""
}

kor_wine() { "$KOR_WINE" "$@"; }

# Wine makes the prefix's Desktop a link to the host user's home directory;
# the viewer writes its stills to the desktop, so a prefix of ours gets a
# Desktop folder of its own instead.
kor_own_desktop() {
  local desktop
  for desktop in "$WINEPREFIX"/drive_c/users/*/Desktop; do
    if [ -L "$desktop" ]; then
      rm -f "$desktop" && mkdir -p "$desktop"
    fi
  done
}

# A program that crashes in the prefix ends at once with its exception code
# (the process's exit code, and Wine's "Unhandled ..." line on its error
# output): the prefix's AeDebug names no debugger. Without a Debugger value
# Wine would start winedbg all the same, so the value is set, empty.
kor_no_crash_debugger() {
  local stamp="$WINEPREFIX/.no-crash-debugger" key
  [ -f "$stamp" ] && return 0
  for key in 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
             'HKLM\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\AeDebug'; do
    kor_wine reg add "$key" /v Debugger /d "" /f >/dev/null 2>&1 </dev/null || return 1
  done
  touch "$stamp"
}

# Creates the prefix on first use and keeps one wineserver alive for the run.
kor_prepare_prefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    kor_log "creating Wine prefix $WINEPREFIX"
    mkdir -p "$WINEPREFIX"
    kor_wine wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    kor_own_desktop
  fi
  wineserver -p >/dev/null 2>&1 </dev/null || true
  kor_no_crash_debugger
  # Start the prefix's services now, detached from our output: a Wine
  # process started later by CTest would otherwise hand them its pipes, and
  # CTest would wait for those to close.
  kor_wine wineboot >/dev/null 2>&1 </dev/null || true
}

# Registers the simulated camera's COM servers and filters in the prefix. A
# failed registration shows regsvr32's result and simcam's own reason (its
# "simcam: ... failed" debugger lines) and stops the calling script.
kor_register_simcam() {
  local dll="$KOR_BUILD/bin/simcam.dll"
  local stamp="$WINEPREFIX/.simcam-registered"
  [ -f "$dll" ] || return 0
  if [ ! -f "$stamp" ] || [ "$dll" -nt "$stamp" ]; then
    kor_log "registering the simulated camera"
    rm -f "$stamp"
    local path rc=0 out
    path=$(kor_wine winepath -w "$dll" 2>/dev/null </dev/null)
    # Without a debugger Wine 8 logs OutputDebugString text as a warning of
    # its seh channel: keep that on for this one run.
    out=$(WINEDEBUG=-all,warn+seh kor_wine regsvr32 /s "$path" 2>&1 </dev/null) || rc=$?
    if [ "$rc" -ne 0 ]; then
      echo "regsvr32 could not register $dll (exit code $rc):" >&2
      printf '%s\n' "$out" | grep -a 'OutputDebugStringA "simcam:' |
        sed 's/.*OutputDebugStringA "\(.*\)\\r\\n"$/  \1/' >&2 || true
      exit 1
    fi
    touch "$stamp"
  fi
}

kor_stop_wine() {
  wineserver -k >/dev/null 2>&1 || true
}
