#!/usr/bin/env bash
# Sets up, builds and runs Veilpane under Wine. Without a display it starts a virtual screen, lets the
# program come up, saves a screenshot and says where.
set -euo pipefail
source "$(dirname "$0")/common.sh"
bash "$ROOT/scripts/setup.sh"
vp_build
bash "$ROOT/scripts/wineprefix.sh" "$WINEPREFIX"
EXE="$BUILD/bin/Veilpane.exe"
if [ -n "${DISPLAY:-}" ]; then
    exec "$WINE" "$EXE"
fi
mkdir -p "$BUILD/screenshots"
SHOT="$BUILD/screenshots/veilpane-run.png"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    "'"$WINE"'" "'"$EXE"'" &
    pid=$!
    sleep 8
    import -window root "'"$SHOT"'"
    wineserver -k 2>/dev/null
    wait $pid 2>/dev/null || true'
echo "Veilpane ran under a virtual screen; screenshot saved to $SHOT"
