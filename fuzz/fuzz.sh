#!/usr/bin/env bash
# Builds and runs the fuzzers.
#
#   fuzz/fuzz.sh build SOURCE_DIR BUILD_DIR
#       Configures and builds the fuzzers with clang in BUILD_DIR.
#   fuzz/fuzz.sh run FUZZERS_DIR TARGET WORK_DIR [--seconds N | --runs N] [--corpus DIR] [--fresh]
#       Runs tamblinor-fuzz-TARGET (exif_reader, media_time or photo_name) on seeds written by
#       tamblinor-fuzz-seeds, plus the camera photos of --corpus when that folder exists
#       (exif_reader only; they are read there, never copied). New inputs go to
#       WORK_DIR/corpus/TARGET, a finding to WORK_DIR/findings/, the log to
#       WORK_DIR/TARGET.log. --fresh starts from the seeds alone.
#
# Exits 77, for ctest to report the test as skipped, when clang, libFuzzer or the built
# fuzzers are missing; otherwise with the fuzzer's own status (nonzero on a finding).
set -euo pipefail

skip() {
    echo "skipped: $*"
    exit 77
}

find_clang() {
    for cxx in clang++ clang++-14; do
        if command -v "$cxx" >/dev/null; then
            echo "$cxx"
            return
        fi
    done
}

build() {
    local source=$1 build=$2
    local cxx
    cxx=$(find_clang)
    [ -n "$cxx" ] || skip "no clang++ found"
    local cc=${cxx/clang++/clang}
    command -v "$cc" >/dev/null || skip "no $cc found"

    # libFuzzer ships separately from clang on Debian (libclang-rt-14-dev).
    local probe
    probe=$(mktemp -d)
    trap 'rm -rf "$probe"' RETURN
    printf '%s\n' '#include <cstddef>' '#include <cstdint>' \
        'extern "C" int LLVMFuzzerTestOneInput(const uint8_t*, size_t) { return 0; }' >"$probe/probe.cpp"
    "$cxx" -fsanitize=fuzzer,address,undefined "$probe/probe.cpp" -o "$probe/probe" 2>/dev/null ||
        skip "$cxx cannot link libFuzzer with ASan and UBSan (install libclang-rt-14-dev)"

    local generator=()
    command -v ninja >/dev/null && generator=(-G Ninja)
    if [ ! -f "$build/CMakeCache.txt" ]; then
        cmake -S "$source" -B "$build" "${generator[@]}" \
            -DCMAKE_C_COMPILER="$cc" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DTAMBLINOR_BUILD_FUZZERS=ON -DTAMBLINOR_BUILD_GUI=OFF -DTAMBLINOR_BUILD_TESTS=OFF >/dev/null
    fi
    cmake --build "$build" --target tamblinor-fuzzers
}

run() {
    local fuzzers=$1 target=$2 work=$3
    shift 3
    local limit=(-max_total_time=60) corpus="" fresh=0
    while [ $# -gt 0 ]; do
        case $1 in
        --seconds) limit=(-max_total_time="$2"); shift 2 ;;
        --runs) limit=(-runs="$2"); shift 2 ;;
        --corpus) corpus=$2; shift 2 ;;
        --fresh) fresh=1; shift ;;
        *) echo "fuzz.sh: unknown option $1" >&2; exit 64 ;;
        esac
    done
    local fuzzer=$fuzzers/tamblinor-fuzz-$target
    [ -x "$fuzzer" ] || skip "no fuzzer $fuzzer"
    [ -x "$fuzzers/tamblinor-fuzz-seeds" ] || skip "no seed maker in $fuzzers"

    mkdir -p "$work"
    "$fuzzers/tamblinor-fuzz-seeds" "$work/seeds"
    [ "$fresh" -eq 1 ] && rm -rf "$work/corpus/$target"
    mkdir -p "$work/corpus/$target" "$work/findings"

    local inputs=("$work/corpus/$target" "$work/seeds/$target") options=()
    case $target in
    exif_reader)
        # Room for an Exif segment of 64 KiB behind some padding; the reader never
        # reads past it.
        options=(-max_len=100000)
        [ -n "$corpus" ] && [ -d "$corpus" ] && inputs+=("$corpus")
        ;;
    media_time) options=(-max_len=8192) ;;
    photo_name) options=(-max_len=512) ;;
    esac

    # The reader fuzzer writes each input to a file: keep that in memory where possible.
    if [ -z "${TMPDIR:-}" ] && [ -d /dev/shm ] && [ -w /dev/shm ]; then
        export TMPDIR=/dev/shm
    fi
    local log=$work/$target.log status=0
    "$fuzzer" "${limit[@]}" "${options[@]}" -timeout=10 -print_final_stats=1 \
        -artifact_prefix="$work/findings/$target-" "${inputs[@]}" >"$log" 2>&1 || status=$?
    grep -E '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::average_exec_per_sec|stat::new_units_added|stat::peak_rss_mb)' "$log" || true
    if [ "$status" -ne 0 ]; then
        echo "finding, see $log:"
        grep -E 'ERROR|SUMMARY|Test unit written|fuzzer:' "$log" | head -20 || true
    fi
    return "$status"
}

case ${1:-} in
build) shift; build "$@" ;;
run) shift; run "$@" ;;
*) sed -n '2,15p' "$0" >&2; exit 64 ;;
esac
