#!/bin/sh
# Builds the libFuzzer targets (clang, ASan + UBSan) and runs each for
# FUZZ_SECONDS (default 30) from the committed seed corpus, in a scratch copy
# so the repository is not changed.
set -eu
. "$(dirname "$0")/lib.sh"
cd "$orv_root"
seconds=${FUZZ_SECONDS:-30}
orv_build fuzz fuzz_chunk fuzz_dispatcher fuzz_midi fuzz_parameters
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0; failed=0
for target in chunk dispatcher midi parameters; do
    mkdir -p "$work/$target"
    cp tests/fuzz/corpus/"$target"/* "$work/$target/"
    if build/fuzz/tests/fuzz/fuzz_$target "$work/$target" -max_total_time="$seconds" -seed=1 \
        -rss_limit_mb=4096 -artifact_prefix="$work/" >"$work/$target.log" 2>&1; then
        runs=$(grep -o 'Done [0-9]* runs' "$work/$target.log" | tail -1)
        echo "fuzz_$target: ${runs:-done} in $seconds s, no finding"
        passed=$((passed + 1))
    else
        echo "fuzz_$target: FINDING"
        tail -40 "$work/$target.log"
        for a in "$work"/crash-* "$work"/leak-* "$work"/timeout-* "$work"/oom-*; do
            [ -e "$a" ] && echo "input: $(od -An -tx1 "$a" | tr -d '\n' | head -c 400)"
        done
        failed=$((failed + 1))
    fi
done
echo "fuzzing: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
