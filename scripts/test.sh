#!/usr/bin/env bash
# Builds everything and runs every test: the plain build, then the same tests built with
# AddressSanitizer and UndefinedBehaviorSanitizer, then the Debian package, then the Windows build
# under Wine, then the web page in headless Chromium. Every test that needs a display starts a
# virtual X server of its own; the Wine part shares one.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test

jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DBALANTOR_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
# The Windows build, its zip and its tests; the end-to-end cases use the native X helper.
scripts/build-windows.sh -DBALANTOR_TESTS=ON -DBALANTOR_E2E_X11="$PWD/build/tests/e2e_x11"
cmake --build build-windows -j"$jobs"

source scripts/xvfb.sh
wine_prefix=""
# The Wine prefix of the run, and its server, go when the run ends.
wine_stop() {
    if [ -n "$wine_prefix" ]; then
        WINEPREFIX=$wine_prefix wineserver -k
        rm -rf "$wine_prefix"
        wine_prefix=""
    fi
}
trap 'wine_stop; xvfb_stop' EXIT

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:suppressions=$PWD/tests/asan.supp"
export LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

status=0
echo "== tests"
ctest --test-dir build --output-on-failure -j"$jobs" || status=1
echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
ctest --test-dir build-asan --output-on-failure -j"$jobs" || status=1
echo "== the Debian package"
if scripts/package-deb.sh; then
    bash tests/package/deb.sh "$(ls -t dist/balantor_*_amd64.deb | head -1)" build/tests/e2e_x11 ||
        status=1
else
    status=1
fi
echo "== the Windows build under Wine"
wine_start=$SECONDS
xvfb_start 1024x768x24
# One Wine prefix for the run, made here without .NET or a browser. Then its server is started
# anew to stay up until the end, so that the system processes start once, here, and not in a test
# whose output they would hold open: started while the prefix is being made, some of them would
# be left behind, and a desktop that has to start again later would wait for them.
wine_prefix=$(mktemp -d)
export WINEPREFIX=$wine_prefix WINEDEBUG=-all
WINEDLLOVERRIDES="mscoree,mshtml=" wine wineboot -i </dev/null >/dev/null 2>&1 || status=1
wineserver -w
wineserver -p
wine wineboot </dev/null >/dev/null 2>&1 || status=1
ctest --test-dir build-windows --output-on-failure -j"$jobs" || status=1
wine_stop
echo "Wine part: $((SECONDS - wine_start)) s"
echo "== the web page in Chromium"
web_start=$SECONDS
# The page, and the same page built without the ground bitmap and without the wheel's model.
pages=dist/web-cases
if scripts/build-web.sh --out "$pages/page" >/dev/null &&
    scripts/build-web.sh --out "$pages/no-ground" --without models/Razedud.bmp >/dev/null &&
    scripts/build-web.sh --out "$pages/no-wheel" --without models/hjul.ASE >/dev/null &&
    (cd tests/web && npm ci --no-audit --no-fund >/dev/null); then
    BALANTOR_WEB_PAGES=$PWD/$pages node --test tests/web/page.test.mjs \
        tests/web/pictures.test.mjs tests/web/context.test.mjs || status=1
else
    status=1
fi
echo "Web part: $((SECONDS - web_start)) s"
echo "== fuzzing the model reader and the bitmap loaders, a minute each"
scripts/fuzz.sh 60 || status=1
exit $status
