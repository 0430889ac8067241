#!/bin/sh
# Makes the packages in dist/, from a clean checkout: the Debian package,
# the Linux tarball with install.sh and uninstall.sh, the Windows installer
# (NSIS) and the Windows zip, and SHA256SUMS over the four. The version is
# CMake's project version. A missing tool or a failed build stops it with
# one line, and dist/ only ever receives finished files.
set -eu
. "$(dirname "$0")/lib.sh"
cd "$orv_root"

fail() { echo "package.sh: $*" >&2; exit 1; }

sh scripts/setup.sh >/dev/null || fail "the set-up script failed"
for tool in cmake dpkg-deb dpkg-shlibdeps lintian makensis x86_64-w64-mingw32-strip sha256sum gzip; do
    command -v "$tool" >/dev/null 2>&1 || fail "$tool is missing (sh scripts/setup.sh installs it)"
done

orv_build release >/dev/null 2>&1 || fail "the Linux build failed (cmake --build --preset release shows why)"
orv_build windows orvq41x_x64 orvq41x-clap orvq41x-vst3 orvhost >/dev/null 2>&1 ||
    fail "the Windows build failed (cmake --build --preset windows shows why)"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release/CMakeCache.txt)
[ -n "$version" ] || fail "no project version in build/release"
name=orvq41x

# Everything is made here, on the same file system as dist/, and moved in
# when all four are done.
work=$(mktemp -d "$orv_root/build/package.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir "$work/dist"

. "$orv_root/scripts/package-linux.sh"
. "$orv_root/scripts/package-windows.sh"
make_deb "$work" "$version" "$work/dist/${name}_${version}_amd64.deb"
make_tarball "$work" "$version" "$work/dist/$name-$version-linux-x86_64.tar.gz"
make_windows "$work" "$version" "$work/dist/$name-$version-win64-setup.exe" "$work/dist/$name-$version-win64.zip"
(cd "$work/dist" && sha256sum -- *.deb *.tar.gz *.exe *.zip > SHA256SUMS)

mkdir -p dist
for file in "$work"/dist/*; do
    mv -f "$file" dist/
done
echo "packages of $name $version in dist/:"
(cd dist && ls -l "${name}_${version}_amd64.deb" "$name-$version-linux-x86_64.tar.gz" \
    "$name-$version-win64-setup.exe" "$name-$version-win64.zip" SHA256SUMS | awk '{ print "  " $5 "  " $9 }')
