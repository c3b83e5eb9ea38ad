#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine and prints their figures.
set -euo pipefail
source "$(dirname "$0")/common.sh"
bash "$ROOT/scripts/setup.sh" >/dev/null
vp_build >/dev/null
bash "$ROOT/scripts/wineprefix.sh" "$WINEPREFIX"
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '"'"$WINE"'" "'"$BUILD"'/bin/switch_latency.exe" '"${1:-200}"'; wineserver -k 2>/dev/null || true'
