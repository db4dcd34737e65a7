#!/usr/bin/env bash
# Runs a command with TMPDIR on a fresh NTFS (ntfs-3g) or exFAT (exfat-fuse) file system:
# a sparse image file on a loop device, mounted on a temporary folder. The mount, the
# loop device and the image go away afterwards, whatever happens; when the command
# fails, the image is kept for a look at what it left.
#
#   on_loop_filesystem.sh ntfs|exfat [--size MB] -- COMMAND...
#
# Exits with the command's status, or 77 (skipped) where the file system cannot be
# mounted here: not root, no loop devices, no /dev/fuse, the tools missing.
set -euo pipefail

usage="usage: on_loop_filesystem.sh ntfs|exfat [--size MB] -- COMMAND..."
fstype=${1:?$usage}
shift
size_mb=128
while [ $# -gt 0 ] && [ "$1" != -- ]; do
    case $1 in
    --size) size_mb=$2; shift 2 ;;
    *) echo "$usage" >&2; exit 64 ;;
    esac
done
[ $# -ge 2 ] || { echo "$usage" >&2; exit 64; }
shift

skip() {
    echo "skipped: $*"
    exit 77
}

case $fstype in
ntfs) mkfs=(mkfs.ntfs -F -Q -q) mounter=(ntfs-3g) ;;
exfat) mkfs=(mkfs.exfat) mounter=(mount.exfat-fuse) ;;
*) echo "$usage" >&2; exit 64 ;;
esac

[ "$(id -u)" -eq 0 ] || skip "not root"
[ -c /dev/fuse ] || skip "no /dev/fuse"
command -v losetup >/dev/null && [ -e /dev/loop-control ] || skip "no loop devices"
command -v "${mkfs[0]}" >/dev/null || skip "${mkfs[0]} missing"
command -v "${mounter[0]}" >/dev/null || skip "${mounter[0]} missing"

image="" device="" folder="" failed=0
cleanup() {
    set +e
    if [ -n "$folder" ]; then
        # A FUSE file system may still be busy for a moment after the last process left.
        for _ in 1 2 3 4 5 6 7 8 9 10; do
            mountpoint -q "$folder" || break
            umount "$folder" 2>/dev/null && break
            sleep 1
        done
        mountpoint -q "$folder" && umount -l "$folder"
        rmdir "$folder"
    fi
    if [ -n "$device" ]; then
        for _ in 1 2 3 4 5 6 7 8 9 10; do
            losetup -d "$device" 2>/dev/null && break
            sleep 1
        done
    fi
    if [ -n "$image" ]; then
        if [ "$failed" -eq 0 ]; then
            rm -f "$image"
        else
            echo "$fstype image kept in $image (mount it to see the folders)"
        fi
    fi
}
trap cleanup EXIT
trap 'exit 130' INT TERM

image=$(mktemp "${TMPDIR:-/tmp}/tamblinor-$fstype.XXXXXX.img")
truncate -s "${size_mb}M" "$image"
device=$(losetup -f --show "$image" 2>/dev/null) || { device=""; skip "no free loop device"; }
error=$("${mkfs[@]}" "$device" 2>&1) || { echo "$error" >&2; exit 1; }
folder=$(mktemp -d "${TMPDIR:-/tmp}/tamblinor-$fstype-mount.XXXXXX")
error=$("${mounter[@]}" "$device" "$folder" 2>&1) || skip "cannot mount $fstype here ($error)"
echo "$fstype on $device, mounted on $folder"

TMPDIR=$folder "$@" && status=0 || status=$?
[ "$status" -eq 0 ] || [ "$status" -eq 77 ] || failed=1
exit "$status"
