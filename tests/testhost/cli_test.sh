#!/bin/sh
# orvhost from the command line: what works, and that every kind of bad
# input gets one clear line, a non-zero exit status and no output file.
# Usage: cli_test.sh ORVHOST PLUGIN NO_INSTANCE_PLUGIN WRONG_MAGIC_PLUGIN
# (ORVHOST may be a wrapper script that runs the Windows build.)
set -u
orvhost=$1; plugin=$2; noInstance=$3; wrongMagic=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0; failed=0

ok() { passed=$((passed + 1)); echo "ok: $1"; }
not_ok() { failed=$((failed + 1)); echo "FAILED: $1"; }

# expect_failure NAME MESSAGE-PATTERN COMMAND...: non-zero exit, the message, no OUT.
expect_failure() {
    name=$1; pattern=$2; shift 2
    rm -f "$work/out.wav" "$work/out.wav.part"
    output=$("$@" 2>&1); status=$?
    if [ "$status" -ne 0 ] && printf '%s' "$output" | grep -q "$pattern" &&
        [ ! -e "$work/out.wav" ] && [ ! -e "$work/out.wav.part" ]; then
        ok "$name"
    else
        not_ok "$name (exit $status: $output)"
    fi
}

sox -q -n -r 44100 -c 2 "$work/in.wav" synth 1 sine 440 gain -6
sox -q -n -r 44100 -c 1 "$work/mono.wav" synth 1 sine 440 gain -6
sox -q -n -r 44100 -c 3 "$work/three.wav" synth 1 sine 440 gain -6
printf 'not audio at all' > "$work/text.wav"
printf 'not a plug-in' > "$work/text.so"
head -c 136 /dev/urandom > "$work/random.state"

if "$orvhost" info "$plugin" | grep -q 'orvq41x(Velmar)'; then ok "info"; else not_ok "info"; fi
if "$orvhost" render "$plugin" "$work/in.wav" "$work/out.wav" --set Mode=M/S --save-state "$work/saved.state" >/dev/null &&
    [ -s "$work/out.wav" ] && [ "$(wc -c < "$work/saved.state")" -eq 136 ]; then
    ok "render stereo, save the state"
else
    not_ok "render stereo, save the state"
fi
if "$orvhost" render "$plugin" "$work/mono.wav" "$work/out2.wav" --state "$work/saved.state" >/dev/null &&
    [ "$(soxi -c "$work/out2.wav")" -eq 2 ]; then
    ok "render mono as dual mono with a loaded state"
else
    not_ok "render mono as dual mono with a loaded state"
fi

expect_failure "missing plug-in" "cannot\|No such" "$orvhost" render "$work/nothing.so" "$work/in.wav" "$work/out.wav"
expect_failure "not a plug-in" "." "$orvhost" render "$work/text.so" "$work/in.wav" "$work/out.wav"
expect_failure "no instance" "no instance" "$orvhost" render "$noInstance" "$work/in.wav" "$work/out.wav"
expect_failure "wrong magic" "not a VST 2.4 plug-in" "$orvhost" render "$wrongMagic" "$work/in.wav" "$work/out.wav"
expect_failure "unknown parameter" "unknown parameter 'Loudness'" "$orvhost" render "$plugin" "$work/in.wav" "$work/out.wav" --set Loudness=1
expect_failure "value out of range" "out of range" "$orvhost" render "$plugin" "$work/in.wav" "$work/out.wav" --set Output=+900
expect_failure "unreadable audio" "cannot\|not" "$orvhost" render "$plugin" "$work/missing.wav" "$work/out.wav"
expect_failure "not an audio file" "." "$orvhost" render "$plugin" "$work/text.wav" "$work/out.wav"
expect_failure "three channels" "channels" "$orvhost" render "$plugin" "$work/three.wav" "$work/out.wav"
expect_failure "refused state" "refused" "$orvhost" render "$plugin" "$work/in.wav" "$work/out.wav" --state "$work/random.state"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
