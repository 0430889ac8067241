# Sourced by the real-host tests: the settings they give a plug-in, and the
# check that a plug-in state holds them, read by the VST 2.4 (orvhost info).
# shellcheck shell=sh

# The VST3 class ID as hosts read it on every system ('DPF ', 'clas', 'orv1').
vst3_class_id=445046206173636C3176726F00000000

# Several values at once, Link off among them, in the formats' units;
# chosen so that the VST 2.4's normalised mappings give exactly the same
# engineering values (as VST 2.4 indices and values, Link first so that it
# couples nothing), and as the VST 2.4 shows them.
held_values="Mode=1,Output=71,Link=0,S-LS_Gain=20,M-BP_Freq.=5007.5,S-Gain=150,M-Comp.=25,Bit=10,Int=0"
held_vst2_values="24=0,0=0.33333334,1=0.595,18=0.75,10=0.5,15=0.612,7=0.25,2=0.76,5=0"
held_texts="0:M/S 1:071 2:10 5:OFF 7:025 9:+00 10:5008 15:150 18:+20 24:OFF"

# A work folder that goes when the test ends ($ORV_KEEP keeps it), and
# the failure line naming the check, after the tail of its log.
open_work() {  # check name
    check_name=$1
    work=$(mktemp -d)
    trap '[ -n "${ORV_KEEP:-}" ] || rm -rf "$work"' EXIT
}
fail() {
    [ -f "$work/log" ] && tail -40 "$work/log"
    echo "$check_name: $*"
    exit 1
}

# The plug-in's 136 bytes found as base64 in FILE (directly, or inside a
# base64 block of the format's own state); written to OUT.
state_from() {
    chunk="AAAAAG9ydnE0MXgo[A-Za-z0-9+/]*=*"
    { grep -ho "$chunk" "$1" ||
        awk '/<Chunk>|<chunk>/ { on = 1; sub(/.*<[Cc]hunk>/, "") }
             on { end = sub(/<\/[Cc]hunk>.*/, ""); gsub(/[ \t]/, ""); printf "%s", $0; if (end) on = 0 }' "$1" |
            base64 -d 2>/dev/null | grep -a -o "$chunk"; } | head -1 | base64 -d >"$2" 2>/dev/null
    [ "$(wc -c <"$2")" -eq 136 ]
}

# Whether the state STATE holds the values above; names the first it does not.
holds_values() {
    "$orvhost" info "$vst2" --state "$1" >"$1.info" || { echo "the VST 2.4 refuses the state"; return 1; }
    for text in $held_texts; do
        # orvhost's table: the display text in the fourth column, 10 characters from column 26
        awk -v i="${text%%:*}" -v t="${text#*:}" '$1 == i { d = substr($0, 26, 10); sub(/ +$/, "", d); found = d == t }
            END { exit !found }' "$1.info" || { echo "parameter ${text%%:*} is not ${text#*:}"; return 1; }
    done
}
