#!/usr/bin/env bash
# Takes a picture of the window as it opens on a folder of generated photos, under a
# private Xvfb server, and writes it to docs/window.png.
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
out=$root/docs/window.png

for tool in Xvfb xdotool import; do
    command -v "$tool" >/dev/null || { echo "screenshot: $tool is not installed" >&2; exit 1; }
done
for program in "$app" "$make_photos"; do
    [[ -x $program ]] || { echo "screenshot: $program is not built" >&2; exit 1; }
done

# A fixed place, so the folder list looks the same in every picture.
work=${TMPDIR:-/tmp}/tamblinor-demo
rm -rf "$work"
source "$root/tools/private_display.sh"
private_display_start "$work"

photos=$work/宝宝照片
mkdir -p "$photos/2007-03" "$photos/2007-04"
"$make_photos" "$photos" --count 24 --start "2007:03:15 14:05:33" --step 5000 >/dev/null
# The window lists the folder it starts in. HOME keeps its settings out of the user's own.
(cd "$photos" && QT_QPA_PLATFORM=xcb HOME=$work XDG_CONFIG_HOME=$work/config exec "$app") &
track $!

window=$(xdotool search --sync --onlyvisible --name '^Tamblinor\(by Oskev\)$' | head -1)
sleep 1 # let the first paint finish
eval "$(xdotool getwindowgeometry --shell "$window")"
mkdir -p "$(dirname "$out")"
import -window root -crop "${WIDTH}x${HEIGHT}+${X}+${Y}" +repage "$out"
echo "screenshot: wrote $out (${WIDTH}x${HEIGHT})"
