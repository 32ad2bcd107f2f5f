#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine on a private virtual display and
# prints their figures. Usage: bench/run.sh [startup|game|image|update|boards|all|soak]
# (soak, an hour of play across every board kind, runs long and only on its own)
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/../scripts/common.sh"

what="${1:-all}"
install_packages
build_windows

unset DISPLAY
trap stop_all EXIT
start_display
bins="$BIMBLY_BUILD/tests-bin"

if [ "$what" = startup ] || [ "$what" = all ]; then
  # Cold means a fresh Wine server: restart ours first.
  stop_all
  start_display
  start_wine
  wine "$bins/startup_bench.exe"
fi
[ -n "$BIMBLY_WINESERVER_PID" ] || start_wine
# The least a program under this Wine can do to take a key while what the
# full bee board shows moves over its background: the same ten pictures, the
# background and the hint, a key taken straight by the focused window. Run
# after the game, on a Wine server that has settled.
key_floor() {
  local res="$BIMBLY_ROOT/resources"
  wp() { echo "Z:${1//\//\\}"; }
  echo -n "$1: "
  # A floor run can hang in Wine's own code (a thread faulting over and
  # over in its Unix side): it gets five minutes.
  timeout 300 wine "$bins/floor_bench.exe" "${3:-latency}" "${BIMBLY_BENCH_KEYS:-1000}" "$2" 156 146 60 \
    "$(wp "$res/DeckInsect/img1.gif")" "$(wp "$res/DeckInsect/back1.jpg")" "$(wp "$res/Tobble/image_remind.gif")" \
    2>/dev/null || echo "(the floor did not run to its end: exit $?)"
}
if [ "$what" = game ] || [ "$what" = all ]; then
  wine "$bins/game_bench.exe" "${BIMBLY_BENCH_KEYS:-1000}" 20 "${BIMBLY_BENCH_SOAK_KEYS:-10000}"
  key_floor "key latency floor, background and hint only" 0
  key_floor "key latency floor, ten bee pictures moving" 10
  key_floor "key latency floor, ten bee pictures moving, keys apart from the background" 10 latency-apart
  key_floor "key latency floor, ten bee pictures moving, keys by the lock's hooks to a thread apart" 10 latency-locked
fi
if [ "$what" = soak ]; then
  wine "$bins/game_bench.exe" soak "${BIMBLY_BENCH_PLAY_KEYS:-100000}" "${BIMBLY_BENCH_GAME_KEYS:-5000}" \
    "${BIMBLY_BENCH_SOAK_BOARDS:-0123}"
fi
if { [ "$what" = image ] || [ "$what" = all ]; } && [ -x "$(dirname "${BASH_SOURCE[0]}")/image_window/run.sh" ]; then
  BIMBLY_BUILD="$BIMBLY_BUILD" "$(dirname "${BASH_SOURCE[0]}")/image_window/run.sh"
fi
if [ "$what" = update ] || [ "$what" = all ]; then
  /usr/bin/python3 "$(dirname "${BASH_SOURCE[0]}")/update/run.py" "$bins"
fi
if [ "$what" = boards ] || [ "$what" = all ]; then
  # It starts its own display, Wine server and sound device: ours stop first.
  stop_all
  BIMBLY_BUILD="$BIMBLY_BUILD" "$(dirname "${BASH_SOURCE[0]}")/boards/run.sh"
fi
{
  echo "binary sizes:"
  ls -l "$BIMBLY_BUILD/out" | awk 'NR > 1 { printf "  %-16s %9d bytes\n", $9, $5 }'
}
