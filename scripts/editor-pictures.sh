#!/bin/sh
# Makes the README's pictures of the editor from the real plug-ins: the
# Windows DLL opened by orvhost under Wine, and the Linux library by the
# Linux orvhost, each in a virtual X display.
set -eu
. "$(dirname "$0")/lib.sh"
cd "$orv_root"
sh scripts/setup.sh
orv_build windows orvq41x_x64 orvhost
mkdir -p docs
run() { sh scripts/orvhost-windows.sh editor build/windows/src/orvq41x_x64.dll "$@" 2>&1 | grep -v '^X connection' || true; }
run "$orv_root/docs/editor-defaults.png"
run "$orv_root/docs/editor-busy.png" \
    --set Mode=M/S --set Output=+150 --set M-LS_Gain=+6 --set M-BP_Gain=-4 --set M-HS_Gain=+3 \
    --set Link=OFF --set S-HS_Gain=-8 --set Bit=08 --set Sample=044 --set M-Comp.=0.3 --set Int=OFF
run "$orv_root/docs/editor-mastering.png" --state "$orv_root/demo/mastering.state"
orv_build native orvq41x_x64 orvhost
xvfb-run -a -s "-screen 0 1280x1024x24" build/native/testhost/orvhost editor build/native/src/orvq41x_x64.so \
    "$orv_root/docs/editor-linux.png"
