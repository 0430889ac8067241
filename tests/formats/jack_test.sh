#!/bin/sh
# The JACK program against a JACK server of the test's own (dummy driver):
# it registers two inputs and two outputs and processes a sine.
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
kill "$effect" 2>/dev/null; wait "$effect" 2>/dev/null
kill "$server" 2>/dev/null; wait "$server" 2>/dev/null
exit "$status"
