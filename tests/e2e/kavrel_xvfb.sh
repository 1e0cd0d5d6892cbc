#!/usr/bin/env bash
# End-to-end test of the real kavrel under Xvfb, driven with xdotool as a user would:
# choose profile 2 and Apply, check the simulated keyboard holds profile 2, start a
# second kavrel and see the first one come to the front while the second ends, then
# end the first with its Exit button. Every wait is for a condition, with a deadline.
#
#   kavrel_xvfb.sh BIN_DIR TOOLS_DIR
set -euo pipefail
bin=$1
tools=$2
for program in Xvfb xdotool python3; do
    command -v "$program" >/dev/null || { echo "SKIP: $program is not installed (tools/dev installs it)"; exit 77; }
done

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# until SECONDS COMMAND...: runs the command until it succeeds, failing after the deadline.
until_true() {
    local deadline=$((SECONDS + $1)); shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
until_true 20 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"
export QT_QPA_PLATFORM=xcb
export KAVREL_HIDGATE=libhidgate-sim.so
export KAVREL_SIM_STATE="$work/sim.state"
export XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/run"
export HOME="$work/home"
mkdir -p "$XDG_RUNTIME_DIR" "$HOME" && chmod 700 "$XDG_RUNTIME_DIR"
unset KAVREL_SIM_OPTIONS KAVREL_PROGRAM_DIR

cli() { "$bin/kavrel-cli" "$@"; }
cfg() { sed -n "s/^$1=//p" "$bin/cfg.ini" | tr -d '\r'; }
title=$(sed -n 's:.*<tc_title>\(.*\)</tc_title>.*:\1:p' "$bin/text.xml" | head -n1)
[ -n "$title" ] || fail "no tc_title in text.xml"

# A store whose profile 2 differs from profile 1 (lighting mode), profile 1 on the keyboard.
cli switch 1 >/dev/null || fail "kavrel-cli switch 1"
python3 - "$XDG_DATA_HOME/Kavrel/pro.dct" <<'PY'
import struct, sys
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
profile_size, led_mode = 11596, 5796
struct.pack_into("<I", data, profile_size + led_mode, 1)
open(path, "wb").write(data)
PY
state_profile1=$(cli sim-state)

"$bin/kavrel" 2>"$work/kavrel1.log" &
first=$!
pids+=($first)
window=$(timeout 30 xdotool search --sync --onlyvisible --name "^${title}\$" | head -n1) || fail "no window titled '$title'"

IFS=, read -r px py <<<"$(cfg ptProfile)"
IFS=, read -r ax ay <<<"$(cfg ptApplyBtn)"
IFS=, read -r ex ey <<<"$(cfg ptExit)"
click() { xdotool mousemove --sync --window "$window" "$1" "$2" click 1; }
click $((px + 20)) $((py + 33 + 10))
click $((ax + 126 + 20)) $((ay + 10))
current2() { cli show 2 | grep -q ', current'; }
until_true 30 current2 || fail "Apply did not make profile 2 current: $(cat "$work/kavrel1.log")"

# The keyboard holds what a switch to profile 2 writes, and no longer profile 1.
state_window=$(cli sim-state)
KAVREL_SIM_STATE="$work/expected.state" cli switch 2 >/dev/null
state_expected=$(KAVREL_SIM_STATE="$work/expected.state" cli sim-state)
[ "$state_window" = "$state_expected" ] || fail "the keyboard does not hold profile 2"
[ "$state_window" != "$state_profile1" ] || fail "profile 2 looks like profile 1"

# Another window takes the focus; a second kavrel brings the first back to the front and ends.
"$tools/kavrel-bare-window" "e2e other window" &
pids+=($!)
other=$(timeout 30 xdotool search --sync --onlyvisible --name "^e2e other window\$" | head -n1) || fail "no other window"
xdotool windowraise "$other" windowfocus --sync "$other"
timeout 30 "$bin/kavrel" 2>"$work/kavrel2.log" || fail "the second kavrel did not end by itself (status $?)"
focused() { [ "$(xdotool getwindowfocus)" = "$window" ]; }
until_true 20 focused || fail "the first kavrel did not come to the front"
kill -0 "$first" || fail "the first kavrel ended"

# Exit ends the program (no system tray under Xvfb, so the window does not hide).
click $((ex + 4)) $((ey + 4))
until_true 20 eval '! kill -0 '"$first"' 2>/dev/null' || fail "Exit did not end kavrel"
echo "PASS"
