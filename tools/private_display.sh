# Sourced by the scripts that drive the real window: starts an Xvfb server of their own
# and stops it, with every process they register, when the script exits.
#
#   source tools/private_display.sh
#   private_display_start WORK      # WORK: the script's scratch folder, removed at exit
#   track PID                       # stopped at exit too
#
# Xvfb picks a free display itself and writes its number once it accepts clients, so
# scripts running side by side never share one.

private_pids=()
private_work=

track() { private_pids+=("$1"); }

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
