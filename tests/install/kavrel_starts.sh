#!/usr/bin/env bash
# Starts a kavrel program offscreen, as a fresh user session would, and checks
# that it comes up from its own tree: it reads its texts and cfg.ini without a
# message box, takes the single-instance lock and listens, a second start hands over to it and ends at once, and the first is
# still running afterwards. Then ends it. Every wait has a deadline.
#
#   kavrel_starts.sh KAVREL WORK_DIR
set -euo pipefail

kavrel=$1
work=$2
mkdir -p "$work/home" "$work/run"
chmod 700 "$work/run"
export QT_QPA_PLATFORM=offscreen HOME=$work/home XDG_DATA_HOME=$work/home/data XDG_RUNTIME_DIR=$work/run
export KAVREL_HIDGATE=libhidgate-sim.so KAVREL_SIM_STATE=$work/sim.state
unset KAVREL_PROGRAM_DIR KAVREL_SIM_OPTIONS

out=$("$kavrel" --version) || { echo "$kavrel --version failed"; exit 1; }
[[ $out =~ ^kavrel\ [0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "$kavrel --version says '$out'"; exit 1; }

"$kavrel" >"$work/first.log" 2>&1 &
pid=$!
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true' EXIT
deadline=$((SECONDS + 30))
until [ -n "$(find "$XDG_RUNTIME_DIR" -maxdepth 1 -type s -name 'kavrel-*.sock' 2>/dev/null)" ]; do
    if ! kill -0 "$pid" 2>/dev/null; then
        echo "$kavrel ended during start-up: $(cat "$work/first.log")"
        exit 1
    fi
    if [ "$SECONDS" -ge "$deadline" ]; then
        echo "$kavrel did not come up within 30 s (a message box may be waiting): $(cat "$work/first.log")"
        exit 1
    fi
    sleep 0.05
done
# The instance socket is named after the title of text.xml: without a title the texts were not found.
if [ -n "$(find "$XDG_RUNTIME_DIR" -maxdepth 1 -type s -name 'kavrel--*.sock')" ]; then
    echo "$kavrel did not find its text.xml: $(cat "$work/first.log")"
    exit 1
fi
# Plain message boxes (a missing or broken cfg.ini) show on standard error here.
if grep -E '^(Error|Warning): ' "$work/first.log"; then
    echo "$kavrel showed a message box while starting"
    exit 1
fi
if ! timeout 20 "$kavrel" >"$work/second.log" 2>&1; then
    echo "a second $kavrel did not hand over to the first and end: $(cat "$work/second.log")"
    exit 1
fi
if ! kill -0 "$pid" 2>/dev/null; then
    echo "the first $kavrel ended when the second started: $(cat "$work/first.log")"
    exit 1
fi
