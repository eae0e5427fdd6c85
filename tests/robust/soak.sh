#!/usr/bin/env bash
# Soak test of the real program under a virtual X server of its own, on the end-to-end harness:
# random held keys (arrows, Space, M) for the whole run, full-screen toggles with F1 at even
# intervals, then Escape. Passes when the program exits 0, presented enough frames (when the frame
# counter is preloaded), and its resident memory at the end lies within --max-growth-kb of what it
# was half-way through the toggles (the first half warms up: driver caches, the box's font).
#
# Usage: soak.sh --program PATH [--framecount LIB] [--screen WxHxD] [--seconds N]
#                [--toggles N] [--min-frames N] [--max-growth-kb N] [--fallback]
#                [--lsan-suppressions FILE --keeploaded LIB] [--seed N]
# --max-growth-kb none: no memory bound (the sanitizer build holds freed memory back).
# --fallback: the screen offers no 640 x 480 mode, so every switch to full screen brings the
# "Quib GL" question, which is answered Yes (Return) and the program goes on windowed.
program=""
framecount=""
screen=640x480x24
seconds=60
toggles=30
min_frames=0
max_growth_kb=16384
fallback=0
suppressions=""
keeploaded=""
seed=$$
while [ $# -gt 0 ]; do
    case $1 in
    --program) program=$2; shift ;;
    --framecount) framecount=$2; shift ;;
    --screen) screen=$2; shift ;;
    --seconds) seconds=$2; shift ;;
    --toggles) toggles=$2; shift ;;
    --min-frames) min_frames=$2; shift ;;
    --max-growth-kb) max_growth_kb=$2; shift ;;
    --fallback) fallback=1 ;;
    --lsan-suppressions) suppressions=$2; shift ;;
    --keeploaded) keeploaded=$2; shift ;;
    --seed) seed=$2; shift ;;
    *) echo "soak: unknown argument $1" >&2; exit 2 ;;
    esac
    shift
done
E2E_CASE=soak
E2E_BIN=$(realpath "$program")
E2E_ROOT=$(realpath "$(dirname "$0")/../..")
source "$E2E_ROOT/tests/e2e/lib.sh"
TIMEOUT=180
RANDOM=$seed
echo "soak: seed $seed, screen $screen, ${seconds}s, $toggles toggles"

start_xvfb "$screen"
cd "$E2E_ROOT" || fail "no project root"
preload=""
[ -n "$framecount" ] && preload=$framecount
# The leak check: libraries stay loaded until the end (keeploaded), so that suppressions can name
# them; the sanitizer runtime need not come first in the library list for that.
[ -n "$keeploaded" ] && preload=$keeploaded
LD_PRELOAD=$preload BALANTOR_FRAME_COUNTER=$E2E_TMP/frames \
    LSAN_OPTIONS=${suppressions:+suppressions=$suppressions:print_suppressions=0} \
    ASAN_OPTIONS=detect_leaks=1:verify_asan_link_order=0:${ASAN_OPTIONS:-} start_app

frames() { [ -s "$E2E_TMP/frames" ] && od -An -t u8 "$E2E_TMP/frames" | tr -d ' ' || echo 0; }
status_kb() { awk -v k="$1:" '$1 == k { print $2 }' "/proc/$APP_PID/status"; }
# The program's window: the first one is titled "Balantor", every later one
# "Quib's OpenGL Framework".
TITLE="Quib's OpenGL Framework"
window() { windows_named "$TITLE" | tail -1 | grep . || windows_named Balantor | tail -1; }
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
# before the program has seen the press.
toggle() {
    local before
    before=$(window)
    xdotool keydown F1
    if [ $fallback -eq 1 ]; then
        wait_for "the full-screen question" shown "Quib GL"
        xdotool keyup F1
        answer_box "Quib GL" Return
    fi
    wait_for "a new window after F1" new_window "$before"
    xdotool keyup F1
    [ $fallback -eq 1 ] || ! shown "Quib GL" || fail "full screen was refused on a $screen screen"
    # Keys go to the window with the focus: make sure it is the new one.
    xdotool windowfocus "$(window)" 2>/dev/null
}

focus "$(wait_window Balantor)"
interval=$((seconds / (toggles + 1)))
[ $interval -lt 1 ] && interval=1
base_rss=""
for i in $(seq "$toggles"); do
    random_keys "$interval"
    toggle
    rss=$(status_kb VmRSS)
    # Sampled only after even toggles, back in the starting mode.
    if [ $((i % 2)) -eq 0 ]; then
        [ -z "$base_rss" ] && [ "$i" -ge $((toggles / 2)) ] && base_rss=$rss
        echo "soak: after toggle $i: VmRSS ${rss} kB, frames $(frames)"
    fi
done
random_keys "$interval"
end_rss=$(status_kb VmRSS)
hwm=$(status_kb VmHWM)
total_frames=$(frames)
hold "$(window)" Escape
expect_exit 0
xdotool keyup Escape

echo "soak: frames $total_frames, toggles $toggles, VmRSS half-way through the toggles" \
    "${base_rss:-?} kB, at the end $end_rss kB, VmHWM $hwm kB"
[ "$total_frames" -ge "$min_frames" ] || fail "only $total_frames frames, wanted $min_frames"
if [ -n "$base_rss" ] && [ "$max_growth_kb" != none ]; then
    growth=$((end_rss - base_rss))
    echo "soak: growth ${growth} kB (bound ${max_growth_kb} kB)"
    [ $growth -le "$max_growth_kb" ] || fail "memory grew by $growth kB"
fi
echo "soak: passed"
