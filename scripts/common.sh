# Shared set-up for the suite's scripts: packages, build, private Wine prefix
# and a virtual display. Sourced, not run.

BIMBLY_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BIMBLY_BUILD="${BIMBLY_BUILD:-$BIMBLY_ROOT/build}"
BIMBLY_NATIVE_BUILD="${BIMBLY_NATIVE_BUILD:-$BIMBLY_ROOT/build-native}"
export WINEPREFIX="${WINEPREFIX_OVERRIDE:-$BIMBLY_BUILD/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64
# Keep Wine from offering to install Mono or Gecko during set-up, and from
# copying the shortcuts an installer creates into the Linux desktop's menus.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"

BIMBLY_PACKAGES=(cmake make g++ g++-mingw-w64-x86-64-posix mingw-w64-tools googletest libgtest-dev
  wine wine64 xvfb x11-utils imagemagick fonts-wqy-microhei fonts-wine python3 python3-cryptography nsis
  python3-pil python3-numpy python3-scipy)

log() { printf '[bimbly] %s\n' "$*" >&2; }

install_packages() {
  local missing=()
  for p in "${BIMBLY_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  log "installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq -o DPkg::Lock::Timeout=600 "${missing[@]}" >/dev/null
}

build_windows() {
  cmake -S "$BIMBLY_ROOT" -B "$BIMBLY_BUILD" -DCMAKE_TOOLCHAIN_FILE="$BIMBLY_ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$BIMBLY_BUILD" -j"$(nproc)"
}

build_native() {
  cmake -S "$BIMBLY_ROOT" -B "$BIMBLY_NATIVE_BUILD" -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build "$BIMBLY_NATIVE_BUILD" -j"$(nproc)"
}

# Processes this script started, stopped by their own ids on exit.
BIMBLY_XVFB_PID=""
BIMBLY_WINESERVER_PID=""

# Starts a private virtual display with the given Xvfb screen arguments
# (for example "-screen 0 1280x1024x24") and exports DISPLAY. Fails when the
# display does not come within 10 s.
start_virtual_display() {
  local fd_file number=""
  fd_file="$(mktemp)"
  Xvfb -displayfd 3 "$@" -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
  BIMBLY_XVFB_PID=$!
  for _ in $(seq 1 100); do
    [ -s "$fd_file" ] && break
    sleep 0.1
  done
  number="$(head -n1 "$fd_file")"
  rm -f "$fd_file"
  if [ -z "$number" ]; then
    log "the virtual display did not start (Xvfb $*)"
    return 1
  fi
  export DISPLAY=":$number"
  log "virtual display $DISPLAY (Xvfb pid $BIMBLY_XVFB_PID)"
}

start_display() {
  # Use the given display when there is one, else start a private virtual one.
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return 0; fi
  start_virtual_display -screen 0 1280x1024x24
}

start_wine() {
  mkdir -p "$WINEPREFIX"
  # A persistent server for this prefix, in the foreground so its process id
  # is ours to stop; many short test programs then start fast.
  wineserver -f -p >/dev/null 2>&1 &
  BIMBLY_WINESERVER_PID=$!
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    log "preparing Wine prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
  fi
  # The prefix keeps its own desktop: Wine links it to the Linux home, where
  # the shortcuts an installer under test creates would land.
  local desktop
  for desktop in "$WINEPREFIX"/drive_c/users/*/Desktop; do
    if [ -L "$desktop" ]; then rm -f "$desktop" && mkdir -p "$desktop"; fi
  done
  # Start Wine's own background services now, with no terminal or pipe
  # attached: started later by a test program they would inherit its output
  # pipe and keep CTest waiting for it to close.
  wine cmd /c exit >/dev/null 2>&1 </dev/null || true
  # On our own virtual display there is no window manager; Wine would wait up
  # to two seconds for one at every window it hides. Let it place windows itself.
  local x11='HKCU\Software\Wine\X11 Driver'
  if [ -n "$BIMBLY_XVFB_PID" ]; then
    wine reg add "$x11" /v Managed /d N /f >/dev/null 2>&1 || true
  else
    wine reg delete "$x11" /v Managed /f >/dev/null 2>&1 || true
  fi
  # The caption buttons, scroll arrows and check marks are glyphs of Wine's
  # own symbol font, which this Wine does not load from its data folder: without
  # it in the prefix the buttons read "0 1 r".
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" symbol
  if [ ! -f "$fonts/marlett.ttf" ]; then
    for symbol in /usr/share/wine/fonts/marlett.ttf /usr/lib/wine/fonts/marlett.ttf /opt/wine*/share/wine/fonts/marlett.ttf; do
      if [ -f "$symbol" ]; then mkdir -p "$fonts" && cp "$symbol" "$fonts/" && break; fi
    done
  fi
  if [ ! -f "$WINEPREFIX/.bimbly-fonts" ]; then
    # Chinese glyphs for the dialog and UI fonts: link them to a CJK font of
    # the Linux side, as a Chinese Windows would have one.
    local key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
    for f in "Tahoma" "MS Shell Dlg" "Microsoft Sans Serif" "Arial"; do
      wine reg add "$key" /v "$f" /t REG_MULTI_SZ /d "wqy-microhei.ttc,WenQuanYi Micro Hei" /f >/dev/null 2>&1 || true
    done
    touch "$WINEPREFIX/.bimbly-fonts"
  fi
}

stop_all() {
  if [ -n "$BIMBLY_WINESERVER_PID" ]; then
    # Ends the programs still running in our prefix, then the server itself.
    wineserver -k >/dev/null 2>&1 || true
    kill "$BIMBLY_WINESERVER_PID" 2>/dev/null || true
    wait "$BIMBLY_WINESERVER_PID" 2>/dev/null || true
    BIMBLY_WINESERVER_PID=""
  fi
  if [ -n "$BIMBLY_XVFB_PID" ]; then
    kill "$BIMBLY_XVFB_PID" 2>/dev/null || true
    wait "$BIMBLY_XVFB_PID" 2>/dev/null || true
    BIMBLY_XVFB_PID=""
  fi
}
