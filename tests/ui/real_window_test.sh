#!/usr/bin/env bash
# The real program in a real X window, driven as a user drives it: starts a private Xvfb,
# starts tamblinor on a folder of generated photos named on its command line, selects the first photo in the file
# list, then by keyboard alone goes on to the birthday box, types the birthday, goes on to
# the rename-selected button and presses Enter, and checks that only that photo was
# renamed; then clicks the rename-all button and checks that every photo was, and undoes
that run with Ctrl+Z and Enter. As root the
# folder is a file system of its own, as a memory card is, and it must come out (unmount)
# while the window still shows it. Exits 77 (skipped) when Xvfb or xdotool is not
# installed.
#
#   real_window_test.sh TAMBLINOR MAKE_PHOTOS
set -euo pipefail

app=$(realpath "$1")
make_photos=$(realpath "$2")

source "$(dirname "$0")/../support/private_display.sh"
require_tools 77 Xvfb xdotool
work=$(mktemp -d)
export XDG_STATE_HOME=$work/state # the journals of its runs
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

window_start "$app" "$work" "$work/app.log" "$photos"

# Waits up to ten seconds for the folder to hold exactly these names.
expect_names() {
    for _ in $(seq 200); do
        [[ $(ls -A "$photos" | LC_ALL=C sort) == "$1" ]] && { echo "ok: $2"; return 0; }
        sleep 0.05
    done
    echo "FAIL: $2; the folder holds"
    ls -A "$photos"
    cat "$work/app.log"
    exit 1
}

# The file list is 233 pixels wide at (208, 72); its first row lies in the top 20 pixels.
# Tab goes from the file list to the rename-all button, then the birthday box, then the
# rename-selected button.
click_on 208 72 233 20
xdotool key --delay 50 Tab Tab
xdotool type --delay 30 "2006-05-10"
xdotool key --delay 50 Tab Return
expect_names "0岁10月6天(14点05分33秒).jpg
IMG_0002.jpg
IMG_0003.jpg
notes.txt" "Enter on the rename-selected button renamed the selected photo"

click_on 488 368 73 25 # the rename-all button
expect_names "0岁10月6天(14点05分33秒).jpg
0岁10月6天(14点06分33秒).jpg
0岁10月6天(14点07分33秒).jpg
notes.txt" "the rename-all button renamed every photo"
xdotool key ctrl+z
eventually xdotool search --onlyvisible --name '^Tamblinor$' >/dev/null || fail "no question"
xdotool key Return
expect_names "0岁10月6天(14点05分33秒).jpg
IMG_0002.jpg
IMG_0003.jpg
notes.txt" "Ctrl+Z and Enter undid the last run"
if [[ -n $card ]]; then
    umount "$card" || { echo "FAIL: the card is kept busy by the window showing it"; exit 1; }
    echo "ok: the card came out while the window showed it"
fi
exit 0
