#!/bin/sh
# The packages as users install them: makes them with package.sh, then
# - a tool that fails: package.sh says so in one line and leaves dist/ as it was;
# - the Debian package: installed with dpkg, the plug-ins work from the
#   system folders (lv2info finds the URI without LV2_PATH, orvhost renders
#   through /usr/lib/vst, the format tests load the CLAP, VST3 and LV2 from
#   /usr/lib), and removing it leaves none of its files;
# - the tarball: installed twice into a temporary HOME, the files where
#   hosts look; refused as root into a home root does not own; the
#   uninstall leaves nothing;
# - the Windows installer under Wine in a throw-away prefix: silent into the
#   Common Files and a chosen VST folder, the installed files pass the
#   Windows format tests, a second run upgrades in place, and the registered
#   uninstaller removes every installed file and its registry entry and
#   nothing else.
set -eu
. "$(dirname "$0")/lib.sh"
cd "$orv_root"
fail() { echo "test-packages: $*" >&2; exit 1; }

sh scripts/package.sh
orv_build native orvhost format_tests orvq41x_x64
orv_build windows format_tests
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release/CMakeCache.txt)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "-- a failing tool"
mkdir "$work/broken"
printf '#!/bin/sh\nexit 1\n' > "$work/broken/makensis"
chmod 755 "$work/broken/makensis"
before=$(ls -l --time-style=+%s.%N dist)
if PATH="$work/broken:$PATH" sh scripts/package.sh > "$work/broken.log" 2>&1; then fail "package.sh passed with a failing makensis"; fi
[ "$(tail -n 1 "$work/broken.log")" = "package.sh: makensis failed" ] || fail "package.sh did not say what failed"
[ "$(ls -l --time-style=+%s.%N dist)" = "$before" ] || fail "package.sh changed dist/ although it failed"
echo "package.sh with a failing makensis: \"$(tail -n 1 "$work/broken.log")\", dist/ unchanged"

echo "-- the Debian package"
deb=dist/orvq41x_${version}_amd64.deb
dpkg -r orvq41x >/dev/null 2>&1 || true
dpkg -i "$deb" >/dev/null || fail "dpkg -i failed"
dpkg -L orvq41x | while read -r f; do [ -f "$f" ] && echo "$f"; done > "$work/deb-files"
echo "installed $(wc -l < "$work/deb-files") files:"
sed 's/^/  /' "$work/deb-files"
env -u LV2_PATH lv2info urn:orv-works:orvq41x | grep -q "^urn:orv-works:orvq41x" || fail "lv2info does not find the LV2"
[ "$(orvhost --version)" = "orvhost $version" ] || fail "orvhost --version is not $version"
sox -n -r 48000 -c 2 -b 32 -e floating-point "$work/in.wav" synth 2 whitenoise vol 0.5 >/dev/null 2>&1
orvhost render /usr/lib/vst/orvq41x_x64.so "$work/in.wav" "$work/installed.wav" --set Mode=M/S >/dev/null ||
    fail "orvhost does not render through /usr/lib/vst/orvq41x_x64.so"
build/native/testhost/orvhost render build/native/src/orvq41x_x64.so "$work/in.wav" "$work/built.wav" --set Mode=M/S \
    >/dev/null
cmp -s "$work/installed.wav" "$work/built.wav" || fail "the installed library renders other samples than the build's"
xvfb-run -a -s "-screen 0 1280x1024x24" build/native/tests/format_tests /usr/lib/vst/orvq41x_x64.so \
    --clap /usr/lib/clap/orvq41x.clap --vst3 /usr/lib/vst3/orvq41x.vst3/Contents/x86_64-linux/orvq41x.so --lv2 /usr/lib/lv2/orvq41x.lv2 \
    > "$work/format.log" 2>&1 || { tail -30 "$work/format.log"; fail "the installed plug-ins fail the format tests"; }
echo "format tests on the installed plug-ins: $(grep -o 'PASSED.*' "$work/format.log")"
dpkg -r orvq41x >/dev/null || fail "dpkg -r failed"
while read -r f; do [ ! -e "$f" ] || fail "dpkg -r left $f"; done < "$work/deb-files"
echo "dpkg -r: none of its files left"

echo "-- the tarball"
tar -xzf "dist/orvq41x-$version-linux-x86_64.tar.gz" -C "$work"
unpacked=$work/orvq41x-$version-linux-x86_64
home=$work/home
mkdir "$home"
HOME=$home sh "$unpacked/install.sh" >/dev/null
HOME=$home sh "$unpacked/install.sh" > "$work/tar.log"
for f in .vst/orvq41x_x64.so .vst3/orvq41x.vst3/Contents/x86_64-linux/orvq41x.so .clap/orvq41x.clap \
    .lv2/orvq41x.lv2/manifest.ttl .lv2/orvq41x.lv2/orvq41x_dsp.so .local/bin/orvhost .local/bin/orvq41x-jack; do
    [ -f "$home/$f" ] || fail "install.sh did not install ~/$f"
done
LV2_PATH=$home/.lv2 lv2info urn:orv-works:orvq41x | grep -q "^urn:orv-works:orvq41x" || fail "lv2info does not find ~/.lv2"
echo "install.sh, run twice: $(find "$home" -type f | wc -l) files in ~/.vst, ~/.vst3, ~/.clap, ~/.lv2, ~/.local/bin"
stranger=$work/stranger
mkdir "$stranger"
chown nobody "$stranger"
if HOME=$stranger sh "$unpacked/install.sh" > "$work/refusal" 2>&1; then fail "install.sh ran as root into a home root does not own"; fi
[ -z "$(ls -A "$stranger")" ] || fail "the refused install.sh wrote into the home folder"
echo "install.sh as root into another user's home: refused ($(cat "$work/refusal"))"
HOME=$home sh "$unpacked/uninstall.sh" >/dev/null
[ -z "$(ls -A "$home")" ] || fail "uninstall.sh left $(find "$home" | tail -n +2 | head -3)"
echo "uninstall.sh: nothing left"

echo "-- the Windows installer"
export WINEPREFIX="$work/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=/usr/lib/wine/wine64
$wine wineboot --init >/dev/null 2>&1 || true
/usr/lib/wine/wineserver -w
drive=$WINEPREFIX/drive_c
common="$drive/Program Files/Common Files"
product="$drive/Program Files/ORV Works/Velmar processor"
setup=$(orv_winpath "$orv_root/dist/orvq41x-$version-win64-setup.exe")
$wine "$setup" /S /D='C:\VSTFolder' >/dev/null 2>&1
/usr/lib/wine/wineserver -w
installed="$drive/VSTFolder/orvq41x_x64.dll
$common/VST3/orvq41x.vst3/Contents/x86_64-win/orvq41x.vst3
$common/CLAP/orvq41x.clap
$product/orvhost.exe
$product/README.md
$product/LICENSE
$product/THIRD-PARTY-NOTICES
$product/CHANGELOG.md
$product/uninstall.exe"
echo "$installed" | while read -r f; do [ -f "$f" ] || fail "the installer did not install $f"; done
$wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\orvq41x' /v DisplayVersion 2>/dev/null |
    grep -q "$version" || fail "no uninstall entry with version $version"
echo "setup.exe /S /D=C:\\VSTFolder: $(echo "$installed" | wc -l) files, uninstall entry $version"
# The Windows test hosts load the installed files.
WINEPREFIX=$WINEPREFIX sh scripts/wine-run.sh build/windows/tests/format_tests.exe 'C:\VSTFolder\orvq41x_x64.dll' \
    --clap 'C:\Program Files\Common Files\CLAP\orvq41x.clap' \
    --vst3 'C:\Program Files\Common Files\VST3\orvq41x.vst3\Contents\x86_64-win\orvq41x.vst3' > "$work/wformat.log" 2>&1 ||
    { tail -30 "$work/wformat.log"; fail "the installed Windows plug-ins fail the format tests"; }
echo "Windows format tests on the installed files: $(grep -o 'PASSED.*' "$work/wformat.log")"
# Again over the installed version, without /D=: the VST 2.4 folder of the
# first run is kept, and files of others beside ours stay.
touch "$drive/VSTFolder/other_x64.dll" "$common/CLAP/other.clap"
$wine "$setup" /S >/dev/null 2>&1
/usr/lib/wine/wineserver -w
[ -f "$drive/VSTFolder/orvq41x_x64.dll" ] && [ ! -e "$drive/Program Files/VSTPlugins/orvq41x_x64.dll" ] ||
    fail "the second run did not upgrade the VST 2.4 plug-in in its folder"
echo "second setup.exe /S: upgraded in place (the VST 2.4 folder of the first run kept)"
uninstaller=$($wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\orvq41x' /v QuietUninstallString 2>/dev/null |
    sed -n 's/.*REG_SZ[[:space:]]*//p' | tr -d '\r')
[ -n "$uninstaller" ] || fail "no registered uninstaller"
eval "$wine $uninstaller" >/dev/null 2>&1
/usr/lib/wine/wineserver -w
echo "$installed" | while read -r f; do [ ! -e "$f" ] || fail "the uninstaller left $f"; done
[ ! -e "$common/VST3/orvq41x.vst3" ] || fail "the uninstaller left the VST3 bundle"
if $wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\orvq41x' >/dev/null 2>&1; then
    fail "the uninstall entry is still registered"
fi
[ -f "$drive/VSTFolder/other_x64.dll" ] && [ -f "$common/CLAP/other.clap" ] || fail "the uninstaller removed files of others"
echo "registered uninstaller ($uninstaller): every installed file and the entry gone, others' files kept"
echo "packages: all checks passed"
