#!/usr/bin/env bash
# The window's figures, each against a bare baseline:
#   start:   time from launch to the first painted window, tamblinor against an empty Qt
#            window and against the same window showing only Label1's caption (all ended
#            at their first paint by a preloaded library, timed by hyperfine), in a folder
#            of 10 photos and in one of 20,000;
#   listing: File1 listing 20,000 photos, from setPath to the list painted, against
#            readdir + stat of the same folder (tamblinor-bench-file-list);
#   memory:  peak resident memory (/usr/bin/time -v) of the window started in a folder of
#            100,000 photos, which File1 lists before the first paint, against the window
#            started in an empty folder, and of File1 alone.
#
#   bench/window.sh [--build DIR] [--work DIR] [--runs N] [--rounds N] [--also PROGRAM]
#                   [--instructions]
#
# --rounds N times the start in N rounds of --runs runs each and pools them (medians of
# all runs), so that a spell of load falls on both programs alike; --also PROGRAM times
# another build of the window in the same rounds (such as the one before a change).
# --instructions counts instead the instructions each program runs from launch to its first
# paint in the folder of 10 photos (valgrind's callgrind): figures that the load of a
# shared machine does not disturb. Nothing else is measured then.
#
# Needs a Release build with the window and bench/ (default build/benchgui:
#   cmake -S . -B build/benchgui -G Ninja -DCMAKE_BUILD_TYPE=Release -DTAMBLINOR_BUILD_BENCHMARKS=ON
#   cmake --build build/benchgui
# ), hyperfine, python3, and without a display Xvfb (xvfb-run), under which it re-runs
# itself.
# The photo folders go to the work folder (default bench/work, ignored by git) and stay
# for the next run; they are small (generated photos of about 1 KB).

set -euo pipefail
export LC_ALL=C

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/.." && pwd)
build="$root/build/benchgui"
work="$here/work"
runs=20
rounds=1
also=
instructions=

while [[ $# -gt 0 ]]; do
    case $1 in
        --build) build=$(cd "$2" && pwd); shift 2 ;;
        --work) mkdir -p "$2"; work=$(cd "$2" && pwd); shift 2 ;;
        --runs) runs=$2; shift 2 ;;
        --rounds) rounds=$2; shift 2 ;;
        --also) also=$(cd "$(dirname "$2")" && pwd)/$(basename "$2"); shift 2 ;;
        --instructions) instructions=yes; shift ;;
        *) sed -n '2,/^$/p' "${BASH_SOURCE[0]}" | sed 's/^# \{0,1\}//' >&2; exit 64 ;;
    esac
done

if [[ -z ${DISPLAY:-} ]]; then
    command -v xvfb-run >/dev/null || { echo "no display and no xvfb-run (apt-get install xvfb)" >&2; exit 1; }
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "${BASH_SOURCE[0]}" --build "$build" --work "$work" \
        --runs "$runs" --rounds "$rounds" ${also:+--also "$also"} ${instructions:+--instructions}
fi

app="$build/app/tamblinor"
empty="$build/bench/tamblinor-bench-empty-window"
preload="$build/bench/libtamblinor-bench-first-paint.so"
lister="$build/bench/tamblinor-bench-file-list"
maker="$build/tests/tamblinor-make-photos"
for f in "$app" "$empty" "$preload" "$lister" "$maker" ${also:+"$also"}; do
    [[ -e $f ]] || { echo "missing $f: build with -DTAMBLINOR_BUILD_BENCHMARKS=ON (see the head of this script)" >&2; exit 1; }
done
for tool in hyperfine python3; do
    command -v $tool >/dev/null || { echo "$tool is missing" >&2; exit 1; }
done

export QT_QPA_PLATFORM=xcb
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR=$runtime

photos() { # photos N: a folder of N small generated photos
    local dir="$work/list-$1"
    if [[ ! -f $dir.done ]]; then
        rm -rf "$dir"
        "$maker" "$dir" --count "$1" >/dev/null
        touch "$dir.done"
    fi
    echo "$dir"
}

mkdir -p "$work/start-empty"
small=$(photos 10)
list20k=$(photos 20000)
list100k=$(photos 100000)

echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | sed 's/.*: //'), display $DISPLAY (Xvfb), Qt $(qtpaths6 --qt-version 2>/dev/null || echo 6)"
echo "load: $(uptime | sed 's/.*load average: //')"

# --- start to first paint -------------------------------------------------------------
start_time() { # start_time FOLDER LABEL
    local json="$work/window-start-$2"
    local programs=(-n "empty window" "env LD_PRELOAD=$preload $empty"
                    -n "caption only" "env LD_PRELOAD=$preload $empty --text"
                    -n "tamblinor" "env LD_PRELOAD=$preload $app")
    [[ -z $also ]] || programs+=(-n "also" "env LD_PRELOAD=$preload $also")
    rm -f "$json".*.json
    for ((round = 1; round <= rounds; round++)); do
        (cd "$1" && hyperfine -N --style basic --warmup 3 --runs "$runs" \
            --export-json "$json.$round.json" "${programs[@]}" >&2)
    done
    python3 - "$2" "$also" "$json".*.json <<'PY'
import json, statistics, sys
label, also, files = sys.argv[1], sys.argv[2], sys.argv[3:]
times = {}
for name in files:
    for result in json.load(open(name))["results"]:
        times.setdefault(result["command"], []).extend(result["times"])
def ms(name):
    t = times[name]
    return statistics.median(t) * 1000, statistics.mean(t) * 1000, statistics.stdev(t) * 1000
e, c, t = ms("empty window"), ms("caption only"), ms("tamblinor")
print(f"start ({label}, {len(times['tamblinor'])} runs in {len(files)} rounds): "
      f"empty window median {e[0]:.1f} ms (mean {e[1]:.1f} ± {e[2]:.1f}), "
      f"caption only median {c[0]:.1f} ms (mean {c[1]:.1f} ± {c[2]:.1f}), "
      f"tamblinor median {t[0]:.1f} ms (mean {t[1]:.1f} ± {t[2]:.1f}), "
      f"ratio {t[0] / e[0]:.2f} (target at most 1.25; caption only {c[0] / e[0]:.2f})")
if also:
    a = ms("also")
    print(f"  also {also}: median {a[0]:.1f} ms (mean {a[1]:.1f} ± {a[2]:.1f}), ratio {a[0] / e[0]:.2f}")
PY
}
# --- instructions to first paint ---------------------------------------------------
if [[ -n $instructions ]]; then
    command -v valgrind >/dev/null || { echo "valgrind is missing" >&2; exit 1; }
    count() { # count LABEL COMMAND...: the instructions of COMMAND's own process
        local dir="$runtime/callgrind-$1"
        mkdir "$dir"
        shift
        (cd "$small" && valgrind --tool=callgrind --trace-children=yes \
            --callgrind-out-file="$dir/out.%p" env LD_PRELOAD="$preload" "$@" >/dev/null 2>&1)
        # The program's own file has the lowest process id; a later one is a child forked
        # by the platform (the D-Bus session launcher).
        local own
        own=$(ls "$dir" | sort -t. -k2 -n | head -1)
        sed -n 's/^summary: //p' "$dir/$own"
    }
    e=$(count empty "$empty")
    c=$(count caption "$empty" --text)
    t=$(count tamblinor "$app")
    echo "instructions to first paint (10 photos): empty window $e, caption only $c ($(python3 -c "print(f'{$c / $e:.2f}')")x), tamblinor $t ($(python3 -c "print(f'{$t / $e:.2f}')")x)"
    if [[ -n $also ]]; then
        a=$(count also "$also")
        echo "  also $also: $a ($(python3 -c "print(f'{$a / $e:.2f}')")x)"
    fi
    exit 0
fi

start_time "$small" "10 photos"
start_time "$list20k" "20,000 photos"

# --- listing --------------------------------------------------------------------------
echo "listing 20,000 photos in File1 against readdir + stat:"
"$lister" list "$list20k" "$runs" 2>/dev/null | sed 's/^/  /'

# --- memory ---------------------------------------------------------------------------
peak() { # peak FOLDER COMMAND...: the peak resident memory in MB
    local dir=$1; shift
    (cd "$dir" && /usr/bin/time -f '%M' "$@" 2>&1 >/dev/null | tail -1 | awk '{ printf "%.1f", $1 / 1024 }')
}
echo "peak memory (max RSS), window ended at its first paint:"
echo "  tamblinor in a folder of 100,000 photos: $(peak "$list100k" env LD_PRELOAD="$preload" "$app") MB (target under 100 MB)"
echo "  tamblinor in an empty folder:            $(peak "$work/start-empty" env LD_PRELOAD="$preload" "$app") MB"
echo "  empty window:                            $(peak "$work/start-empty" env LD_PRELOAD="$preload" "$empty") MB"
echo "  File1 alone listing 100,000 photos:      $(peak "$work" "$lister" memory "$list100k") MB"
echo "  File1 alone listing nothing:             $(peak "$work" "$lister" memory "$work/start-empty") MB"
echo "load: $(uptime | sed 's/.*load average: //')"
