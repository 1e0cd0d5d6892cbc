#!/usr/bin/env bash
# tools/dev run builds only the programs: building each of them alone must also put the program
# folder's cfg.ini and text.xml beside it, or the program starts without its settings and texts.
#
#   program_targets_test.sh BUILD_DIR
set -euo pipefail
build=$1
command -v ninja >/dev/null && [ -f "$build/build.ninja" ] || { echo "SKIP: not a Ninja build tree"; exit 77; }
failures=0
for target in kavrel kavrel-cli kavrel-shot; do
    commands=$(ninja -C "$build" -t commands "$target")
    for file in cfg.ini text.xml; do
        grep -q "bin/$file" <<<"$commands" || { echo "FAIL: building $target alone does not make bin/$file"; failures=$((failures + 1)); }
    done
done
[ "$failures" -eq 0 ] && echo "PASS: every program brings its program folder's data"
exit "$failures"
