#!/usr/bin/env bash
# Soak test of the real program under a virtual X server of its own, on the end-to-end harness:
# random held keys (arrows, Space, M) for the whole run, full-screen toggles with F1 at even
# intervals, then Escape. Passes when the program exits 0, presented at least MIN_FRAMES frames
# (counted by the preloaded framecount library), and its resident memory at the end lies within
# MAX_GROWTH_KB of what it was half-way through the toggles (the first half warms up: driver
# caches, the box's font). MAX_GROWTH_KB "none": no bound (the sanitizer build holds freed memory
# back, and preloads keeploaded instead, for the leak check).
# On a SCREEN other than 640x480x24 full screen is refused, so every switch brings the "Quib GL"
# question, which is answered Yes (Return) and the program goes on windowed.
#
# Usage: soak.sh PROGRAM PRELOAD SCREEN SECONDS TOGGLES MIN_FRAMES MAX_GROWTH_KB
[ $# = 7 ] || { echo "usage: soak.sh PROGRAM PRELOAD SCREEN SECONDS TOGGLES MIN_FRAMES" \
    "MAX_GROWTH_KB" >&2; exit 2; }
E2E_CASE=soak
E2E_BIN=$(realpath "$1")
E2E_ROOT=$(realpath "$(dirname "$0")/../..")
source "$E2E_ROOT/tests/e2e/lib.sh"
read -r preload screen seconds toggles min_frames max_growth_kb <<<"${*:2}"
TIMEOUT=180
echo "soak: seed $$, screen $screen, ${seconds}s, $toggles toggles"
RANDOM=$$

start_xvfb "$screen"
cd "$E2E_ROOT" || fail "no project root"
LD_PRELOAD=$preload BALANTOR_FRAME_COUNTER=$E2E_TMP/frames \
    ASAN_OPTIONS=detect_leaks=1:verify_asan_link_order=0:${ASAN_OPTIONS:-} start_app

status_kb() { awk -v k="$1:" '$1 == k { print $2 }' "/proc/$APP_PID/status"; }
# The program's window: the first one is titled "Balantor", every later one "Quib's OpenGL
# Framework".
window() { windows_named "$TITLE" | tail -1 | grep . || windows_named "$FIRST_TITLE" | tail -1; }
new_window() { local w; w=$(window) && [ "$w" != "$1" ]; }
random_keys() { # seconds
    local until=$((SECONDS + $1)) keys=(Up Down Left Right space m)
    while [ $SECONDS -lt $until ]; do
        app_running || fail "the program ended during random input"
        xdotool keydown "${keys[RANDOM % ${#keys[@]}]}"
        sleep "$(printf '0.%03d' $((RANDOM % 120 + 10)))"
        xdotool keyup Up Down Left Right space m
        sleep "$(printf '0.%03d' $((RANDOM % 60)))"
    done
}
# F1 is held until the program has acted on it: a slow frame must not let the release arrive
# before the program has seen the press. Keys then go to the new window, which takes the focus.
toggle() {
    local before
    before=$(window)
    xdotool keydown F1
    if [ "$screen" != 640x480x24 ]; then
        wait_for "the full-screen question" shown "Quib GL"
        xdotool keyup F1
        answer_box "Quib GL" Return
    fi
    wait_for "a new window after F1" new_window "$before"
    xdotool keyup F1
    xdotool windowfocus "$(window)" 2>/dev/null
}

focus "$(wait_window "$FIRST_TITLE")"
interval=$((seconds / (toggles + 1) > 0 ? seconds / (toggles + 1) : 1))
base_rss=""
for i in $(seq "$toggles"); do
    random_keys "$interval"
    toggle
    # Sampled only after even toggles, back in the starting mode.
    if [ $((i % 2)) -eq 0 ]; then
        [ -z "$base_rss" ] && [ "$i" -ge $((toggles / 2)) ] && base_rss=$(status_kb VmRSS)
        echo "soak: after toggle $i: VmRSS $(status_kb VmRSS) kB, frames $(frames)"
    fi
done
random_keys "$interval"
end_rss=$(status_kb VmRSS)
echo "soak: frames $(frames), VmRSS half-way through the toggles ${base_rss:-?} kB, at the end" \
    "$end_rss kB, VmHWM $(status_kb VmHWM) kB"
[ "$(frames)" -ge "$min_frames" ] || fail "only $(frames) frames, wanted $min_frames"
hold "$(window)" Escape
expect_exit 0
xdotool keyup Escape
if [ -n "$base_rss" ] && [ "$max_growth_kb" != none ]; then
    echo "soak: growth $((end_rss - base_rss)) kB (bound $max_growth_kb kB)"
    [ $((end_rss - base_rss)) -le "$max_growth_kb" ] || fail "memory grew by more than that"
fi
echo "soak: passed"
