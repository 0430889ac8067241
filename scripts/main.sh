#!/bin/sh
# The main job: builds the Windows plug-in and, under Wine, renders a short
# demo programme through it with the bundled mastering setting, prints the
# summary and saves a picture of the editor showing that setting.
set -eu
. "$(dirname "$0")/lib.sh"
cd "$orv_root"
sh scripts/setup.sh
orv_build windows orvq41x_x64 orvhost
dll=build/windows/src/orvq41x_x64.dll
out=build/demo
mkdir -p "$out"
echo "built $dll"

# An 8-second stereo programme: a pad, a bass and hi-hats, made by sox.
sox -R -q -n -r 44100 -b 24 -c 2 "$out/pad.wav" synth 8 sine 220 sine 277.18 tremolo 3 30 fade 0.5 8 1
sox -R -q -n -r 44100 -b 24 -c 2 "$out/bass.wav" synth 8 square 55 square 55.3 gain -12 lowpass 400 tremolo 2 90
sox -R -q -n -r 44100 -b 24 -c 2 "$out/hats.wav" synth 8 whitenoise gain -18 tremolo 8 100 highpass 6000
sox -R -q -m "$out/pad.wav" "$out/bass.wav" "$out/hats.wav" "$out/programme.wav" gain -6
rm -f "$out/pad.wav" "$out/bass.wav" "$out/hats.wav"

sh scripts/orvhost-windows.sh render "$dll" "$out/programme.wav" "$out/programme-mastered.wav" \
    --state demo/mastering.state
sh scripts/orvhost-windows.sh editor "$dll" "$(pwd)/$out/editor.png" \
    --state "$(pwd)/demo/mastering.state" 2>&1 | grep -v '^X connection' || true
echo "output: $out/programme-mastered.wav, editor picture: $out/editor.png"
