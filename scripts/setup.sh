#!/bin/sh
# Installs everything the build and the tests need on Debian 12 (as root).
# Idempotent: quiet and quick when all is there.
set -eu
. "$(dirname "$0")/lib.sh"
orv_install cmake g++ make pkg-config googletest libgtest-dev libbenchmark-dev \
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 xvfb xauth \
    libsndfile1-dev sox imagemagick dpf-plugins-vst clang libclang-rt-14-dev qemu-user \
    libx11-dev libcairo2-dev fonts-dejavu-core libxtst-dev libxres-dev \
    dpf-source patch lv2-dev liblilv-dev lilv-utils jalv jackd2 libjack-jackd2-dev x11-utils \
    ardour libasound2 libfontconfig1 libfreetype6 libpng16-16 liblilv-0-0 libelf1 libgl1 libxcursor1 \
    libxrandr2 libsndfile1 libmagic1 \
    nsis lintian dpkg-dev
