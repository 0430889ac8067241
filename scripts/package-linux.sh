# Sourced by package.sh: the Debian package and the tarball, from the
# release build's install.
# shellcheck shell=sh

deb_maintainer="ORV Works <support@orv.works>"

# The package's dependencies: exactly the shared libraries its binaries load.
deb_depends() {  # root
    mkdir -p "$work/shlibs/debian"
    printf 'Source: orvq41x\n\nPackage: orvq41x\nArchitecture: amd64\n' > "$work/shlibs/debian/control"
    binaries=$(find "$1" -type f \( -name '*.so' -o -name '*.clap' -o -perm -u+x \) | sort)
    # shellcheck disable=SC2086
    (cd "$work/shlibs" && dpkg-shlibdeps -O -e $binaries 2>/dev/null) | sed -n 's/^shlibs:Depends=//p'
}

make_deb() {  # work version output
    root=$1/deb
    DESTDIR=$root cmake --install build/release --prefix /usr --strip >/dev/null || fail "the Linux install failed"
    doc=$root/usr/share/doc/orvq41x
    # Debian's documentation: the licence and the notices in copyright, the
    # rest compressed, and a changelog of Debian's form.
    cat "$doc/LICENSE" - "$doc/THIRD-PARTY-NOTICES" > "$doc/copyright" <<'SEPARATOR'


SEPARATOR
    rm "$doc/LICENSE" "$doc/THIRD-PARTY-NOTICES"
    gzip -9n "$doc/README.md" "$doc/CHANGELOG.md" "$root"/usr/share/man/man1/*.1
    {
        printf 'orvq41x (%s) unstable; urgency=medium\n\n' "$2"
        printf '  * Release %s; the changes are in CHANGELOG.md.gz.\n\n' "$2"
        printf ' -- %s  %s\n' "$deb_maintainer" "$(date -R -u -d "@${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || date +%s)}")"
    } | gzip -9n > "$doc/changelog.gz"
    find "$root" -type d -exec chmod 755 {} +
    find "$root" -type f -exec chmod 644 {} +
    chmod 755 "$root"/usr/bin/*
    depends=$(deb_depends "$root")
    [ -n "$depends" ] || fail "dpkg-shlibdeps found no dependencies"
    mkdir "$root/DEBIAN"
    (cd "$root" && find usr -type f -exec md5sum {} + | sort -k 2) > "$root/DEBIAN/md5sums"
    cat > "$root/DEBIAN/control" <<CONTROL
Package: orvq41x
Version: $2
Architecture: amd64
Maintainer: $deb_maintainer
Installed-Size: $(du -sk --exclude=DEBIAN "$root" | cut -f1)
Depends: $depends
Recommends: fonts-dejavu-core
Section: sound
Priority: optional
Description: Velmar processor, a stereo mastering processor
 A mid/side matrix, per-channel gain and three-band equaliser, sample-rate
 and word-length reduction, a reconstruction low-pass, a look-ahead clip
 guard, a static level-dependent gain and an output factor, with its own
 editor, as VST 2.4, VST3, CLAP and LV2 plug-ins and a JACK program, and
 orvhost, a command-line VST 2.4 host.
CONTROL
    dpkg-deb --root-owner-group -Zxz --build "$root" "$3" >/dev/null || fail "dpkg-deb failed"
    lintian --tag-display-limit 0 "$3" > "$1/lintian.txt" 2>/dev/null || true
    if grep -q '^E:' "$1/lintian.txt"; then
        cat "$1/lintian.txt" >&2
        fail "lintian reports errors in the Debian package"
    fi
    echo "lintian on $(basename "$3"): $(grep -c '^[EWIP]:' "$1/lintian.txt" || true) remarks, no error"
    sed 's/^/  /' "$1/lintian.txt"
}

make_tarball() {  # work version output
    root=$1/tar-root
    cmake --install build/release --prefix "$root" --strip >/dev/null || fail "the Linux install failed"
    dir=$1/tar/orvq41x-$2-linux-x86_64
    mkdir -p "$dir/vst" "$dir/vst3" "$dir/clap" "$dir/lv2" "$dir/bin"
    cp "$root/lib/vst/orvq41x_x64.so" "$dir/vst/"
    cp -R "$root/lib/vst3/orvq41x.vst3" "$dir/vst3/"
    cp "$root/lib/clap/orvq41x.clap" "$dir/clap/"
    cp -R "$root/lib/lv2/orvq41x.lv2" "$dir/lv2/"
    cp "$root/bin/orvhost" "$root/bin/orvq41x-jack" "$dir/bin/"
    cp "$root"/share/doc/orvq41x/* "$dir/"
    cp packaging/linux/install.sh packaging/linux/uninstall.sh "$dir/"
    chmod 755 "$dir/install.sh" "$dir/uninstall.sh"
    tar -C "$1/tar" --owner=0 --group=0 -czf "$3" "orvq41x-$2-linux-x86_64" || fail "tar failed"
}
