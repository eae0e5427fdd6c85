#!/usr/bin/env bash
# Plants each fault of faults.txt in turn, builds, runs the tests of the plain build (all but the
# soak tests) and prints which of them caught it; the source is put back after each fault. Needs
# a checkout without uncommitted changes, since it edits and restores tracked files.
# Usage: tests/faults/plant.sh [--first] [NAME...]
#   --first  stops each run at the first failing test: only whether the fault was caught
#   NAME     only these faults
# BUILD names the build directory (default build); TESTS, a ctest regular expression, limits the
# run to the tests it matches. A fault in the web page (platform/web/page/, scripts/build-web.sh)
# is run against the page's cases instead, each case file on its own (WEB_CASES: which files).
set -uo pipefail
cd "$(dirname "$0")/../.."
build=${BUILD:-build}
first=""
[ "${1:-}" = --first ] && { first=--stop-on-failure; shift; }
if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
    echo "plant.sh: commit or stash the changes first" >&2
    exit 2
fi
if [ -z "${DISPLAY:-}" ]; then
    source scripts/xvfb.sh
    xvfb_start 1024x768x24
    trap xvfb_stop EXIT
fi
jobs=$(nproc)
cmake --build "$build" -j"$jobs" >/dev/null || exit 2
failed_log=$build/Testing/Temporary/LastTestsFailed.log
caught=0
missed=0
while IFS='|' read -r name file text replacement; do
    [[ -z $name || $name == \#* ]] && continue
    [ $# -gt 0 ] && [[ " $* " != *" $name "* ]] && continue
    if ! TEXT=$text REPLACEMENT=$replacement perl -0777 -pi -e '
            BEGIN { ($t, $r) = map { s/\\n/\n/gr } @ENV{qw(TEXT REPLACEMENT)} }
            $n = s/\Q$t\E/$r/;
            END { exit($n ? 0 : 3) }' "$file"; then
        echo "$name: not planted, the text is not in $file"
        git checkout -q -- "$file"
        continue
    fi
    if [[ $file == platform/web/page/* || $file == scripts/build-web.sh ]]; then
        # The page's own faults: its cases in Chromium catch them, a case file at a time.
        caught_by=""
        for cases in ${WEB_CASES:-tests/web/*.test.mjs}; do
            scripts/test-web.sh "$cases" >/dev/null 2>&1 || caught_by+="$(basename "$cases") "
            [ -n "$first" ] && [ -n "$caught_by" ] && break
        done
        if [ -n "$caught_by" ]; then
            caught=$((caught + 1))
            echo "$name: caught by $caught_by"
        else
            missed=$((missed + 1))
            echo "$name: MISSED"
        fi
    elif cmake --build "$build" -j"$jobs" >/dev/null 2>&1; then
        rm -f "$failed_log"
        ctest --test-dir "$build" -E '^soak' ${TESTS:+-R "$TESTS"} -j"$jobs" $first >/dev/null 2>&1
        if [ -s "$failed_log" ]; then
            caught=$((caught + 1))
            echo "$name: caught by $(cut -d: -f2 "$failed_log" | sort | tr '\n' ' ')"
        else
            missed=$((missed + 1))
            echo "$name: MISSED"
        fi
    else
        echo "$name: does not build"
    fi
    git checkout -q -- "$file"
done <tests/faults/faults.txt
cmake --build "$build" -j"$jobs" >/dev/null
echo "caught $caught, missed $missed"
