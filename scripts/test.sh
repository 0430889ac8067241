#!/bin/sh
# Runs every test: the native build's unit and integration tests, the same
# under AddressSanitizer + UndefinedBehaviorSanitizer, and the Windows DLL's
# integration tests under Wine.
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
jobs=$(nproc)
failed=0
passed=0
for preset in native asan windows; do
    echo "== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" -j "$jobs" >/dev/null
    runner=""
    # The Windows tests open editor windows: Wine needs an X display.
    [ "$preset" = windows ] && runner="xvfb-run -a"
    if $runner ctest --preset "$preset" -j "$jobs"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
    fi
done
echo "test suites: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
