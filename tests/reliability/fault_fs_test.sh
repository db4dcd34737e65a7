#!/usr/bin/env bash
# fault_fs_test.sh CLI MAKE_PHOTOS FAULT_FS: tamblinor-cli over a FUSE file system (fault_fs.c)
# that holds the photo and state folders and fails chosen operations. The program ends by
# itself with the status and message its ending calls for, loses or doubles no photo, and
# once the fault is gone (a pulled card: mounted again) a run and undoing every run give the
# camera's names back (or, after a run told it could not be journaled, its names). Exits 77
# (skipped) without root, /dev/fuse or the programs; a failure keeps the folders.
# shellcheck disable=SC2086 # $run and the arguments are words
set -uo pipefail
cli=${1:?} make_photos=${2:?} fault_fs=${3:?}
skip() { echo "skipped: $*" && exit 77; }
{ [ "$(id -u)" -eq 0 ] && [ -c /dev/fuse ]; } || skip "not root or no /dev/fuse"
{ [ -x "$cli" ] && [ -x "$make_photos" ] && [ -x "$fault_fs" ]; } || skip "programs not built"

failures=0 name="a run on the plain folder" run="--birthday 2019-06-15" told="^tamblinor-cli: "
work=$(mktemp -d "${TMPDIR:-/tmp}/tamblinor-fault-fs.XXXXXX")
card=$work/card mnt=$work/mnt faults=$work/faults photos=$work/mnt/photos
trap 'mountpoint -q "$mnt" && umount -l "$mnt"; [ "$failures" -gt 0 ] || rm -rf "$work"' EXIT
problem() { failures=$((failures + 1)) && echo "FAIL: $name: $*" >&2; }
mount_card() { "$fault_fs" "$card" "$faults" "$mnt" -s || { problem "cannot mount" && exit 1; }; }
# A FUSE file system may still be busy for a moment after the last process left.
unmount_card() {
    for _ in 1 2 3 4 5 6 7 8 9 10; do umount "$mnt" 2>/dev/null && return; sleep 0.2; done
    umount -l "$mnt"
}
# "HASH  NAME" for every file of a folder, hidden ones too.
contents() { (cd "$1" && shopt -s dotglob && sha256sum -- *); }

mkdir -p "$card" "$mnt" && : >"$faults"
"$fault_fs" "$card" "$faults" "$mnt" -s 2>/dev/null || skip "cannot mount FUSE here"; unmount_card
"$make_photos" "$work/camera" --count 12 --step 5000 --same-second-percent 25 >/dev/null
cp -a "$work/camera" "$work/renamed" # to hold the names a run gives
XDG_STATE_HOME=$work/state "$cli" $run "$work/renamed" >/dev/null || problem "it failed"
contents "$work/camera" >"$work/camera.txt" && contents "$work/renamed" >"$work/renamed.txt"
export XDG_STATE_HOME=$mnt/state

# case | first run | arguments | fault | status | message (output, grep -E) | names at the end
cases=(
    "a photo unreadable|no|$run|read EIO photos/IMG_0003.jpg|0|IMG_0003.jpg kept \\(no shooting time\\)|camera"
    "journals unreadable, undo|yes|--undo|read EIO state/*.run|1|$told.*journal|camera"
    "journals unreadable, preview|yes|--undo --dry-run|read EIO state/*.run|1|$told.*journal|camera"
    "journals unreadable, history|yes|--history|read EIO state/*.run|0|^unreadable journal |camera"
    "state folder full, run|no|$run|write ENOSPC state/*|0|${told}no journal of this run|renamed"
    "state folder full, undo|yes|--undo|write ENOSPC state/*|0|${told}no journal of this|camera"
    "card pulled while reading|no|$run|read ENODEV photos/IMG_0005.jpg pull|3|$told|camera"
    "card pulled mid-run|no|$run|rename ENODEV photos/IMG_0005.jpg pull|3|$told|camera"
    "card pulled mid-undo|yes|--undo|rename ENODEV photos/IMG_0005.jpg pull|3|$told|camera"
    "card out before a preview|no|--dry-run $run|any ENODEV *|66|${told}cannot open folder|camera"
)
for row in "${cases[@]}"; do
    IFS="|" read -r name first arguments fault want message back <<<"$row"
    echo "$name"
    rm -rf "$card" && mkdir -p "$card/state" && cp -a "$work/camera" "$card/photos"
    : >"$faults" && mount_card
    [ "$first" = no ] || "$cli" $run "$photos" >/dev/null || problem "the first run failed"
    contents "$card/photos" | cut -c1-64 | sort >"$work/before.txt"
    printf '%s\n' "$fault" >"$faults"
    "$cli" $arguments "$photos" >"$work/output" 2>&1
    status=$?; [ "$status" -eq "$want" ] || problem "status $status: $(tail -1 "$work/output")"
    grep -Eq "$message" "$work/output" || problem "no message like /$message/"
    contents "$card/photos" | cut -c1-64 | sort | cmp -s - "$work/before.txt" || problem "lost"
    : >"$faults" && unmount_card && mount_card
    "$cli" $run "$photos" >/dev/null 2>"$work/errors" || problem "next: $(cat "$work/errors")"
    for _ in 1 2 3 4 5 6 7 8; do "$cli" --undo "$photos" >/dev/null 2>"$work/errors" || break; done
    grep -q "no run to take back" "$work/errors" || problem "undoing all: $(cat "$work/errors")"
    contents "$card/photos" | cmp -s - "$work/$back.txt" || problem "not the $back names back"
    unmount_card
done
[ "$failures" -eq 0 ] || { echo "folders kept in $work" && exit 1; }
echo "every fault told, no photo lost, every folder taken back"
