#!/bin/sh
# Checks a Windows plug-in's tables and code: the given entries the only
# exports (VSTPluginMain and main when none are given), nothing imported
# beyond Windows' own DLLs, AVX only in the loops chosen at run time and
# never an aligned wide move.
# Usage: check-dll.sh DLL [EXPORT...]
set -eu
dll="$1"
shift
[ $# -eq 0 ] && set -- VSTPluginMain main
table=$(x86_64-w64-mingw32-objdump -p "$dll")
status=0
for name in "$@"; do
    if ! printf '%s\n' "$table" | grep -Eq "^[[:space:]]*\[[[:space:]]*[0-9]+\] $name\$"; then
        echo "missing export: $name"
        status=1
    fi
done
exports=$(printf '%s\n' "$table" | sed -n '/Ordinal\/Name Pointer/,/^$/p' | grep -Ec '^[[:space:]]*\[[[:space:]]*[0-9]+\] ')
if [ "$exports" -ne $# ]; then
    echo "exports $exports names; only $* should be visible"
    status=1
fi
windows_dlls='^(kernel32|user32|gdi32|shell32|ole32|msvcrt|advapi32|comdlg32|oleaut32|uuid|ws2_32|api-ms-win-.*)\.dll$'
for imported in $(printf '%s\n' "$table" | sed -n 's/^[[:space:]]*DLL Name: //p'); do
    lower=$(printf '%s' "$imported" | tr 'A-Z' 'a-z')
    if ! printf '%s\n' "$lower" | grep -Eq "$windows_dlls"; then
        echo "imports a DLL Windows does not ship: $imported"
        status=1
    fi
done
sh "$(dirname "$0")/check-isa.sh" "$dll" x86_64-w64-mingw32-objdump --unaligned-moves || status=1
[ "$status" -eq 0 ] && echo "exports and imports of $(basename "$dll") are as hosts need them"
exit "$status"
