#!/bin/sh
# Saves the picture of the Windows installer's component page in docs/: the
# installer from dist/ (sh scripts/package.sh makes it) runs under Wine in a
# virtual display of its own, the licence page is accepted with the
# keyboard, and the screen is captured on the next page.
set -eu
. "$(dirname "$0")/lib.sh"
cd "$orv_root"
orv_install xdotool imagemagick
setup=$(ls dist/orvq41x-*-win64-setup.exe 2>/dev/null | tail -n 1)
[ -n "$setup" ] || { echo "installer-picture: no installer in dist/ (sh scripts/package.sh)" >&2; exit 1; }
work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=:93
Xvfb :93 -screen 0 800x600x24 >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null; /usr/lib/wine/wineserver -k 2>/dev/null; rm -rf "$work"' EXIT
sleep 1
/usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1 || true
/usr/lib/wine/wineserver -w
/usr/lib/wine/wine64 "$(orv_winpath "$orv_root/$setup")" >/dev/null 2>&1 &
window=""
for _ in $(seq 60); do
    window=$(xdotool search --name "Setup" 2>/dev/null | head -n 1) && [ -n "$window" ] && break
    sleep 1
done
[ -n "$window" ] || { echo "installer-picture: the installer's window did not appear" >&2; exit 1; }
sleep 2
# No window manager runs: the installer's window has the focus it took.
xdotool key --window "$window" Return 2>/dev/null  # "I Agree"
sleep 2
geometry=$(xdotool getwindowgeometry --shell "$window")
eval "$geometry"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage docs/installer-components.png
echo "saved the component page to docs/installer-components.png"
