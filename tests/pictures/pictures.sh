#!/usr/bin/env bash
# The real program's frames against reference pictures. The program runs under a virtual X server
# of its own with the framecount library preloaded, which holds it at each frame that steps.txt
# names, so that its keys land and its pictures are taken at exact frames, however slowly the
# frames come. The references are the pictures at half size: tests/pictures/NAME.png.
#
# Usage: pictures.sh PROGRAM PRELOAD X11_HELPER [--update]
#   --update  writes this run's pictures as the new references instead of comparing, after a
#             change of the look that is meant (look at them before committing them). They
#             depend on Mesa's software renderer too: a new Mesa may call for new references.
[ $# -ge 3 ] || { echo "usage: pictures.sh PROGRAM PRELOAD X11_HELPER [--update]" >&2; exit 2; }
E2E_CASE=pictures
E2E_BIN=$(realpath "$1")
E2E_X11=$(realpath "$3")
E2E_ROOT=$(realpath "$(dirname "$0")/../..")
source "$E2E_ROOT/tests/e2e/lib.sh"
preload=$(realpath "$2")
update=${4:-}
here=$E2E_ROOT/tests/pictures

# The tolerance. Frames came out the same to the bit (0 pixels differing at all, in each of the
# five pictures) in 20 runs: idle; with the machine's two cores loaded to load averages of 7.5
# to 11; with llvmpipe drawing in 0, 1 and the default number of threads (LP_NUM_THREADS); with
# 128-bit vectors (LP_NATIVE_VECTOR_WIDTH=128) as an older processor would have. So the test
# allows only what another processor's rounding could bring: a pixel counts when a channel
# differs by 3 or more of 255 levels (fuzz 1%), and up to 20 may (0.03% of a picture). The least
# visible fault planted in tests/faults (wheels rolling backwards) shows in 47 to 103 such
# pixels; Mesa's other software renderer, softpipe, differs in 320 to 450.
FUZZ=1%
MAX_PIXELS=20

start_xvfb 1024x768x24
cd "$E2E_ROOT" || fail "no project root"
# run_to FRAME: lets the program run on until it has presented that frame, where it stands still.
run_to() { echo "$1" >"$E2E_TMP/hold.new" && mv "$E2E_TMP/hold.new" "$E2E_TMP/hold"; }
at_frame() { app_running || fail "the program ended before frame $1"; [ "$(frames)" -ge "$1" ]; }

run_to 1
LD_PRELOAD=$preload BALANTOR_FRAME_COUNTER=$E2E_TMP/frames BALANTOR_FRAME_HOLD=$E2E_TMP/hold \
    start_app
window=$(wait_window "$FIRST_TITLE") || exit 1
wait_for "frame 1" at_frame 1
focus "$window"

failed=0
while read -r frame action arg; do
    [[ -z $frame || $frame == \#* ]] && continue
    [ "$(frames)" = "$frame" ] || { run_to "$frame" && wait_for "frame $frame" at_frame "$frame"; }
    case $action in
    down) xdotool keydown "$arg" ;;
    up) xdotool keyup "$arg" ;;
    shot)
        # Half size, each pixel the mean of four: small references that still show a wheel's
        # spokes.
        shot "$window" "$E2E_TMP/$arg.ppm"
        convert "$E2E_TMP/$arg.ppm" -scale 50% "$E2E_TMP/$arg.png" || fail "cannot scale $arg"
        if [ "$update" = --update ]; then
            cp "$E2E_TMP/$arg.png" "$here/$arg.png"
            note "frame $frame: wrote $arg.png"
            continue
        fi
        differing=$(compare -metric AE -fuzz "$FUZZ" "$here/$arg.png" "$E2E_TMP/$arg.png" \
            "$E2E_TMP/$arg-diff.png" 2>&1)
        if [[ $differing =~ ^[0-9]+$ ]] && [ "$differing" -le "$MAX_PIXELS" ]; then
            note "frame $frame: $arg, $differing pixels differ"
        else
            echo "FAIL: frame $frame: $arg: $differing pixels differ by more than $FUZZ" >&2
            failed=1
        fi
        ;;
    *) fail "unknown step: $frame $action $arg" ;;
    esac
done <"$here/steps.txt"

xdotool keyup Up Down Left Right space m keydown Escape
run_to 1000000000
expect_exit 0
xdotool keyup Escape
[ $failed = 0 ] || fail "pictures differ from their references"
