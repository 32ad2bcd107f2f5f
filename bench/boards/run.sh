#!/usr/bin/env bash
# The boards measured side by side with the peer toddler game bambam, in one
# run on one private virtual display:
#  - CPU of the bee board with 10 copies and the crab board with 15, over 20 s
#    left alone and while 200 keys arrive at 10 per second, Wine's own
#    processes included (every process of our Wine prefix), the floor
#    (bench/floor: the same layered windows doing the least a Win32 program
#    can) and bambam doing the same; the X server's share is shown apart for
#    all; then each board against its floor and against bambam;
#  - key press to the first sound sample written to the device (median of 100);
#  - key press to the first visible move of a new copy (median of 100);
#  - with "soak": 10,000 random keys across the whole catalog.
# Usage: bench/boards/run.sh [cpu|latency|soak|all]   (default: cpu latency)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
source "$here/../../scripts/common.sh"
what="${1:-default}"
IDLE_S="${BIMBLY_BENCH_IDLE_S:-20}"
KEYS="${BIMBLY_BENCH_KEYS:-200}"
RATE="${BIMBLY_BENCH_RATE:-10}"
# The CPU figures take both programs without a sound device (none), or both
# with the capture device below (file), which Wine's file device fills as
# fast as it can: both then spin on sound and hide what the boards cost.
CPU_SOUND="${BIMBLY_BENCH_SOUND:-none}"

install_packages
BIMBLY_PACKAGES+=(bambam xdotool)
install_packages
build_windows >/dev/null

# A sound device that writes its samples to a file, for us and for bambam.
sound_home="$BIMBLY_BUILD/bench-sound-home"
mkdir -p "$sound_home"
printf 'pcm.!default { type file; slave.pcm "null"; file "%s/out.raw"; format "raw" }\n' "$sound_home" \
  >"$sound_home/.asoundrc"
export HOME="$sound_home"
export BIMBLY_SOUND_CAPTURE="Z:${sound_home//\//\\}\\out.raw"
# Wine's file device with a null slave writes as fast as it can; the capture
# is emptied whenever it passes 256 MiB, so a long run cannot fill the disk.
( while sleep 2; do
    size=$(stat -c %s "$sound_home/out.raw" 2>/dev/null || echo 0)
    [ "$size" -gt 268435456 ] && : >"$sound_home/out.raw"
  done ) &
capture_guard_pid=$!

unset DISPLAY
trap 'kill -9 "${peer_pid:-}" "$capture_guard_pid" 2>/dev/null || true; stop_all' EXIT
start_display
start_wine
bins="$BIMBLY_BUILD/tests-bin"
snaps="$BIMBLY_BUILD/bench-snaps"
mkdir -p "$snaps"
# snap NAME ENV-ENTRY: CPU snapshots of the processes with that entry and of the X server.
snap() {
  python3 "$here/cpu.py" snap env "$2" "$snaps/$1" "${BIMBLY_XVFB_PID:-0}"
  python3 "$here/cpu.py" snap pid "${BIMBLY_XVFB_PID:-0}" "$snaps/$1.x"
}
delta() { python3 "$here/cpu.py" delta "$snaps/$1" "$snaps/$2" ${BIMBLY_BENCH_VERBOSE:+-v}; }
report() {
  printf '%-22s idle %ss: %6s CPU-s (X server %s)   %s keys: %6s CPU-s (X server %s)\n' "$1" "$IDLE_S" \
    "$(delta idle keys)" "$(delta idle.x keys.x)" "$KEYS" "$(delta keys end)" "$(delta keys.x end.x)"
  echo "$(delta idle keys 2>/dev/null) $(delta keys end 2>/dev/null)" >"$BIMBLY_BUILD/bench-last-$1"
}

# Wine's sound drivers off for our CPU figures when there is to be no device.
cpu_overrides="$WINEDLLOVERRIDES"
[ "$CPU_SOUND" = none ] && cpu_overrides="$cpu_overrides;winealsa.drv,winepulse.drv,wineoss.drv=d"

# CPU at each phase that a measuring program announces on its output.
phases() {
  local label="$1" exe="$2"; shift 2
  export BIMBLY_CPU_SEEN="$snaps/seen"
  rm -f "$BIMBLY_CPU_SEEN"
  while read -r line; do
    line="${line%$'\r'}"
    case "$line" in
      "PHASE "*) snap "${line#PHASE }" "WINEPREFIX=$WINEPREFIX" ;;
      *) echo "  $line" ;;
    esac
  done < <(WINEDLLOVERRIDES="$cpu_overrides" wine "$bins/$exe" "$@" 2>/dev/null)
  report "$label"
}

# Our board.
ours() {
  local label="$1"; shift
  phases "$label" boards_bench.exe load "$@"
}

# The floor: the same number of layered windows of a copy's size, doing the
# least a Win32 program can (bench/floor), over the same phases.
floor() {
  local label="$1"; shift
  phases "$label" floor_bench.exe "$@"
}

# bambam with the same key pattern: `copies` keys, idle, then the keys at the rate.
peer() {
  local label="$1" copies="$2"
  local mute=()
  [ "$CPU_SOUND" = none ] && mute=(--mute)
  BIMBLY_BENCH_PEER=1 /usr/games/bambam "${mute[@]}" >/dev/null 2>&1 &
  peer_pid=$!
  local win=""
  for _ in $(seq 1 100); do
    win=$(xdotool search --pid "$peer_pid" 2>/dev/null | head -n1 || true)
    [ -n "$win" ] && break
    sleep 0.1
  done
  xdotool windowfocus "$win" 2>/dev/null || true
  sleep 2
  local letters=(a s d f g h j k l q w e r t y u i o p z x c v b n m)
  for i in $(seq 0 $((copies - 1))); do xdotool key "${letters[$((i % 26))]}"; done
  sleep 1.5
  local keys=()
  export BIMBLY_CPU_SEEN="$snaps/seen"
  rm -f "$BIMBLY_CPU_SEEN"
  snap idle BIMBLY_BENCH_PEER=1
  sleep "$IDLE_S"
  snap keys BIMBLY_BENCH_PEER=1
  for i in $(seq 0 $((KEYS - 1))); do keys+=("${letters[$((i % 26))]}"); done
  xdotool key --delay $((1000 / RATE)) "${keys[@]}"
  snap end BIMBLY_BENCH_PEER=1
  kill -9 "$peer_pid" 2>/dev/null || true  # bambam ignores a plain kill
  wait "$peer_pid" 2>/dev/null || true
  peer_pid=""
  report "$label"
}

ratio() {
  read -r oi ok <"$BIMBLY_BUILD/bench-last-$1"
  read -r pi pk <"$BIMBLY_BUILD/bench-last-$2"
  python3 -c "
oi, ok, pi, pk = $oi, $ok, $pi, $pk
r = lambda a, b: f'{a / b:.2f}' if b > 0 else 'n/a'
print(f'  $1 vs $2: idle {r(oi, pi)} x, keys {r(ok, pk)} x')"
}

if [ "$what" = cpu ] || [ "$what" = default ] || [ "$what" = all ]; then
  echo "CPU, every process of the Wine prefix (ours) or of bambam, in CPU-seconds, sound device: $CPU_SOUND:"
  ours "bee board (10)" insects 0 10 "$IDLE_S" "$KEYS" "$RATE"
  ours "crab board (15)" sea 1 15 "$IDLE_S" "$KEYS" "$RATE"
  # The floor's windows have the size of a bee (156 x 146) and of a double-size crab (182 x 166).
  floor "floor (10)" 10 156 146 "$IDLE_S" $((KEYS / RATE))
  floor "floor (15)" 15 182 166 "$IDLE_S" $((KEYS / RATE))
  peer "bambam (10 first)" 10
  peer "bambam (15 first)" 15
  echo "Ratios (goal: a board within 1.25 x its floor):"
  ratio "bee board (10)" "floor (10)"
  ratio "crab board (15)" "floor (15)"
  ratio "bee board (10)" "bambam (10 first)"
  ratio "crab board (15)" "bambam (15 first)"
  ratio "floor (10)" "bambam (10 first)"
fi
if [ "$what" = latency ] || [ "$what" = default ] || [ "$what" = all ]; then
  wine "$bins/boards_bench.exe" sound 100 2>/dev/null
  wine "$bins/boards_bench.exe" move 100 2>/dev/null
fi
if [ "$what" = soak ] || [ "$what" = all ]; then
  wine "$bins/boards_bench.exe" soak "${BIMBLY_BENCH_SOAK_KEYS:-10000}" 150 2>/dev/null
fi
