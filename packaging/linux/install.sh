#!/bin/sh
# Installs the plug-ins and programs of this folder for the user running
# it, into the folders hosts scan in a home folder: ~/.vst, ~/.vst3,
# ~/.clap, ~/.lv2 and ~/.local/bin. Running it again replaces what it
# installed. With --uninstall (what uninstall.sh runs) it removes exactly
# those files, and the folders only when they are left empty.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
: "${HOME:?HOME is not set}"

# What goes where: a path in this folder, and the folder below HOME.
entries="
vst/orvq41x_x64.so .vst
vst3/orvq41x.vst3 .vst3
clap/orvq41x.clap .clap
lv2/orvq41x.lv2 .lv2
bin/orvhost .local/bin
bin/orvq41x-jack .local/bin
"

fail() { echo "$(basename "$0"): $*" >&2; exit 1; }

# Root would leave files in someone else's home folder that its owner
# cannot change.
if [ "$(id -u)" -eq 0 ] && [ "$(stat -c %u "$HOME")" -ne 0 ]; then
    fail "refusing to run as root into $HOME, which root does not own; run it as the folder's owner"
fi

install_all() {
    echo "$entries" | while read -r source folder; do
        [ -n "$source" ] || continue
        target="$HOME/$folder/$(basename "$source")"
        mkdir -p "$HOME/$folder"
        rm -rf "$target"
        cp -R "$here/$source" "$target"
        echo "installed $target"
    done
}

uninstall_all() {
    echo "$entries" | while read -r source folder; do
        [ -n "$source" ] || continue
        target="$HOME/$folder/$(basename "$source")"
        if [ -e "$target" ]; then
            rm -rf "$target"
            echo "removed $target"
        fi
        rmdir "$HOME/$folder" 2>/dev/null || true
    done
    rmdir "$HOME/.local" 2>/dev/null || true
}

case "${1:-}" in
--uninstall) uninstall_all ;;
"") install_all ;;
*) fail "usage: install.sh [--uninstall]" ;;
esac
