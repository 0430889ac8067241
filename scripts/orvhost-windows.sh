#!/bin/sh
# Runs the Windows build of orvhost under Wine. For `render`, IN and OUT are
# audio files: sox turns IN into a raw 32-bit float stream for the Windows
# program and its raw output back into OUT (format from OUT's extension).
# Unix paths are handed to the Windows program as Z: paths.
set -eu
. "$(dirname "$0")/lib.sh"
exe="$orv_root/build/windows/testhost/orvhost.exe"
[ $# -ge 2 ] || { echo "usage: orvhost-windows.sh COMMAND PLUGIN [arguments]" >&2; exit 2; }
command=$1; plugin=$(orv_winpath "$(orv_absolute "$2")"); shift 2
if [ "$command" != render ]; then
    for a in "$@"; do
        shift
        case "$a" in /*) set -- "$@" "$(orv_winpath "$a")" ;; *) set -- "$@" "$a" ;; esac
    done
    exec xvfb-run -a "$orv_root/scripts/wine-run.sh" "$exe" "$command" "$plugin" "$@"
fi
[ $# -ge 2 ] || { echo "usage: orvhost-windows.sh render PLUGIN IN OUT [options]" >&2; exit 2; }
in_name=$1; out_name=$2
in=$(orv_absolute "$1"); out=$(orv_absolute "$2"); shift 2
[ -r "$in" ] || { echo "orvhost: $in: cannot open the file" >&2; exit 1; }
rate=$(soxi -r "$in" 2>/dev/null) || { echo "orvhost: $in: not an audio file sox can read" >&2; exit 1; }
channels=$(soxi -c "$in")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sox "$in" -t f32 "$work/in.raw"
status=0
# Under the same virtual display as the editor command: a Wine session
# started without a display cannot make windows afterwards.
xvfb-run -a "$orv_root/scripts/wine-run.sh" "$exe" render "$plugin" "$(orv_winpath "$work/in.raw")" \
    "$(orv_winpath "$work/out.raw")" --rate "$rate" --channels "$channels" "$@" >"$work/log" 2>&1 || status=$?
sed -e "s|Z:[^ ]*in\.raw|$in_name|; s|Z:[^ ]*out\.raw|$out_name|" -e '/^X connection/d' "$work/log"
[ "$status" -eq 0 ] || exit "$status"
sox -t f32 -r "$rate" -c 2 "$work/out.raw" "$out.part.wav" && mv "$out.part.wav" "$out"
