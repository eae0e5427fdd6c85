#!/usr/bin/env bash
# Frames per second at 640 x 480, and how much of a frame's work is the program's own rather than
# the OpenGL driver's (instructions counted by callgrind, summed by the library they run in).
# Usage: scripts/framebench.sh [frames]; BUILD names another build directory than build/.
set -euo pipefail
cd "$(dirname "$0")/.."
frames=${1:-600}
build=${BUILD:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target framebench >/dev/null
if [ -z "${DISPLAY:-}" ]; then
    source scripts/xvfb.sh
    xvfb_start 1024x768x24
    trap xvfb_stop EXIT
fi

echo "== frame rate"
"./$build/tools/framebench" "$frames"

# Only the frames count: callgrind writes what came before the loop (window, models, textures)
# to one file and the loop to the next (.2), then the teardown.
echo "== instructions per library over $((frames / 4)) frames (callgrind)"
if ! command -v valgrind >/dev/null; then
    echo "valgrind is not installed (Debian package valgrind): no split by library"
    exit 0
fi
out=$(mktemp -d)
valgrind --tool=callgrind --callgrind-out-file="$out/cg" --dump-after='CreateGLWindow*' \
    --dump-before='KillGLWindow*' "./$build/tools/framebench" $((frames / 4)) >/dev/null 2>&1
# The raw profile, not callgrind_annotate's listing, which leaves out the library on some lines.
# Object names are given once with their number and then by number alone; a cost line right
# after "calls=" is the inclusive cost of a call, already counted in the callee's own lines.
awk '
    function object(s,   id, name) {
        if (!match(s, /^\([0-9]+\)/))
            return s
        id = substr(s, 2, RLENGTH - 2)
        name = substr(s, RLENGTH + 2)
        if (name != "")
            names[id] = name
        return names[id]
    }
    /^ob=/ { lib = object(substr($0, 4)); next }
    /^cob=/ { object(substr($0, 5)); next }
    /^calls=/ { call = 1; next }
    /^[0-9+*-]/ {
        if (call) { call = 0; next }
        total[lib] += $2; all += $2
    }
    END {
        for (l in total) {
            name = l; sub(".*/", "", name)
            if (name == "???") name = "??? (code the driver compiled at run time)"
            if (name ~ /^(swrast_dri|libgallium|libGLX|libGLdispatch|libOpenGL|libglapi|libLLVM)/ ||
                l == "???")
                driver += total[l]
            else if (name == "framebench")
                own += total[l]
            printf "%6.2f%%  %s\n", 100 * total[l] / all, name | "sort -rn | head -12"
        }
        close("sort -rn | head -12")
        printf "== share of the instructions of the frames\n"
        printf "%6.2f%%  the program itself\n", 100 * own / all
        printf "%6.2f%%  the OpenGL libraries and driver (Mesa, LLVM and the code it compiled)\n", 100 * driver / all
        printf "%6.2f%%  other libraries (C library, X11, SDL, GLU, ...)\n", 100 * (all - own - driver) / all
    }' "$out/cg.2"
rm -rf "$out"
