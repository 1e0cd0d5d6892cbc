#!/usr/bin/env bash
# Key capture on the X server's own event path: under Xvfb, xdotool presses
# real keys (XTEST) into a dialog under key capture, and each press must
# arrive as the key message the capture rules expect: both sides of every
# modifier, AltGr as right Alt, both Enters, and Tab, Alt, F10, Esc, Enter
# taken before Qt or the dialog act on them; a held key repeats as presses
# with a single release.
#
#   key_capture_xvfb.sh PROBE
set -euo pipefail
probe=$1
for program in Xvfb xdotool; do
    command -v "$program" >/dev/null || { echo "SKIP: $program is not installed (tools/dev installs it)"; exit 77; }
done

source "$(dirname "${BASH_SOURCE[0]}")/../../tools/xvfb-session.sh"
start_xvfb 800x600x24
export XDG_RUNTIME_DIR="$work/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

"$probe" >"$work/out" 2>"$work/err" &
pids+=($!)
until_true 20 grep -q '^ready ' "$work/out" || fail "the probe did not start: $(cat "$work/err")"
window=$(sed -n 's/^ready //p' "$work/out")
xdotool windowfocus --sync "$window"

# keysym: expected "virtual key, sided key, extended flag" of its press
keys=(Control_L Control_R Alt_L Alt_R Shift_L Shift_R Super_L Super_R Return KP_Enter Tab F10 Escape a)
expected=("17 17 0" "17 163 1" "18 18 0" "18 165 1" "16 16 0" "16 161 0" "91 91 1" "92 92 1"
          "13 13 0" "13 13 1" "9 9 0" "121 121 0" "27 27 0" "65 65 0")
# A held key first: the X server repeats it; the capture sees presses and one release.
xdotool keydown b
sleep 0.8
xdotool keyup b
xdotool key --delay 30 "${keys[@]}"
until_true 20 grep -q '^\(done\|closed\)$' "$work/out" || fail "no end from the probe: $(cat "$work/out")"
grep -q '^closed$' "$work/out" && fail "a key closed the dialog: $(cat "$work/out")"

# xdotool holds the left modifier while it presses a right-hand one (it types the
# keysym with the modifier the keymap gives it), so extra presses of the left keys
# may come in between: the expected presses must come in order, and nothing else.
b_presses=$(grep -c '^1 66 ' "$work/out" || true)
b_releases=$(grep -c '^0 66 ' "$work/out" || true)
[ "$b_presses" -ge 2 ] || echo "note: the X server did not repeat the held key ($b_presses presses)"
[ "$b_releases" -eq 1 ] || fail "a held key gave $b_releases releases: $(grep ' 66 ' "$work/out" | tr '\n' ',')"
mapfile -t presses < <(sed -n 's/^1 //p' "$work/out" | grep -v '^66 ' | sed 's/ repeat$//')
next=0
for press in "${presses[@]}"; do
    if [ "$next" -lt "${#keys[@]}" ] && [ "$press" = "${expected[$next]}" ]; then
        next=$((next + 1))
        continue
    fi
    grep -qx "$press" <<<"$(printf '%s\n' "${expected[@]}")" || fail "unexpected press '$press' in: ${presses[*]}"
done
[ "$next" -eq "${#keys[@]}" ] || fail "${keys[$next]}: expected '${expected[$next]}' in order, got: ${presses[*]}"
echo "all ${#keys[@]} keys arrived as expected"
