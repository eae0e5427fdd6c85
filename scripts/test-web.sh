#!/usr/bin/env bash
# Builds the web page, and the same page without the ground bitmap and without the wheel's model,
# into dist/web-cases, and runs the page's cases in headless Chromium (tests/web/).
# A case that hangs fails after ten minutes.
# Usage: scripts/test-web.sh [CASE-FILE...]   (default: every tests/web/*.test.mjs)
set -euo pipefail
cd "$(dirname "$0")/.."
pages=dist/web-cases
scripts/build-web.sh --out "$pages/page" >/dev/null
scripts/build-web.sh --out "$pages/no-ground" --without models/Razedud.bmp >/dev/null
scripts/build-web.sh --out "$pages/no-wheel" --without models/hjul.ASE >/dev/null
(cd tests/web && npm ci --no-audit --no-fund >/dev/null)
[ $# -gt 0 ] || set -- tests/web/*.test.mjs
BALANTOR_WEB_PAGES=$PWD/$pages node --test --test-timeout=600000 "$@"
