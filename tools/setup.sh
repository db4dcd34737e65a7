#!/usr/bin/env bash
# Installs what is missing on Debian 12, builds, then either starts the program
# ("run") or runs every test ("test"). Run as root or with sudo.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"

build_packages=(build-essential cmake ninja-build pkg-config qt6-base-dev libexif-dev libcli11-dev
                libgtest-dev libgmock-dev libbenchmark-dev fonts-wqy-microhei)
test_packages=(xvfb xauth xdotool libx11-dev clang libclang-rt-14-dev)

install_missing() {
    local missing=()
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

build() {
    cmake --preset "$1" >/dev/null
    cmake --build --preset "$1"
}

case "${1:-}" in
run)
    install_missing "${build_packages[@]}"
    build dev
    if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -x build/dev/app/tamblinor ]; then
        exec build/dev/app/tamblinor
    fi
    demo=$(mktemp -d "${TMPDIR:-/tmp}/tamblinor-demo.XXXXXX")
    build/dev/tests/tamblinor-make-photos "$demo" --count 12 --start "2007:03:15 14:05:33" \
        --step 86400 --same-second-percent 20 >/dev/null
    echo "No display to open the window on: renaming a demonstration folder with the command line instead."
    echo "Folder: $demo, birthday 2006-05-10"
    build/dev/app/tamblinor-cli --birthday 2006-05-10 "$demo"
    ;;
test)
    install_missing "${build_packages[@]}" "${test_packages[@]}"
    build ci
    ctest --preset ci --output-on-failure -j "$(nproc)"
    ;;
*)
    echo "usage: tools/setup.sh run|test" >&2
    exit 64
    ;;
esac
