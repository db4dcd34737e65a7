#!/usr/bin/env bash
# Installs what is missing on Debian 12, builds, then starts the program ("run"), runs
# every test ("test"), or makes the Debian package build/release/tamblinor_VERSION_ARCH.deb
# ("package"). Runs as root or as a user; a user needs sudo only for installing packages.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"

build_packages=(build-essential cmake ninja-build pkg-config qt6-base-dev libexif-dev libcli11-dev
                libgtest-dev libgmock-dev fonts-wqy-microhei)
# cpack's Debian generator computes Depends with dpkg-shlibdeps, which needs file(1).
package_packages=(dpkg-dev file)
# The install test checks the package with these, then installs it. The crash test also
# runs on NTFS and exFAT loop images.
test_packages=(xvfb xauth xdotool libx11-dev clang libclang-rt-14-dev
               "${package_packages[@]}" lintian desktop-file-utils appstream man-db
               ntfs-3g exfat-fuse exfatprogs)

source "$here/tools/install_missing.sh"

# build PRESET [TARGET...]: everything, or only the targets named.
build() {
    local preset=$1
    shift
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" ${1:+--target "$@"}
}

case "${1:-}" in
run)
    install_missing "${build_packages[@]}"
    if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
        build dev tamblinor tamblinor-cli
        exec build/dev/app/tamblinor
    fi
    build dev tamblinor-cli tamblinor-make-photos
    demo=$(mktemp -d "${TMPDIR:-/tmp}/tamblinor-demo.XXXXXX")
    build/dev/tests/tamblinor-make-photos "$demo" --count 12 --start "2007:03:15 14:05:33" \
        --step 86400 --same-second-percent 20 >/dev/null
    echo "No display to open the window on: renaming a demonstration folder with the command line instead."
    echo "Folder: $demo, birthday 2006-05-10"
    build/dev/app/tamblinor-cli --birthday 2006-05-10 "$demo"
    ;;
test)
    # The ctest install_package makes the package from this build and installs it.
    install_missing "${build_packages[@]}" "${test_packages[@]}"
    build ci
    ctest --preset ci --output-on-failure -j "$(nproc)"
    ;;
package)
    install_missing "${build_packages[@]}" "${package_packages[@]}"
    build release
    cpack --preset release
    ;;
*)
    echo "usage: tools/setup.sh run|test|package" >&2
    exit 64
    ;;
esac
