#!/usr/bin/env bash
# The real program in a real X window: starts a private Xvfb, starts tamblinor in a folder
# of generated photos, types the birthday into Text1, clicks Command1, and checks the
# folder's names afterwards. As root the folder is a file system of its own, as a memory
# card is, and it must come out (unmount) while the window still shows it. Exits 77
# (skipped) when Xvfb or xdotool is not installed.
#
#   real_window_test.sh TAMBLINOR MAKE_PHOTOS
set -euo pipefail

app=$(realpath "$1")
make_photos=$(realpath "$2")

for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done

source "$(dirname "$0")/../../tools/private_display.sh"
work=$(mktemp -d)
private_display_start "$work"

photos=$work/photos
mkdir "$photos"
card=
if [[ $(id -u) == 0 ]] && mount -t tmpfs -o size=16m tamblinor-card "$photos" 2>/dev/null; then
    card=$photos
    trap 'umount "$card" 2>/dev/null || true; private_display_stop' EXIT
fi
"$make_photos" "$photos" --count 3 --start "2007:03:15 14:05:33" --step 60 >/dev/null
echo "not a photo" >"$photos/notes.txt"

# The window lists the folder it starts in. The test presets' offscreen platform is not
# wanted here, and HOME keeps any settings out of the user's own.
(cd "$photos" && QT_QPA_PLATFORM=xcb HOME=$work XDG_CONFIG_HOME=$work/config exec "$app") \
    >"$work/app.log" 2>&1 &
track $!

window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Tamblinor\(by Oskev\)$' | head -1) || true
[[ -n $window ]] || { echo "FAIL: the window did not appear"; cat "$work/app.log"; exit 1; }
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool windowfocus --sync "$window"

# Clicks the middle of a control given by its pixels in the client area.
click() { xdotool mousemove --sync $((X + $1 + $3 / 2)) $((Y + $2 + $4 / 2)) click 1; }

click 464 296 73 18   # Text1
xdotool type --delay 30 "2006-05-10"
click 488 368 73 25   # Command1

expected="0岁10月6天(14点05分33秒).jpg
0岁10月6天(14点06分33秒).jpg
0岁10月6天(14点07分33秒).jpg
notes.txt"
renamed=0
for _ in $(seq 200); do
    [[ $(ls -A "$photos" | LC_ALL=C sort) == "$expected" ]] && { renamed=1; break; }
    sleep 0.05
done
if [[ $renamed == 0 ]]; then
    echo "FAIL: the folder holds"
    ls -A "$photos"
    cat "$work/app.log"
    exit 1
fi
echo "ok: the photos were renamed"
if [[ -n $card ]]; then
    umount "$card" || { echo "FAIL: the card is kept busy by the window showing it"; exit 1; }
    echo "ok: the card came out while the window showed it"
fi
exit 0
