#!/usr/bin/env bash
# Runs one test executable at one display scale for ctest, on a screen of its own:
#   run_dpi_test.sh WINE BASE_PREFIX LOGPIXELS WIDTHxHEIGHT EXE [ARGS...]
# The prefix (BASE_PREFIX-dpiN, made in a moment by dpi_prefix.sh) has the system DPI set; the
# virtual screen has the size of the monitor the scale is usually found on. The test reads the DPI
# it expects from VP_TEST_DPI.
set -u
wine="$1" base="$2" dpi="$3" screen="$4"
shift 4
here="$(cd "$(dirname "$0")" && pwd)"
prefix="$base-dpi$dpi"
bash "$here/dpi_prefix.sh" "$base" "$prefix" "$dpi" || exit 1
export WINEPREFIX="$prefix" VP_TEST_DPI="$dpi"
xvfb-run -a -s "-screen 0 ${screen}x24" bash "$here/run_test.sh" "$wine" "$@"
rc=$?
WINEPREFIX="$prefix" wineserver -k 2>/dev/null
exit $rc
