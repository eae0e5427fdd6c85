#!/usr/bin/env bash
# Figures of the web page (a benchmark, not a test): its size as served and gzip-compressed, the
# time from navigation to its first drawn frame in headless Chromium, and its frames per second
# at rest against the Linux build's, both drawn on the CPU (SwiftShader in Chromium, llvmpipe
# under Xvfb). Chromium's frames are not held to a 60 Hz display here, as the Linux build's are
# not. Usage: scripts/webbench.sh [runs] [seconds]  (5 runs of 5 s by default)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-5}
seconds=${2:-5}
scripts/deps.sh test
scripts/build-web.sh >/dev/null
(cd tests/web && npm ci --no-audit --no-fund >/dev/null)
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target framebench >/dev/null

echo "== the page as served (dist/web)"
total=0
packed=0
for file in dist/web/*; do
    size=$(stat -c %s "$file")
    gz=$(gzip -9c "$file" | wc -c)
    printf '%-16s %9d bytes, %9d gzip-compressed\n' "${file##*/}" "$size" "$gz"
    total=$((total + size))
    packed=$((packed + gz))
done
printf '%-16s %9d bytes, %9d gzip-compressed\n' all "$total" "$packed"

echo "== first frame and frames per second in headless Chromium, $runs runs"
figures=$(node scripts/webbench.mjs dist/web "$runs" "$seconds")
echo "$figures"
page=$(awk '/^page fps:/ { print $3 }' <<<"$figures")

echo "== frames per second of the Linux build at rest, $runs runs"
source scripts/xvfb.sh
trap xvfb_stop EXIT
xvfb_start 1024x768x24
rates=()
for _ in $(seq "$runs"); do
    rates+=("$(build/tools/framebench 300 | awk '/^fps:/ { print $2 }')")
done
linux=$(printf '%s\n' "${rates[@]}" | sort -g | awk '{ a[NR] = $1 } END { print a[int((NR + 1) / 2)] }')
echo "Linux fps: ${rates[*]}, median $linux"
awk -v p="$page" -v l="$linux" 'BEGIN { printf "page against Linux: %.2f\n", p / l }'
