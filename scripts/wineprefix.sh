#!/usr/bin/env bash
# Creates the build folder's private Wine prefix once; later calls return at once.
#   wineprefix.sh PREFIX [--no-window-manager]
# --no-window-manager: for the virtual X screen, where no window manager runs. Wine then places and
# activates the windows itself; otherwise every hidden window waits 2 s for a window manager's answer
# that never comes. Without it (a real display) the window manager looks after the windows again.
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
# Whether Wine looks after the windows itself ("Managed"="N"), as wanted and as it is now.
want=0
[ "${2:-}" = --no-window-manager ] && want=1
have=0
grep -q '^"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null && have=1
if [ $want != $have ]; then
    key='HKCU\Software\Wine\X11 Driver'
    if [ $want = 1 ]; then
        "${WINELOADER:-wine}" reg add "$key" /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    else
        "${WINELOADER:-wine}" reg delete "$key" /v Managed /f >/dev/null 2>&1
    fi
    wineserver -w || true
fi
