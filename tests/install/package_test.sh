#!/usr/bin/env bash
# Builds the Debian package from the build tree with CPack, checks its
# contents, control fields, maintainer script and lintian's verdict, then
# installs it with apt-get, runs the installed programs and removes it again,
# checking that nothing is left behind. Exits 77 (skipped) where a check
# cannot run: a build tree not configured for /usr, no dpkg tools, or, for
# the install part, no root.
#
#   package_test.sh BUILD_DIR SOURCE_DIR VERSION WITH_KAVREL (1 when the build has the window program)
set -euo pipefail

build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
version=$3
with_kavrel=${4:-0}
skip=77

prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$build/CMakeCache.txt")
if [ "$prefix" != /usr ]; then
    echo "SKIP: the package is built from a tree configured with CMAKE_INSTALL_PREFIX=/usr (this one: $prefix)"
    exit $skip
fi
for tool in cpack dpkg-deb dpkg-shlibdeps lintian; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed (tools/dev ci and tools/dev package install it)"
        exit $skip
    fi
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || {
    cat "$work/cpack.log"
    exit 1
}
deb=$(echo "$work"/out/kavrel_*.deb)
[ -f "$deb" ] || { echo "FAIL: cpack made no kavrel_*.deb"; exit 1; }

# --- contents ----------------------------------------------------------------
dpkg-deb -c "$deb" | awk '{ print $2 " " $6 }' >"$work/listing"
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null || gcc -print-multiarch)
for file in usr/bin/kavrel-cli usr/lib/$multiarch/kavrel/libhidgate.so usr/lib/$multiarch/kavrel/libhidgate-sim.so \
    usr/lib/udev/rules.d/70-kavrel.rules usr/share/kavrel/cfg.ini usr/share/kavrel/text.xml \
    usr/share/kavrel/skins/main_nr.png usr/share/applications/org.kavrel.Kavrel.desktop \
    usr/share/metainfo/org.kavrel.Kavrel.metainfo.xml usr/share/icons/hicolor/256x256/apps/org.kavrel.Kavrel.png \
    usr/share/man/man1/kavrel-cli.1.gz usr/share/doc/kavrel/copyright usr/share/doc/kavrel/changelog.gz; do
    grep -qx "root/root ./$file" "$work/listing" || fail "the package lacks /$file (or it is not owned by root)"
done
[ "$with_kavrel" = 1 ] && { grep -qx "root/root ./usr/bin/kavrel" "$work/listing" || fail "the package lacks /usr/bin/kavrel"; }
grep -E ' \./(etc|usr/local|home|opt|tmp|var)/' "$work/listing" && fail "the package installs outside /usr"

# --- control fields and the maintainer script -------------------------------
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = kavrel ] || fail "package name $(field Package)"
[ "$(field Version)" = "$version" ] || fail "package version $(field Version), project $version"
depends=$(field Depends)
for library in libc6 libudev1 libstdc++6; do
    grep -q "$library" <<<"$depends" || fail "Depends lacks $library: $depends"
done
[ "$with_kavrel" = 1 ] && { grep -q "qt6-wayland" <<<"$depends" || fail "Depends lacks qt6-wayland: $depends"; }
dpkg-deb -e "$deb" "$work/control"
scripts=$(cd "$work/control" && ls | grep -Ev '^(control|md5sums)$' | tr '\n' ' ')
[ "$scripts" = "postinst " ] || fail "maintainer scripts: '$scripts' (only postinst wanted)"
cmp -s "$work/control/postinst" "$source/data/debian/postinst" || fail "postinst differs from data/debian/postinst"
[ -x "$work/control/postinst" ] || fail "postinst is not executable"

# --- lintian -------------------------------------------------------------------
suppress=()
[ "$with_kavrel" = 1 ] || suppress=(--suppress-tags desktop-command-not-in-package) # a build without windows
if ! lintian --fail-on error "${suppress[@]}" "$deb" >"$work/lintian.log" 2>&1; then
    fail "lintian reports errors:"
    cat "$work/lintian.log"
fi

# --- install, run, remove --------------------------------------------------------
install_and_remove() {
    local apt=(apt-get -q -y -o DPkg::Lock::Timeout=300)
    DEBIAN_FRONTEND=noninteractive "${apt[@]}" install "$deb" >"$work/apt-install.log" 2>&1 || {
        cat "$work/apt-install.log"
        fail "apt-get install $deb failed"
        return
    }
    local home=$work/home out
    mkdir -p "$home"
    out=$(HOME=$home XDG_DATA_HOME=$home /usr/bin/kavrel-cli text tc_title 2>&1) || fail "installed kavrel-cli text: $out"
    [ "$out" = "tc_title=Kavrel Keyboard Center" ] || fail "installed kavrel-cli text tc_title says '$out'"
    out=$(HOME=$home XDG_DATA_HOME=$home /usr/bin/kavrel-cli config 2>&1) || fail "installed kavrel-cli config"
    grep -q '"messages": \[\]' <<<"$out" || fail "installed kavrel-cli config showed messages"
    out=$(HOME=$home KAVREL_HIDGATE=libhidgate-sim.so KAVREL_SIM_STATE=$work/sim.state /usr/bin/kavrel-cli device 2>&1) ||
        fail "installed kavrel-cli device with the simulated keyboard: $out"

    # The menu entry's command, found on the path as the desktop finds it.
    if [ "$with_kavrel" = 1 ]; then
        command=$(sed -n 's/^Exec=//p' /usr/share/applications/org.kavrel.Kavrel.desktop)
        PATH=/usr/bin:/bin "$here/kavrel_starts.sh" "$(PATH=/usr/bin:/bin command -v "$command")" "$work/start" ||
            fail "the installed kavrel did not start offscreen"
    fi

    DEBIAN_FRONTEND=noninteractive "${apt[@]}" purge kavrel >"$work/apt-remove.log" 2>&1 || {
        cat "$work/apt-remove.log"
        fail "apt-get purge kavrel failed"
    }
    dpkg-query -W -f='${Status}' kavrel 2>/dev/null | grep -q installed && fail "kavrel is still installed"
    while read -r _ path; do
        path=${path#.}
        [ -n "$path" ] && [ "$path" != / ] || continue
        # Folders that other packages share stay; everything of ours goes.
        if [ -e "$path" ] && ! { [ -d "$path" ] && [ -n "$(dpkg-query -S "$path" 2>/dev/null)" ]; }; then
            fail "left behind after removal: $path"
        fi
    done <"$work/listing"
}

if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
    echo "SKIP (install part): needs root and apt-get"
elif dpkg-query -W -f='${Status}' kavrel 2>/dev/null | grep -q "ok installed"; then
    echo "SKIP (install part): a kavrel package is already installed on this machine; it is left alone"
else
    # One install test at a time on this machine (several build trees may run their suites at once).
    exec 9>/run/lock/kavrel-package-test.lock
    flock 9
    install_and_remove
    flock -u 9
fi

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "package $(basename "$deb") checked: $(wc -l <"$work/listing") entries, lintian clean"
