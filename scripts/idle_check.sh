#!/usr/bin/env bash
# Idle check: runs Veilpane.exe under Wine with every fast action on, switches there and back twice
# with a middle click, then prints each of its threads' context switches (from Linux's view of the
# Wine threads) before and after a quiet spell. A thread whose count changed woke up in between.
#   scripts/idle_check.sh [seconds]      (default 60; builds nothing: run scripts/bench.sh first)
set -u
source "$(dirname "$0")/common.sh"
export WINEPREFIX="$PREFIXES/wineprefix-idle"
[ -f "$BUILD/tests/actions/asound-null.conf" ] && export ALSA_CONFIG_PATH="$BUILD/tests/actions/asound-null.conf"
bash "$ROOT/scripts/wineprefix.sh" "$WINEPREFIX" --no-window-manager
for v in AC_MUTE AC_IEHISTORY AC_IEURLS AC_RECENTDOC AC_TASKMGR SW_WHEEL SS_FIRST_SHOWN; do
    "$WINE" reg add 'HKCU\Software\MORVEX\Veilpane' /v "$v" /t REG_DWORD /d 1 /f >/dev/null 2>&1
done
wineserver -k 2>/dev/null || true
export VP_IDLE_SECONDS="${1:-60}" VP_WINE="$WINE" VP_BIN="$BUILD/bin"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    policy() { "$VP_WINE" reg query "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\System" /v DisableTaskMgr 2>/dev/null | grep -o "0x[0-9]*"; }
    "$VP_WINE" "$VP_BIN/Veilpane.exe" &
    pid=$!   # Wine becomes the program in the same process
    sleep 20
    echo "Veilpane.exe: process $pid ($(cat /proc/$pid/comm)), $(ls /proc/$pid/task | wc -l) threads"
    for round in 1 2; do
        "$VP_WINE" "$VP_BIN/inject_input.exe" middle; sleep 4
        echo "switch to vpdesk: Task Manager policy $(policy)"
        "$VP_WINE" "$VP_BIN/inject_input.exe" --desktop vpdesk middle; sleep 4
        echo "switch back: Task Manager policy $(policy)"
    done
    snap() { for t in /proc/$pid/task/*; do echo "$(basename $t) $(cat $t/comm | tr " " _) $(grep -h ctxt_switches $t/status | awk "{s+=\$2} END {print s}")"; done; }
    before=$(snap); sleep "$VP_IDLE_SECONDS"; after=$(snap)
    echo "threads of Veilpane.exe (tid name switches-before switches-after), $VP_IDLE_SECONDS s apart:"
    join <(echo "$before") <(echo "$after") | awk "{print \$1, \$2, \$3, \$5, (\$3 != \$5 ? \"WOKE\" : \"idle\")}"
    wineserver -k 2>/dev/null' 2>/dev/null
