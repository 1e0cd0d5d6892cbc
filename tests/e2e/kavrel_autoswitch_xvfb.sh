#!/usr/bin/env bash
# End-to-end test of automatic switching set up through the real kavrel under Xvfb, driven with xdotool as
# a user would: right-click the profile 3 button, choose "Switch automatically when…", type a program's
# name, OK, Apply; then start that program and see the simulated keyboard switch to profile 3 (and profile 3
# become the current one). Every wait is for a condition, with a deadline.
#
#   kavrel_autoswitch_xvfb.sh BIN_DIR
set -euo pipefail
bin=$1
for program in Xvfb xdotool python3; do
    command -v "$program" >/dev/null || { echo "SKIP: $program is not installed (tools/dev installs it)"; exit 77; }
done

source "$(dirname "${BASH_SOURCE[0]}")/../../tools/xvfb-session.sh"
start_xvfb 1280x800x24
use_simulated_keyboard

cli() { "$bin/kavrel-cli" "$@"; }
point() { cli config | python3 -c "import json, sys; print(*json.load(sys.stdin)['settings']['$1'])"; }
title=$(sed -n 's:.*<tc_title>\(.*\)</tc_title>.*:\1:p' "$bin/text.xml" | head -n1)
[ -n "$title" ] || fail "no tc_title in text.xml"

# Profile 1 on the keyboard; profile 3 differs from it (lighting mode 7).
cli switch 1 >/dev/null || fail "kavrel-cli switch 1"
python3 - "$XDG_DATA_HOME/Kavrel/pro.dct" <<'PY'
import struct, sys
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
profile_size, led_mode = 11596, 5796
struct.pack_into("<I", data, 2 * profile_size + led_mode, 7)
open(path, "wb").write(data)
PY
KAVREL_SIM_STATE="$work/expected.state" cli apply 3 2>/dev/null || fail "kavrel-cli apply 3"
state_profile3=$(KAVREL_SIM_STATE="$work/expected.state" cli sim-state)
[ "$(cli sim-state)" != "$state_profile3" ] || fail "profile 3 looks like profile 1"

"$bin/kavrel" 2>"$work/kavrel.log" &
kavrel=$!
pids+=($kavrel)
window=$(timeout 30 xdotool search --sync --onlyvisible --name "^${title}\$" | head -n1) || fail "no window titled '$title'"
read -r px py <<<"$(point ptProfile)"
read -r ax ay <<<"$(point ptApplyBtn)"

# Right-click the profile 3 button; its menu (titled after the profile) takes the keyboard: the second item
# is "Switch automatically when…".
xdotool mousemove --sync --window "$window" $((px + 20)) $((py + 2 * 33 + 10)) click 3
timeout 30 xdotool search --sync --onlyvisible --name "^Profile 3\$" >/dev/null || fail "no menu for profile 3"
dialog_title="Switch automatically when - "
xdotool key Down Down Return
dialog=$(timeout 30 xdotool search --sync --onlyvisible --name "^${dialog_title}" | head -n1) \
    || fail "no program dialog: $(cat "$work/kavrel.log")"
game=kavrel-e2e-game
xdotool type --delay 20 "$game"
xdotool key Return
until_true 20 sh -c "! xdotool search --onlyvisible --name '^${dialog_title}' >/dev/null" || fail "the program dialog stayed open"

# Apply stores the link (and writes profile 1, still the current one, to the keyboard).
xdotool mousemove --sync --window "$window" $((ax + 126 + 20)) $((ay + 10)) click 1
linked() { cli show 3 | grep -q "^program: $game\$"; }
until_true 30 linked || fail "Apply did not store the program of profile 3: $(cli show 3)"
[ "$(cli sim-state)" != "$state_profile3" ] || fail "the keyboard switched before the program ran"

# The program starts: the keyboard switches to profile 3, which becomes current.
cp "$(command -v sleep)" "$work/$game"
"$work/$game" 120 &
pids+=($!)
switched() { [ "$(cli sim-state)" = "$state_profile3" ]; }
until_true 30 switched || fail "the keyboard did not switch to profile 3: $(cat "$work/kavrel.log")"
current3() { cli show 3 | grep -q ', current'; }
until_true 30 current3 || fail "profile 3 did not become current"
kill -0 "$kavrel" || fail "kavrel ended"
echo "PASS"
