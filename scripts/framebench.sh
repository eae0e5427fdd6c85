#!/usr/bin/env bash
# Frames per second at 640 x 480 with the shipped models and with a one-triangle stand-in for each
# of the four, and how much of a frame's work is the program's own rather than the OpenGL
# driver's (instructions counted by callgrind, summed by the library they run in).
# Usage: scripts/framebench.sh [frames] [rounds]; BUILD names another build directory than build/.
set -euo pipefail
cd "$(dirname "$0")/.."
frames=${1:-300}
rounds=${2:-15}
build=${BUILD:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target framebench >/dev/null
source scripts/xvfb.sh
tmp=$(mktemp -d)
trap 'xvfb_stop; rm -rf "$tmp"' EXIT
if [ -z "${DISPLAY:-}" ]; then
    xvfb_start 1024x768x24
fi

# The stand-ins: the same ground, and for each model one small triangle without a material, in a
# models folder of their own; the benchmark reads the folder under its working directory.
mkdir -p "$tmp/standins/models"
cp models/Razedud.bmp "$tmp/standins/models/"
for name in stang hjul figur figur2; do
    printf '%s\n' '*GEOMOBJECT {' '*MESH {' '*MESH_NUMVERTEX 3' '*MESH_NUMFACES 1' \
        '*MESH_VERTEX 0 0.0 0.0 0.0' '*MESH_VERTEX 1 0.1 0.0 0.0' '*MESH_VERTEX 2 0.0 0.0 0.1' \
        '*MESH_FACE 0: A: 0 B: 1 C: 2' '}' '}' >"$tmp/standins/models/$name.ASE"
done

# Each round runs both, the stand-ins first in every other round, so that other load on the
# machine falls on both alike.
echo "== frames per second, $rounds rounds of $frames frames"
bench=$PWD/$build/tools/framebench
fps() { "$bench" "$frames" | awk '/^fps:/ { print $2 }'; }
for round in $(seq "$rounds"); do
    if ((round % 2)); then
        models=$(fps)
        plain=$(cd "$tmp/standins" && fps)
    else
        plain=$(cd "$tmp/standins" && fps)
        models=$(fps)
    fi
    echo "$models $plain"
done | awk '
    function median(a, n,   i, j, t) {
        for (i = 2; i <= n; i++)
            for (j = i; j > 1 && a[j - 1] > a[j]; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
        return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2
    }
    {
        m[NR] = $1; s[NR] = $2; r[NR] = $1 / $2
        printf "round %d:  models %6.1f  stand-ins %6.1f  ratio %.3f\n", NR, $1, $2, r[NR]
        fflush()
    }
    END {
        printf "median:   models %6.1f  stand-ins %6.1f  ratio %.3f\n", median(m, NR),
            median(s, NR), median(r, NR)
    }'

# Only the frames count: callgrind writes what came before the loop (window, models, textures)
# to one file and the loop to the next (.2), then the teardown.
echo "== instructions per library over $((frames / 4)) frames (callgrind)"
if ! command -v valgrind >/dev/null; then
    echo "valgrind is not installed (Debian package valgrind): no split by library"
    exit 0
fi
valgrind --tool=callgrind --callgrind-out-file="$tmp/cg" --dump-after='CreateGLWindow*' \
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
    }' "$tmp/cg.2"
