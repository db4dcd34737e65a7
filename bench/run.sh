#!/usr/bin/env bash
# Times a batch rename of a folder of camera-sized photos by tamblinor-cli, by the tools a
# user would otherwise pick (exiftool, jhead, exiv2) and by a floor (floor.c: only the
# system calls such a run needs), side by side, with hyperfine, on identical copies of
# one generated folder, warm (photos in the page cache) and cold (their pages dropped
# before each run). After each run it checks that no photo was lost and that each has
# the expected name. Then it prints medians, ratios to the floor and to each peer, and
# the bytes and system calls per photo seen by strace.
#
#   bench/run.sh [--counts "1000 10000"] [--modes "warm cold"]
#                [--tools "tamblinor floor exiv2 jhead exiftool"] [--runs N] [--slow-runs N]
#                [--large-photos] [--no-strace] [--strace-only] [--build DIR] [--work DIR]
#                [--keep] [--slow-card IOPS] [--mixed] [--media-strace]
#
# Tools besides those five: tamblinor-again, tamblinor run over a folder it has named
# already (each copy is named once, untimed, before the cache is dropped); tamblinor-more,
# the same with the last 100 photos (in list order) added after that naming, new to the
# run, and its floor rerun-floor (bench/rerun_floor.c: the listing, the status of every
# photo and one 4 KiB read of each new one) over the same folder; with
# --slow-card, window: the window (tamblinor-bench-window-stall, so --build must point
# at a build with the window) renaming the folder on a click of Command1, which prints
# the longest the window went without answering during the run.
#
# --slow-card IOPS: the photos live on a slow memory card instead, an ext4 image on a
# loop device whose reads are throttled to IOPS a second by the cgroup v1 blkio
# controller (500 is a fair SD card in a USB reader); every timed process is moved into
# that cgroup before it starts, and the card is unmounted and mounted afresh before each
# run, so every run is cold. The card is mounted in a mount namespace of the script's
# own (unshare), where no other program's namespace can copy it and keep its caches.
# Photos of about 300 KB (only their heads are read). Needs root; the mount, the loop
# device and the cgroup are removed at the end, also on a failure; the image stays in the
# work folder with its photos for the next run. Default tools "tamblinor floor
# tamblinor-again", mode cold, no strace.
#
# --mixed: a phone's folder instead, of every 10 files 7 JPEG photos, 2 HEIC photos and an
# MP4 video of 2 MB whose movie box lies at its end (tamblinor-make-photos --mixed; the
# video's media data is a hole in the file); tamblinor runs with --all-media and the floor
# with --mixed (one 4 KiB read per photo, two per video: its head and its movie box).
# Target on the slow card: 1.1x the floor.
#
# --media-strace: only the bytes and reads that finding one file's shooting time costs
# tamblinor-cli --all-media --dry-run, by strace, for a 100 MB MP4 and a 100 MB MOV made by
# ffmpeg (the movie box at the end, where ffmpeg leaves it) and a HEIC photo made by
# heif-enc from a generated photo, each alone in its folder. Needs ffmpeg and heif-enc
# (libheif-examples).
#
# Needs: a Release build of the project (default build/bench beside this folder's parent,
# configured and built by this script with TAMBLINOR_BUILD_BENCHMARKS=ON),
# hyperfine, strace, cjpeg (libjpeg-turbo-progs), a C compiler, and the peers
# (libimage-exiftool-perl, jhead, exiv2); a missing peer is left out with a warning.
#
# Photos: about 3 MB each (real JPEG scan data after the generator's Exif header) for
# counts up to 1000; about 1 MB above that unless --large-photos, so that a warm run of
# a tool that reads whole files (jhead) still finds them all in the page cache.
# Everything generated lives in the work folder (default bench/work, ignored by git);
# the run folders are removed at the end unless --keep, the generated photos are kept
# for the next run (delete the work folder to reclaim the space).

set -euo pipefail
export LC_ALL=C

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)

build="$root/build/bench"
work="$here/work"
counts="1000 10000"
modes=""
tools=""
runs=""
slow_runs=3
card_iops=""
card_width=800 card_height=530 # the card's photos: about 300 KB each
large=0
do_strace=1
do_time=1
keep=0
birthday=2019-06-15
same_second_percent=5
mixed=0
media_strace=0

# ----------------------------------------------------------------------------------
# Internal entry points, called by hyperfine's --prepare.

# check TOOL PRISTINE RUNDIR: the run folder holds exactly the pristine folder's files
# (by inode: none lost, none doubled, nothing added) under the names TOOL gives.
check() {
    local tool=$1 pristine=$2 dir=$3
    local got
    got=$(find "$dir" -mindepth 1 -maxdepth 1 -printf '%i\t%f\n' | sort)
    if ! cmp -s <(cut -f1 <<<"$got" | sort) "$pristine.inodes"; then
        echo "check $tool: the files of $dir are not those of $pristine" \
             "($(wc -l <<<"$got") entries, $(wc -l <"$pristine.inodes") photos)" >&2
        return 1
    fi
    local pattern
    case $tool in
        tamblinor|tamblinor-again|tamblinor-more|window)
            if ! cmp -s <(cat <<<"$got") "$pristine.expected"; then
                echo "check tamblinor: names differ from the dry run's:" >&2
                diff <(cat <<<"$got") "$pristine.expected" | head -5 >&2
                return 1
            fi
            return 0 ;;
        floor)    pattern='^[0-9]{8}_[0-9]{6}[b-z]?\.jpg$'
                  [[ -z ${BENCH_MEDIA:-} ]] || pattern='^[0-9]{8}_[0-9]{6}[b-z]?\.(jpg|heic|mp4)$' ;;
        rerun-floor) return 0 ;; # renames nothing
        exiftool) pattern='^[0-9]{8}_[0-9]{6}(-[0-9]+)?\.jpg$' ;;
        exiv2)    pattern='^[0-9]{8}_[0-9]{6}(_[0-9]+)?\.jpg$' ;;
        jhead)    pattern='^[0-9]{8}-[0-9]{6}[a-z]?\.jpg$' ;;
        *) echo "check: unknown tool $tool" >&2; return 1 ;;
    esac
    local bad
    bad=$(cut -f2 <<<"$got" | grep -Ev "$pattern" || true)
    if [[ -n $bad ]]; then
        echo "check $tool: unexpected names: $(head -3 <<<"$bad" | tr '\n' ' ')" >&2
        return 1
    fi
}

# remount MOUNTPOINT: the card taken out and put back: every page, inode and directory
# entry of its file system leaves the caches, so the next run reads them from the card.
remount() {
    local mnt=$1 device
    device=$(findmnt -no SOURCE --mountpoint "$mnt")
    umount "$mnt"
    blockdev --flushbufs "$device"
    mount "$device" "$mnt"
}

# prepare MODE TOOL PRISTINE RUNDIR EVICT: checks what the previous run left, then lays
# a fresh copy of the pristine folder (hard links: the same files, new names), flushes
# the copy's metadata and, when cold, drops the photos' pages from the page cache; on
# the slow card (EVICT "remount"), every cache of the card. For tamblinor-again the copy
# is named first, as tamblinor-cli $BENCH_CLI would name it for $BENCH_BIRTHDAY (with
# $BENCH_MEDIA, --all-media for a phone's folder).
prepare() {
    local mode=$1 tool=$2 pristine=$3 dir=$4 evict=$5
    if [[ -f $dir.tool ]]; then
        check "$(cat "$dir.tool")" "$pristine" "$dir" || exit 1
    fi
    rm -rf "$dir"
    cp -al "$pristine" "$dir"
    echo "$tool" >"$dir.tool"
    if [[ $tool == tamblinor-again ]]; then
        "$BENCH_CLI" ${BENCH_MEDIA:-} --birthday "$BENCH_BIRTHDAY" "$dir" >/dev/null
    elif [[ $tool == tamblinor-more || $tool == rerun-floor ]]; then
        # The last 100 photos wait outside while the others are named.
        rm -rf "$dir.new"; mkdir "$dir.new"
        find "$dir" -mindepth 1 -maxdepth 1 -printf '%f\n' | sort -V | tail -n 100 \
            | while read -r name; do mv "$dir/$name" "$dir.new/"; done
        "$BENCH_CLI" ${BENCH_MEDIA:-} --birthday "$BENCH_BIRTHDAY" "$dir" >/dev/null
        mv "$dir.new"/* "$dir/"; rmdir "$dir.new"
    fi
    sync -f "$dir"
    if [[ $evict == remount ]]; then
        remount "$(dirname "$dir")"
    elif [[ $mode == cold ]]; then
        "$evict" "$dir"
    fi
}

if [[ ${1:-} == --internal-prepare ]]; then
    shift
    prepare "$@"
    exit 0
fi

# ----------------------------------------------------------------------------------

usage() { sed -n '2,/^$/p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2; exit 64; }

arguments=("$@")
while [[ $# -gt 0 ]]; do
    case $1 in
        --counts) counts=$2; shift 2 ;;
        --modes) modes=$2; shift 2 ;;
        --tools) tools=$2; shift 2 ;;
        --runs) runs=$2; shift 2 ;;
        --slow-runs) slow_runs=$2; shift 2 ;;
        --large-photos) large=1; shift ;;
        --no-strace) do_strace=0; shift ;;
        --strace-only) do_time=0; shift ;;
        --build) build=$(cd "$2" && pwd); shift 2 ;;
        --work) mkdir -p "$2"; work=$(cd "$2" && pwd); shift 2 ;;
        --keep) keep=1; shift ;;
        --slow-card) card_iops=$2; shift 2 ;;
        --mixed) mixed=1; shift ;;
        --media-strace) media_strace=1; do_time=0; do_strace=0; shift ;;
        -h|--help) usage ;;
        *) echo "unknown option $1" >&2; usage ;;
    esac
done

say() { printf '%s\n' "$*" >&2; }
die() { say "run.sh: $*"; exit 1; }

if [[ -n $card_iops ]]; then
    [[ $card_iops =~ ^[1-9][0-9]*$ ]] || die "--slow-card takes a number of reads a second"
    if [[ $(id -u) != 0 ]]; then
        say "run.sh --slow-card needs root (a loop device, a mount and a blkio cgroup): nothing done"
        exit 0
    fi
    [[ -f /sys/fs/cgroup/blkio/blkio.throttle.read_iops_device ]] \
        || die "--slow-card needs the cgroup v1 blkio controller at /sys/fs/cgroup/blkio"
    # The card is mounted in a mount namespace of the script's own. Mounted in the
    # machine's, it is copied into every mount namespace another program makes meanwhile
    # (a sandbox, a test run under unshare), and such a copy keeps the card's file system
    # and its caches alive across the unmount before a run: that run is then warm.
    if [[ -z ${BENCH_CARD_NAMESPACE:-} ]]; then
        BENCH_CARD_NAMESPACE=1 exec unshare --mount --propagation private \
            "${BASH_SOURCE[0]}" "${arguments[@]}"
    fi
    [[ -z $modes || $modes == cold ]] || die "--slow-card runs are cold: no --modes but cold"
    modes=cold
    tools=${tools:-tamblinor floor tamblinor-again}
    do_strace=0
fi
[[ $media_strace == 0 ]] || tools=${tools:-tamblinor} # the report runs tamblinor alone
modes=${modes:-warm cold}
tools=${tools:-tamblinor floor exiv2 jhead exiftool}

cli="$build/app/tamblinor-cli"
maker="$build/tests/tamblinor-make-photos"
# The default build is this script's own: configured and brought up to date here.
if [[ $build == "$root/build/bench" ]]; then
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAMBLINOR_BUILD_GUI=OFF \
        -DTAMBLINOR_BUILD_BENCHMARKS=ON >/dev/null || die "cannot configure $build"
    cmake --build "$build" --target tamblinor-cli tamblinor-make-photos tamblinor-bench-floor \
        tamblinor-bench-evict tamblinor-bench-rerun-floor >/dev/null || die "cannot build $build"
fi
[[ -x $cli ]] || die "no $cli: build the project first (see the head of this script)"
[[ -x $maker ]] || die "no $maker: build with TAMBLINOR_BUILD_TESTS=ON"
for needed in hyperfine cjpeg; do
    command -v "$needed" >/dev/null || die "$needed is missing (apt-get install hyperfine libjpeg-turbo-progs)"
done
if [[ $do_strace == 1 ]] && ! command -v strace >/dev/null; then
    die "strace is missing (apt-get install strace), or pass --no-strace"
fi

mkdir -p "$work/bin"
# tamblinor's runs keep their journals here, not in the user's state folder; a run on the
# same folder path adds one each time, and the folder keeps the last 100.
export XDG_STATE_HOME="$work/state"
# What prepare needs to name a copy before tamblinor-again runs over it.
export BENCH_CLI="$cli" BENCH_BIRTHDAY="$birthday"
# What a phone's folder takes: tamblinor's option, the generator's and the floor's, and
# the suffix of its folder's name.
media="" mixed_option="" folder_kind=""
if [[ $mixed == 1 ]]; then
    media=--all-media mixed_option=--mixed folder_kind=-mixed
fi
export BENCH_MEDIA="$media"

# The floor and the cache dropper: from the build when it has them, else compiled here.
tool_binary() {
    local name=$1 source=$2
    if [[ -x $build/bench/$name ]]; then
        echo "$build/bench/$name"
        return
    fi
    local out="$work/bin/$name"
    if [[ ! -x $out || $source -nt $out ]]; then
        ${CC:-cc} -O2 -Wall -Wextra -o "$out" "$source" || die "cannot compile $source"
    fi
    echo "$out"
}
floor=$(tool_binary tamblinor-bench-floor "$here/floor.c")
evict=$(tool_binary tamblinor-bench-evict "$here/evict.c")
rerun_floor=$(tool_binary tamblinor-bench-rerun-floor "$here/rerun_floor.c")

selected=()
for tool in $tools; do
    case $tool in
        tamblinor|floor|tamblinor-again|tamblinor-more|rerun-floor) selected+=("$tool") ;;
        window)
            [[ -n $card_iops ]] || die "the window is timed on the slow card only (--slow-card)"
            stall="$build/bench/tamblinor-bench-window-stall"
            [[ -x $stall ]] || die "no $stall: pass --build with a build of the window and bench/"
            selected+=("$tool") ;;
        exiftool|jhead|exiv2)
            [[ $mixed == 0 ]] || die "$tool renames JPEG photos only: not with --mixed"
            if command -v "$tool" >/dev/null; then
                selected+=("$tool")
            else
                say "warning: $tool is not installed, left out (apt-get install libimage-exiftool-perl jhead exiv2)"
            fi ;;
        *) die "unknown tool $tool" ;;
    esac
done

# The command each tool is timed with, on folder $1 (already shell-quoted).
command_for() {
    local tool=$1 dir=$2
    case $tool in
        tamblinor|tamblinor-again|tamblinor-more) echo "$(printf %q "$cli") ${media:+$media }--birthday $birthday $dir" ;;
        floor)     echo "$(printf %q "$floor") ${mixed_option:+$mixed_option }$dir" ;;
        rerun-floor) echo "$(printf %q "$rerun_floor") $dir" ;;
        exiftool)  echo "exiftool '-FileName<DateTimeOriginal' -d '%Y%m%d_%H%M%S%%-c.%%e' $dir" ;;
        jhead)     echo "jhead -n%Y%m%d-%H%M%S $dir/*.jpg" ;;
        exiv2)     echo "exiv2 -F -r '%Y%m%d_%H%M%S' rename $dir/*.jpg" ;;
    esac
}

# ----------------------------------------------------------------------------------
# The slow card

photos_root=$work
if [[ -n $card_iops ]]; then
    # Room for each count's photos once (the runs' copies are hard links), and a margin.
    card_mb=$(( $(awk '{ for (i = 1; i <= NF; ++i) s += $i } END { print s }' <<<"$counts") * 400 / 1024 + 512 ))
    card_image="$work/card.img"
    if [[ -f $card_image && $(stat -c %s "$card_image") -lt $((card_mb << 20)) ]]; then
        say "the card image is too small for these counts: made anew"
        rm -f "$card_image"
    fi
    if [[ ! -f $card_image ]]; then
        truncate -s "${card_mb}M" "$card_image"
        # Inode tables and journal written now, not in the background during the runs.
        mkfs.ext4 -q -F -E lazy_itable_init=0,lazy_journal_init=0 "$card_image" \
            || die "cannot make a file system on $card_image"
    fi
    card_mount="$work/card"
    card_cgroup=/sys/fs/cgroup/blkio/tamblinor-bench-card-$$
    card_loop=""
    card_cleanup() {
        if [[ -d $card_cgroup ]]; then
            # A timed process left by an interrupted run goes back to the root group first.
            local pid
            while read -r pid; do
                echo "$pid" >/sys/fs/cgroup/blkio/cgroup.procs || true
            done <"$card_cgroup/cgroup.procs"
            rmdir "$card_cgroup" || say "warning: cannot remove the cgroup $card_cgroup"
        fi
        if mountpoint -q "$card_mount"; then
            umount "$card_mount" || umount -l "$card_mount" || say "warning: cannot unmount $card_mount"
        fi
        if [[ -n $card_loop ]]; then
            losetup -d "$card_loop" || say "warning: cannot detach $card_loop"
        fi
    }
    trap card_cleanup EXIT
    trap 'exit 130' INT TERM
    card_loop=$(losetup --find --show "$card_image") || die "no free loop device"
    mkdir -p "$card_mount"
    mount "$card_loop" "$card_mount" || die "cannot mount $card_loop"
    mkdir "$card_cgroup"
    echo "$(lsblk -dno MAJ:MIN "$card_loop" | tr -d ' ') $card_iops" \
        >"$card_cgroup/blkio.throttle.read_iops_device"
    photos_root=$card_mount
    say "slow card: $card_image on $card_loop at $card_mount, reads throttled to $card_iops a second (cgroup $card_cgroup)"
fi

# card_reads: the reads from the card that passed the throttle since the cgroup was made
# (blkio.reset_stats leaves the throttle's counts alone), of every run timed in it.
card_reads() {
    awk -v dev="$(lsblk -dno MAJ:MIN "$card_loop" | tr -d ' ')" \
        '$1 == dev && $2 == "Read" { n = $3 } END { print n + 0 }' "$card_cgroup/blkio.throttle.io_serviced"
}

# in_card_group COMMAND: COMMAND as a shell command line that first moves its shell into
# the card's cgroup and then becomes the command, so the whole timed process is throttled;
# COMMAND itself when there is no card.
in_card_group() {
    if [[ -n $card_iops ]]; then
        echo "echo \$\$ >$(printf %q "$card_cgroup/cgroup.procs") && exec $1"
    else
        echo "$1"
    fi
}

# ----------------------------------------------------------------------------------
# Photos

# scan_image NAME WIDTH HEIGHT: a real baseline JPEG (noise, quality 85) whose tables,
# frame and scan the generator splices after its Exif header.
scan_image() {
    local out="$work/$1"
    if [[ ! -s $out ]]; then
        local w=$2 h=$3
        { printf 'P6\n%d %d\n255\n' "$w" "$h"; head -c $((w * h * 3)) /dev/urandom; } \
            | cjpeg -quality 85 >"$out.tmp"
        mv "$out.tmp" "$out"
    fi
    echo "$out"
}

# pristine N: the generated folder of N photos, made once; beside it its sorted inode
# list and the names tamblinor must give (inode TAB name, from a dry run).
pristine() {
    local n=$1 size image
    if [[ -n $card_iops ]]; then
        size=300kb; image=$(scan_image scan-300kb.jpg "$card_width" "$card_height")
    elif [[ $large == 1 || $n -le 1000 ]]; then
        size=3mb; image=$(scan_image scan-3mb.jpg 2400 1600)
    else
        size=1mb; image=$(scan_image scan-1mb.jpg 1400 930)
    fi
    local dir="$photos_root/photos-$n-$size$folder_kind"
    if [[ ! -f $dir.done ]]; then
        say "generating $n photos of about $size in $dir ..."
        rm -rf "$dir"
        "$maker" "$dir" --count "$n" --same-second-percent "$same_second_percent" --image "$image" \
            $mixed_option
        find "$dir" -mindepth 1 -maxdepth 1 -printf '%i\n' | sort >"$dir.inodes"
        # OLD -> NEW per photo, from a dry run, joined to the inodes by the old name.
        "$cli" $media --birthday "$birthday" --dry-run "$dir" \
            | awk -F' -> ' 'NF == 2 { print $1 "\t" $2 }' | sort >"$dir.dry"
        find "$dir" -mindepth 1 -maxdepth 1 -printf '%f\t%i\n' | sort >"$dir.names"
        join -t $'\t' "$dir.names" "$dir.dry" | awk -F'\t' '{ print $2 "\t" $3 }' | sort >"$dir.expected"
        [[ $(wc -l <"$dir.expected") == "$n" ]] || die "the dry run did not name all $n photos"
        sync -f "$dir"
        touch "$dir.done"
    fi
    echo "$dir"
}

# ----------------------------------------------------------------------------------
# Timing

results="$work/results${card_iops:+-card}$folder_kind" # the card's figures and a phone's folder's apart
mkdir -p "$results"

# The window's runs: no hyperfine, the program prints its own figure, one line a run.
time_window() {
    local n=$1 mode=$2 pristine=$3 dir=$4 runs=$5
    local out="$results/$n-$mode-window.txt" renamed="$work/renamed-$n"
    cut -f2 "$pristine.expected" >"$renamed"
    : >"$out"
    [[ -d $work/runtime ]] || mkdir -m 700 "$work/runtime" # Qt's runtime folder: root has none
    for ((i = 1; i <= runs; i++)); do
        prepare "$mode" window "$pristine" "$dir" remount
        XDG_RUNTIME_DIR="$work/runtime" sh -c "$(in_card_group "$(printf '%q ' "$stall" "$dir" "$birthday" "$renamed")")" \
            | tee -a "$out" >&2
    done
    [[ $(wc -l <"$out") == "$runs" ]] || die "the window did not finish each run"
}

time_config() {
    local n=$1 mode=$2 pristine=$3
    local dir="$photos_root/run"
    local qdir qself qpristine qevict
    qdir=$(printf %q "$dir"); qself=$(printf %q "${BASH_SOURCE[0]}")
    qpristine=$(printf %q "$pristine"); qevict=$(printf %q "$evict")
    [[ -z $card_iops ]] || qevict=remount
    local csv="$results/$n-$mode.csv"
    : >"$csv"
    say ""
    say "== $n photos, $mode, $(basename "$pristine"); load: $(uptime | sed 's/.*load/load/')"
    if [[ $mode == warm ]]; then
        cat "$pristine"/* >/dev/null # every page of every photo in the cache
    fi
    local r=${runs:-$([[ $n -le 1000 ]] && echo 10 || echo 5)}
    for tool in "${selected[@]}"; do
        local tr=$r
        [[ $tool == exiftool && $slow_runs -lt $r ]] && tr=$slow_runs
        [[ $tool == window && $slow_runs -lt $r ]] && tr=$slow_runs
        rm -f "$dir.tool"
        if [[ $tool == window ]]; then
            time_window "$n" "$mode" "$pristine" "$dir" "$tr"
        else
            local one="$results/$n-$mode-$tool.csv"
            local readsBefore=0
            [[ -z $card_iops ]] || readsBefore=$(card_reads)
            hyperfine --style basic --runs "$tr" --warmup "$([[ $mode == warm ]] && echo 1 || echo 0)" \
                --prepare "$qself --internal-prepare $mode $tool $qpristine $qdir $qevict" \
                --command-name "$tool" --export-csv "$one" \
                "$(in_card_group "$(command_for "$tool" "$qdir")")" >&2
            if [[ ! -s $csv ]]; then head -1 "$one" >"$csv"; fi
            tail -n +2 "$one" >>"$csv"
            if [[ -n $card_iops ]]; then
                local reads=$(( $(card_reads) - readsBefore ))
                say "   $tool: $reads reads from the card in $tr runs, $(( reads / tr )) a run"
                echo "$tool $reads $tr" >>"$results/$n-$mode-reads.txt"
            fi
        fi
        check "$tool" "$pristine" "$dir" || die "$tool: the last run left a wrong folder"
        rm -f "$dir.tool"
        say "   load after $tool: $(uptime | sed 's/.*load average: //')"
    done
    [[ $keep == 1 ]] || rm -rf "$dir"
}

# summary CSV N MODE: the table, ratios and targets of one configuration.
summary() {
    local csv=$1 n=$2 mode=$3
    awk -F, -v n="$n" -v mode="$mode" -v card="$card_iops" -v mixed="$mixed" '
        NR == 1 { next }
        { name[NR] = $1; mean[$1] = $2; sd[$1] = $3; med[$1] = $4; order[++k] = $1 }
        END {
            where = card ? sprintf(", slow card at %s reads a second", card) : ""
            printf "\n%s %s, %s%s (median of the runs; mean ± sd)\n", n, mixed ? "files of a phone (70% JPEG, 20% HEIC, 10% video)" : "photos", mode, where
            printf "| tool | median | mean ± sd | per photo | × floor | tamblinor faster by |\n"
            printf "|---|---:|---:|---:|---:|---:|\n"
            for (i = 1; i <= k; ++i) {
                t = order[i]
                fl = ("floor" in med) ? sprintf("%.2f", med[t] / med["floor"]) : "-"
                by = ("tamblinor" in med && t !~ /^tamblinor/ && t != "floor") ? sprintf("%.1f×", med[t] / med["tamblinor"]) : "-"
                printf "| %s | %.4f s | %.4f ± %.4f s | %.1f µs | %s | %s |\n", t, med[t], mean[t], sd[t], med[t] / n * 1e6, fl, by
            }
            if ("tamblinor" in med) {
                t = med["tamblinor"]
                if ("floor" in med) {
                    limit = card ? (mixed ? 1.1 : 1.05) : mode == "warm" ? 1.25 : 1.5
                    printf "target: tamblinor %.2f× floor, at most %.2f×: %s\n", t / med["floor"], limit, (t / med["floor"] <= limit ? "met" : "MISSED")
                }
                if (mode == "cold" && ("exiv2" in med))
                    printf "target: tamblinor %.2f× exiv2, at most 1×: %s\n", t / med["exiv2"], (t <= med["exiv2"] ? "met" : "MISSED")
                if ("exiftool" in med)
                    printf "target: exiftool %.1f× tamblinor, at least 50×: %s\n", med["exiftool"] / t, (med["exiftool"] / t >= 50 ? "met" : "MISSED")
            }
        }' "$csv"
}

# window_summary FILE N: the window's lines and the median of their longest stalls.
window_summary() {
    local file=$1 n=$2
    printf '\nthe window, %s photos, slow card at %s reads a second: longest stall in answering\n' "$n" "$card_iops"
    cat "$file"
    sed -n 's/.*longest stall \([0-9.]*\) ms.*/\1/p' "$file" | sort -n | awk '
        { v[++k] = $1 }
        END {
            m = k % 2 ? v[(k + 1) / 2] : (v[k / 2] + v[k / 2 + 1]) / 2
            printf "target: median longest stall %.1f ms, at most 100 ms: %s\n", m, (m <= 100 ? "met" : "MISSED")
        }'
}

# ----------------------------------------------------------------------------------
# Bytes and system calls per photo, with strace, on 100 photos.

strace_report() {
    local src sample="$work/strace-100$folder_kind" dir="$work/strace-run"
    src=$(pristine 1000)
    rm -rf "$sample"; mkdir -p "$sample"
    # A phone's folder: its first 100 files, 70 JPEG photos, 20 HEIC photos and 10 videos.
    find "$src" -mindepth 1 -maxdepth 1 -name "$([[ $mixed == 1 ]] && echo '*' || echo '*.jpg')" \
        | sort | sed -n '1,100p' | xargs -d '\n' cp -l -t "$sample"
    find "$sample" -mindepth 1 -printf '%i\n' | sort >"$sample.inodes"
    "$cli" $media --birthday "$birthday" --dry-run "$sample" | awk -F' -> ' 'NF == 2 { print $1 "\t" $2 }' | sort >"$sample.dry"
    find "$sample" -mindepth 1 -printf '%f\t%i\n' | sort >"$sample.names"
    join -t $'\t' "$sample.names" "$sample.dry" | awk -F'\t' '{ print $2 "\t" $3 }' | sort >"$sample.expected"

    # The largest Exif segment among them, with the SOI before it, rounded up to 4 KiB.
    local limit=0 f
    for f in "$sample"/*.jpg; do
        local head len
        head=$(od -An -tu1 -N6 "$f" | tr -s ' ')
        set -- $head
        [[ $1 == 255 && $2 == 216 && $3 == 255 && $4 == 225 ]] || die "$f: no Exif APP1 right after SOI"
        len=$(( ($5 << 8 | $6) + 4 ))
        len=$(( (len + 4095) / 4096 * 4096 ))
        (( len > limit )) && limit=$len
    done

    printf '\nstrace, 100 photos (%s): bytes read from the photos and system calls, per photo\n' "$(basename "$src")"
    printf 'limit: Exif segment rounded up to 4 KiB = %d bytes%s\n' "$limit" \
        "$([[ $mixed == 0 ]] || echo ' (of a JPEG photo; a video takes two reads)')"
    printf '| tool | bytes read per photo | read calls per photo | opens per photo | all system calls per photo |\n'
    printf '|---|---:|---:|---:|---:|\n'
    local tool
    for tool in "${selected[@]}"; do
        rm -rf "$dir"; cp -al "$sample" "$dir"
        local log="$work/strace-$tool.log"
        (cd "$work" && eval "strace -f -y -qq -o $(printf %q "$log") $(command_for "$tool" "$(printf %q "$dir")")" >/dev/null 2>&1) \
            || die "$tool failed under strace"
        check "$tool" "$sample" "$dir" || die "$tool under strace left a wrong folder"
        # Reads on descriptors strace resolves to a file of the run folder.
        awk -v dir="$dir/" '
            { calls++ }
            /(^|[ ])(read|pread64|readv|preadv|preadv2)\(/ && index($0, "<" dir) {
                reads++; r = $NF; if (r + 0 > 0) bytes += r
            }
            /(^|[ ])(openat|open)\(/ && index($0, "<" dir) { opens++ }
            END { printf "| %s | %.0f | %.2f | %.2f | %.1f |\n", tool, bytes / 100, reads / 100, opens / 100, calls / 100 }
        ' tool="$tool" "$log"
    done
    rm -rf "$dir"
}

# ----------------------------------------------------------------------------------
# One video's or HEIC photo's shooting time: the reads and bytes it costs, with strace.

# top_boxes FILE: its top-level boxes, TYPE@OFFSET one after another, from their headers.
top_boxes() {
    local file=$1 at=0 end hex size out=""
    end=$(stat -c %s "$file")
    while (( at + 8 <= end )); do
        hex=$(od -An -tx1 -j "$at" -N 16 "$file" | tr -d ' \n')
        size=$((16#${hex:0:8}))
        (( size != 1 )) || size=$((16#${hex:16:16}))
        (( size != 0 )) || size=$((end - at))
        out+="$(printf "\\x${hex:8:2}\\x${hex:10:2}\\x${hex:12:2}\\x${hex:14:2}")@$at "
        (( size >= 8 )) || break
        at=$((at + size))
    done
    echo "${out% }"
}

# media_files: made once in the work folder, each alone in its folder: 100 MB videos from
# ffmpeg (29 s of testsrc2 at 1080p, MPEG-4 part 2 at its best quality, its movie box at
# the end as ffmpeg's muxers leave it, created 2021-05-06 07:08:09 UTC) as MP4 and as MOV,
# and a HEIC photo of a 4032x3024 frame with the generator's Exif, through heif-enc.
media_files() {
    local media="$work/media"
    if [[ ! -f $media.done ]]; then
        local needed
        for needed in ffmpeg heif-enc; do
            command -v "$needed" >/dev/null || die "$needed is missing (apt-get install ffmpeg libheif-examples)"
        done
        say "making a 100 MB MP4, a 100 MB MOV and a HEIC photo in $media ..."
        rm -rf "$media"; mkdir -p "$media/mp4" "$media/mov" "$media/heic" "$media/source"
        local format name
        for format in mp4 mov; do
            [[ $format == mp4 ]] && name=VID_0001.mp4 || name=VID_0002.mov
            ffmpeg -nostdin -hide_banner -loglevel error -f lavfi -i testsrc2=s=1920x1080:r=30 -t 29 \
                -c:v mpeg4 -q:v 1 -threads 2 -metadata creation_time=2021-05-06T07:08:09Z \
                -f "$format" "$media/$format/$name" || die "ffmpeg cannot make $name"
        done
        ffmpeg -nostdin -hide_banner -loglevel error -f lavfi -i testsrc2=s=4032x3024 -frames:v 1 \
            -q:v 2 "$media/frame.jpg" || die "ffmpeg cannot make a frame"
        "$maker" "$media/source" --count 1 --start "2021:05:06 07:08:09" --image "$media/frame.jpg"
        heif-enc -q 50 "$media/source/IMG_0001.jpg" -o "$media/heic/IMG_0003.heic" >/dev/null \
            || die "heif-enc cannot make IMG_0003.heic"
        touch "$media.done"
    fi
    echo "$media"
}

media_strace_report() {
    local media kind
    media=$(media_files)
    printf '\nstrace, one file alone in its folder: tamblinor-cli --all-media --dry-run --birthday 2020-01-01 DIR\n'
    printf '| file | size | top-level boxes (type@offset) | read calls | bytes read | reads (bytes@offset) | opens | lseeks | name given |\n'
    printf '|---|---:|---|---:|---:|---|---:|---:|---|\n'
    for kind in mp4 mov heic; do
        local dir="$media/$kind" file log="$work/strace-media-$kind.log" named
        file=$(find "$dir" -mindepth 1 -maxdepth 1 -type f -printf '%f\n')
        named=$(strace -f -y -qq -o "$log" -e trace=openat,read,pread64,preadv,preadv2,lseek \
            "$cli" --all-media --dry-run --birthday 2020-01-01 "$dir" 2>/dev/null | sed 's/.* -> //') \
            || die "tamblinor-cli failed under strace on $file"
        awk -v path="<$dir/$file>" -v file="$file" -v size="$(stat -c %s "$dir/$file")" \
            -v boxes="$(top_boxes "$dir/$file")" -v named="$named" '
            !index($0, path) { next }
            /(^|[ ])(read|pread64|preadv|preadv2)\(/ {
                reads++
                n = split($0, part, ") = "); got = part[n] + 0
                if (got > 0) bytes += got
                at = part[n - 1]; sub(/.*, /, "", at)
                list = list (list == "" ? "" : ", ") got "@" at
            }
            /(^|[ ])openat\(/ { opens++ }
            /(^|[ ])lseek\(/ { seeks++ }
            END {
                printf "| %s | %.1f MB | %s | %d | %d | %s | %d | %d | %s |\n", file, size / 1e6, boxes,
                    reads, bytes, list, opens, seeks, named
            }' "$log"
    done
}

# ----------------------------------------------------------------------------------

say "machine: $(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)," \
    "$(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), kernel $(uname -r)"
say "file system of the work folder: $(df -T "$work" | awk 'NR == 2 { print $2 }')"
say "versions: $(hyperfine --version), exiftool $(command -v exiftool >/dev/null && exiftool -ver || echo -)," \
    "$(command -v jhead >/dev/null && jhead -V || echo jhead -), $(command -v exiv2 >/dev/null && exiv2 --version | sed -n 1p || echo exiv2 -)"

if [[ $do_time == 1 ]]; then
    for n in $counts; do
        p=$(pristine "$n")
        for mode in $modes; do
            time_config "$n" "$mode" "$p"
        done
    done
    for n in $counts; do
        for mode in $modes; do
            [[ -s $results/$n-$mode.csv ]] && summary "$results/$n-$mode.csv" "$n" "$mode"
            [[ -s $results/$n-$mode-window.txt ]] && window_summary "$results/$n-$mode-window.txt" "$n"
        done
    done
fi
if [[ $do_strace == 1 ]]; then
    strace_report
fi
if [[ $media_strace == 1 ]]; then
    media_strace_report
fi
