#!/usr/bin/env bash
# Builds the image-window bench and runs it under Wine on a private display.
# BIMBLY_BUILD selects the build folder (default: <repo>/build).
set -euo pipefail
source "$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/scripts/common.sh"
if [ ! -f "$BIMBLY_BUILD/CMakeCache.txt" ]; then
  cmake -S "$BIMBLY_ROOT" -B "$BIMBLY_BUILD" -DCMAKE_TOOLCHAIN_FILE="$BIMBLY_ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DBIMBLY_BENCH=ON >/dev/null
fi
cmake --build "$BIMBLY_BUILD" -j"$(nproc)" --target image_window_bench >/dev/null
trap stop_all EXIT
start_display
start_wine
cd "$BIMBLY_BUILD/bench-bin"
wine image_window_bench.exe 2>/dev/null
