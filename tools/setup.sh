#!/usr/bin/env bash
# Installs what is missing on Debian 12, builds, then:
#   run      starts the program
#   test     runs every test, under the sanitizers too, and the Windows build's (as Windows
#            programs under wine)
#   package  makes the Debian package build/release/tamblinor_VERSION_ARCH.deb
#   windows  cross-builds for 64-bit Windows, runs its tests under wine and makes
#            build/windows/Tamblinor-VERSION-win64-setup.exe and Tamblinor-VERSION-win64.zip
# Runs as root or as a user; a user needs sudo only for installing packages.
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
               ntfs-3g exfat-fuse exfatprogs libfuse3-dev fuse3)

# The Windows build's tests and its install test run under wine, the window on Xvfb and
# looked at with ImageMagick's import.
windows_packages=(g++-mingw-w64-x86-64-posix wine wine64 nsis xvfb xauth xdotool imagemagick)

source "$here/tools/install_missing.sh"

# timed STAGE COMMAND...: runs COMMAND and says how long it took, for the stage times in
# docs/development.md.
timed() {
    local stage=$1 start=$SECONDS status=0
    shift
    "$@" || status=$?
    echo "setup: $stage took $(((SECONDS - start) / 60)) min $(((SECONDS - start) % 60)) s" >&2
    return "$status"
}

# build PRESET [TARGET...]: everything, or only the targets named.
build() {
    local preset=$1
    shift
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset" ${1:+--target "$@"}
}

# Cross-builds build/windows (the libraries it needs built once into a cache outside the
# tree, see tools/windows/deps.sh) and runs its tests as Windows programs under wine,
# among them the installer's.
build_and_test_windows() {
    timed "Windows libraries" tools/windows/deps.sh >/dev/null
    cmake --preset windows >/dev/null
    timed "Windows build" cmake --build --preset windows
    local status=0
    source tools/windows/wine-env.sh build/windows
    timed "Windows tests" ctest --preset windows -j "$(nproc)" || status=$?
    wine_env_stop
    return "$status"
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
    timed packages install_missing "${build_packages[@]}" "${test_packages[@]}" "${windows_packages[@]}"
    timed "ci build" build ci
    timed "ci tests" ctest --preset ci --output-on-failure -j "$(nproc)"
    # The same without the window under AddressSanitizer and UndefinedBehaviorSanitizer,
    # and the programs that start threads under ThreadSanitizer: a finding fails the run.
    timed "asan build" build asan
    timed "asan tests" ctest --preset asan -j "$(nproc)"
    timed "tsan build" build tsan
    timed "tsan tests" ctest --preset tsan -j "$(nproc)"
    build_and_test_windows
    ;;
package)
    install_missing "${build_packages[@]}" "${package_packages[@]}"
    build release
    cpack --preset release
    ;;
windows)
    install_missing "${build_packages[@]}" "${windows_packages[@]}"
    build_and_test_windows
    cpack --config build/windows/CPackConfig.cmake -B build/windows >/dev/null
    version=$(sed -n 's/^set(CPACK_PACKAGE_VERSION "\(.*\)")$/\1/p' build/windows/CPackConfig.cmake)
    echo "installer: build/windows/Tamblinor-$version-win64-setup.exe"
    echo "portable:  build/windows/Tamblinor-$version-win64.zip"
    ;;
*)
    echo "usage: tools/setup.sh run|test|package|windows" >&2
    exit 64
    ;;
esac
