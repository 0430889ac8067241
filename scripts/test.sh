#!/bin/sh
# Runs every test: the native build's unit, integration and validation tests,
# the same under AddressSanitizer + UndefinedBehaviorSanitizer and under
# ThreadSanitizer, the Windows DLL's integration and validation tests under
# Wine (in a virtual X display), the libFuzzer targets for a bounded time,
# and the packages as users install them.
set -eu
. "$(dirname "$0")/lib.sh"
cd "$orv_root"
sh scripts/setup.sh
jobs=$(nproc)
failed=0
passed=0
for preset in native asan tsan windows; do
    echo "== $preset"
    orv_build "$preset"
    # The editor tests open windows on a virtual X display of true colour.
    if xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset "$preset" -j "$jobs"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
    fi
done
echo "== fuzzing"
if sh scripts/fuzz.sh; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
echo "== packages"
if xvfb-run -a -s "-screen 0 1280x1024x24" sh scripts/test-packages.sh; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
fi
echo "suites: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
