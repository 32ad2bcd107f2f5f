#!/usr/bin/env bash
# The boards measured side by side with the peer toddler game bambam, in one
# run on one private virtual display:
#  - CPU of the bee board with 10 copies and the crab board with 15, over 20 s
#    left alone and while 200 keys arrive at 10 per second, Wine's own
#    processes included (every process of our Wine prefix), the floor
#    (bench/floor: the same background, copies and hint doing the least a
#    Win32 program can) and bambam doing the same; the X server's share apart
#    for all, and the rest of the shared machine's load beside; each program
#    BIMBLY_BENCH_RUNS times (2), then the least of the runs, and each board
#    against its floor and against bambam, without and with the X servers;
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
RUNS="${BIMBLY_BENCH_RUNS:-2}"
# snap NAME ENV-ENTRY: CPU snapshots of the processes with that entry (every
# process of the machine is recorded, for the machine's own load) and of the X server.
snap() {
  python3 "$here/cpu.py" snap env "$2" "$snaps/$1" "${BIMBLY_XVFB_PID:-0}"
  python3 "$here/cpu.py" snap pid "${BIMBLY_XVFB_PID:-0}" "$snaps/$1.x"
}
delta() { python3 "$here/cpu.py" delta "$snaps/$1" "$snaps/$2" ${BIMBLY_BENCH_VERBOSE:+-v}; }
# What the rest of the machine (the other engineers' work) used meanwhile.
others() {
  python3 -c "print(f'{max(0.0, $(python3 "$here/cpu.py" machine "$snaps/$1" "$snaps/$2") - $3 - $4):.2f}')"
}
# One run's line; its figures are added to bench-runs-LABEL as "idle idleX keys keysX".
report() {
  local i ix k kx
  # A run that did not reach its end (it hung and was stopped, or failed)
  # has no figures; the snapshots of the run before are not its own.
  if [ ! -e "$snaps/end" ] || [ ! -e "$snaps/end.x" ]; then
    printf '  %-20s (did not reach its end: left out)\n' "$1"
    return 0
  fi
  i=$(delta idle keys) ix=$(delta idle.x keys.x) k=$(delta keys end) kx=$(delta keys.x end.x)
  printf '  %-20s idle %ss: %6s CPU-s + X server %5s (others %5s)   %s keys: %6s + X %5s (others %5s)\n' "$1" \
    "$IDLE_S" "$i" "$ix" "$(others idle keys "$i" "$ix")" "$KEYS" "$k" "$kx" "$(others keys end "$k" "$kx")"
  echo "$i $ix $k $kx" >>"$BIMBLY_BUILD/bench-runs-$1"
}
# Waits (at most 20 s) until the measured programs of the last run have ended,
# so that the next run does not count their leftovers. Wine's own services stay.
settle() {
  python3 - "$snaps/seen" <<'PY'
import json, os, sys, time
services = {"wineserver", "wineserver64", "services.exe", "winedevice.exe", "plugplay.exe", "svchost.exe",
            "explorer.exe", "rpcss.exe", "conhost.exe", "start.exe", "winedbg.exe", "sleep"}
try:
    keys = json.load(open(sys.argv[1]))
except OSError:
    sys.exit(0)
def alive():
    left = []
    for k in keys:
        pid, start = k.split(":")
        try:
            with open(f"/proc/{pid}/stat") as f:
                head, rest = f.read().rsplit(")", 1)
            name = head.split("(", 1)[1]
            # Wine's programs only: the bench's own shells carry the prefix too.
            if rest.split()[19] == start and name.endswith((".exe", ".ex")) and name not in services:
                left.append(name)
        except OSError:
            pass
    return left
for _ in range(200):
    if not alive():
        sys.exit(0)
    time.sleep(0.1)
print("  (still running after 20 s: " + ", ".join(alive()) + ")")
PY
}

# Wine's sound drivers off for our CPU figures when there is to be no device.
cpu_overrides="$WINEDLLOVERRIDES"
[ "$CPU_SOUND" = none ] && cpu_overrides="$cpu_overrides;winealsa.drv,winepulse.drv,wineoss.drv=d"

# CPU at each phase that a measuring program announces on its output; the
# program waits at each phase until its snapshot is taken (bench_phase.h).
phases() {
  local label="$1" exe="$2"; shift 2
  export BIMBLY_CPU_SEEN="$snaps/seen"
  rm -f "$BIMBLY_CPU_SEEN" "$snaps"/ack-* "$snaps"/{idle,keys,end}{,.x}
  local ack="Z:${snaps//\//\\}\\ack-"
  while read -r line; do
    line="${line%$'\r'}"
    case "$line" in
      "PHASE "*)
        snap "${line#PHASE }" "WINEPREFIX=$WINEPREFIX"
        : >"$snaps/ack-${line#PHASE }"
        ;;
      *) [ -n "${BIMBLY_BENCH_VERBOSE:-}" ] && echo "    $line" ;;
    esac
  # Bounded: under this Wine a program can hang in the system's own code
  # (seen once: the floor, its threads all waiting on a lock that a thread
  # crashing over and over in Wine's Unix side held).
  done < <(BIMBLY_PHASE_ACK="$ack" WINEDLLOVERRIDES="$cpu_overrides" \
    timeout -s KILL $((2 * IDLE_S + KEYS / RATE + 120)) wine "$bins/$exe" "$@" 2>/dev/null)
  report "$label"
  settle
}

# Our board.
ours() {
  local label="$1"; shift
  phases "$label" boards_bench.exe load "$@"
}

# The floor: the same picture (frames and background drawn once) on the same
# number of layered windows of a copy's size, doing the least a Win32 program
# can (bench/floor), over the same phases.
floor() {
  local label="$1"; shift
  phases "$label" floor_bench.exe "$@"
}
winpath() { echo "Z:${1//\//\\}"; }
res="$here/../../resources"
hint="$(winpath "$res/Tobble/image_remind.gif")"

# bambam with the same key pattern: `copies` keys, idle, then the keys at the rate.
peer() {
  local label="$1" copies="$2"
  local sound=(HOME="$sound_home")
  # No device: bambam's mixer finds no audio driver and plays nothing, as our
  # side with Wine's drivers off (its file device would have it spin on sound).
  [ "$CPU_SOUND" = none ] && sound=(HOME="$BIMBLY_BUILD/bench-quiet-home" SDL_AUDIODRIVER=none --mute)
  mkdir -p "$BIMBLY_BUILD/bench-quiet-home"
  env BIMBLY_BENCH_PEER=1 "${sound[@]:0:2}" /usr/games/bambam "${sound[@]:2}" >/dev/null 2>&1 &
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
  rm -f "$BIMBLY_CPU_SEEN" "$snaps"/{idle,keys,end}{,.x}
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

# The least of a label's runs: the machine is shared, and others' work only adds.
best() {
  python3 - "$BIMBLY_BUILD/bench-runs-$1" <<'PY'
import sys
try:
    rows = [[float(x) for x in line.split()] for line in open(sys.argv[1]) if line.strip()]
except OSError:
    rows = []
# No run reached its end: no figure.
print(" ".join(f"{min(r[i] for r in rows):.2f}" if rows else "nan" for i in range(4)))
PY
}
summary() {
  read -r i ix k kx <<<"$(best "$1")"
  printf '  %-20s idle %6s + X %5s = %6s   keys %6s + X %5s = %6s\n' "$1" "$i" "$ix" \
    "$(python3 -c "print(f'{$i + $ix:.2f}')")" "$k" "$kx" "$(python3 -c "print(f'{$k + $kx:.2f}')")"
}
ratio() {
  read -r oi oix ok okx <<<"$(best "$1")"
  read -r pi pix pk pkx <<<"$(best "$2")"
  python3 -c "
r = lambda a, b: f'{a / b:5.2f}' if b > 0 else '  n/a'
print(f'  {\"$1 / $2\":<42} idle {r($oi, $pi)} x (with X {r($oi + $oix, $pi + $pix)} x)   keys {r($ok, $pk)} x (with X {r($ok + $okx, $pk + $pkx)} x)')"
}

if [ "$what" = cpu ] || [ "$what" = default ] || [ "$what" = all ]; then
  echo "CPU-seconds per ${IDLE_S} s, every process of the Wine prefix (ours) or of bambam, the X server apart,"
  echo "sound device: $CPU_SOUND for both; $RUNS runs of each; 'others' is the rest of the shared machine meanwhile:"
  python3 "$here/cpu.py" snap pid 1 "$snaps/quiet0"
  sleep "$IDLE_S"
  python3 "$here/cpu.py" snap pid 1 "$snaps/quiet1"
  echo "  machine load before the runs: $(python3 "$here/cpu.py" machine "$snaps/quiet0" "$snaps/quiet1") CPU-s per ${IDLE_S} s"
  labels=("bee board (10)" "floor (10)" "crab board (15)" "floor (15)" "bambam (10 first)" "bambam (15 first)")
  for l in "${labels[@]}"; do rm -f "$BIMBLY_BUILD/bench-runs-$l"; done
  for run in $(seq 1 "$RUNS"); do
    ours "bee board (10)" insects 0 10 "$IDLE_S" "$KEYS" "$RATE"
    # The floor shows what the board shows: its copy's picture and size, frame
    # rate and background (a bee 156 x 146 at 60 ms a frame; a double-size crab
    # 182 x 166 at 100 ms), and the game's scrolling hint over them.
    floor "floor (10)" 10 156 146 "$IDLE_S" $((KEYS / RATE)) 60 "$(winpath "$res/DeckInsect/img1.gif")" \
      "$(winpath "$res/DeckInsect/back1.jpg")" "$hint"
    ours "crab board (15)" sea 1 15 "$IDLE_S" "$KEYS" "$RATE"
    floor "floor (15)" 15 182 166 "$IDLE_S" $((KEYS / RATE)) 100 "$(winpath "$res/DeckSea/img2.gif")" \
      "$(winpath "$res/DeckSea/back2.jpg")" "$hint"
    peer "bambam (10 first)" 10
    peer "bambam (15 first)" 15
  done
  echo "Least of the runs (the figures are pessimistic: the machine is shared):"
  for l in "${labels[@]}"; do summary "$l"; done
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
