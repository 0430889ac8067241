# Sourced by the other scripts: the repository root, package installation,
# the Wine prefix, Windows paths, and configure-then-build.
# shellcheck shell=sh

orv_root=$(cd "$(dirname "$0")/.." && pwd)

# The one throw-away Wine prefix, inside the Windows build tree (the tests
# get the same path from CMake).
WINEPREFIX="${WINEPREFIX:-$orv_root/build/windows/wineprefix}"
export WINEPREFIX

# Installs the Debian packages given that are missing (quiet and quick when
# none is).
orv_install() {
    missing=""
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
    done
    [ -z "$missing" ] && return 0
    echo "setup: installing$missing"
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    # shellcheck disable=SC2086
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing >/dev/null
}

# Configures a CMake preset and builds it (or the targets given), quietly.
orv_build() {
    preset=$1; shift
    cmake --preset "$preset" >/dev/null
    if [ $# -gt 0 ]; then
        cmake --build --preset "$preset" -j "$(nproc)" --target "$@" >/dev/null
    else
        cmake --build --preset "$preset" -j "$(nproc)" >/dev/null
    fi
}

# An absolute Unix path as the Windows programs see it under Wine (Z:\...);
# other arguments as they are.
orv_winpath() {
    case "$1" in
    /*) printf 'Z:%s' "$(printf '%s' "$1" | tr / '\\')" ;;
    *) printf '%s' "$1" ;;
    esac
}

orv_absolute() {
    case "$1" in
    /*) printf '%s' "$1" ;;
    *) printf '%s/%s' "$(pwd)" "$1" ;;
    esac
}
