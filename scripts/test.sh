#!/usr/bin/env bash
# Builds everything and runs every test: the plain build, then the same tests built with
# AddressSanitizer and UndefinedBehaviorSanitizer. Tests that need a display get a virtual X
# server when none is set.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test

jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DBALANTOR_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"

if [ -z "${DISPLAY:-}" ]; then
    source scripts/xvfb.sh
    xvfb_start 1024x768x24
    trap xvfb_stop EXIT
fi

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:suppressions=$PWD/tests/asan.supp"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

# A test that fails is run once more before it counts: Mesa's driver, unloaded before the leak
# checker looks, now and then leaves an allocation the checker cannot name, and the end-to-end
# tests wait on a real X server.
status=0
echo "== tests"
ctest --test-dir build --output-on-failure -j"$jobs" --repeat until-pass:2 || status=1
echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
ctest --test-dir build-asan --output-on-failure -j"$jobs" --repeat until-pass:2 || status=1
echo "== fuzzing the model reader and the bitmap loader, a minute each"
scripts/fuzz.sh 60 || status=1
exit $status
