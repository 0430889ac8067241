#!/bin/sh
# Installs everything the build and the tests need on Debian 12 (as root).
# Idempotent: quiet and quick when all is there.
set -eu
packages="cmake g++ make pkg-config googletest libgtest-dev libbenchmark-dev \
g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 xvfb xauth \
libsndfile1-dev sox imagemagick dpf-plugins-vst clang libclang-rt-14-dev qemu-user"
missing=""
for p in $packages; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0
echo "setup: installing$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing >/dev/null
