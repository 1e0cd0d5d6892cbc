#!/usr/bin/env bash
# End-to-end test of the real kavrel under Xvfb, driven with xdotool as a user would, for what
# must never be lost or hidden: on a new account (no ~/.local/share yet) Apply stores the
# profiles in private folders; a store of random bytes is reported once, kept aside and never
# reaches the keyboard; a start that fails ends with a non-zero status. Every wait is for a
# condition, with a deadline.
#
#   kavrel_trust_xvfb.sh BIN_DIR
set -euo pipefail
bin=$1
for program in Xvfb xdotool python3; do
    command -v "$program" >/dev/null || { echo "SKIP: $program is not installed (tools/dev installs it)"; exit 77; }
done

source "$(dirname "${BASH_SOURCE[0]}")/../../tools/xvfb-session.sh"
start_xvfb 1280x800x24
use_simulated_keyboard
unset XDG_DATA_HOME # a new account: the data folder comes from HOME
unset XDG_DATA_HOME KAVREL_SIM_OPTIONS KAVREL_PROGRAM_DIR

cli() { "$bin/kavrel-cli" "$@"; }
point() { cli config | python3 -c "import json, sys; print(*json.load(sys.stdin)['settings']['$1'])"; }
title=$(sed -n 's:.*<tc_title>\(.*\)</tc_title>.*:\1:p' "$bin/text.xml" | head -n1)
data="$HOME/.local/share/Kavrel"
read -r ax ay <<<"$(point ptApplyBtn)"
read -r ex ey <<<"$(point ptExit)"
click() { xdotool mousemove --sync --window "$1" "$2" "$3" click 1; }
ended() { ! kill -0 "$1" 2>/dev/null || [ "$(ps -o stat= -p "$1" | cut -c1)" = Z ]; }
main_window() { timeout 30 xdotool search --sync --onlyvisible --name "^${title}\$" | head -n1; }
exit_kavrel() { # window pid
    click "$1" $((ex + 4)) $((ey + 4))
    until_true 20 ended "$2" || fail "Exit did not end kavrel"
    wait "$2" || fail "kavrel ended with status $?; what it wrote: $(tail -n 30 "$work"/kavrel*.log)"
}

# 1. A new account: the data folder and its missing parents are made, private, and Apply stores.
"$bin/kavrel" 2>"$work/kavrel1.log" &
first=$!
pids+=($first)
window=$(main_window) || fail "no window titled '$title': $(cat "$work/kavrel1.log")"
click "$window" $((ax + 126 + 20)) $((ay + 10))
until_true 30 test -s "$data/curid.dct" || fail "Apply stored nothing: $(cat "$work/kavrel1.log")"
for folder in "$HOME/.local" "$HOME/.local/share" "$data"; do
    [ "$(stat -c %a "$folder")" = 700 ] || fail "$folder is not private: $(stat -c %a "$folder")"
done
exit_kavrel "$window" "$first"

# 2. A store of random bytes: the user is told (a box before the window), the file is kept aside,
# and what Apply writes and stores is three sound profiles.
python3 - "$data/pro.dct" <<'PY'
import random, sys
random.seed(20)
open(sys.argv[1], "wb").write(bytes(random.getrandbits(8) for _ in range(463840)))
PY
cp "$data/pro.dct" "$work/random.dct"
"$bin/kavrel" 2>"$work/kavrel2.log" &
second=$!
pids+=($second)
box=$(timeout 30 xdotool search --sync --onlyvisible --pid "$second" | head -n1) || fail "no message about the store"
eval "$(xdotool getwindowgeometry --shell "$box" | sed 's/^/BOX_/')"
click "$box" $((BOX_WIDTH - 87 + 20)) $((BOX_HEIGHT - 45 + 10))
window=$(main_window) || fail "no window after the message: $(cat "$work/kavrel2.log")"
click "$window" $((ax + 126 + 20)) $((ay + 10))
saved() { ! cmp -s "$data/pro.dct" "$work/random.dct"; }
until_true 30 saved || fail "Apply did not store: $(cat "$work/kavrel2.log")"
kept=$(ls "$data"/pro.dct.damaged-* 2>/dev/null | head -n1)
[ -n "$kept" ] || fail "the damaged store was not kept aside"
cmp -s "$kept" "$work/random.dct" || fail "the kept copy differs from the damaged store"
python3 - "$data/pro.dct" <<'PY' || fail "the stored profiles are not sound"
import struct, sys
data = open(sys.argv[1], "rb").read()
size = 11596
ids = [struct.unpack_from("<I", data, slot * size + 4)[0] for slot in range(40)]
assert sum(1 for i in ids if i) == 3, ids
for slot in range(3):
    magic, = struct.unpack_from("<I", data, slot * size)
    mode, = struct.unpack_from("<I", data, slot * size + 5796)
    colour_set, = struct.unpack_from("<H", data, slot * size + 5820)
    assert magic == 0xFCFB7794 and mode < 10 and colour_set < 10, (slot, magic, mode, colour_set)
PY
state_window=$(cli sim-state)
KAVREL_SIM_STATE="$work/expected.state" cli switch 1 >/dev/null
[ "$state_window" = "$(KAVREL_SIM_STATE="$work/expected.state" cli sim-state)" ] \
    || fail "the keyboard does not hold the stored profile 1"
exit_kavrel "$window" "$second"

# 3. A start that fails (no skin): the missing picture is named, and the status is not 0.
mkdir "$work/noskin"
cp "$bin/cfg.ini" "$bin/text.xml" "$work/noskin/"
KAVREL_PROGRAM_DIR="$work/noskin" "$bin/kavrel" 2>"$work/kavrel3.log" &
third=$!
pids+=($third)
box=$(timeout 30 xdotool search --sync --onlyvisible --pid "$third" | head -n1) || fail "no message about the skin"
xdotool windowfocus --sync "$box" key Return
until_true 20 ended "$third" || fail "kavrel did not end after a failed start"
if wait "$third"; then fail "a failed start ended with status 0"; fi
echo "PASS"
