#!/usr/bin/env bash
# Creates the build folder's private Wine prefix once; later calls return at once.
set -euo pipefail
export WINEPREFIX="$1"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all
[ -x /usr/lib/wine/wine64 ] && export WINELOADER=/usr/lib/wine/wine64
if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -f "$WINEPREFIX/.veilpane-ready" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
    touch "$WINEPREFIX/.veilpane-ready"
fi
test -f "$WINEPREFIX/system.reg"
