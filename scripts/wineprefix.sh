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
# The Wine of the caller's PATH (scripts/common.sh puts Wine 10's first). A prefix another Wine made is
# made again: a server of one Wine never serves what another set up.
made_by="$(wine --version 2>/dev/null)"
[ -n "$made_by" ] || { echo "wineprefix: no Wine to run" >&2; exit 1; }
if [ -f "$WINEPREFIX/.veilpane-ready" ] && [ "$(cat "$WINEPREFIX/.veilpane-ready")" != "$made_by" ]; then
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
fi
if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -f "$WINEPREFIX/.veilpane-ready" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w || true
    echo "$made_by" >"$WINEPREFIX/.veilpane-ready"
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
        wine reg add "$key" /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
    else
        wine reg delete "$key" /v Managed /f >/dev/null 2>&1
    fi
    wineserver -w || true
fi
