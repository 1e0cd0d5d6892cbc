#!/usr/bin/env bash
# End-to-end test of the real kavrel on Wayland: weston's X11 back end nested in Xvfb, kavrel a
# Wayland client of it, driven with xdotool through weston's window and seen through xwd pictures.
# The window appears with transparent corners (the desktop shows through them), and profile 2 +
# Apply reaches the simulated keyboard. Every wait is for a condition, with a deadline.
#
#   kavrel_wayland.sh BIN_DIR
set -euo pipefail
bin=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
for program in Xvfb xdotool xwd weston python3; do
    command -v "$program" >/dev/null || { echo "SKIP: $program is not installed (tools/dev installs it)"; exit 77; }
done
ls /usr/lib/*/qt6/plugins/platforms/libqwayland-generic.so >/dev/null 2>&1 \
    || { echo "SKIP: the Qt Wayland platform (qt6-wayland) is not installed"; exit 77; }

source "$here/../../tools/xvfb-session.sh"
start_xvfb 1400x900x24
export KAVREL_HIDGATE=libhidgate-sim.so
export KAVREL_SIM_STATE="$work/sim.state"
export XDG_DATA_HOME="$work/data"
export XDG_RUNTIME_DIR="$work/run"
export XDG_CONFIG_HOME="$work/config"
export HOME="$work/home"
mkdir -p "$XDG_RUNTIME_DIR" "$HOME" "$XDG_CONFIG_HOME" && chmod 700 "$XDG_RUNTIME_DIR"
unset KAVREL_SIM_OPTIONS KAVREL_PROGRAM_DIR WAYLAND_DISPLAY

cli() { "$bin/kavrel-cli" "$@"; }
point() { cli config | python3 -c "import json, sys; print(*json.load(sys.stdin)['settings']['$1'])"; }
picture() { python3 "$here/xwd_picture.py" "$@"; }

# A store whose profile 2 differs from profile 1 (lighting mode), profile 1 on the keyboard.
cli switch 1 >/dev/null || fail "kavrel-cli switch 1"
python3 - "$XDG_DATA_HOME/Kavrel/pro.dct" <<'PY'
import struct, sys
path = sys.argv[1]
data = bytearray(open(path, "rb").read())
struct.pack_into("<I", data, 11596 + 5796, 1)
open(path, "wb").write(data)
PY
state_profile1=$(cli sim-state)

# weston with its own desktop (panel at the top, a patterned background below).
weston --backend=x11-backend.so --use-pixman --width=1300 --height=800 --socket=kavrel-test --idle-time=0 \
    >"$work/weston.log" 2>&1 &
pids+=($!)
compositor=$(timeout 30 xdotool search --sync --classname '^weston' | head -n1) \
    || fail "weston did not open its window: $(cat "$work/weston.log")"
until_true 30 test -S "$XDG_RUNTIME_DIR/kavrel-test" || fail "weston made no socket: $(cat "$work/weston.log")"
# Below weston's panel (its clock changes); the pointer rests in a corner so that it is in no picture diff.
panel=40
xdotool mousemove --sync --window "$compositor" 1299 799
shoot() { xwd -silent -id "$compositor" >"$1"; }
# weston fades its desktop in: the desktop is drawn once two pictures in a row are the same and not black.
desktop_drawn() {
    [ -f "$work/desktop.xwd" ] && mv "$work/desktop.xwd" "$work/desktop-before.xwd"
    shoot "$work/desktop.xwd"
    [ -f "$work/desktop-before.xwd" ] && [ -z "$(picture changed "$work/desktop-before.xwd" "$work/desktop.xwd" "$panel")" ] \
        && [ "$(picture pixel "$work/desktop.xwd" 650 400)" != "0 0 0" ]
}
until_true 30 desktop_drawn || fail "weston drew no desktop"

WAYLAND_DISPLAY=kavrel-test QT_QPA_PLATFORM=wayland "$bin/kavrel" >"$work/kavrel.log" 2>&1 &
kavrel=$!
pids+=($kavrel)
# The window is there once the picture below the panel stops changing and no longer matches the desktop.
box=""
window_shown() {
    shoot "$work/shown.xwd"
    local now
    now=$(picture changed "$work/desktop.xwd" "$work/shown.xwd" "$panel")
    [ -n "$now" ] && [ "$now" = "$box" ] && return 0
    box=$now
    return 1
}
until_true 60 window_shown || fail "no kavrel window appeared: $(cat "$work/kavrel.log")"
read -r x0 y0 x1 y1 <<<"$box"
width=$((x1 - x0 + 1))
height=$((y1 - y0 + 1))
main_size=$(python3 -c "import struct; d=open('$bin/skins/main_nr.png','rb').read(24); print(*struct.unpack('>II', d[16:24]))")
[ "$width $height" = "$main_size" ] || fail "the window covers ${width}x${height}, its picture is $main_size"

# The corners of the window's rectangle show the desktop behind it; its middle shows the window.
for corner in "$x0 $y0" "$x1 $y0" "$x0 $y1" "$x1 $y1"; do
    read -r cx cy <<<"$corner"
    [ "$(picture pixel "$work/shown.xwd" "$cx" "$cy")" = "$(picture pixel "$work/desktop.xwd" "$cx" "$cy")" ] \
        || fail "corner $cx,$cy does not show the desktop: $(picture pixel "$work/shown.xwd" "$cx" "$cy")"
done
[ "$(picture pixel "$work/shown.xwd" $((x0 + width / 2)) $((y0 + 5)))" != \
  "$(picture pixel "$work/desktop.xwd" $((x0 + width / 2)) $((y0 + 5)))" ] || fail "the window's top edge is missing"

# Profile 2, then Apply, clicked through weston's window.
read -r px py <<<"$(point ptProfile)"
read -r ax ay <<<"$(point ptApplyBtn)"
click() { xdotool mousemove --sync --window "$compositor" $((x0 + $1)) $((y0 + $2)) click 1; }
click $((px + 20)) $((py + 33 + 10))
click $((ax + 126 + 20)) $((ay + 10))
current2() { cli show 2 | grep -q ', current'; }
until_true 30 current2 || fail "Apply did not make profile 2 current: $(cat "$work/kavrel.log")"
state_window=$(cli sim-state)
KAVREL_SIM_STATE="$work/expected.state" cli switch 2 >/dev/null
[ "$state_window" = "$(KAVREL_SIM_STATE="$work/expected.state" cli sim-state)" ] \
    || fail "the keyboard does not hold profile 2"
[ "$state_window" != "$state_profile1" ] || fail "profile 2 looks like profile 1"
kill -0 "$kavrel" || fail "kavrel ended"
echo "PASS"
