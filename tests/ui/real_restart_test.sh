#!/usr/bin/env bash
# The real program run twice in a real X window, with its settings in a folder of the
# test's own. The first run starts above a folder of generated photos, opens it in the
# folder list, takes a birthday in the birthday box and is closed the way a window manager
# closes a window; Oskev.ini then holds the drive, the folder and the birthday. The second
# run starts in another folder that holds photos of the same names, comes up on the photo
# folder with the birthday, and the rename-all button clicked at once renames the photos
# there and nothing else.
# Exits 77 (skipped) when Xvfb or xdotool is not installed.
#
#   real_restart_test.sh TAMBLINOR MAKE_PHOTOS CLOSE_WINDOW
set -euo pipefail

app=$(realpath "$1")
make_photos=$(realpath "$2")
close_window=$(realpath "$3")

source "$(dirname "$0")/../support/private_display.sh"
require_tools 77 Xvfb xdotool
work=$(mktemp -d)
export XDG_STATE_HOME=$work/state # the journals of its runs

private_display_start "$work"

start=$work/start
photos=$start/宝宝照片
elsewhere=$work/elsewhere
config=$work/config
mkdir -p "$photos" "$elsewhere"
for folder in "$photos" "$elsewhere"; do
    "$make_photos" "$folder" --count 3 --start "2007:03:15 14:05:33" --step 60 >/dev/null
done
originals=$(ls -A "$elsewhere")

run_in() { window_start "$app" "$1" "$work/app.log"; }

# True when the program keeps nothing open in or under a folder, not even as its current
# folder: a card holding it could be taken out.
holds_nothing_in() {
    local link
    for link in "/proc/$pid/cwd" "/proc/$pid/fd/"*; do
        case $(readlink "$link") in "$1" | "$1"/*) return 1 ;; esac
    done
}

# Closes the window as a window manager would and waits for the program to end.
close_and_wait() {
    "$close_window" "$window"
    eventually eval '! kill -0 "$pid" 2>/dev/null' || fail "the program did not end on close"
    wait "$pid" || fail "the program ended with status $?"
}

# The first run. The folder list lies at (24, 100) and is 177 x 278 pixels; its entries
# fill the top of it, the folders above the start folder, the start folder, then the
# photo folder. A click below them gives it the focus, End goes to its last entry and
# Return opens it.
run_in "$start"
holds_nothing_in "$start" || fail "the first run keeps the folder it started in busy"
click_at 112 370
xdotool key --delay 50 End Return
sleep 0.5
holds_nothing_in "$photos" || fail "the photo folder shown in the folder list is kept busy"
click_at 500 305 # the birthday box
xdotool type --delay 30 "2006-05-10"
eventually grep -qx "birthday=2006-05-10" "$config/Oskev.ini" ||
    fail "the birthday was not stored as it was typed"
close_and_wait

expected_ini="[Tamblin]
CurrentDir=$photos
CurrentDrive=/
birthday=2006-05-10"
[[ $(cat "$config/Oskev.ini") == "$expected_ini" ]] || {
    echo "Oskev.ini holds:"
    cat "$config/Oskev.ini"
    fail "the settings are not those of the close"
}

# The second run, from elsewhere: straight to the rename-all button.
run_in "$elsewhere"
holds_nothing_in "$photos" || fail "the second run keeps the photo folder busy"
click_at 524 380 # the rename-all button

expected="0岁10月6天(14点05分33秒).jpg
0岁10月6天(14点06分33秒).jpg
0岁10月6天(14点07分33秒).jpg"
renamed() { [[ $(ls -A "$photos" | LC_ALL=C sort) == "$expected" ]]; }
eventually renamed || {
    echo "the photo folder holds:"
    ls -A "$photos"
    fail "the photos were not renamed"
}
[[ $(ls -A "$elsewhere") == "$originals" ]] || fail "photos of the start folder were renamed"
close_and_wait
echo "ok: the second run came back to the photo folder and the birthday and renamed there"
