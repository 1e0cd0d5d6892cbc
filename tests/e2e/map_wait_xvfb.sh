#!/usr/bin/env bash
# kavrel-map-wait, the clock of bench-start, on a real X server: a window of another title leaves it
# waiting, the wanted one ends it with the moment of its map, and without one it gives up with 1.
# Skipped (77) where Xvfb is missing.
#
#   map_wait_xvfb.sh TOOLS_DIR
set -euo pipefail
tools=$1
command -v Xvfb >/dev/null || { echo "SKIP: Xvfb is not installed"; exit 77; }
source "$(dirname "${BASH_SOURCE[0]}")/../../tools/xvfb-session.sh"
start_xvfb 640x480x24

waiter_for() { # TITLE SECONDS OUT: starts a waiter, returns once it listens; its pid in waiter
    "$tools/kavrel-map-wait" "$1" "$2" >"$3" 2>"$3.err" &
    waiter=$!
    until_true 10 grep -q ready "$3.err" || fail "kavrel-map-wait did not start: $(cat "$3.err")"
}

waiter_for "wanted window" 60 "$work/wanted"
wanted=$waiter
waiter_for "other window" 60 "$work/other"
other=$waiter
before=$(date +%s%N)
"$tools/kavrel-bare-window" "other window" &
pids+=($!)
wait "$other" || fail "the other window's map was not seen"
kill -0 "$wanted" 2>/dev/null || fail "a window of another title ended the wait"

"$tools/kavrel-bare-window" "wanted window" &
pids+=($!)
wait "$wanted" || fail "the wanted window's map was not seen"
seen=$(cat "$work/wanted")
[ "$seen" -ge "$before" ] && [ "$seen" -le "$(date +%s%N)" ] || fail "map time $seen is not between the start and now"

status=0
"$tools/kavrel-map-wait" "no such window" 1 >/dev/null 2>&1 || status=$?
[ "$status" -eq 1 ] || fail "without a window it exits $status, not 1"
echo "PASS: kavrel-map-wait"
