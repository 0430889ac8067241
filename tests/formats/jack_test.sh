#!/bin/sh
# The JACK program against a JACK server of the test's own (dummy driver):
# it registers two inputs and two outputs and processes a sine; with an X
# display it shows the panel in a window of its own.
# Usage: jack_test.sh PROGRAM PROBE
set -u
program=$1; probe=$2
export JACK_DEFAULT_SERVER="orvtest$$"
jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >/dev/null 2>&1 &
server=$!
sleep 1
"$program" >/dev/null 2>&1 &
effect=$!
"$probe" "orvq41x(Velmar)"
status=$?
panel() { xwininfo -root -tree | grep -q '"orvq41x(Velmar)": ().* 544x356+'; }
if [ -n "${DISPLAY:-}" ]; then
    for attempt in 1 2 3 4 5; do panel && break; sleep 1; done
    panel || { echo "JACK program: no panel window"; status=1; }
fi
kill "$effect" 2>/dev/null; wait "$effect" 2>/dev/null
kill "$server" 2>/dev/null; wait "$server" 2>/dev/null
exit "$status"
