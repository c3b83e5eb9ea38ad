#!/usr/bin/env bash
# Sets up, builds and runs every test under Wine, inside a virtual X screen. Ends with ctest's summary
# and a non-zero exit when anything failed.
set -euo pipefail
source "$(dirname "$0")/common.sh"
bash "$ROOT/scripts/setup.sh"
vp_build
bash "$ROOT/scripts/wineprefix.sh" "$WINEPREFIX"
cd "$BUILD"
set +e
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    wineserver -p 2>/dev/null
    # A first Windows process settles the prefix before tests start side by side.
    "'"$WINE"'" cmd /c exit >/dev/null 2>&1 || true
    # A test process that hangs in start-up or exit under Wine (seen rarely) is run once more.
    # One test at a time: GUI tests take focus and inject input, and would disturb each other.
    ctest --output-on-failure --repeat after-timeout:2 '"$*"'
    rc=$?
    wineserver -k 2>/dev/null
    exit $rc'
rc=$?
exit $rc
