#!/bin/sh
# The README's parameter reference is exactly what orvhost params prints.
# Usage: readme_params_test.sh ORVHOST README
set -eu
expected=$(mktemp)
trap 'rm -f "$expected"' EXIT
"$1" params > "$expected"
sed -n '/^<!-- parameter reference/,/^<!-- end of the parameter reference/p' "$2" | sed '1d;$d' |
    diff -u "$expected" - && echo "README parameter reference: up to date"
