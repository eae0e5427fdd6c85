#!/usr/bin/env bash
# Makes the README's pictures from the real program under a virtual X server of its own, with the
# same keys at the same frames each time, so that they can be made again whenever the look
# changes:
#   docs/screenshot.png  the ride in a left turn at speed, with the overlay
#   docs/vehicle.png     the vehicle at rest with the first rider and with the second
#   docs/web.png         the web page in headless Chromium at the frame of docs/screenshot.png
#   docs/ride.svg        the tilt and the speed of a scripted ride, from the balance model
# Usage: scripts/pictures.sh [DIR]   (DIR instead of docs)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs}
mkdir -p "$out"
scripts/deps.sh test
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target balantor framecount ridesvg >/dev/null

build/tools/ridesvg "$out/ride.svg"

work=$(mktemp -d)
app=""
source scripts/xvfb.sh
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null && wait "$app" 2>/dev/null
    xvfb_stop
    rm -rf "$work"
}
trap cleanup EXIT
xvfb_start 1024x768x24

# Frames are counted as the program presents them, and the preloaded counter holds the program
# still at the frame that the hold file names, so that keys are held for an exact number of
# frames rather than of seconds: the ride advances one step per frame, whatever the frame rate.
hold_at() { echo "$1" >"$work/hold.new" && mv "$work/hold.new" "$work/hold"; }
hold_at 1
LD_PRELOAD=$PWD/build/tests/libframecount.so BALANTOR_FRAME_COUNTER=$work/frames \
    BALANTOR_FRAME_HOLD=$work/hold build/balantor >"$work/program.log" 2>&1 &
app=$!
frames() { [ -s "$work/frames" ] && od -An -t u8 "$work/frames" | tr -d ' ' || echo 0; }
run_to() { # N: lets the program run until it has presented N frames, where it stands still
    hold_at "$1"
    for _ in $(seq 6000); do
        [ "$(frames)" -ge "$1" ] && return 0
        kill -0 "$app" 2>/dev/null || { cat "$work/program.log" >&2; exit 1; }
        sleep 0.01
    done
    echo "pictures: the program stalled at frame $(frames)" >&2
    exit 1
}
after() { run_to $(($(frames) + $1)); }
shot() { import -window "$window" -depth 8 "$1"; }

for _ in $(seq 100); do
    window=$(xdotool search --name '^Balantor$' 2>/dev/null | head -1) && [ -n "$window" ] && break
    sleep 0.1
done
[ -n "${window:-}" ] || { echo "pictures: no window" >&2; exit 1; }
# Found by its title, the window may not be shown yet; it is once the first frame is presented.
run_to 1
xdotool windowfocus --sync "$window"
run_to 30

# At rest the picture is the same at any frame: one shot per rider, cropped to the vehicle.
shot "$work/rider1.png"
xdotool keydown m
after 5
xdotool keyup m
after 5
shot "$work/rider2.png"
xdotool keydown m
after 5
xdotool keyup m
convert "$work/rider1.png" "$work/rider2.png" -crop 320x240+160+110 +repage +append \
    "$out/vehicle.png"

# Up for 150 frames gathers speed; Left joins it for the last 40 frames.
xdotool keydown Up
after 110
xdotool keydown Left
after 40
shot "$out/screenshot.png"
xdotool keyup Left keyup Up keydown Escape
hold_at 1000000000
wait "$app"
app=""
xdotool keyup Escape

# The page at the same frame, with the same keys.
scripts/build-web.sh --out "$work/web" >/dev/null
(cd tests/web && npm ci --no-audit --no-fund >/dev/null)
node scripts/webpicture.mjs "$work/web" "$out/web.png"
echo "pictures: wrote $out/screenshot.png, $out/vehicle.png, $out/web.png and $out/ride.svg"
