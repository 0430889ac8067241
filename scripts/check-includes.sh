#!/bin/sh
# The layers include one way. Each line below names a folder of src/ and the
# folders its files may include from (besides their own, the identity
# header, system headers and, for formats/, DPF's).
set -eu
cd "$(dirname "$0")/../src"
allowed() {
    case $1 in
    dsp) echo "dsp" ;;
    params) echo "dsp params" ;;
    editor) echo "dsp params editor" ;;
    core) echo "dsp params editor core platform" ;;
    window) echo "dsp params editor window platform" ;;
    platform) echo "platform" ;;
    host) echo "dsp params editor core window platform host" ;;
    formats) echo "dsp params editor core window platform formats extra" ;;  # extra/: DPF's
    *) echo "" ;;
    esac
}
bad=0
for folder in */; do
    folder=${folder%/}
    ok=$(allowed "$folder")
    [ -n "$ok" ] || { echo "src/$folder: no rule for this folder"; bad=1; continue; }
    for file in $(find "$folder" -name '*.h' -o -name '*.hpp' -o -name '*.cpp'); do
        for included in $(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([a-z]*\)\/.*/\1/p' "$file"); do
            case " $ok " in
            *" $included "*) ;;
            *) echo "src/$file includes from $included/"; bad=1 ;;
            esac
        done
    done
done
[ "$bad" -eq 0 ] && echo "includes: every layer includes only the layers below it"
exit "$bad"
