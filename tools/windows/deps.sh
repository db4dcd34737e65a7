#!/usr/bin/env bash
# Builds what the Windows build links against, for 64-bit Windows with mingw-w64: libexif
# and Qt's base modules from Debian's source packages, GoogleTest from the googletest
# package. Each goes into a prefix of its own, named after the Debian source version,
#
#   ${XDG_CACHE_HOME:-$HOME/.cache}/tamblinor/windows/<package>-<version>
#
# and is built once: a prefix counts only once its stamp file (.built, written last) is
# there, so an interrupted build starts over. Prints the prefixes, one a line.
#
# The versions are those of the machine's own packages (libexif-dev, googletest,
# qt6-base-dev), so that Qt's moc, rcc and uic, which run on this machine, match the Qt
# being built. Run as root or as a user who may use sudo: only apt-get is run with sudo.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
cache=${XDG_CACHE_HOME:-$HOME/.cache}/tamblinor/windows
toolchain=$here/cmake/mingw-w64-x86_64.cmake
host=x86_64-w64-mingw32
jobs=$(nproc)

packages=(g++-mingw-w64-x86-64-posix dpkg-dev cmake ninja-build pkg-config perl
          autoconf automake libtool autopoint gettext
          libexif-dev googletest qt6-base-dev qt6-base-dev-tools)

say() { echo "deps: $*" >&2; }

source "$(dirname "${BASH_SOURCE[0]}")/../install_missing.sh"

source_version() {
    dpkg-query -W -f='${source:Version}' "$1"
}

# A private apt set-up that knows Debian's source packages: the machine's own sources,
# Debian's archives only, turned into deb-src entries. The machine's apt configuration,
# lists and caches are left alone, so neither root nor sudo is needed for it.
apt_dir=$cache/apt
apt_options=(-o "Dir::Etc::sourcelist=$apt_dir/sources.list"
             -o "Dir::Etc::sourceparts=$apt_dir/sources.list.d"
             -o "Dir::State::Lists=$apt_dir/lists"
             -o "Dir::Cache=$apt_dir/cache")
# As root apt would hand downloads to its _apt user, who may not enter a home folder.
[ "$(id -u)" -eq 0 ] && apt_options+=(-o APT::Sandbox::User=root)
apt_ready=

private_apt_update() {
    if [ -z "$apt_ready" ]; then
        rm -rf "$apt_dir"
        mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
        if [ -f /etc/apt/sources.list ]; then
            sed -n -E 's/^[[:space:]]*deb[[:space:]]+(.*debian\.org.*)/deb-src \1/p' \
                /etc/apt/sources.list >"$apt_dir/sources.list"
        else
            : >"$apt_dir/sources.list"
        fi
        local file
        for file in /etc/apt/sources.list.d/*.list; do
            [ -f "$file" ] || continue
            sed -n -E 's/^[[:space:]]*deb[[:space:]]+(.*debian\.org.*)/deb-src \1/p' "$file" \
                >"$apt_dir/sources.list.d/$(basename "$file")"
        done
        for file in /etc/apt/sources.list.d/*.sources; do
            [ -f "$file" ] || continue
            # One stanza a paragraph: keep Debian's, and make each a source entry.
            awk -v RS= -v ORS='\n\n' '/debian\.org|debian-archive-keyring/ {
                    sub(/(^|\n)Types:[^\n]*/, "\nTypes: deb-src"); sub(/^\n/, ""); print }' \
                "$file" >"$apt_dir/sources.list.d/$(basename "$file")"
        done
        say "reading Debian's source index"
        apt-get "${apt_options[@]}" -qq update >&2
        apt_ready=1
    fi
}

# fetch PACKAGE VERSION DIR: Debian's source unpacked, with Debian's patches, in DIR.
fetch() {
    local package=$1 version=$2 dir=$3
    private_apt_update
    mkdir -p "$dir/download"
    (cd "$dir/download" && apt-get "${apt_options[@]}" -qq --download-only source "$package=$version" >&2)
    # 3.0 (quilt) sources: unpacking applies debian/patches/series.
    dpkg-source --no-check -x "$dir/download/"*.dsc "$dir/src" >&2
    rm -rf "$dir/download"
}

# A DLL, as on Linux: Tamblinor is not free software, so an LGPL library it ships must stay
# replaceable by the user.
build_libexif() {
    local work=$1 prefix=$2
    fetch libexif "$3" "$work"
    (cd "$work/src" && autoreconf -fi) >&2
    mkdir -p "$work/build"
    (
        cd "$work/build"
        "$work/src/configure" --host=$host --prefix="$prefix" --disable-nls --disable-docs \
            --enable-shared --disable-static CC=$host-gcc-posix
        nice make -j"$jobs"
        make install
    ) >&2
}

build_googletest() {
    local work=$1 prefix=$2
    # Without C++20 here, tests built as C++20 do not link against it.
    cmake -S /usr/src/googletest -B "$work/build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DTAMBLINOR_WINDOWS_PREFIXES= \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DCMAKE_CXX_STANDARD=20 -DCMAKE_CXX_STANDARD_REQUIRED=ON >&2
    nice cmake --build "$work/build" -j "$jobs" >&2
    cmake --install "$work/build" >&2
}

build_qt6_base() {
    local work=$1 prefix=$2 multiarch
    fetch qt6-base "$3" "$work"
    multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
    # Core, Gui, Widgets and Test; the windows and offscreen platforms; PNG, JPEG (the
    # banner) and ICO; of the widgets, dialogs and text formats only those the window and
    # its tests use. Optimised for size, as Qt's own -optimize-size: smaller DLLs, and far
    # less to compile than at -O3. Debian's source lacks the Wintab headers, hence no
    # tablet events. OpenGL is off by its input as well as its features. DirectWrite 3 is
    # only there with Direct2D. The offscreen platform draws text with FreeType, so the
    # bundled one is built. XPM images stay, as drag and drop needs them; so do graphics
    # view, the input dialog and the table view, without which Qt 6.4 does not build.
    local features=(
        -DFEATURE_concurrent=OFF -DFEATURE_dbus=OFF -DFEATURE_network=OFF
        -DFEATURE_printsupport=OFF -DFEATURE_sql=OFF -DFEATURE_xml=OFF
        -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_vulkan=OFF
        -DFEATURE_direct2d=OFF -DFEATURE_directwrite3=OFF
        -DFEATURE_tabletevent=OFF
        -DFEATURE_freetype=ON -DFEATURE_system_freetype=OFF
        -DFEATURE_system_zlib=OFF -DFEATURE_system_png=OFF -DFEATURE_system_jpeg=OFF
        -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_pcre2=OFF
        -DFEATURE_gif=OFF -DFEATURE_ico=ON -DFEATURE_jpeg=ON -DFEATURE_png=ON
        -DFEATURE_sql=OFF -DFEATURE_icu=OFF -DFEATURE_zstd=OFF
        -DFEATURE_optimize_size=ON
    )
    local unused=(
        calendarwidget colordialog columnview datawidgetmapper datetimeedit dial dockwidget
        errormessage filedialog fontcombobox fontdialog fscompleter graphicseffect
        keysequenceedit lcdnumber mdiarea splashscreen
        syntaxhighlighter tablewidget textbrowser toolbox undoview wizard
        imageformat_bmp imageformat_ppm imageformat_xbm movie pdf
        sessionmanager systemtrayicon textmarkdownreader textmarkdownwriter textodfwriter
        undocommand undogroup undostack
        filesystemwatcher sharedmemory systemsemaphore
    )
    local feature
    for feature in "${unused[@]}"; do
        features+=("-DFEATURE_$feature=OFF")
    done
    cmake -S "$work/src" -B "$work/build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DTAMBLINOR_WINDOWS_PREFIXES= \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR="/usr/lib/$multiarch/cmake" \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
        "${features[@]}" >&2
    # A feature turned off takes those that need it along without a word.
    for feature in draganddrop accessibility clipboard shortcut contextmenu; do
        grep -q "QT_FEATURE_$feature 1" "$work/build/src/"*/qt*-config.h ||
            { say "Qt for Windows would lack $feature"; return 1; }
    done
    nice cmake --build "$work/build" -j "$jobs" >&2
    cmake --install "$work/build" >&2

    # Qt 6.4 makes this imported target under a guard that holds for one folder only; a
    # project that looks for Qt in two folders then fails to configure ("another target
    # with the same name already exists").
    local entry=$prefix/lib/cmake/Qt6EntryPointPrivate/Qt6EntryPointMinGW32Target.cmake
    sed -i 's/^include_guard()$/if(TARGET EntryPointMinGW32)\n    return()\nendif()/' "$entry"
    grep -q '^if(TARGET EntryPointMinGW32)' "$entry"
}

# ensure PACKAGE VERSION: the prefix of PACKAGE at VERSION, built unless it is already.
# Raised when a package's build below changes, so that caches built the old way are redone.
declare -A recipes=([libexif]=2 [googletest]=1 [qt6-base]=2)

ensure() {
    local package=$1 version=$2
    local name=$package-${version//:/_}
    local prefix=$cache/$name work=$cache/work/$name
    # A stamp without a recipe line is of recipe 1; a prefix of an older recipe is rebuilt.
    local built=0
    [ -f "$prefix/.built" ] && built=$(sed -n 's/^recipe //p' "$prefix/.built") && built=${built:-1}
    if [ "$built" != "${recipes[$package]}" ]; then
        say "building $name (log on stderr)"
        local start=$SECONDS
        rm -rf "$prefix" "$work"
        mkdir -p "$work"
        "build_${package//-/_}" "$work" "$prefix" "$version"
        rm -rf "$work"
        printf 'recipe %s\n%s\n' "${recipes[$package]}" "$(date -u +%FT%TZ)" >"$prefix/.built"
        say "built $name in $(((SECONDS - start) / 60)) min $(((SECONDS - start) % 60)) s"
    fi
    echo "$prefix"
}

install_missing "${packages[@]}"
mkdir -p "$cache"
# Two runs at once would build into the same folders: the second waits for the first.
exec 9>"$cache/.lock"
flock -n 9 || { say "waiting for another run to finish"; flock 9; }
ensure libexif "$(source_version libexif-dev)"
ensure googletest "$(source_version googletest)"
ensure qt6-base "$(source_version qt6-base-dev)"
rmdir "$cache/work" 2>/dev/null || true
