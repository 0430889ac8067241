#!/bin/sh
# The LV2 or VST3 plug-in in Ardour 7.3, headless: listed, all 26
# parameters automatable; a session recorded with settings saved, reopened
# in a new process and exported, not silent, and equal to the VST 2.4's
# render of the same recording and settings once Ardour has compensated
# the plug-in's latency; the settings read back after the reopen.
# Usage: ardour_test.sh lv2|vst3 BIN VST2_LIBRARY ORVHOST AUDIO_TOOL
set -u
format=$1; bin=$(cd "$2" && pwd); vst2=$(cd "$(dirname "$3")" && pwd)/$(basename "$3"); orvhost=$4; audio_tool=$5
here=$(cd "$(dirname "$0")" && pwd)
. "$here/held_settings.sh"
if ! command -v ardour7-lua >/dev/null || ! command -v ardour7-export >/dev/null; then
    echo "ardour-$format: skipped, Ardour 7 is not installed"
    exit 77
fi
open_work "ardour-$format"
# Ardour keeps its configuration and plug-in cache in HOME; it scans only
# when told to.
export HOME="$work"
case $format in
lv2)
    mkdir "$work/lv2" && ln -s "$bin/orvq41x.lv2" "$work/lv2/"
    export LV2_PATH="$work/lv2"
    type=LV2; id=urn:orv-works:orvq41x
    ;;
vst3)
    mkdir "$work/.vst3" && ln -s "$bin/orvq41x.vst3" "$work/.vst3/"
    LD_LIBRARY_PATH=/usr/lib/ardour7 /usr/lib/ardour7/ardour-vst3-scanner "$work/.vst3/orvq41x.vst3" \
        >"$work/log" 2>&1 || fail "Ardour's scanner refuses the plug-in"
    type=VST3; id=$vst3_class_id
    ;;
esac
session=$work/session

# Now and then the Dummy backend's first roll records nothing: one retry.
for attempt in 1 2; do
    rm -rf "$session"
    timeout 120 ardour7-lua "$here/ardour_session.lua" create "$session" s "$type" "$id" "$held_values" \
        >"$work/log" 2>&1 && break
done
grep -q '^LATENCY' "$work/log" || fail "no session"
grep -q '^LISTED' "$work/log" || fail "Ardour does not list the plug-in"
grep -q '^PARAMETERS 26$' "$work/log" || fail "not 26 parameters"
latency=$(sed -n 's/^LATENCY //p' "$work/log")
[ "$latency" = 2400 ] || fail "latency $latency, not 2400"
# Ardour marks parameters past its limit of automatables NotAutomatable.
controls=$(grep -c '<Controllable name="[^"]*" id="[0-9]*" flags="[^"]*" value="[^"]*" parameter=' "$session/s.ardour")
[ "$controls" -eq 26 ] || fail "$controls plug-in controls in the session, not 26"
! grep '<Controllable [^>]* parameter=' "$session/s.ardour" | grep -q NotAutomatable || fail "some parameters are not automatable"

timeout 120 ardour7-lua "$here/ardour_session.lua" reopen "$session" s >"$work/log" 2>&1 || fail "no reopen"
# (Ardour keeps a VST3's normalised values as floats: within that precision.)
for setting in $(echo "$held_values" | tr , ' '); do
    read=$(sed -n "s/^READ ${setting%%=*}=//p" "$work/log")
    awk -v a="$read" -v b="${setting#*=}" 'BEGIN { d = a - b; exit !(a != "" && (d < 0 ? -d : d) <= 1e-6 * (b < 0 ? -b : b + 1)) }' ||
        fail "${setting%%=*} reads back ${read:-nothing} after the reopen, not ${setting#*=}"
done

# Its exporter now and then stalls or comes out 16 samples early: one retry.
for attempt in 1 2; do
    rm -f "$work/export.wav"
    timeout 120 ardour7-export -b float -o "$work/export.wav" "$session" s >"$work/log" 2>&1 && break
done
[ -f "$work/export.wav" ] || fail "no export"

# The plug-in's state in the reopened session (the LV2's in its latest
# state file, the VST3's inside the VST3 chunk) holds the settings.
case $format in
lv2) state_from "$(ls -t "$session"/plugins/*/state*/state.ttl | head -1)" "$work/state" ;;
vst3) state_from "$session/s.ardour" "$work/state" ;;
esac || fail "no state of the plug-in in the session"
held=$(holds_values "$work/state") || fail "the plug-in holds another value than Ardour: $held"
# The recording as Ardour holds it (a second into the session), through the
# VST 2.4 with the plug-in's settings (which a VST3 host holding normalised
# values as floats, as Ardour does, gives to within that precision).
"$audio_tool" merge "$session"/interchange/*/audiofiles/*%L.wav "$session"/interchange/*/audiofiles/*%R.wav \
    "$work/recorded.wav" 48000 || fail "no recording"
"$orvhost" render "$vst2" "$work/recorded.wav" "$work/vst2.wav" --state "$work/state" >/dev/null ||
    fail "no VST 2.4 render"
rms=$(sox "$work/export.wav" -n stat 2>&1 | awk '/RMS +amplitude/ { print $3 }')
awk -v r="$rms" 'BEGIN { exit !(r > 0.01) }' || fail "the export is silent (RMS $rms)"
# Ardour compensates the latency: the export lines up with the VST 2.4's
# render 2400 samples later; the lag is the one that matches best.
best=""
for lag in 2398 2399 2400 2401 2402; do
    set -- $("$audio_tool" compare "$work/export.wav" "$work/vst2.wav" $lag) || fail "no comparison"
    if [ -z "$best" ] || awk -v d="$1" -v b="$best" 'BEGIN { exit !(d < b) }'; then
        best=$1; differing=$2; samples=$3; bestLag=$lag
    fi
done
[ "$bestLag" = 2400 ] || fail "the export lines up $bestLag samples later, not 2400"
[ "$differing" = 0 ] || fail "$differing of $samples samples differ from the VST 2.4's render, by up to $best"
echo "ardour-$format: listed, 26 parameters automatable, latency 2400; reopened with the settings read back;" \
    "the export (RMS $rms) equals the VST 2.4's render $bestLag samples later: $samples samples, largest difference $best"
