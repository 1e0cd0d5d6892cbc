#!/usr/bin/env bash
# End-to-end test of the real kavrel under Xvfb driven by keys alone, as a user without a mouse would:
# Enter on the keyboard picture's first key, Space for the combination page, Ctrl+B typed and let go,
# Enter for OK; Ctrl+M for the macro page, the Menu key's "New macro", a name, Tab to Record, Space,
# two keys, the recording ending once the keys rest, Tab to Save, Space, Shift+Tab to the exit button;
# Tab to the speed slider and Right; Ctrl+Enter to apply. Then the simulated keyboard holds what the
# stored profile encodes, with the new key, speed and macro. Every wait is for a condition.
#
#   kavrel_keyboard_xvfb.sh BIN_DIR
set -euo pipefail
bin=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
for program in Xvfb xdotool xwd python3; do
    command -v "$program" >/dev/null || { echo "SKIP: $program is not installed (tools/dev installs it)"; exit 77; }
done

source "$here/../../tools/xvfb-session.sh"
start_xvfb 1280x800x24
use_simulated_keyboard

cli() { "$bin/kavrel-cli" "$@"; }
picture() { python3 "$here/xwd_picture.py" "$@"; }
title=$(sed -n 's:.*<tc_title>\(.*\)</tc_title>.*:\1:p' "$bin/text.xml" | head -n1)
[ -n "$title" ] || fail "no tc_title in text.xml"
cli switch 1 >/dev/null || fail "kavrel-cli switch 1"
speed_before=$(cli show 1 | sed -n 's/^lighting: mode \([0-9]*\).*/\1/p')
speed_before=$(cli show 1 | sed -n "s/^  mode $speed_before: speed \([0-9]*\).*/\1/p")

"$bin/kavrel" 2>"$work/kavrel.log" &
kavrel=$!
pids+=($kavrel)
main=$(timeout 30 xdotool search --sync --onlyvisible --name "^${title}\$" | head -n1) || fail "no window titled '$title'"
# Xvfb runs no window manager: the window is given the keyboard as a window manager would.
xdotool windowfocus --sync "$main"

keys() { xdotool key --delay 60 "$@"; }
focused() { xdotool getwindowfocus 2>/dev/null || true; }
focus_is() { [ "$(focused)" = "$1" ]; }
focus_left() { local now; now=$(focused); [ -n "$now" ] && [ "$now" != "$1" ] && [ "$now" != "${2:-}" ]; }
log() { cat "$work/kavrel.log"; }
shown() { xdotool search --onlyvisible --pid "$kavrel" 2>/dev/null | grep -qx "$1"; }
# closed WINDOW OWNER: waits for the window to go, then gives the owner the keyboard back as a window
# manager would.
closed() {
    until_true 20 sh -c "! xdotool search --onlyvisible --pid $kavrel 2>/dev/null | grep -qx $1" || return 1
    xdotool windowfocus --sync "$2"
}

# A key's function: Enter opens the picker on the focused key; Space on its first page button starts the
# capture; Ctrl+B typed and let go ends it on OK; Enter presses OK.
keys Return
until_true 20 focus_left "$main" || fail "Enter on the keyboard picture opened no picker: $(log)"
picker=$(focused)
keys space
xdotool keydown ctrl keydown b keyup b keyup ctrl
keys Return
closed "$picker" "$main" || fail "the picker stayed open: $(log)"

# A macro: Ctrl+M, the Menu key on the empty library, its first item (New macro), a name.
keys ctrl+m
until_true 20 focus_left "$main" || fail "Ctrl+M opened no macro page: $(log)"
page=$(focused)
keys Menu
menu_open() { [ "$(xdotool search --onlyvisible --pid "$kavrel" 2>/dev/null | wc -l)" -ge 3 ]; }
until_true 20 menu_open || fail "the Menu key opened no menu: $(log)"
keys Down Return
until_true 20 focus_left "$main" "$page" || fail "New macro asked for no name: $(log)"
box=$(focused)
xdotool type --delay 40 kbd
keys Return
until_true 20 test -f "$XDG_DATA_HOME/Kavrel/Mac/kbd.mck" || fail "no macro file kbd.mck: $(log)"
closed "$box" "$page" || fail "the name box stayed open"

# Tab twice to Record, Space; two keys; the recording ends once they rest.
shoot() { xwd -silent -id "$page" >"$1"; }
keys Tab Tab space
shoot "$work/before-keys.xwd"
keys a b
settled() {
    shoot "$work/next.xwd"
    local same
    same=$(picture changed "$work/recording.xwd" "$work/next.xwd" 0 2>/dev/null || echo changed)
    mv "$work/next.xwd" "$work/recording.xwd"
    [ -z "$same" ] && [ -n "$(picture changed "$work/before-keys.xwd" "$work/recording.xwd" 0)" ]
}
shoot "$work/recording.xwd"
until_true 20 settled || fail "the recorded keys were not listed"
stopped() {
    shoot "$work/now.xwd"
    [ -n "$(picture changed "$work/recording.xwd" "$work/now.xwd" 0)" ]
}
until_true 20 stopped || fail "the recording did not end by itself"
# Tab to Save, Space; the file holds the two keys.
keys Tab space
steps() { cli macro-show kbd 2>/dev/null | awk '/^ +[0-9]+ /{printf "%s %s, ", $2, $3}'; }
saved() { [ -n "$(steps)" ]; }
until_true 20 saved || fail "Save wrote no keys: $(cli macro-show kbd 2>&1)"
# The two keys and nothing of the keys that started and saved the recording.
[ "$(steps)" = "A press, A release, B press, B release, " ] || fail "the macro holds $(steps)"
# Shift+Tab four times (Record, the steps, the library, then round to the exit button), Space.
keys shift+Tab shift+Tab shift+Tab shift+Tab space
closed "$page" "$main" || fail "the macro page did not close: $(log)"

# The lighting: eight Tabs from the keyboard picture (three profiles, Macros, Restore, the check box,
# the mode) reach the speed slider; Right raises it. Ctrl+Enter applies.
keys Tab Tab Tab Tab Tab Tab Tab Tab Right
keys ctrl+Return
mode=$(cli show 1 | sed -n 's/^lighting: mode \([0-9]*\).*/\1/p')
applied() { [ -s "$KAVREL_SIM_STATE" ] && cli show 1 | grep -q "Ctrl + B"; }
until_true 30 applied || fail "Ctrl+Enter stored no new key: $(cli show 1) $(log)"
speed_after=$(cli show 1 | sed -n "s/^  mode $mode: speed \([0-9]*\).*/\1/p")
[ "$speed_after" != "$speed_before" ] || fail "the speed did not change: $(cli show 1)"
state_window=$(cli sim-state)
KAVREL_SIM_STATE="$work/expected.state" cli switch 1 >/dev/null
[ "$state_window" = "$(KAVREL_SIM_STATE="$work/expected.state" cli sim-state)" ] \
    || fail "the keyboard does not hold the stored profile"
kill -0 "$kavrel" || fail "kavrel ended"
echo "PASS"
