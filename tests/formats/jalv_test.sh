#!/bin/sh
# Debian's jalv opens the LV2 plug-in with its panel: the panel shows the
# value jalv sets, pixel for pixel as the VST 2.4 editor shows the same
# setting (captured by orvhost).
# Usage: jalv_test.sh ORVHOST VST2_LIBRARY LV2_BUNDLE (under an X server)
set -u
orvhost=$1; vst2=$2; bundle=$3
work=$(mktemp -d)
export JACK_DEFAULT_SERVER="orvjalv$$"
cleanup() {
    [ -n "${jalv:-}" ] && kill "$jalv" 2>/dev/null && wait "$jalv" 2>/dev/null
    [ -n "${server:-}" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "jalv: $*"; exit 1; }

mkdir "$work/lv2" && ln -s "$bundle" "$work/lv2/"
"$orvhost" editor "$vst2" "$work/defaults.png" >/dev/null || fail "no VST 2.4 picture"
"$orvhost" editor "$vst2" "$work/set.png" --set Output=0.2 >/dev/null || fail "no VST 2.4 picture"
jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >/dev/null 2>&1 &
server=$!
sleep 1
# jalv sets LV2 controls in their units: Output 8 % is the VST 2.4 value 0.2.
LV2_PATH="$work/lv2" jalv.gtk3 -c output=8 urn:orv-works:orvq41x >"$work/jalv.log" 2>&1 &
jalv=$!
# The panel is the innermost window of its size in jalv's.
panel=""
for attempt in 1 2 3 4 5 6 7 8 9 10; do
    sleep 1
    panel=$(xwininfo -root -tree | awk '/ 544x356\+/ { id = $1 } END { print id }')
    [ -n "$panel" ] && break
done
[ -n "$panel" ] || { cat "$work/jalv.log"; fail "no panel window"; }
sleep 1
import -window "$panel" "$work/jalv.png" || fail "no capture"
different=$(compare -metric AE "$work/set.png" "$work/jalv.png" null: 2>&1)
changed=$(compare -metric AE "$work/defaults.png" "$work/jalv.png" null: 2>&1)
[ "$different" = 0 ] || fail "$different pixels differ from the VST 2.4 editor's"
[ "$changed" != 0 ] || fail "the panel does not show jalv's value"
echo "jalv: the panel shows Output 8 % as the VST 2.4 editor shows 0.2 ($changed pixels differ from the defaults)"
