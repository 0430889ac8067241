#!/bin/sh
# Checks that a built plug-in runs on every x86-64 processor: AVX and AVX-512
# instructions appear only in the builds of the processing loop that the
# processor check chooses (orv::simd::avx2, orv::simd::avx512 and their
# entries). With --unaligned-moves, also that no wide vector move needs an
# aligned address (Windows hosts do not guarantee a 32- or 64-byte aligned
# stack).
# Usage: check-isa.sh LIBRARY [OBJDUMP] [--unaligned-moves]
set -eu
library="$1"
objdump=${2:-objdump}
unaligned=0
[ "${3:-}" = --unaligned-moves ] && unaligned=1
"$objdump" -d --no-show-raw-insn "$library" | awk -v unaligned="$unaligned" '
    /^[0-9a-f]+ <.*>:$/ {
        symbol = $2
        allowed = symbol ~ /4simd4avx2|4simd6avx512|runFusedAvx2|runFusedAvx512/
        next
    }
    /^ *[0-9a-f]+:/ {
        line = $0
        sub(/^ *[0-9a-f]+:[ \t]*/, "", line)
        split(line, word, /[ \t]+/)
        wide = line ~ /%[yz]mm[0-9]|%k[0-7]|%xmm(1[6-9]|2[0-9]|3[01])/ || word[1] ~ /^v/
        if (unaligned && word[1] ~ /^v?mov(aps|apd|dqa|dqa32|dqa64)$/ && line ~ /%[yz]mm/) {
            print "aligned wide move in " symbol ": " line
            bad = 1
        }
        if (wide && !allowed) {
            if (!(symbol in reported)) print "AVX instruction outside the chosen loops, in " symbol ": " line
            reported[symbol] = 1
            bad = 1
        }
    }
    END { exit bad }
' && echo "$(basename "$library"): wide instructions only in the loops chosen at run time"
