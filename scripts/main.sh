#!/bin/sh
# The main job: builds the Windows plug-in and shows what a host sees when it
# loads it (run under Wine by our own command-line host).
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" --target orvq41x_x64 orvhost >/dev/null
dll=build/windows/src/orvq41x_x64.dll
echo "built $dll"
WINEPREFIX="$(pwd)/build/windows/wineprefix" scripts/wine-run.sh \
    build/windows/testhost/orvhost.exe info "Z:$(pwd | tr / '\\')\\build\\windows\\src\\orvq41x_x64.dll"
