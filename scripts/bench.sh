#!/bin/sh
# Builds the optimised Linux core and times processReplacing per stereo frame.
set -eu
. "$(dirname "$0")/lib.sh"
cd "$orv_root"
sh scripts/setup.sh
orv_build bench process_bench
exec build/bench/process_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true "$@"
