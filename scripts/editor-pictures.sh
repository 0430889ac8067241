#!/bin/sh
# Makes the README's pictures of the editor from the real Windows plug-in,
# opened by orvhost under Wine in a virtual X display.
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" --target orvq41x_x64 orvhost >/dev/null
mkdir -p docs
root="Z:$(pwd | tr / '\\')"
dll="$root\\build\\windows\\src\\orvq41x_x64.dll"
export WINEPREFIX="$(pwd)/build/windows/wineprefix"
run() { xvfb-run -a scripts/wine-run.sh build/windows/testhost/orvhost.exe "$@"; }
run editor "$dll" "$root\\docs\\editor-defaults.png"
run editor "$dll" "$root\\docs\\editor-busy.png" \
    --set Mode=M/S --set Output=+150 --set M-LS_Gain=+6 --set M-BP_Gain=-4 --set M-HS_Gain=+3 \
    --set Link=OFF --set S-HS_Gain=-8 --set Bit=08 --set Sample=044 --set M-Comp.=0.3 --set Int=OFF
run editor "$dll" "$root\\docs\\editor-mastering.png" --state "$root\\demo\\mastering.state"
