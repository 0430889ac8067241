#!/bin/sh
# Times our plug-in against Debian's packaged VST 2.4 equalisers that do part
# of our job, with orvhost bench, interleaved in one run, on four inputs:
# uniform white noise at -12 dBFS and at 0 dBFS, a mix of tones over a little
# noise, and 30 s of a real recording (the main theme of Frozen Bubble, from
# Debian's frozen-bubble-data, fetched and converted here, not kept in the
# repository). Ours runs at its defaults and with all stages at work, in
# blocks of 1024 and of 64; the Windows DLL runs under Wine beside the Linux
# build. Prints a table of nanoseconds per stereo frame (48 kHz, blocks of
# 1024, the best of ROUNDS rounds: other load on the machine only ever adds
# time) with our ratios to LSP's mid/side equaliser, and what blocks of 64
# cost per frame against blocks of 1024.
set -eu
. "$(dirname "$0")/lib.sh"
cd "$orv_root"
sh scripts/setup.sh
orv_install lsp-plugins-vst dpf-plugins-vst
orv_build bench orvq41x_x64 orvhost
windows=${WINDOWS:-1}
[ "$windows" = 1 ] && orv_build windows orvq41x_x64 orvhost
host=build/bench/testhost/orvhost
ours=build/bench/src/orvq41x_x64.so
lsp=/usr/lib/vst/lsp-plugins/para-equalizer-x16-ms.so
dpf=/usr/lib/vst/3BandEQ-vst.so
rounds=${ROUNDS:-5}
seconds=${SECONDS_PER_RUN:-3}
common="--block 1024 --seconds $seconds"

# The inputs, at 48 kHz, as float WAV files (and raw streams for Windows).
inputs="$(pwd)/build/compare"
mkdir -p "$inputs"
[ -f "$inputs/noise-12.wav" ] || sox -R -q -n -r 48000 -c 2 -e floating-point -b 32 "$inputs/noise-12.wav" synth 30 whitenoise gain -12
[ -f "$inputs/noise0.wav" ] || sox -R -q -n -r 48000 -c 2 -e floating-point -b 32 "$inputs/noise0.wav" synth 30 whitenoise
if [ ! -f "$inputs/recording.wav" ]; then
    work=$(mktemp -d)
    (cd "$work" && apt-get download frozen-bubble-data >/dev/null)
    dpkg-deb -x "$work"/frozen-bubble-data_*.deb "$work/data"
    sox -q "$work/data/usr/share/games/frozen-bubble/snd/frozen-mainzik-1p.ogg" \
        -r 48000 -e floating-point -b 32 "$inputs/recording.wav" trim 30 30
    rm -rf "$work"
fi
for name in noise-12 noise0 recording; do
    [ -f "$inputs/$name.raw" ] || sox "$inputs/$name.wav" -t f32 "$inputs/$name.raw"
done

# LSP: low shelf, bell and high shelf on both mid and side (types by their
# normalised values: 0.7 low shelf, 0.2 bell, 0.45 high shelf).
lsp_settings="--set ftm_0=0.7 --set fm_0=100 --set gm_0=3 --set ftm_1=0.2 --set fm_1=1000 --set gm_1=-2
 --set ftm_2=0.45 --set fm_2=8000 --set gm_2=2 --set fts_0=0.7 --set fs_0=100 --set gs_0=3
 --set fts_1=0.2 --set fs_1=1000 --set gs_1=-2 --set fts_2=0.45 --set fs_2=8000 --set gs_2=2"
dpf_settings="--set Low=0.6 --set Mid=0.45 --set High=0.55"
# All stages at work: equaliser gains, Sample 24 kHz with Int, Bit 12, Comp 0.5 (Link on).
busy="--set M-LS_Gain=+08 --set M-BP_Gain=-12 --set M-HS_Gain=+16 --set Sample=024 --set Int=ON
 --set Bit=12 --set M-Comp.=050"

results=$(mktemp)
trap 'rm -f "$results"' EXIT
best_of() { sort -n | head -n 1; }
input_option() { [ "$1" = tones ] || printf -- '--input %s/%s.wav' "$inputs" "$1"; }
bench() {  # input, label, plugin, settings
    # shellcheck disable=SC2086
    "$host" bench "$3" $common $(input_option "$1") $4 2>/dev/null |
        sed -n 's/.*: \([0-9.]*\) ns per stereo frame.*/\1/p' | sed "s/^/$1 $2 /" >> "$results"
}
bench_windows() {  # input
    winput=""
    [ "$1" = tones ] || winput="--input $inputs/$1.raw --rate 48000 --channels 2"
    # shellcheck disable=SC2086
    sh scripts/orvhost-windows.sh bench build/windows/src/orvq41x_x64.dll $common $winput 2>/dev/null |
        sed -n 's/.*: \([0-9.]*\) ns per stereo frame.*/\1/p' | sed "s/^/$1 windows /" >> "$results"
}
all_inputs="noise-12 noise0 tones recording"
for round in $(seq "$rounds"); do
    echo "round $round of $rounds" >&2
    for input in $all_inputs; do
        bench "$input" ours "$ours" ""
        bench "$input" busy "$ours" "$busy"
        bench "$input" ours64 "$ours" "--block 64"
        bench "$input" busy64 "$ours" "$busy --block 64"
        bench "$input" lsp "$lsp" "$lsp_settings"
        bench "$input" dpf "$dpf" "$dpf_settings"
        [ "$windows" = 1 ] && bench_windows "$input"
    done
done
cell() { awk -v i="$1" -v e="$2" '$1 == i && $2 == e { print $3 }' "$results" | best_of; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (a == "" || b == "") print "-"; else printf "%.2f", a / b }'; }
echo "ns per stereo frame, 48 kHz, blocks of 1024, best of $rounds interleaved rounds:"
echo
header="| input | ours, defaults | ours, all stages at work | LSP Parametric EQ x16 M/S (3 + 3 filters) | DISTRHO 3 Band EQ |"
rule="|---|---|---|---|---|"
[ "$windows" = 1 ] && header="$header ours, Windows DLL under Wine |" && rule="$rule---|"
echo "$header defaults / LSP | all stages / LSP |"
echo "$rule---|---|"
for input in $all_inputs; do
    o=$(cell "$input" ours); b=$(cell "$input" busy); l=$(cell "$input" lsp); d=$(cell "$input" dpf)
    row="| $input | $o | $b | $l | $d |"
    [ "$windows" = 1 ] && row="$row $(cell "$input" windows) |"
    echo "$row $(ratio "$o" "$l") | $(ratio "$b" "$l") |"
done
echo
echo "blocks of 64 against blocks of 1024, per frame, same run:"
echo
echo "| input | defaults | all stages at work |"
echo "|---|---|---|"
for input in $all_inputs; do
    echo "| $input | $(ratio "$(cell "$input" ours64)" "$(cell "$input" ours)") |" \
        "$(ratio "$(cell "$input" busy64)" "$(cell "$input" busy)") |"
done
