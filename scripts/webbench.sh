#!/usr/bin/env bash
# Figures of the web page (a benchmark, not a test), in headless Chromium drawing on the CPU
# (SwiftShader), each run in a fresh browser, the pages taken in turn; medians of RUNS runs:
# - its weight as served, per file and in all, and compressed with gzip and brotli;
# - the time from navigation to its first frame shown, against a page that only makes a WebGL 1
#   context and draws one triangle (tools/webtriangle), in a browser started a few seconds before
#   and in one just started (whose first WebGL context costs it a second or two), and against
#   the other build over a link of 20 Mbit/s;
# - its frames per second at rest, not held to a display's rate, against the page built from
#   another commit, and the triangle page's (what the browser's own drawing and compositing cost).
# Usage: scripts/webbench.sh [--runs N] [--seconds S] [--against COMMIT | --against-dir DIR]
#   --against COMMIT   the page to measure against, built from that commit with its own
#                      scripts/build-web.sh in a temporary work tree, and kept in
#                      build-webbench/COMMIT for the next call (default: the merge base of HEAD
#                      and main, or HEAD^ where that is HEAD itself)
#   --against-dir DIR  a page already built (e.g. a kept copy of dist/web)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=7
seconds=5
against=
against_dir=
while [ $# -gt 0 ]; do
    case $1 in
    --runs) runs=$2; shift 2 ;;
    --seconds) seconds=$2; shift 2 ;;
    --against) against=$2; shift 2 ;;
    --against-dir) against_dir=$2; shift 2 ;;
    *) echo "usage: scripts/webbench.sh [--runs N] [--seconds S]" \
            "[--against COMMIT | --against-dir DIR]" >&2; exit 2 ;;
    esac
done
scripts/deps.sh test
scripts/build-web.sh >/dev/null
(cd tests/web && npm ci --no-audit --no-fund >/dev/null)

if [ -z "$against_dir" ]; then
    if [ -z "$against" ]; then
        against=$(git merge-base HEAD main)
        [ "$against" != "$(git rev-parse HEAD)" ] || against=$(git rev-parse HEAD^)
    fi
    against=$(git rev-parse --short "$against^{commit}")
    against_dir=build-webbench/$against
    if [ ! -f "$against_dir/index.html" ]; then
        tree=$(mktemp -d)
        trap 'git worktree remove --force "$tree"' EXIT
        git worktree add --detach "$tree" "$against" >/dev/null 2>&1
        mkdir -p "$against_dir"
        "$tree/scripts/build-web.sh" --out "$PWD/$against_dir" >/dev/null
    fi
fi

echo "== the page as served (dist/web), in bytes"
node -e '
const fs = require("fs"), zlib = require("zlib"), path = require("path");
const dir = process.argv[1];
const all = [0, 0, 0];
const row = (name, sizes) => console.log(name.padEnd(16) + sizes.map(n => String(n).padStart(10)).join(""));
row("", ["raw", "gzip -9", "brotli"].map(s => s.padStart(10)));
for (const name of fs.readdirSync(dir).sort()) {
    const data = fs.readFileSync(path.join(dir, name));
    const sizes = [data.length, zlib.gzipSync(data, {level: 9}).length,
                   zlib.brotliCompressSync(data, {params: {[zlib.constants.BROTLI_PARAM_QUALITY]: 11}}).length];
    sizes.forEach((n, i) => (all[i] += n));
    row(name, sizes);
}
row("all", all);' dist/web

echo "== first frame and frames per second, $runs runs (against $against_dir)"
node scripts/webbench.mjs dist/web "$against_dir" tools/webtriangle "$runs" "$seconds"
