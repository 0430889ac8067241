#!/bin/sh
# The Windows VST3 plug-in in the VST3 SDK's validator (its Windows build,
# from the tools beside the repository), under Wine.
# Usage: vst3_validator_wine.sh TOOLS BUNDLE WINE_RUN
set -u
tools=$1; bundle=$(cd "$2" && pwd); wine=$3
if [ ! -f "$tools/windows/vst3-validator.exe" ]; then
    echo "vst3-validator (Windows): skipped, no real-host tools in $tools"
    exit 77
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
"$wine" "$tools/windows/vst3-validator.exe" -e "Z:$(printf '%s' "$bundle" | tr / '\\')" >"$log" 2>&1
. "$(dirname "$0")/held_settings.sh"
grep -q 'tests passed, 0 tests failed' "$log" || { tail -40 "$log"; echo "vst3-validator (Windows): failed"; exit 1; }
grep -q "cid = $vst3_class_id" "$log" || { echo "vst3-validator (Windows): another class ID than $vst3_class_id"; exit 1; }
echo "vst3-validator (Windows): $(grep 'Result:' "$log" | tr -d '\r'); $(grep 'cid =' "$log" | tr -d '\r\t')"
