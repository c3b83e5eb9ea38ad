#!/usr/bin/env bash
# Runs one test executable under Wine for ctest: run_test.sh WINE EXE [ARGS...]
# The test writes to a file of its own, shown once the test has ended. Wine starts some of its own
# processes (the window manager of a newly used desktop) from whichever program first needs them, and
# they live on after the test; holding ctest's output pipe, they would keep ctest waiting for its
# time-out although the test was over.
set -u
wine="$1"
shift
out="$(mktemp)"
"$wine" "$@" >"$out" 2>&1 </dev/null
rc=$?
cat "$out"
rm -f "$out"
exit $rc
