#!/usr/bin/env bash
# Soak test of the real program under a virtual X server of its own: random held keys (arrows,
# Space, M) for the whole run, full-screen toggles with F1 at even intervals, then Escape. Passes
# when the program exits 0, presented enough frames (when the frame counter is preloaded), and
# its resident memory at the end lies within --max-growth-kb of what it was half-way through the
# toggles (the first half warms up: driver caches, the question box's fonts).
#
# Usage: soak.sh --program PATH [--framecount LIB] [--screen WxHxD] [--seconds N]
#                [--toggles N] [--min-frames N] [--max-growth-kb N] [--fallback]
#                [--lsan-suppressions FILE --keeploaded LIB] [--seed N] [--log FILE]
# --max-growth-kb none: no memory bound (the sanitizer build holds freed memory back).
# --fallback: the screen offers no 640 x 480 mode, so every switch to full screen brings the
# "Quib GL" question, which is answered Yes (Return) and the program goes on windowed.
set -euo pipefail

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
log=""
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
    --log) log=$2; shift ;;
    *) echo "soak: unknown argument $1" >&2; exit 2 ;;
    esac
    shift
done
[ -x "$program" ] || { echo "soak: no program at '$program'" >&2; exit 2; }
RANDOM=$seed
echo "soak: seed $seed, screen $screen, ${seconds}s, $toggles toggles"

work=$(mktemp -d "${TMPDIR:-/tmp}/balantor-soak.XXXXXX")
xvfb_pid=""
pid=""
stop() { # pid: asked to end, then killed if it has not after 20 s
    kill "$1" 2>/dev/null || return 0
    for _ in $(seq 200); do kill -0 "$1" 2>/dev/null || return 0; sleep 0.1; done
    kill -9 "$1" 2>/dev/null
}
cleanup() {
    [ -n "$pid" ] && stop "$pid"
    [ -n "$xvfb_pid" ] && stop "$xvfb_pid"
    wait 2>/dev/null
    [ -n "$log" ] && [ -f "$work/program.log" ] && cp "$work/program.log" "$log"
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "soak: FAIL: $*" >&2
    [ -s "$work/program.log" ] && { echo "--- program output" >&2; tail -50 "$work/program.log" >&2; }
    exit 1
}

# A display number of its own: Xvfb picks a free one and writes it to the pipe. Without
# auto-repeat (-r) a held key is one press, however long it is held.
mkfifo "$work/display"
Xvfb -displayfd 3 -screen 0 "$screen" -nolisten tcp -r 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
read -r -t 20 display <"$work/display" || fail "Xvfb did not start"
export DISPLAY=":$display"

env=()
[ -n "$framecount" ] && env+=(LD_PRELOAD="$framecount" BALANTOR_FRAME_COUNTER="$work/frames")
# The leak check: libraries stay loaded until the end (keeploaded), so that suppressions can name
# them; the sanitizer runtime need not come first in the library list for that.
[ -n "$suppressions" ] &&
    env+=(LSAN_OPTIONS="suppressions=$suppressions:print_suppressions=0"
          ASAN_OPTIONS="detect_leaks=1:verify_asan_link_order=0:${ASAN_OPTIONS:-}")
[ -n "$keeploaded" ] && env+=(LD_PRELOAD="$keeploaded")
env "${env[@]}" "$program" >"$work/program.log" 2>&1 &
pid=$!

frames() { [ -s "$work/frames" ] && od -An -t u8 "$work/frames" | tr -d ' ' || echo 0; }
status_kb() { awk -v k="$1:" '$1 == k { print $2 }' "/proc/$pid/status"; }
alive() { kill -0 "$pid" 2>/dev/null; }
# The program's window: the first one is titled "Balantor", every later one
# "Quib's OpenGL Framework".
window() { xdotool search --name "^(Balantor|Quib's OpenGL Framework)\$" 2>/dev/null | tail -1; }
question() { xwininfo -root -tree | awk '/"Quib GL"/ { print $1; exit }'; }
wait_for() { # seconds command...
    local limit=$1
    shift
    for _ in $(seq $((limit * 10))); do
        "$@" && return 0
        alive || fail "the program ended early"
        sleep 0.1
    done
    return 1
}
has_window() { [ -n "$(window)" ]; }
has_question() { [ -n "$(question)" ]; }
hold() { # key milliseconds
    xdotool keydown "$1"
    sleep "$(printf '0.%03d' "$2")"
    xdotool keyup "$1"
}
keys=(Up Down Left Right space m)
random_keys() { # seconds
    local until=$((SECONDS + $1))
    while [ $SECONDS -lt $until ]; do
        alive || fail "the program ended during random input"
        hold "${keys[RANDOM % ${#keys[@]}]}" $((RANDOM % 120 + 10))
        sleep "$(printf '0.%03d' $((RANDOM % 60)))"
    done
}
new_window() { local w; w=$(window); [ -n "$w" ] && [ "$w" != "$1" ]; }
toggle() {
    local before
    before=$(window)
    # Held until the program has acted on it: a slow frame must not let the release arrive
    # before the program has seen the press.
    xdotool keydown F1
    if [ $fallback -eq 1 ]; then
        wait_for 180 has_question || fail "no full-screen question after F1"
        xdotool keyup F1
        xdotool windowfocus --sync "$(question)" key Return
    fi
    wait_for 180 new_window "$before" || fail "no new window after F1"
    xdotool keyup F1
    if [ $fallback -eq 0 ] && [ -n "$(question)" ]; then
        fail "full screen was refused on a $screen screen"
    fi
    # Keys go to the window with the focus: make sure it is the new one.
    xdotool windowfocus "$(window)" 2>/dev/null || true
}

wait_for 300 has_window || fail "no window"
xdotool windowfocus "$(window)" 2>/dev/null || true

interval=$((seconds / (toggles + 1)))
[ $interval -lt 1 ] && interval=1
base_rss=""
max_rss=0
for i in $(seq "$toggles"); do
    random_keys "$interval"
    toggle
    rss=$(status_kb VmRSS)
    [ "$rss" -gt "$max_rss" ] && max_rss=$rss
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

xdotool keydown Escape
for _ in $(seq 1200); do alive || break; sleep 0.1; done
alive && fail "the program did not end after Escape"
xdotool keyup Escape 2>/dev/null || true
rc=0
wait "$pid" || rc=$?
pid=""
[ $rc -eq 0 ] || fail "exit status $rc"

echo "soak: frames $total_frames, toggles $toggles, VmRSS half-way through the toggles" \
     "${base_rss:-?} kB, at the end $end_rss kB (peak sampled $max_rss kB), VmHWM $hwm kB"
[ "$total_frames" -ge "$min_frames" ] || fail "only $total_frames frames, wanted $min_frames"
if [ -n "$base_rss" ] && [ "$max_growth_kb" != none ]; then
    growth=$((end_rss - base_rss))
    echo "soak: growth ${growth} kB (bound ${max_growth_kb} kB)"
    [ $growth -le "$max_growth_kb" ] || fail "memory grew by $growth kB"
fi
echo "soak: passed"
