#!/usr/bin/env bash
# Frames per second at 640 x 480, and how much of a frame's work is the program's own rather than
# the OpenGL driver's (instructions counted by callgrind, summed by the library they run in).
# Usage: scripts/framebench.sh [frames]
set -euo pipefail
cd "$(dirname "$0")/.."
frames=${1:-600}
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target framebench >/dev/null
if [ -z "${DISPLAY:-}" ]; then
    source scripts/xvfb.sh
    xvfb_start 1024x768x24
    trap xvfb_stop EXIT
fi

echo "== frame rate"
./build/tools/framebench "$frames"

echo "== instructions per library over $((frames / 4)) frames (callgrind)"
out=$(mktemp)
valgrind --tool=callgrind --callgrind-out-file="$out" ./build/tools/framebench $((frames / 4)) \
    >/dev/null 2>&1
callgrind_annotate --threshold=100 "$out" 2>/dev/null | awk '
    /^ *[0-9,]+ .*\[.*\]$/ {
        n = $1; gsub(",", "", n)
        lib = $NF; gsub(/[\[\]]/, "", lib); sub(".*/", "", lib)
        total[lib] += n; all += n
    }
    END {
        for (l in total) printf "%6.2f%%  %s\n", 100 * total[l] / all, l
    }' | sort -rn | head -12
rm -f "$out"
