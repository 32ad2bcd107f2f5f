#!/usr/bin/env bash
# Sets everything up on a fresh Debian 12 machine and runs the launcher under
# Wine. With no display, starts a virtual one and saves a screenshot of the
# launcher to the file it names (default: build/launcher.png).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_packages
build_windows

headless=""
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then headless=1; fi
trap stop_all EXIT
start_display
start_wine

if [ -z "$headless" ]; then
  wine "$BIMBLY_BUILD/out/Tobble.exe"
else
  shot="${1:-$BIMBLY_BUILD/launcher.png}"
  wine "$BIMBLY_BUILD/out/Tobble.exe" &
  sleep "${BIMBLY_SHOT_DELAY:-6}"
  /usr/bin/import -window root "$shot"
  log "screenshot of the launcher saved to $shot"
fi
