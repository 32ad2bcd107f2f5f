#!/usr/bin/env bash
# Sets everything up on a fresh Debian 12 machine and runs every test: the
# platform-free code natively under the sanitizers, then the unit and
# end-to-end tests of the Windows build under Wine on a virtual display.
# Exits non-zero on any failure.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

install_packages
start=$(date +%s)

log "native build (sanitizers)"
build_native
log "Windows build"
build_windows

status=0
log "native tests"
(cd "$BIMBLY_NATIVE_BUILD" && ctest --output-on-failure) || status=1

log "include directions"
/usr/bin/python3 "$BIMBLY_ROOT/tools/check_includes.py" || status=1

if [ -f "$BIMBLY_ROOT/tools/validate_resources.py" ]; then
  log "resource checks"
  /usr/bin/python3 "$BIMBLY_ROOT/tools/validate_resources.py" --root "$BIMBLY_ROOT/resources" || status=1
  (cd "$BIMBLY_ROOT" && /usr/bin/python3 -m unittest tools/test_validate_resources.py) || status=1
  # The resource generator's own writers (they need the art toolchain's modules).
  (cd "$BIMBLY_ROOT" && /usr/bin/python3 -m unittest tools/test_resgen.py) || status=1
fi

# The Windows tests get a private display even when one is set: they send
# real input and must not type into the user's desktop.
unset DISPLAY
trap stop_all EXIT
start_display
start_wine
log "Windows tests under Wine"
(cd "$BIMBLY_BUILD" && ctest --output-on-failure --timeout 600) || status=1

log "all tests took $(( $(date +%s) - start )) s"
exit $status
