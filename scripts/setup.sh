#!/bin/sh
# Installs everything the build and the tests need on Debian 12 (as root).
# Idempotent: quiet and quick when all is there.
set -eu
. "$(dirname "$0")/lib.sh"
orv_install cmake g++ make pkg-config googletest libgtest-dev libbenchmark-dev \
    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64 xvfb xauth \
    libsndfile1-dev sox imagemagick dpf-plugins-vst clang libclang-rt-14-dev qemu-user \
    libx11-dev libcairo2-dev fonts-dejavu-core libxtst-dev libxres-dev \
    dpf-source lv2-dev liblilv-dev lilv-utils jalv jackd2 libjack-jackd2-dev x11-utils
