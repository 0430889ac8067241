#!/bin/sh
# Runs a Windows program under Wine in a throw-away prefix inside the build
# tree (created on first use), with Wine's own diagnostics silenced.
set -e
: "${WINEPREFIX:=${ORV_WINEPREFIX:-$(pwd)/wineprefix}}"
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
exec /usr/lib/wine/wine64 "$@"
