#!/usr/bin/env bash
# Start-up figures of kavrel beside a bare Qt window program, under Xvfb:
# start until the main window is mapped (median of 5 runs after a warm-up),
# resident memory 2 s after start, and CPU use while idle over 20 s (kavrel
# with a profile that names a program, so automatic switching walks /proc at
# every tick). Run by `tools/dev bench-start` on a Release build.
#
#   bench-start.sh BIN_DIR TOOLS_DIR
set -euo pipefail
bin=$1
tools=$2
for program in Xvfb python3; do
    command -v "$program" >/dev/null || { echo "bench-start: $program is missing" >&2; exit 1; }
done
source "$(dirname "${BASH_SOURCE[0]}")/xvfb-session.sh"
start_xvfb 1280x800x24
export KAVREL_HIDGATE=libhidgate-sim.so KAVREL_SIM_STATE="$work/sim.state"
export XDG_DATA_HOME="$work/data" XDG_RUNTIME_DIR="$work/run" HOME="$work/home"
mkdir -p "$XDG_RUNTIME_DIR" "$HOME" && chmod 700 "$XDG_RUNTIME_DIR"
title=$(sed -n 's:.*<tc_title>\(.*\)</tc_title>.*:\1:p' "$bin/text.xml" | head -n1)

# Profile 1 names a program that never runs: every tick walks /proc and finds nothing.
"$bin/kavrel-cli" switch 1 >/dev/null
python3 - "$XDG_DATA_HOME/Kavrel/pro.dct" <<'PY'
import sys
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
name = "kavrel-bench-no-such-game.exe".encode("utf-16-le")
data[8:8 + len(name)] = name
open(path, "wb").write(data)
PY

now_ns() { date +%s%N; }
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# Nanoseconds on a CPU of all the process's threads: idle use is a few milliseconds in 20 s, finer
# than the 10 ms ticks of /proc/PID/stat.
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{s += $1} END {printf "%d", s}'; }
hz=$(getconf CLK_TCK)

# start_once TITLE COMMAND...: sets elapsed_ms (until the window is mapped), cpu_ms (the program's CPU
# time until then), started (its pid) and start_ns; leaves the program running. Not run in a
# subshell, so that these reach the caller. (xdotool search --sync looks only every half second, which
# rounded most starts up to the next half second.)
start_once() {
    local title=$1; shift
    # The waiter listens before the program starts and is told of the map by the X server itself.
    "$tools/kavrel-map-wait" "$title" 30 >"$work/mapped" 2>"$work/waiter.err" &
    local waiter=$!
    until_true 10 grep -q ready "$work/waiter.err" || fail "kavrel-map-wait did not start: $(cat "$work/waiter.err")"
    local t0
    t0=$(now_ns)
    "$@" 2>/dev/null &
    started=$!
    pids+=($started)
    wait "$waiter" || fail "no window \"$title\" was mapped within 30 s"
    cpu_ms=$(($(ticks "$started") * 1000 / hz))
    start_ns=$t0
    elapsed_ms=$((($(cat "$work/mapped") - t0) / 1000000))
}
stop() { kill "$1" 2>/dev/null || true; wait "$1" 2>/dev/null || true; }

measure() { # label title command...
    local label=$1 title=$2; shift 2
    local times=() cpus=()
    start_once "$title" "$@"; stop "$started" # warm-up
    for _ in 1 2 3 4 5; do
        start_once "$title" "$@"
        times+=("$elapsed_ms")
        cpus+=("$cpu_ms")
        stop "$started"
    done
    local median cpu
    median=$(printf '%s\n' "${times[@]}" | sort -n | sed -n 3p)
    cpu=$(printf '%s\n' "${cpus[@]}" | sort -n | sed -n 3p)
    start_once "$title" "$@"
    local pid=$started
    local left=$((2000 - ($(now_ns) - start_ns) / 1000000))
    [ $left -gt 0 ] && sleep "$(awk "BEGIN{print $left/1000}")"
    local rss
    rss=$(awk '/^VmRSS:/ {print $2}' "/proc/$pid/status")
    local before after
    before=$(cpu_ns "$pid")
    sleep 20
    after=$(cpu_ns "$pid")
    stop "$pid"
    local idle
    idle=$(awk "BEGIN{printf \"%.3f\", ($after - $before) * 100 / 1e9 / 20}")
    printf '%-20s start %5s ms (runs: %s)   CPU until mapped %4s ms   memory %6.1f MB   idle %s %% of a core\n' \
        "$label" "$median" "${times[*]}" "$cpu" "$(awk "BEGIN{print $rss/1024}")" "$idle"
}

measure "kavrel" "$title" "$bin/kavrel"
measure "bare Qt window" "bench bare window" "$tools/kavrel-bare-window" "bench bare window"
echo "goals: start <= 2 x bare window, memory <= bare window + 25 MB, idle <= 0.1 % of a core"
