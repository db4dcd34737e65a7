#!/usr/bin/env bash
# Takes the README's pictures of the window as it opens on a folder of generated photos,
# under a private Xvfb server: docs/window.png as it opens, and docs/window-focus.png with
# the keyboard focus moved back from Text1 to Command1 (Shift+Tab).
#
#   tools/screenshot.sh [BUILD_DIR]        (default: build/dev)
#
# Needs the tamblinor and tamblinor-make-photos targets built, and Xvfb, xdotool and
# ImageMagick's import (Debian: xvfb xdotool imagemagick).
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build/dev}" && pwd)
app=$build/app/tamblinor
make_photos=$build/tests/tamblinor-make-photos
docs=$root/docs

source "$root/tests/support/private_display.sh"
require_tools 1 Xvfb xdotool import
for program in "$app" "$make_photos"; do
    [[ -x $program ]] || { echo "screenshot: $program is not built" >&2; exit 1; }
done

# A fixed place, so the folder list looks the same in every picture.
work=${TMPDIR:-/tmp}/tamblinor-demo
rm -rf "$work"
private_display_start "$work"

photos=$work/宝宝照片
mkdir -p "$photos/2007-03" "$photos/2007-04"
"$make_photos" "$photos" --count 24 --start "2007:03:15 14:05:33" --step 5000 >/dev/null
window_start "$app" "$photos" "$work/app.log"

# Writes the window's client area to docs/NAME once it is painted.
picture() {
    sleep 1
    import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$docs/$1"
    echo "screenshot: wrote $docs/$1 (${WIDTH}x${HEIGHT})"
}

mkdir -p "$docs"
picture window.png
xdotool key shift+Tab
picture window-focus.png
