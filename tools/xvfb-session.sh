# Sourced by the scripts that run programs under Xvfb (the end-to-end tests and
# bench-start): a temporary work folder removed on exit together with every
# process recorded in pids, and an X server started on a free display.

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# until_true SECONDS COMMAND...: runs the command until it succeeds, failing after the deadline.
until_true() {
    local deadline=$((SECONDS + $1)); shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}

# start_xvfb WxHxD: an X server on a display it chooses itself; DISPLAY names it.
start_xvfb() {
    # -noreset: when a program killed by a test was the last client, a resetting server refuses the
    # next program's connection for a moment.
    Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp -noreset 3>"$work/display" 2>"$work/xvfb.log" &
    pids+=($!)
    until_true 20 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
    export DISPLAY=":$(head -n1 "$work/display")"
    export QT_QPA_PLATFORM=xcb
}

# use_simulated_keyboard: the programs write to the simulated keyboard's state file and keep their data,
# runtime folder and home in the work folder, with no fault options left over from the caller.
use_simulated_keyboard() {
    export KAVREL_HIDGATE=libhidgate-sim.so
    export KAVREL_SIM_STATE="$work/sim.state"
    export XDG_DATA_HOME="$work/data"
    export XDG_RUNTIME_DIR="$work/run"
    export HOME="$work/home"
    mkdir -p "$XDG_RUNTIME_DIR" "$HOME" && chmod 700 "$XDG_RUNTIME_DIR"
    unset KAVREL_SIM_OPTIONS KAVREL_PROGRAM_DIR
}
