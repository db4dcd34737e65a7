#!/usr/bin/env bash
# Runs tamblinor-cli over a FUSE file system (fault_fs.c) that holds both the photo folder
# and the state folder of the journals, and fails chosen operations: a photo or the
# journals that cannot be read, a full state folder, a card pulled out in the middle of a
# run. In every case the program ends by itself with the status its ending calls for and
# a message where the fault hit, no photo is lost or doubled, and once the fault is gone
# (a pulled card put back: mounted again) renaming everything and then undoing every run
# gives the camera's names back (or, where the run was told it could not be journaled, the
# names it gave).
#
#   fault_fs_test.sh CLI MAKE_PHOTOS FAULT_FS
#
# Exits 77 (skipped) without root, /dev/fuse or the programs. A failure leaves the folders
# behind.
set -uo pipefail

usage="usage: fault_fs_test.sh CLI MAKE_PHOTOS FAULT_FS"
cli=${1:?$usage} make_photos=${2:?$usage} fault_fs=${3:?$usage}
skip() {
    echo "skipped: $*"
    exit 77
}
[ "$(id -u)" -eq 0 ] || skip "not root"
[ -c /dev/fuse ] || skip "no /dev/fuse"
for program in "$cli" "$make_photos" "$fault_fs"; do
    [ -x "$program" ] || skip "$program not built"
done

birthday=2019-06-15
work=$(mktemp -d "${TMPDIR:-/tmp}/tamblinor-fault-fs.XXXXXX")
card=$work/card mnt=$work/mnt faults=$work/faults
photos=$mnt/photos
failures=0
cleanup() {
    mountpoint -q "$mnt" && { umount "$mnt" || umount -l "$mnt"; }
    if [ "$failures" -eq 0 ]; then rm -rf "$work"; else echo "folders kept in $work"; fi
}
trap cleanup EXIT

problem() {
    failures=$((failures + 1))
    echo "FAIL: $*" >&2
}

mount_card() {
    "$fault_fs" "$card" "$faults" "$mnt" -s || { problem "cannot mount the file system"; exit 1; }
}
# A FUSE file system may still be busy for a moment after the last process left.
unmount_card() {
    for _ in 1 2 3 4 5 6 7 8 9 10; do
        umount "$mnt" 2>/dev/null && return
        sleep 0.2
    done
    umount -l "$mnt"
}

# "HASH  NAME" for every file of a folder, sorted by name; hidden files included.
contents() {
    (cd "$1" && find . -mindepth 1 -maxdepth 1 -printf '%P\0' | LC_ALL=C sort -z |
        xargs -0 -r sha256sum --)
}

mkdir -p "$card" "$mnt"
: >"$faults"
"$fault_fs" "$card" "$faults" "$mnt" -s 2>/dev/null || skip "cannot mount a FUSE file system here"
unmount_card

# The camera's photos, and the names a run gives them.
"$make_photos" "$work/camera" --count 12 --step 5000 --same-second-percent 25 >/dev/null
contents "$work/camera" >"$work/camera.txt"
cp -a "$work/camera" "$work/renamed"
XDG_STATE_HOME=$work/state "$cli" --birthday "$birthday" "$work/renamed" >/dev/null ||
    problem "a run on the plain folder failed"
contents "$work/renamed" >"$work/renamed.txt"
export XDG_STATE_HOME=$mnt/state

# case | first run | arguments | fault | status | message (output, grep -E) | names at the end
run="--birthday $birthday" told="^tamblinor-cli: "
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
    failed_before=$failures
    rm -rf "$card"
    mkdir -p "$card/state"
    cp -a "$work/camera" "$card/photos"
    : >"$faults"
    mount_card
    if [ "$first" = yes ]; then
        "$cli" --birthday "$birthday" "$photos" >/dev/null || problem "$name: the first run failed"
    fi
    contents "$card/photos" | cut -c1-64 | sort >"$work/before.txt"

    printf '%s\n' "$fault" >"$faults"
    status=0
    # shellcheck disable=SC2086 # the arguments are words
    "$cli" $arguments "$photos" >"$work/output" 2>&1 || status=$?
    if [ "$status" -ge 128 ] && [ "$status" -ne 130 ] && [ "$status" -ne 143 ]; then
        problem "$name: ended by signal $((status - 128)): $(tail -1 "$work/output")"
    elif [ "$status" -ne "$want" ]; then
        problem "$name: status $status, not $want"
    fi
    grep -Eq "$message" "$work/output" || problem "$name: no message like /$message/"
    contents "$card/photos" | cut -c1-64 | sort | cmp -s - "$work/before.txt" ||
        problem "$name: a photo lost or doubled"

    : >"$faults"
    unmount_card
    mount_card
    "$cli" --birthday "$birthday" "$photos" >/dev/null 2>"$work/errors" ||
        problem "$name: the run after it failed: $(head -1 "$work/errors")"
    status=0
    for _ in 1 2 3 4 5 6 7 8; do
        "$cli" --undo "$photos" >/dev/null 2>"$work/errors" || { status=$? && break; }
    done
    if [ "$status" -ne 1 ] || ! grep -q "no run to take back" "$work/errors"; then
        problem "$name: undoing every run ended with $status: $(head -1 "$work/errors")"
    fi
    contents "$card/photos" | cmp -s - "$work/$back.txt" ||
        problem "$name: undoing every run does not give the $back names back"
    unmount_card
    [ "$failures" -gt "$failed_before" ] || echo "ok: $name"
done

[ "$failures" -eq 0 ] || exit 1
echo "every fault told, no photo lost, every folder taken back"
