#!/usr/bin/env bash
# Builds the simulator as a web page with Debian's Emscripten into DIR (default dist/web):
# the page (platform/web/page/: index.html, its layout and its scripts), the program as
# balantor.js and balantor.wasm, and the models folder packaged as models.data with its loader
# models.js. The ground bitmap is not packaged: a worker (ground.js and ground.wasm) paints it with
# the project's own generator while the page loads. Serve DIR with any static server and open it.
# Usage: scripts/build-web.sh [--out DIR] [--without PATH]...
#   --without models/NAME  leaves that file out of the package (repeatable); the program is
#                          not rebuilt for it. Without models/Razedud.bmp the page paints no
#                          ground either.
set -euo pipefail
cd "$(dirname "$0")/.."
out=dist/web
without=()
while [ $# -gt 0 ]; do
    case $1 in
    --out) out=$2; shift 2 ;;
    --without) without+=("$2"); shift 2 ;;
    *) echo "usage: scripts/build-web.sh [--out DIR] [--without PATH]..." >&2; exit 2 ;;
    esac
done
for path in "${without[@]}"; do
    [ -f "$path" ] && [[ $path == models/* ]] ||
        { echo "build-web: $path is no file under models/" >&2; exit 2; }
done
scripts/deps.sh web
# Debian's Emscripten finds its optimiser's parser (node-acorn) here.
export NODE_PATH=/usr/share/nodejs
build=build-web
mkdir -p "$build" "$out"

# The overlay's glyphs, rasterised here from the build machine's font into C++.
c++ -O2 -o "$build/glyphtable" tools/glyphtable.cpp $(pkg-config --cflags --libs freetype2 fontconfig)
"$build/glyphtable" "$build/glyphs.new.cpp"
cmp -s "$build/glyphs.new.cpp" "$build/glyphs.cpp" 2>/dev/null ||
    mv "$build/glyphs.new.cpp" "$build/glyphs.cpp"
rm -f "$build/glyphs.new.cpp"

emcmake cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DBALANTOR_GLYPHS="$PWD/$build/glyphs.cpp" >/dev/null
cmake --build "$build" -j2 --target balantor ground
cp "$build/balantor.js" "$build/balantor.wasm" platform/web/page/* "$out/"
ground=models/Razedud.bmp
for path in "${without[@]}"; do
    [ "$path" != "$ground" ] || ground=
done
if [ -n "$ground" ]; then
    cp "$build/ground.js" "$build/ground.wasm" "$out/"
else
    rm -f "$out/ground.js" "$out/ground.wasm"
fi

# The models folder as the program finds it, in the page's file system at /models.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp -r models "$stage/models"
for path in "${without[@]}" models/Razedud.bmp; do
    rm -f "$stage/$path"
done
out_abs=$(cd "$out" && pwd)
# The packager's one line of advice on success is not shown; its errors are.
(cd "$stage" && python3 /usr/share/emscripten/tools/file_packager.py "$out_abs/models.data" \
    --preload models@/models --js-output="$out_abs/models.js" >/dev/null 2>"$stage/packager.log") ||
    { cat "$stage/packager.log" >&2; exit 1; }
# The ground's worker starts with the models' loader, before anything else is fetched.
if [ -n "$ground" ]; then
    { echo "balantorPaint('ground.js', '$ground');"; cat "$out/models.js"; } >"$stage/models.js"
    mv "$stage/models.js" "$out/models.js"
fi
echo "build-web: wrote $out"
