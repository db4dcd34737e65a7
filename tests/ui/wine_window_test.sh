#!/usr/bin/env bash
# The Windows build's real window under wine's own X11 driver, in an Xvfb of its own:
# the title and the client area's size; the birthday typed and the rename-all button
# clicked rename the photos of the folder it started in; the drive list goes to C: and
# back to Z:, which still shows that folder; Alt+F4 closes it and leaves the three
# registry values; started again on C:, it comes back to the drive, the folder and the
# birthday, which a click on the rename-all button shows by renaming a photo added
# meanwhile. Optionally saves a picture of the window.
# Runs in a copy of the build's wine prefix, with a wine server of its own.
# Exits 77 (skipped) when Xvfb, xdotool or wine is not installed.
#
#   wine_window_test.sh BUILD TAMBLINOR_EXE MAKE_PHOTOS_EXE [SCREENSHOT.png]
set -euo pipefail

build=$(realpath "$1")
app=$(realpath "$2")
make_photos=$(realpath "$3")
shot=${4:+$(realpath -m "$4")}
here=$(cd "$(dirname "$0")" && pwd)

source "$here/../support/private_display.sh"
require_tools 77 Xvfb xdotool wine
# The build's prefix and its server, shared with the tests running beside this one.
set +e # the set-up script is written for interactive shells
source "$here/../../tools/windows/wine-env.sh" "$build" || exit 1
set -e
# wine's X11 driver draws the window; Qt's offscreen platform would draw nothing.
unset WINEQT_QPA_PLATFORM
work=$(mktemp -d)
private_display_start "$work"

# A prefix and a server of its own, of hard links to the build's prefix: the desktop of
# the build's server is opened by whichever program needs it first, and one that an
# offscreen test opened has no display, where no window can be made.
# Beside the build's prefix, so that the links can be made. The tests running beside this
# one make and remove folders in the prefix's temporary folder all the while, and the
# build's server saves the registry through files it renames: those come and go between
# the listing and the linking, and are left out.
prefix=$(mktemp -d "$build/wine-window.XXXXXX")
trap 'rm -rf "$prefix"; private_display_stop' EXIT
lasting() { find . \( -path './drive_c/users/*/Temp/*' -o -name 'reg*.tmp' \) -prune -o "$@" -print0; }
(cd "$WINEPREFIX" && lasting -type d | (cd "$prefix" && xargs -0 mkdir -p))
(cd "$WINEPREFIX" && lasting ! -type d | xargs -0 -r cp -a --link --parents -t "$prefix")
export WINEPREFIX=$prefix
wineserver -p </dev/null >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null || true; rm -rf "$prefix"; private_display_stop' EXIT

photos=$work/宝宝照片
mkdir "$photos"
# A Windows program is given its arguments in the ANSI code page, which has no Chinese:
# the photos are made in a folder of plain letters and moved.
make_photos_in() {
    mkdir "$work/new"
    wine "$make_photos" "$(winepath -w "$work/new")" "$@" >/dev/null
    mv "$work/new"/* "$photos"/
    rmdir "$work/new"
}
make_photos_in --count 3 --start "2007:03:15 14:05:33" --step 60

# The program started in a folder; sets pid, window and the client area's X, Y, WIDTH and
# HEIGHT (wine leaves the frame to a window manager, and there is none).
start_in() {
    (cd "$1" && exec wine "$app") >>"$work/app.log" 2>&1 &
    pid=$!
    track "$pid"
    window=$(timeout 60 xdotool search --sync --onlyvisible --name '^Tamblinor\(by Oskev\)$' |
        head -1) || true
    [[ -n $window ]] || fail "no window titled Tamblinor(by Oskev)"
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xdotool windowfocus --sync "$window"
}

close_and_wait() {
    xdotool key --window "$window" alt+F4
    eventually eval '! kill -0 "$pid" 2>/dev/null' || fail "the program did not end on Alt+F4"
    wait "$pid" || fail "the program ended with status $?"
}

expect_names() {
    renamed() { [[ $(ls -A "$photos" | LC_ALL=C sort) == "$1" ]]; }
    eventually renamed "$1" || {
        echo "the folder holds:"
        ls -A "$photos"
        fail "$2"
    }
    echo "ok: $2"
}

# Colours in a rectangle of the client area: the window's content once it is drawn.
colours_in() {
    import -window root -crop "$3x$4+$((X + $1))+$((Y + $2))" +repage "$work/part.png"
    convert "$work/part.png" -format %k info:
}

click_at() { xdotool mousemove --sync $((X + $1)) $((Y + $2)) click 1; }
click_on() { click_at $(($1 + $3 / 2)) $(($2 + $4 / 2)); }
# The drive list's drop-down: a window of its own, named after the program.
list_shown() { xdotool search --onlyvisible --name '^tamblinor$' >/dev/null; }
pick_drive() { # Home or End: the first or the last drive in the drive list
    click_on 24 72 177 23
    eventually list_shown || fail "the drive list's drop-down did not drop down"
    xdotool key --delay 50 "$1" Return
    eventually eval '! list_shown' || fail "the drive list's drop-down stayed down"
}

start_in "$photos"
[[ $WIDTH == 600 && $HEIGHT == 412 ]] || fail "client area ${WIDTH}x$HEIGHT, not 600x412"
echo "ok: the window's title and its 600x412 client area"
is_drawn() { (($(colours_in 0 0 600 48) > 50)); }
eventually is_drawn || fail "the banner is not drawn"
# The instructions, in blue and red: Chinese text, drawn only with a CJK font.
(($(colours_in 472 72 105 161) > 8)) || fail "the instructions are not drawn"
echo "ok: the banner and the instructions are drawn"

click_on 464 296 73 18 # the birthday box
xdotool type --delay 30 "2006-05-10"
click_on 488 368 73 25 # the rename-all button
expect_names "0岁10月6天(14点05分33秒).jpg
0岁10月6天(14点06分33秒).jpg
0岁10月6天(14点07分33秒).jpg" "the rename-all button renamed every photo"

# The folder list shows the picked drive's tree: C: first in the drive list, Z: last.
folder_list_is() {
    import -window root -crop "177x278+$((X + 24))+$((Y + 100))" +repage "$work/tree.png"
    local differ
    differ=$(compare -metric AE "$work/tree.png" "$work/tree-$2.png" null: 2>&1) || true
    [[ $1 == same && $differ == 0 || $1 == other && $differ != 0 ]]
}
import -window root -crop "177x278+$((X + 24))+$((Y + 100))" +repage "$work/tree-z.png"
pick_drive Home
eventually folder_list_is other z || fail "the drive list did not go to its first drive"
pick_drive End
eventually folder_list_is same z || fail "Z: did not come back to the photos' folder"
echo "ok: the drive list went to C: and back to Z:, which kept its folder"
close_and_wait

# Exported rather than queried: reg query writes in the console's code page, which has no
# Chinese, an export is UTF-16 with backslashes doubled.
wine reg export 'HKCU\Software\VB and VBA Program Settings\Oskev\Tamblin' \
    "$(winepath -w "$work/settings.reg")" /y >/dev/null
settings=$(iconv -f UTF-16 -t UTF-8 "$work/settings.reg" | tr -d '\r')
value() { sed -n "s/^\"$1\"=\"\(.*\)\"\$/\1/p" <<<"$settings" | sed 's/\\\\/\\/g'; }
folder=$(winepath -w "$photos")
[[ $(value CurrentDrive) == Z: && $(value CurrentDir) == "$folder" &&
    $(value birthday) == 2006-05-10 ]] || {
    echo "the registry holds:"
    echo "$settings"
    fail "the settings are not those of the close"
}
echo "ok: the close left Z:, the folder and the birthday in the registry"

make_photos_in --count 1 --start "2007:03:16 09:00:00"
# Made by the program's own generator, the new photo takes the first free IMG_ name.
start_in "$WINEPREFIX/drive_c"
if [[ -n $shot ]]; then
    eventually is_drawn || fail "the window is not drawn again"
    import -window root -crop "600x412+$X+$Y" +repage -depth 8 -colors 256 "PNG8:$shot"
fi
click_on 488 368 73 25 # the rename-all button
expect_names "0岁10月6天(14点05分33秒).jpg
0岁10月6天(14点06分33秒).jpg
0岁10月6天(14点07分33秒).jpg
0岁10月7天(09点00分00秒).jpg" "a restart came back to the drive, the folder and the birthday"
close_and_wait
exit 0
