#!/bin/sh
# The CLAP, VST3 and LV2 plug-ins as the formats' own validators and a real
# host see them, with the prebuilt tools of ../shared/tools: the VST3 SDK's
# validator, pluginval, lv2lint, clap-info, and Carla's hosting library
# through carla-driver.
# Usage: real_hosts.sh CHECK TOOLS BIN VERSION VST2_LIBRARY ORVHOST
#   CHECK: vst3-validator | pluginval-vst3 | pluginval-lv2 | lv2lint | clap-info
#          | carla-clap | carla-vst3 | carla-lv2
#   BIN: the folder holding orvq41x.clap, orvq41x.vst3 and orvq41x.lv2
# Without TOOLS it says so in one line and is skipped (exit 77).
set -u
check=$1; tools=$2; bin=$(cd "$3" && pwd); version=$4
vst2=$(cd "$(dirname "$5")" && pwd)/$(basename "$5"); orvhost=$6
. "$(dirname "$0")/held_settings.sh"
if [ ! -d "$tools/bin" ]; then
    echo "$check: skipped, no real-host tools in $tools"
    exit 77
fi
open_work "$check"
# lilv finds the bundle in a folder of its own, nothing else beside it.
mkdir "$work/lv2" && ln -s "$bin/orvq41x.lv2" "$work/lv2/"
export LV2_PATH="$work/lv2" HOME="$work"

pluginval() {
    echo "vst3 validator" > "$work/disabled"  # it hands the validator the inner library; run directly instead
    "$tools/bin/pluginval" --strictness-level 10 --disabled-tests "$work/disabled" "$@" >"$work/log" 2>&1 ||
        fail "pluginval failed"
    tests=$(grep -c '^Starting tests in' "$work/log")
    echo "pluginval $*: SUCCESS, $tests test groups"
}

# carla-driver on one format: the texts at the defaults, the latency on
# loading, the values read back and held by the plug-in, the render bit for
# bit the VST 2.4's in the same host, the state restored in fresh instances,
# and a gain controller with Link on.
carla() {
    type=$1
    case $type in
    clap) plugin=$bin/orvq41x.clap; set -- --label works.orv.orvq41x ;;
    vst3) plugin=$bin/orvq41x.vst3; set -- ;;
    lv2) plugin=$work/lv2/orvq41x.lv2; set -- --label urn:orv-works:orvq41x ;;
    esac
    [ "$type" = vst3 ] || set -- "$@" --cc 23=64  # the VST3 takes no MIDI
    blocks=100  # of 512 frames
    sox -n -r 48000 -c 2 -b 32 -e floating-point -t raw "$work/in.f32" synth $((blocks * 512))s whitenoise vol 0.6 ||
        fail "no test signal"
    "$tools/carla/carla-driver" "$plugin" --type "$type" "$@" --setn "$held_values" --in "$work/in.f32" \
        --blocks $blocks --out "$work" >"$work/log" 2>&1 || fail "carla-driver failed"
    grep -q 'RESULT PASS' "$work/log" || fail "carla-driver found faults"
    ! grep 'assertion failure' "$work/log" | grep -q Distrho || fail "DPF reports an assertion"

    param() { grep -m1 "^PARAM .* name='$1' " "$work/log"; }
    index() { param "$1" | awk '{ print $2 }'; }
    after() { grep -m1 "^AFTERSET *$(index "$1") " "$work/log"; }
    # Carla shows the CLAP and VST3 texts; an LV2 control's value with its unit.
    for name in Output M-LS_Freq.; do
        param "$name" | grep -q " value=100 " || fail "$name is not 100 at the default"
        if [ "$type" = lv2 ]; then
            param "$name" | grep -q "unit='\(%\|Hz\)'" || fail "$name has no unit"
        else
            param "$name" | grep -q " text='100' " || fail "$name does not read 100"
        fi
    done
    [ "$type" = lv2 ] || param Mode | grep -q " text='Normal' " || fail "Mode does not read Normal"
    [ "$type" = vst3 ] || param Mode | grep -q " step=1 " || fail "Mode is not stepped"
    after Mode | grep -q " value=1 " || fail "Mode does not read back M/S"
    [ "$type" = lv2 ] || after Mode | grep -q "text='M/S'" || fail "Mode does not read back M/S"
    for setting in $(echo "$held_values" | tr , ' '); do
        after "${setting%%=*}" | grep -q " value=${setting#*=} " || fail "${setting%%=*} does not read back ${setting#*=}"
    done
    after M-LS_Gain | grep -q " value=0 " || fail "M-LS_Gain followed S-LS_Gain with Link off"

    # Carla reads a VST3's latency before it sets up processing: the first
    # instance in a process is made before any rate is known, later ones
    # at the rate the host has set.
    if [ "$type" = vst3 ]; then
        grep -q 'latency of B after restore: 2400$' "$work/log" || fail "latency not 2400 at 48 kHz"
    else
        grep -q '^INFO parameters .* latency=2400$' "$work/log" || fail "latency not 2400 at 48 kHz on loading"
    fi
    grep -q 'PARAMS after restore (state file): 0 of' "$work/log" || fail "the state file restores other values"
    # (Carla keeps an LV2 plug-in's state as its properties, without a chunk.)
    [ "$type" = lv2 ] || grep -q 'PARAMS after restore (carla_set_chunk_data): 0 of' "$work/log" ||
        fail "the chunk restores other values"

    # The plug-in's state in the one Carla saved (an LV2 property there;
    # inside the CLAP and VST3 chunk) holds the values the host reads back.
    state_from "$work/stateA.carxs" "$work/state" || fail "no state of the plug-in in Carla's state file"
    held=$(holds_values "$work/state") || fail "the plug-in holds another value than the host: $held"
    mv "$work/outA.f32" "$work/format.f32"
    mv "$work/log" "$work/format.log"
    "$tools/carla/carla-driver" "$vst2" --type vst2 --set "$held_vst2_values" --in "$work/in.f32" --blocks $blocks \
        --out "$work" >"$work/log" 2>&1 || fail "carla-driver failed on the VST 2.4"
    cmp -s "$work/format.f32" "$work/outA.f32" || fail "the render differs from the VST 2.4's in Carla"
    mv "$work/format.log" "$work/log"

    if [ "$type" != vst3 ]; then
        for gain in M-Gain S-Gain; do
            grep -q "^MIDICC param $(index $gain) as seen by the host: before 100 .* after 202" "$work/log" ||
                fail "the host did not hear controller 23 set $gain"
        done
    fi
    echo "carla-driver $type: texts, read-back and latency 2400 at 48 kHz; values set at once render as the VST 2.4 ($((blocks * 512)) frames, 0 differences); state restored with 0 differences"
}

case $check in
vst3-validator)
    "$tools/bin/vst3-validator" -e "$bin/orvq41x.vst3" >"$work/log" 2>&1 || fail "the validator failed"
    grep -q 'tests passed, 0 tests failed' "$work/log" || fail "failed tests"
    # The class ID reads the same on every system (the Windows test checks it there).
    grep -q "cid = $vst3_class_id" "$work/log" || fail "another class ID than $vst3_class_id"
    echo "vst3-validator: $(grep 'Result:' "$work/log"); class ID $vst3_class_id"
    ;;
pluginval-vst3)
    pluginval --validate "$bin/orvq41x.vst3"
    pluginval --randomise --random-seed 0x113b86b --validate "$bin/orvq41x.vst3"
    ;;
pluginval-lv2) pluginval --validate "$work/lv2/orvq41x.lv2" ;;
lv2lint)
    # lv2lint wants the LV2 specifications (Debian's /usr/lib/lv2) in its path too.
    LV2_PATH="$work/lv2:/usr/lib/lv2" "$tools/bin/lv2lint" -S all -I "$work/lv2/orvq41x.lv2/" urn:orv-works:orvq41x \
        >"$work/log" 2>&1
    # The panel is a window of our own inside the host's, not a widget.
    failures=$(grep '\[FAIL\]' "$work/log" | grep -v 'UI Widget')
    [ -z "$failures" ] || fail "$failures"
    echo "lv2lint: no FAIL but UI Widget ($(grep -c '\[WARN\]' "$work/log") warnings)"
    ;;
clap-info)
    "$tools/bin/clap-info" "$bin/orvq41x.clap" >"$work/log" 2>&1 || fail "clap-info failed"
    grep -q "\"version\" : \"$version\"" "$work/log" || fail "no version $version"
    awk '/"flags"/ { flags = $0 } /"name" : "Mode"/ { exit !(flags ~ /stepped/) }' "$work/log" ||
        fail "Mode is not stepped"
    echo "clap-info: version $version, Mode stepped"
    ;;
carla-clap) carla clap ;;
carla-vst3) carla vst3 ;;
carla-lv2) carla lv2 ;;
*) fail "unknown check" ;;
esac
