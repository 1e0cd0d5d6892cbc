#!/usr/bin/env bash
# Installs the build into a staging folder (DESTDIR), checks the installed file
# list, runs the installed programs from there, then moves the whole prefix
# elsewhere and runs them again: the programs must find their data and HID
# modules relative to their own folder.
#
#   install_test.sh BUILD_DIR PKGLIBDIR VERSION WITH_KAVREL (1 when the build has the window program)
set -euo pipefail

build=$(cd "$1" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
pkglibdir=$2 # the private module folder below the prefix, e.g. lib/kavrel
version=$3

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# The installed programs must not be steered by the caller's environment.
unset KAVREL_PROGRAM_DIR KAVREL_HIDGATE KAVREL_SIM_OPTIONS
export HOME=$work/home XDG_DATA_HOME=$work/home/data XDG_RUNTIME_DIR=$work/run KAVREL_SIM_STATE=$work/sim.state
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
cd "$work"

prefix=/opt/kavrel-test
DESTDIR=$work/stage cmake --install "$build" --prefix "$prefix" >"$work/install.log"
root=$work/stage$prefix

# --- the file list ---------------------------------------------------------
expected=(
    bin/kavrel-cli
    "$pkglibdir/libhidgate.so" "$pkglibdir/libhidgate-sim.so"
    lib/udev/rules.d/70-kavrel.rules
    share/kavrel/cfg.ini share/kavrel/text.xml share/kavrel/lang/de/text.xml share/kavrel/appico.ico
    share/kavrel/skins/main_nr.png share/kavrel/skins/keyimg.png
    share/kavrel/models/ansi/cfg.ini share/kavrel/models/ansi/keyimg.png
    share/kavrel/models/iso/cfg.ini share/kavrel/models/iso/keyimg.png
    share/applications/org.kavrel.Kavrel.desktop share/metainfo/org.kavrel.Kavrel.metainfo.xml
    share/icons/hicolor/48x48/apps/org.kavrel.Kavrel.png share/icons/hicolor/64x64/apps/org.kavrel.Kavrel.png
    share/icons/hicolor/128x128/apps/org.kavrel.Kavrel.png share/icons/hicolor/256x256/apps/org.kavrel.Kavrel.png
    share/icons/hicolor/scalable/apps/org.kavrel.Kavrel.svg
    share/man/man1/kavrel.1.gz share/man/man1/kavrel-cli.1.gz
    share/doc/kavrel/copyright share/doc/kavrel/changelog.gz share/doc/kavrel/profile-file.md
)
with_kavrel=
[ "${4:-0}" = 1 ] && with_kavrel=yes && expected+=(bin/kavrel)
for file in "${expected[@]}"; do
    [ -f "$root/$file" ] || fail "not installed: $file"
done
# Nothing else: no build tools, test programs, static libraries or headers.
allowed="^(bin/kavrel(-cli)?|$pkglibdir/libhidgate(-sim)?\.so|lib/udev/rules\.d/70-kavrel\.rules|share/kavrel/.+"
allowed+="|share/applications/org\.kavrel\.Kavrel\.desktop|share/metainfo/org\.kavrel\.Kavrel\.metainfo\.xml"
allowed+="|share/icons/hicolor/[^/]+/apps/org\.kavrel\.Kavrel\.(png|svg)|share/man/man1/kavrel(-cli)?\.1\.gz"
allowed+="|share/doc/kavrel/(copyright|changelog\.gz|profile-file\.md))$"
while IFS= read -r file; do
    [[ $file =~ $allowed ]] || fail "unexpected file installed: $file"
done < <(cd "$root" && find . -mindepth 1 \( -type f -o -type l \) -printf '%P\n')
for file in bin/kavrel-cli; do
    [ -x "$root/$file" ] || fail "not executable: $file"
done
writable=$(find "$root" -perm -o+w ! -type l)
[ -z "$writable" ] || fail "writable by everyone: $writable"
# Each theme icon is as large as its folder says (the PNG header's width and height, big-endian).
for size in 48 64 128 256; do
    icon=$root/share/icons/hicolor/${size}x$size/apps/org.kavrel.Kavrel.png
    [ -f "$icon" ] || continue
    read -r w3 w2 w1 w0 h3 h2 h1 h0 < <(od -An -tu1 -j16 -N8 "$icon")
    width=$(((w3 << 24) | (w2 << 16) | (w1 << 8) | w0))
    height=$(((h3 << 24) | (h2 << 16) | (h1 << 8) | h0))
    [ "$width.$height" = "$size.$size" ] || fail "icon ${size}x$size is ${width}x$height"
done
grep -q "^Exec=kavrel$" "$root/share/applications/org.kavrel.Kavrel.desktop" ||
    fail "the menu entry does not start kavrel"

# --- the installed programs --------------------------------------------------
# run_programs LABEL PREFIX MACRO_OPT_X: the programs of the tree at PREFIX find their data
# and the simulated keyboard's module on their own.
run_programs() {
    local label=$1 at=$2 out
    out=$("$at/bin/kavrel-cli" --version) || fail "$label: kavrel-cli --version"
    [ "$out" = "kavrel-cli $version" ] || fail "$label: kavrel-cli --version says '$out'"
    out=$("$at/bin/kavrel-cli" text tc_title tc_version 2>&1) || fail "$label: kavrel-cli text: $out"
    [ "$out" = $'tc_title=Kavrel Keyboard Center\ntc_version=V'"$version" ] ||
        fail "$label: kavrel-cli text tc_title tc_version says '$out'"
    out=$("$at/bin/kavrel-cli" config 2>&1) || fail "$label: kavrel-cli config"
    grep -q '"messages": \[\]' <<<"$out" || fail "$label: kavrel-cli config showed messages: $(tail -3 <<<"$out")"
    grep -qF "\"Macro_Opt_X\": $3," <<<"$out" || fail "$label: kavrel-cli config did not read the tree's cfg.ini"
    out=$(KAVREL_HIDGATE=libhidgate-sim.so "$at/bin/kavrel-cli" device 2>&1) ||
        fail "$label: the simulated keyboard's module was not found: $out"
    grep -q "present: yes" <<<"$out" || fail "$label: kavrel-cli device says: $out"
    if [ -n "$with_kavrel" ]; then
        out=$(env -u DISPLAY -u WAYLAND_DISPLAY "$at/bin/kavrel" --version) || fail "$label: kavrel --version"
        [ "$out" = "kavrel $version" ] || fail "$label: kavrel --version says '$out'"
        rm -rf "$work/start"
        "$here/kavrel_starts.sh" "$at/bin/kavrel" "$work/start" || fail "$label: kavrel did not start offscreen"
    fi
}

run_programs "installed" "$root" 350

# Moved elsewhere, the tree reads its own (changed) cfg.ini and modules.
mkdir -p "$work/moved"
mv "$root" "$work/moved/kavrel"
moved=$work/moved/kavrel
sed -i 's/^Macro_Opt_X=.*/Macro_Opt_X=351/' "$moved/share/kavrel/cfg.ini"
run_programs "moved" "$moved" 351

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "installed tree checked: ${#expected[@]} files, programs run in place and after a move"
