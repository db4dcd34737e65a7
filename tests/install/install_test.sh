#!/usr/bin/env bash
# The Debian package as a user gets it: made by cpack from this build, unpacked into a
# throwaway root and run from there, its menu entry, icons, metainfo and manual pages
# checked; as root, also installed for real with apt-get and purged again, leaving nothing
# in /usr (a user's settings live in their home, which a package never touches).
# Exits 77 (skipped) when a tool the package or the test needs is missing.
#
#   install_test.sh CPACK BUILD_DIR MAKE_PHOTOS VERSION APPSTREAM_ID
set -euo pipefail

cpack=$1
build=$(realpath "$2")
make_photos=$(realpath "$3")
version=$4
appstream_id=$5

for tool in "$cpack" dpkg dpkg-deb dpkg-shlibdeps file man timeout; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

work=$(mktemp -d)
installed=
cleanup() {
    [[ -n $installed ]] && apt-get purge -y -qq -o DPkg::Lock::Timeout=300 tamblinor >/dev/null 2>&1
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

# The package
"$cpack" --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 ||
    { cat "$work/cpack.log"; fail "cpack could not make the package"; }
deb=$work/out/tamblinor_${version}_$(dpkg --print-architecture).deb
[[ -f $deb ]] || fail "cpack made no $(basename "$deb")"
depends=$(dpkg-deb -f "$deb" Depends)
for needed in fonts-wqy-microhei libc6 libexif12 libqt6widgets6; do
    tr ',' '\n' <<<"$depends" | awk '{print $1}' | grep -qx -- "$needed" ||
        fail "Depends lacks $needed: $depends"
done
echo "ok: $(basename "$deb"), $(stat -c %s "$deb") bytes, Depends: $depends"

# Unpacked: every file where the menu, the software centre and man look for it
root=$work/root
dpkg-deb -x "$deb" "$root"
share=$root/usr/share
for file in "$root"/usr/bin/tamblinor{,-cli} "$share/applications/tamblinor.desktop" \
    "$share/metainfo/$appstream_id.metainfo.xml" "$share"/man/man1/tamblinor{,-cli}.1.gz \
    "$share"/doc/tamblinor/{copyright,changelog.gz}; do
    [[ -f $file ]] || fail "${file#"$root"} is missing"
done
grep -qx 'Exec=tamblinor %f' "$share/applications/tamblinor.desktop" || fail "Exec lacks %f"
grep -qx 'MimeType=inode/directory;' "$share/applications/tamblinor.desktop" || fail "MimeType"
grep -qx 'Icon=tamblinor' "$share/applications/tamblinor.desktop" || fail "Icon is not tamblinor"
for size in 16 32 48 256; do
    icon=$share/icons/hicolor/${size}x$size/apps/tamblinor.png
    [[ $(file -b "$icon") == "PNG image data, $size x $size,"* ]] ||
        fail "${icon#"$root"}: $(file -b "$icon")"
done
echo "ok: programs, menu entry, icons, metainfo, manual pages and copyright in place"

if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$share/applications/tamblinor.desktop" || fail "desktop-file-validate"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$share/metainfo/$appstream_id.metainfo.xml" >"$work/as.log" ||
        { cat "$work/as.log"; fail "appstreamcli validate"; }
fi
if command -v lintian >/dev/null; then
    status=0
    lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || status=$?
    grep -v '^running with root privileges' "$work/lintian.log" || true
    [[ $status -eq 0 ]] || fail "lintian reports errors"
fi

for page in tamblinor tamblinor-cli; do
    file=$share/man/man1/$page.1.gz
    # groff's own complaints, checked the way lintian does
    warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 \
        man --warnings -E UTF-8 -l -Tutf8 -Z "$file" 2>&1 >/dev/null)
    [[ -z $warnings ]] || fail "$page.1: $warnings"
    MANWIDTH=80 man -l "$file" >"$work/$page.txt" 2>&1 || fail "man -l $page.1"
    grep -q "^EXIT STATUS\|^FILES" "$work/$page.txt" || fail "$page.1 renders without its sections"
done
echo "ok: the manual pages render"

# The programs, run from where the package put them
[[ $("$root/usr/bin/tamblinor-cli" --version) == "tamblinor-cli $version" ]] ||
    fail "tamblinor-cli --version: $("$root/usr/bin/tamblinor-cli" --version)"
photos=$work/photos
mkdir "$photos"
"$make_photos" "$photos" --count 3 --start "2007:03:15 14:05:33" --step 60 >/dev/null
report=$("$root/usr/bin/tamblinor-cli" --dry-run --birthday 2006-05-10 "$photos")
[[ $report == "IMG_0001.jpg -> 0岁10月6天(14点05分33秒).jpg
IMG_0002.jpg -> 0岁10月6天(14点06分33秒).jpg
IMG_0003.jpg -> 0岁10月6天(14点07分33秒).jpg" ]] || fail "the dry run printed: $report"
[[ $(ls "$photos") == "IMG_0001.jpg
IMG_0002.jpg
IMG_0003.jpg" ]] || fail "the dry run changed the folder"

# The window stays open until it is stopped; a missing library or plug-in ends it at once.
status=0
(cd "$photos" && HOME=$work XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen \
    timeout 5 "$root/usr/bin/tamblinor") >"$work/window.log" 2>&1 || status=$?
[[ $status -eq 124 ]] ||
    { cat "$work/window.log"; fail "the window ended with status $status before it was closed"; }
echo "ok: tamblinor-cli and the window run from the unpacked package"

# Installed for real, then purged
if [[ $(id -u) -ne 0 ]] || ! command -v apt-get >/dev/null; then
    echo "not root: the real installation is left out"
    exit 0
fi
if dpkg-query -W -f='${Status}' tamblinor 2>/dev/null | grep -q 'ok installed'; then
    echo "tamblinor is already installed on this machine: the real installation is left out"
    exit 0
fi
ours() { find /usr -xdev -iname '*tamblinor*' -print 2>/dev/null | sort; }
before=$(ours)
installed=yes
DEBIAN_FRONTEND=noninteractive apt-get install -y -o DPkg::Lock::Timeout=300 \
    "$deb" >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt-get install"; }
[[ $(tamblinor-cli --version) == "tamblinor-cli $version" ]] || fail "installed tamblinor-cli"
[[ $(command -v tamblinor) == /usr/bin/tamblinor ]] || fail "tamblinor is not on the PATH"
[[ $(man -w tamblinor-cli) == /usr/share/man/man1/tamblinor-cli.1.gz ]] ||
    fail "man does not find tamblinor-cli"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -o DPkg::Lock::Timeout=300 tamblinor \
    >"$work/apt.log" 2>&1 || { cat "$work/apt.log"; fail "apt-get purge"; }
installed=
after=$(ours)
[[ $after == "$before" ]] || fail "left in /usr after purging: $(comm -13 <(echo "$before") <(echo "$after"))"
echo "ok: installed with apt-get, run, and purged without a trace in /usr"
