#!/bin/sh
# Runs the Windows build of orvhost under Wine. For `render`, IN and OUT are
# audio files: sox turns IN into a raw 32-bit float stream for the Windows
# program and its raw output back into OUT (format from OUT's extension).
# Unix paths are handed to the Windows program as Z: paths.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
exe="$root/build/windows/testhost/orvhost.exe"
export WINEPREFIX="${WINEPREFIX:-$root/build/windows/wineprefix}"
winpath() { case "$1" in /*) printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')" ;; *) printf '%s' "$1" ;; esac; }
absolute() { case "$1" in /*) printf '%s' "$1" ;; *) printf '%s/%s' "$(pwd)" "$1" ;; esac; }
[ $# -ge 2 ] || { echo "usage: orvhost-windows.sh COMMAND PLUGIN [arguments]" >&2; exit 2; }
command=$1; plugin=$(winpath "$(absolute "$2")"); shift 2
if [ "$command" != render ]; then
    for a in "$@"; do
        shift
        case "$a" in /*) set -- "$@" "$(winpath "$a")" ;; *) set -- "$@" "$a" ;; esac
    done
    exec xvfb-run -a "$root/scripts/wine-run.sh" "$exe" "$command" "$plugin" "$@"
fi
[ $# -ge 2 ] || { echo "usage: orvhost-windows.sh render PLUGIN IN OUT [options]" >&2; exit 2; }
in=$(absolute "$1"); out=$(absolute "$2"); shift 2
[ -r "$in" ] || { echo "orvhost: $in: cannot open the file" >&2; exit 1; }
rate=$(soxi -r "$in" 2>/dev/null) || { echo "orvhost: $in: not an audio file sox can read" >&2; exit 1; }
channels=$(soxi -c "$in")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sox "$in" -t f32 "$work/in.raw"
status=0
# Under the same virtual display as the editor command: a Wine session
# started without a display cannot make windows afterwards.
xvfb-run -a "$root/scripts/wine-run.sh" "$exe" render "$plugin" "$(winpath "$work/in.raw")" \
    "$(winpath "$work/out.raw")" --rate "$rate" --channels "$channels" "$@" >"$work/log" 2>&1 || status=$?
sed -e "s|Z:[^ ]*in\.raw|$in|; s|Z:[^ ]*out\.raw|$out|" -e '/^X connection/d' "$work/log"
[ "$status" -eq 0 ] || exit "$status"
sox -t f32 -r "$rate" -c 2 "$work/out.raw" "$out.part.wav" && mv "$out.part.wav" "$out"
