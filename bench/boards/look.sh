#!/usr/bin/env bash
# Plays boards at two screen sizes on a private virtual display and saves a
# screenshot of each to build/look/, to look at them.
# Usage: bench/boards/look.sh [WxH ...]   (default: 1024x768 1920x1080)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# A prefix of its own, so that it can run beside the tests or the bench.
export WINEPREFIX_OVERRIDE="${WINEPREFIX_OVERRIDE:-$here/../../build/wineprefix-look}"
source "$here/../../scripts/common.sh"
cmake --build "$BIMBLY_BUILD" --target boards_bench >/dev/null
out="$BIMBLY_BUILD/look"
mkdir -p "$out"
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1024x768 1920x1080)
# category index keys
plays=("insects 0 10" "pets 0 6" "sea 1 15" "birds 6 1" "insects 2 10" "music 0 3" "music 7 3" "music 11 3"
  "cars 4 3" "planes 0 2")
trap stop_all EXIT
for size in "${sizes[@]}"; do
  unset DISPLAY
  start_virtual_display -screen 0 "${size}x24"
  start_wine
  for play in "${plays[@]}"; do
    read -r category index keys <<<"$play"
    # Held well past the screenshot: a board that is leaving shows black.
    wine "$BIMBLY_BUILD/tests-bin/boards_bench.exe" show "$category" "$index" "$keys" 14 >/dev/null 2>&1 &
    pid=$!
    sleep 9
    /usr/bin/import -window root "$out/${size}-${category}-${index}.png"
    wait "$pid" || true
  done
  stop_all
done
ls "$out"
