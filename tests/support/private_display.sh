# Sourced by the scripts that drive the real window (the real-window tests and
# tools/screenshot.sh): an Xvfb server of their own, the program started in it, and clicks
# and keys in its window. Everything they start is stopped when the script exits.
#
#   source tests/support/private_display.sh
#   require_tools STATUS TOOL...     # exits with STATUS unless every TOOL is installed
#   private_display_start WORK       # WORK: the script's scratch folder, removed at exit
#   track PID                        # stopped at exit too
#   window_start APP FOLDER LOG [ARG...] # APP started in FOLDER with ARGs and its settings
#                                    # under WORK; sets pid, window and the client area's X, Y
#   click_at X Y                     # a click at a point of the client area (pixels)
#   click_on LEFT TOP WIDTH HEIGHT   # a click in the middle of a control's rectangle
#   eventually COMMAND...            # COMMAND succeeds within thirty seconds
#   fail MESSAGE                     # exits 1 with MESSAGE and WORK/app.log
#
# Xvfb picks a free display itself and writes its number once it accepts clients, so
# scripts running side by side never share one.

private_pids=()
private_work=

require_tools() {
    local status=$1 tool
    shift
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit "$status"; }
    done
}

track() { private_pids+=("$1"); }

eventually() {
    for _ in $(seq 300); do "$@" && return 0; sleep 0.1; done
    return 1
}

fail() {
    echo "FAIL: $*"
    cat "$private_work/app.log" 2>/dev/null || true
    exit 1
}

private_display_stop() {
    for pid in "${private_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    [[ -n $private_work ]] && rm -rf "$private_work"
}

private_display_start() {
    private_work=$1
    mkdir -p "$private_work"
    trap private_display_stop EXIT
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$private_work/display" \
        >"$private_work/xvfb.log" 2>&1 &
    track $!
    for _ in $(seq 200); do [[ -s $private_work/display ]] && break; sleep 0.05; done
    if [[ ! -s $private_work/display ]]; then
        echo "FAIL: Xvfb did not start"
        cat "$private_work/xvfb.log"
        exit 1
    fi
    export DISPLAY=:$(head -1 "$private_work/display")
}

# The window lists the folder it starts in. The test presets' offscreen platform is not
# wanted here, and HOME keeps the settings out of the user's own.
window_start() {
    local app=$1 folder=$2 log=$3
    (cd "$folder" && QT_QPA_PLATFORM=xcb HOME=$private_work \
        XDG_CONFIG_HOME=$private_work/config exec "$app" "${@:4}") >>"$log" 2>&1 &
    pid=$!
    track "$pid"
    window=$(timeout 30 xdotool search --sync --onlyvisible --name '^Tamblinor\(by Oskev\)$' |
        head -1) || true
    if [[ -z $window ]]; then
        echo "FAIL: the window did not appear"
        cat "$log"
        exit 1
    fi
    eval "$(xdotool getwindowgeometry --shell "$window")"
    xdotool windowfocus --sync "$window"
}

click_at() { xdotool mousemove --sync $((X + $1)) $((Y + $2)) click 1; }
click_on() { click_at $(($1 + $3 / 2)) $(($2 + $4 / 2)); }
