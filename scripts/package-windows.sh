# Sourced by package.sh: the Windows installer and zip, from the Windows
# build's install into a staging folder.
# shellcheck shell=sh

make_windows() {  # work version setup.exe zip
    stage=$1/win/orvq41x-$2-win64
    cmake --install build/windows --prefix "$stage" >/dev/null || fail "the Windows install failed"
    find "$stage" -type f \( -name '*.dll' -o -name '*.exe' -o -name '*.clap' -o -name '*.vst3' \) \
        -exec x86_64-w64-mingw32-strip {} +
    makensis -V2 -DVERSION="$2" -DSTAGE="$stage" -DOUTFILE="$3" packaging/windows/orvq41x.nsi >/dev/null ||
        fail "makensis failed"
    (cd "$1/win" && cmake -E tar cf "$4" --format=zip "orvq41x-$2-win64") || fail "the zip failed"
}
