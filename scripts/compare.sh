#!/bin/sh
# Times our Linux build and Debian's packaged VST 2.4 effects that do part of
# our job, with orvhost bench, interleaved in one run at comparable settings
# (3 equaliser bands active, 48 kHz, blocks of 1024), and prints a table of
# nanoseconds per stereo frame with the ratios to LSP's mid/side equaliser.
set -eu
cd "$(dirname "$0")/.."
sh scripts/setup.sh
missing=""
for p in lsp-plugins-vst dpf-plugins-vst; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
    $SUDO apt-get update -qq
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
fi
cmake --preset bench >/dev/null
cmake --build --preset bench -j "$(nproc)" --target orvq41x_x64 orvhost >/dev/null
host=build/bench/testhost/orvhost
ours=build/bench/src/orvq41x_x64.so
lsp=/usr/lib/vst/lsp-plugins/para-equalizer-x16-ms.so
dpf=/usr/lib/vst/3BandEQ-vst.so
rounds=${ROUNDS:-3}
seconds=${SECONDS_PER_RUN:-3}
common="--block 1024 --seconds $seconds"

# LSP: low shelf, bell and high shelf on both mid and side (types by their
# normalised values: 0.7 low shelf, 0.2 bell, 0.45 high shelf).
lsp_settings="--set ftm_0=0.7 --set fm_0=100 --set gm_0=3 --set ftm_1=0.2 --set fm_1=1000 --set gm_1=-2
 --set ftm_2=0.45 --set fm_2=8000 --set gm_2=2 --set fts_0=0.7 --set fs_0=100 --set gs_0=3
 --set fts_1=0.2 --set fs_1=1000 --set gs_1=-2 --set fts_2=0.45 --set fs_2=8000 --set gs_2=2"
dpf_settings="--set Low=0.6 --set Mid=0.45 --set High=0.55"

results=$(mktemp)
trap 'rm -f "$results"' EXIT
median_of() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
bench() {
    # shellcheck disable=SC2086
    "$host" bench "$2" $common $3 2>/dev/null | sed -n 's/.*: \([0-9.]*\) ns per stereo frame.*/\1/p' |
        sed "s/^/$1 /" >> "$results"
}
for round in $(seq "$rounds"); do
    echo "round $round of $rounds" >&2
    bench ours "$ours" ""
    bench lsp "$lsp" "$lsp_settings"
    bench dpf "$dpf" "$dpf_settings"
done
ours_ns=$(awk '$1 == "ours" { print $2 }' "$results" | median_of)
lsp_ns=$(awk '$1 == "lsp" { print $2 }' "$results" | median_of)
dpf_ns=$(awk '$1 == "dpf" { print $2 }' "$results" | median_of)
ratio() { awk -v a="$1" -v b="$lsp_ns" 'BEGIN { printf "%.2f", a / b }'; }
echo "| effect (48 kHz, blocks of 1024, median of $rounds interleaved rounds) | ns per stereo frame | ratio to LSP |"
echo "|---|---|---|"
echo "| orvq41x(Velmar), whole chain at its defaults | $ours_ns | $(ratio "$ours_ns") |"
echo "| LSP Parametric Equalizer x16 Mid/Side, 3 mid + 3 side filters | $lsp_ns | 1.00 |"
echo "| DISTRHO 3 Band EQ, 3 bands | $dpf_ns | $(ratio "$dpf_ns") |"
