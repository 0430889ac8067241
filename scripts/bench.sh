#!/bin/sh
# Builds the optimised Linux core and times processReplacing per stereo frame.
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
cmake --preset bench >/dev/null
cmake --build --preset bench -j "$(nproc)" --target process_bench >/dev/null
exec build/bench/process_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
