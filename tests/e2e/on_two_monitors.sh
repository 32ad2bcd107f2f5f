#!/usr/bin/env bash
# Runs a Windows test program on a virtual display of two monitors. Wine
# takes its monitors from the display of its prefix's desktop, so the program
# gets a prefix and a Wine server of its own (made once, kept in the build
# folder) beside a private Xvfb with two Xinerama screens.
# Usage: on_two_monitors.sh program.exe [arguments]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
: "${BIMBLY_BUILD:?the build folder}"
export WINEPREFIX_OVERRIDE="$BIMBLY_BUILD/wineprefix-two-monitors"
source "$here/../../scripts/common.sh"

unset DISPLAY
trap stop_all EXIT
# Without RANDR, Wine reads the monitors from Xinerama. The primary (first)
# screen is the smaller one, so that the second reaches beyond it.
start_virtual_display +xinerama -extension RANDR -screen 0 1024x768x24 -screen 1 1280x1024x24
start_wine
status=0
wine "$@" || status=$?
exit $status
