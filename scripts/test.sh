#!/usr/bin/env bash
# Sets up, builds and runs every test under Wine, inside a virtual X screen. Ends with ctest's summary
# and a non-zero exit when anything failed.
set -euo pipefail
source "$(dirname "$0")/common.sh"
bash "$ROOT/scripts/setup.sh"
vp_build
bash "$ROOT/scripts/wineprefix.sh" "$WINEPREFIX" --no-window-manager
cd "$BUILD"
set +e
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    wineserver -p 2>/dev/null
    # A first Windows process settles the prefix before the tests start.
    "'"$WINE"'" cmd /c exit >/dev/null 2>&1 || true
    # The desktop stays in use between test programs, so its window manager and notification area
    # stay up. The keeper ends with the Wine server.
    "'"$WINE"'" bin/desktop_keeper.exe >/dev/null 2>&1 &
    # One test at a time: GUI tests take focus and inject input, and would disturb each other.
    # No retries: a test that fails once has found a fault, in the program or in the test.
    ctest --output-on-failure '"$*"'
    rc=$?
    wineserver -k 2>/dev/null
    exit $rc'
rc=$?
exit $rc
