#!/usr/bin/env bash
# End-to-end test of the real kavrel under Xvfb, driven with xdotool as a user would:
# choose profile 2 and Apply, check the simulated keyboard holds profile 2, cover the
# window, start a second kavrel and see the first one come to the top while the second ends, then
# end the first with its Exit button. Every wait is for a condition, with a deadline.
#
#   kavrel_xvfb.sh BIN_DIR TOOLS_DIR
set -euo pipefail
bin=$1
tools=$2
for program in Xvfb xdotool python3; do
    command -v "$program" >/dev/null || { echo "SKIP: $program is not installed (tools/dev installs it)"; exit 77; }
done

source "$(dirname "${BASH_SOURCE[0]}")/../../tools/xvfb-session.sh"
start_xvfb 1280x800x24
use_simulated_keyboard

cli() { "$bin/kavrel-cli" "$@"; }
# A point of the settings as the program reads them (defaults included): "x y".
point() { cli config | python3 -c "import json, sys; print(*json.load(sys.stdin)['settings']['$1'])"; }
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

read -r px py <<<"$(point ptProfile)"
read -r ax ay <<<"$(point ptApplyBtn)"
read -r ex ey <<<"$(point ptExit)"
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

# Another window covers the first kavrel; a second kavrel brings the first back to the top and ends.
# (Which window is on top is read from the window under the pointer, at a point both windows cover.)
"$tools/kavrel-bare-window" "e2e other window" &
pids+=($!)
other=$(timeout 30 xdotool search --sync --onlyvisible --name "^e2e other window\$" | head -n1) || fail "no other window"
xdotool windowmove --sync "$other" 0 0 windowraise "$other"
eval "$(xdotool getwindowgeometry --shell "$window" | sed 's/^/KAVREL_/')"
xdotool mousemove --sync $((KAVREL_X + 60)) $((KAVREL_Y + 60))
on_top() { [ "$(xdotool getmouselocation --shell | sed -n 's/^WINDOW=//p')" = "$1" ]; }
until_true 20 on_top "$other" || fail "the other window did not cover kavrel"
timeout 30 "$bin/kavrel" 2>"$work/kavrel2.log" || fail "the second kavrel did not end by itself (status $?)"
until_true 20 on_top "$window" || fail "the first kavrel did not come to the front"
kill -0 "$first" || fail "the first kavrel ended"

# Exit ends the program (no system tray under Xvfb, so the window does not hide).
click $((ex + 4)) $((ey + 4))
# (An ended child stays a zombie until waited for.)
ended() { ! kill -0 "$1" 2>/dev/null || [ "$(ps -o stat= -p "$1" | cut -c1)" = Z ]; }
until_true 20 ended "$first" || fail "Exit did not end kavrel"
wait "$first" || fail "kavrel ended with status $?; what it wrote: $(tail -n 30 "$work/kavrel1.log")"
echo "PASS"
