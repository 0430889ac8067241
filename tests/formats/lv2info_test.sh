#!/bin/sh
# Debian's lv2info finds the LV2 bundle and lists the 26 controls and the
# latency port.
# Usage: lv2info_test.sh BUNDLE_DIRECTORY
set -eu
path=$(mktemp -d)
trap 'rm -rf "$path"' EXIT
ln -s "$1" "$path/"
LV2_PATH="$path" lv2info urn:orv-works:orvq41x > "$path/info"
controls=$(grep -c 'lv2core#ControlPort' "$path/info")
# A port's types come in no fixed order: count the ports that have both.
inputs=$(awk '/^[[:space:]]*Port [0-9]+:/ { n += c && i; c = i = 0 }
              /lv2core#ControlPort/ { c = 1 }
              /lv2core#InputPort/ { i = 1 }
              END { print n + (c && i) }' "$path/info")
grep -q 'Has latency: *yes' "$path/info"
grep -q 'Name: *M-LS_Freq.' "$path/info"
[ "$controls" -eq 27 ] && [ "$inputs" -eq 26 ] && echo "lv2info: 26 controls and the latency port"
