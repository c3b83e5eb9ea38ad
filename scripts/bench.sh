#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine and prints their figures.
#   bench.sh [switch round trips] [soak round trips] [program starts]
set -euo pipefail
source "$(dirname "$0")/common.sh"
bash "$ROOT/scripts/setup.sh" >/dev/null
vp_build >/dev/null
bash "$ROOT/scripts/wineprefix.sh" "$WINEPREFIX" --no-window-manager
# The null sound device the mute tests use, so muting reaches a playback endpoint as on a real machine.
[ -f "$BUILD/tests/actions/asound-null.conf" ] && export ALSA_CONFIG_PATH="$BUILD/tests/actions/asound-null.conf"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '"'"$WINE"'" "'"$BUILD"'/bin/switch_latency.exe" '"${1:-200}"';
    "'"$WINE"'" "'"$BUILD"'/bin/program_soak.exe" '"${2:-500}"' '"${3:-11}"'; wineserver -k 2>/dev/null || true'
"$WINE" "$BUILD/bin/password_check.exe" 10
