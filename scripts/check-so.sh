#!/bin/sh
# Checks the Linux plug-in's dynamic symbol table: the two entries and
# nothing else of ours are exported.
set -eu
so="$1"
defined=$(nm -D --defined-only "$so" | awk '{ print $3 }' | sort | tr '\n' ' ')
if [ "$defined" = "VSTPluginMain main " ]; then
    echo "$(basename "$so") exports VSTPluginMain and main only"
else
    echo "unexpected exports: $defined"
    exit 1
fi
