#!/usr/bin/env bash
# Kills tamblinor-cli with SIGKILL at chosen moments of a run and checks that no photo
# is lost: after each kill the folder holds the same files with the same contents, every
# photo is under its old name, its final name or the temporary name 0_0.jpg, and running
# again ends with exactly the names an uninterrupted run gives, and undoing every run
# (tamblinor-cli --undo until none is left, the killed ones too) ends with the pristine
# folder, byte for byte and name for name. Where renames go by hard
# link and unlink, a kill between the two leaves one photo under two of those names, one
# file with two links; nothing else may hold a photo twice.
#
#   crash_test.sh CLI MAKE_PHOTOS [--full] [--kills N] [--photos N] [--seed S] [--keep]
#
# Default: 20 runs on 200 photos (the ctest form). --full, or TAMBLINOR_CRASH_FULL=1 in
# the environment: 200 runs on 2,000 photos. Each run is killed once, and every fourth
# run's recovery run is killed too (so 25 and 250 kills). The moments come from a fixed
# seed: even kills count from the start of the process, odd ones from the moment a
# photo chosen at random leaves its old name, so they land while the run is busy. The
# folders are made under $TMPDIR, which may be on any file system that takes the
# photos' names. A failure leaves the folders behind.
set -euo pipefail

cli=${1:?usage: crash_test.sh CLI MAKE_PHOTOS [--full] [--kills N] [--photos N] [--seed S]}
make_photos=${2:?usage: crash_test.sh CLI MAKE_PHOTOS [--full] [--kills N] [--photos N] [--seed S]}
shift 2
kills=20 photos=200 seed=20070315 keep=0
[ "${TAMBLINOR_CRASH_FULL:-0}" = 1 ] && kills=200 photos=2000
while [ $# -gt 0 ]; do
    case $1 in
    --full) kills=200 photos=2000; shift ;;
    --kills) kills=$2; shift 2 ;;
    --photos) photos=$2; shift 2 ;;
    --seed) seed=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    *) echo "crash_test.sh: unknown option $1" >&2; exit 64 ;;
    esac
done

birthday=2019-06-15
temporary=0_0.jpg
work=$(mktemp -d "${TMPDIR:-/tmp}/tamblinor-crash.XXXXXX")
export XDG_STATE_HOME=$work/state # the journals of the runs, which --undo reads
failed=0
cleanup() {
    if [ "$failed" -eq 0 ] && [ "$keep" -eq 0 ]; then
        rm -rf "$work"
    else
        echo "folders kept in $work"
    fi
}
trap cleanup EXIT

fail() {
    failed=1
    echo "FAIL: $*" >&2
    exit 1
}

# "HASH  NAME" for every file of a folder, sorted by name; hidden files included.
contents() {
    (cd "$1" && find . -mindepth 1 -maxdepth 1 -printf '%P\0' | LC_ALL=C sort -z |
        xargs -0 -r sha256sum --)
}

# The pristine photos, a text and an empty file named .jpg (both keep their names),
# and the names an uninterrupted run gives them.
"$make_photos" "$work/pristine" --count "$photos" --step 5000 --same-second-percent 20 >/dev/null
printf 'not a photo\n' >"$work/pristine/notes.jpg"
: >"$work/pristine/empty.jpg"
# Every 25th photo has no shooting time: it keeps its name, and no kill may leave it
# under the temporary name, where its old name would be forgotten.
for ((i = 25; i <= photos; i += 25)); do
    printf 'photo %d without a shooting time\n' "$i" >"$work/pristine/$(printf 'IMG_%04d.jpg' "$i")"
done
total=$((photos + 2))

# Microseconds, without starting a process.
now_us() { echo "${EPOCHREALTIME/./}"; }

# The uninterrupted run, timed three times (the shortest counts, as the first may find
# the files out of the cache): from its start to the first rename, and from there on.
start_us=999999999 busy_us=999999999
for round in 1 2 3; do
    rm -rf "$work/reference"
    cp -a "$work/pristine" "$work/reference"
    started=$(now_us)
    "$cli" --birthday "$birthday" "$work/reference" >/dev/null &
    pid=$!
    while [ -e "$work/reference/IMG_0001.jpg" ] && kill -0 "$pid" 2>/dev/null; do :; done
    busy=$(now_us)
    wait "$pid" || fail "the uninterrupted run failed"
    ended=$(now_us)
    [ $((busy - started)) -lt "$start_us" ] && start_us=$((busy - started))
    [ $((ended - busy)) -lt "$busy_us" ] && busy_us=$((ended - busy))
done

declare -A old_name final_name
while IFS= read -r line; do
    old_name[${line:0:64}]=${line:66}
done < <(contents "$work/pristine")
[ "${#old_name[@]}" -eq "$total" ] || fail "the generated photos are not all different"
while IFS= read -r line; do
    final_name[${line:0:64}]=${line:66}
done < <(contents "$work/reference")
[ "${#final_name[@]}" -eq "$total" ] || fail "the uninterrupted run lost a photo"
contents "$work/reference" >"$work/reference.txt"
contents "$work/pristine" >"$work/pristine.txt"

# A pause of a fraction of a second without starting a process: read from a pipe that
# nobody writes to. The pipe is opened through /dev/fd rather than made as a FIFO in
# $TMPDIR, where the file system may have none (exFAT).
exec 9<> <(:)
pause_us() {
    local us=$1
    [ "$us" -gt 0 ] || return 0
    read -r -t "$(printf '%d.%06d' $((us / 1000000)) $((us % 1000000)))" -u 9 || true
}

# True when the name is one a photo may have after a kill.
allowed_name() {
    local hash=$1 name=$2
    [ "$name" = "${old_name[$hash]}" ] || [ "$name" = "${final_name[$hash]}" ] ||
        [ "$name" = "$temporary" ]
}

# Checks the folder after a kill; prints what the kill interrupted.
check_after_kill() {
    local folder=$1 what=$2 line hash name moved=0 temporary_seen=0 count=0 twins=0
    declare -A seen=()
    while IFS= read -r line; do
        hash=${line:0:64} name=${line:66}
        count=$((count + 1))
        [ -n "${old_name[$hash]+x}" ] || fail "$what: $name holds contents no photo had"
        if [ -n "${seen[$hash]+x}" ]; then
            # A rename cut between its link and its unlink: one file, and both names
            # on the photo's way.
            [ "$(stat -c %i -- "$folder/$name")" = "$(stat -c %i -- "$folder/${seen[$hash]}")" ] ||
                fail "$what: two files hold the contents of ${old_name[$hash]}"
            [ "$twins" -eq 0 ] || fail "$what: more than one photo under two names"
            allowed_name "$hash" "${seen[$hash]}" && allowed_name "$hash" "$name" ||
                fail "$what: ${old_name[$hash]} is under ${seen[$hash]} and $name"
            twins=1
            continue
        fi
        seen[$hash]=$name
        if [ "$name" = "$temporary" ] && [ "${old_name[$hash]}" != "$temporary" ]; then
            temporary_seen=1
        elif [ "$name" != "${old_name[$hash]}" ]; then
            [ "$name" = "${final_name[$hash]}" ] ||
                fail "$what: ${old_name[$hash]} is under $name, neither its old nor its final name"
            moved=$((moved + 1))
        fi
    done < <(contents "$folder")
    [ "$count" -eq "$((total + twins))" ] || fail "$what: $count files instead of $total"
    if [ "$twins" -eq 1 ]; then
        echo twinned
    elif [ "$temporary_seen" -eq 1 ]; then
        echo inside
    elif [ "$moved" -eq 0 ]; then
        echo before
    elif [ "$moved" -eq "$((photos - photos / 25))" ]; then
        echo after
    else
        echo between
    fi
}

# Starts a run, kills it after the moment chosen by kill number k, and checks; sets
# `where` to what the kill interrupted.
kill_run() {
    local folder=$1 k=$2 what=$3 pid delay mark
    delay=$(((RANDOM * 32768 + RANDOM) % 1000000)) # millionths of the span below
    mark=$((1 + (RANDOM * 32768 + RANDOM) % photos))
    [ $((mark % 25)) -eq 0 ] && mark=$((mark - 1)) # one that leaves its name
    mark=$(printf 'IMG_%04d.jpg' "$mark")
    "$cli" --birthday "$birthday" "$folder" >/dev/null 2>&1 &
    pid=$!
    if [ $((k % 2)) -eq 0 ]; then
        pause_us $((delay * (start_us + busy_us) / 1000000))
    else
        # Busy: wait for a photo chosen at random to leave its old name, then a pause of
        # up to about two photos' time.
        while [ -e "$folder/$mark" ] && kill -0 "$pid" 2>/dev/null; do :; done
        pause_us $((delay * 2 * busy_us / photos / 1000000))
    fi
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    where=$(check_after_kill "$folder" "$what") || { failed=1; exit 1; }
}

RANDOM=$seed
declare -A landed=([before]=0 [between]=0 [twinned]=0 [inside]=0 [after]=0)
delivered=0
for ((k = 1; k <= kills; k++)); do
    folder=$work/run
    rm -rf "$folder"
    cp -a "$work/pristine" "$folder"
    kill_run "$folder" "$k" "kill $k"
    landed[$where]=$((landed[$where] + 1))
    delivered=$((delivered + 1))
    if [ $((k % 4)) -eq 0 ]; then
        kill_run "$folder" "$((k + 1))" "kill $k, then a kill of the run after it"
        landed[$where]=$((landed[$where] + 1))
        delivered=$((delivered + 1))
    fi
    "$cli" --birthday "$birthday" "$folder" >/dev/null || fail "kill $k: the run after it failed"
    contents "$folder" >"$work/after.txt"
    diff -q "$work/reference.txt" "$work/after.txt" >/dev/null ||
        fail "kill $k: running again does not give the names of an uninterrupted run" \
            "($(diff "$work/reference.txt" "$work/after.txt" | head -4 | tr '\n' ' '))"
    # Every run undone, newest first, the killed ones too, until none is left (1).
    status=0
    while [ "$status" -eq 0 ]; do
        "$cli" --undo "$folder" >/dev/null 2>"$work/undo.err" || status=$?
    done
    [ "$status" -eq 1 ] || fail "kill $k: taking back failed ($status): $(head -3 "$work/undo.err")"
    contents "$folder" >"$work/after.txt"
    diff -q "$work/pristine.txt" "$work/after.txt" >/dev/null ||
        fail "kill $k: taking every run back does not give the pristine folder" \
            "($(diff "$work/pristine.txt" "$work/after.txt" | head -4 | tr '\n' ' '))"
done

echo "$delivered kills on $photos photos (seed $seed; uninterrupted run: first rename" \
    "after $start_us us, then busy for $busy_us us):" \
    "${landed[before]} before the first rename, ${landed[between]} between photos," \
    "${landed[twinned]} with a photo under two names, ${landed[inside]} with a photo under" \
    "$temporary, ${landed[after]} after the last rename;" \
    "every folder complete, converged and taken back to the pristine one"
