#!/usr/bin/env bash
# Builds the simulator as a web page with Debian's Emscripten into DIR (default dist/web):
# the page (platform/web/page/: index.html, its layout and its scripts), the program as
# balantor.js and balantor.wasm, and the models folder packaged as models.data with its loader
# models.js, with the icons and manifest that make it an installable web app and the service
# worker that keeps it for visits offline. The ground bitmap is not packaged: workers (ground.js
# and ground.wasm) paint it with the project's own generator while the page loads. Serve DIR with
# any static server and open it.
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
# The page's scripts go without their lines of comment, a third of what they weigh: they are
# read in platform/web/page/. None of them has a string that runs over lines.
for script in "$out"/{gamepad,loader,page,sw}.js; do
    sed -i '/^[[:space:]]*\/\//d' "$script"
done
# The icons as WebP: the tab's without loss, the app icons with: the models' textures in them do
# not compress, and as PNG these two weighed more than half of the rest of the page.
cwebp -quiet -lossless -z 9 -metadata none packaging/icons/balantor-32.png \
    -o "$out/balantor-32.webp"
for size in 192 512; do
    cwebp -quiet -q 70 -m 6 -alpha_q 100 -metadata none "packaging/icons/balantor-$size.png" \
        -o "$out/balantor-$size.webp"
done
# The ground is painted in the page rather than packaged, unless the page is to have none.
if [[ " ${without[*]} " == *" models/Razedud.bmp "* ]]; then
    rm -f "$out/ground.js" "$out/ground.wasm"
else
    cp "$build/ground.js" "$build/ground.wasm" "$out/"
fi

# The models folder as the program finds it, in the page's file system at /models. The files
# are named one by one in a fixed order and the package by its own name in DIR, so that the
# package and its loader are the same bytes whatever folder and file system they are built in.
repo=$PWD
preload=()
while IFS= read -r path; do
    [[ $path == models/Razedud.bmp || " ${without[*]} " == *" $path "* ]] ||
        preload+=("$repo/$path@/$path")
done < <(find models -type f | LC_ALL=C sort)
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# The packager's one line of advice on success is not shown; its errors are.
(cd "$out" && python3 /usr/share/emscripten/tools/file_packager.py models.data \
    --preload "${preload[@]}" --js-output=models.js >/dev/null 2>"$log") ||
    { cat "$log" >&2; exit 1; }
# The packager names each package with a random id, which only a preload cache (not used here)
# reads: the id is made from the package's bytes instead.
id=$(sha256sum "$out/models.data" | sed -E 's/^(.{8})(.{4})(.{4})(.{4})(.{12}).*/\1-\2-\3-\4-\5/')
sed -i -E "s/\"package_uuid\": \"[0-9a-f-]{36}\"/\"package_uuid\": \"$id\"/" "$out/models.js"

# Last, once every file is in place: loader.js learns each file's size (for its progress bar and
# to see a download cut short) and the painter's SHA-256 (which names the painted ground it
# keeps), and sw.js each file's SHA-256 and the build's name made from them, which names the
# cache that keeps this build.
cd "$out"
sizes=$(find . -type f ! -name sw.js ! -name loader.js -printf '%P\n' | LC_ALL=C sort |
    while read -r f; do printf '"%s": %s, ' "$f" "$(stat -c %s "$f")"; done)
sed -i "s|^  const SIZES = .*;\$|  const SIZES = {${sizes%, }};|" loader.js
painter=
[ -f ground.js ] && painter=$(cat ground.js ground.wasm | sha256sum | cut -d' ' -f1)
sed -i "s|^  const PAINTER = .*;\$|  const PAINTER = '$painter';|" loader.js
sums=$(find . -type f ! -name sw.js -printf '%P\n' | LC_ALL=C sort | xargs sha256sum)
files=$(awk '{printf "\"%s\": \"%s\", ", $2, $1}' <<<"$sums")
name=$(sha256sum <<<"$sums" | cut -c1-16)
sed -i -e "s|^const BUILD = .*;\$|const BUILD = '$name';|" \
    -e "s|^const FILES = .*;\$|const FILES = {${files%, }};|" sw.js
grep -q "^const BUILD = '$name';" sw.js && grep -q '^  const SIZES = {"' loader.js &&
    grep -q "^  const PAINTER = '$painter';" loader.js ||
    { echo "build-web: sw.js or loader.js has no place for the build's list" >&2; exit 1; }
echo "build-web: wrote $out (build $name)"
