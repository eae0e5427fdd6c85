# Sourced by the end-to-end cases and the soak test: a private X server, the program under test
# started in the background, and the means a person has to drive it: windows found by title, keys,
# and screenshots read back as pixels.
#
# Needs: E2E_CASE (a name for kept files), E2E_BIN (the program), E2E_X11 (the helper tool),
# E2E_ROOT (the project root). Every wait polls with a deadline, since the frame rate under a
# software renderer varies a lot between builds and with the load on the machine; the deadlines
# only matter when something is wrong. E2E_WINE set: the program is a Windows build, started with
# wine (see start_app).

set -uo pipefail
# ImageMagick's worker threads only slow it down on a busy machine with two cores.
export MAGICK_THREAD_LIMIT=1

E2E_TMP=$(mktemp -d)
SERVER_PID=""
APP_PID=""
APP_RC=""
TIMEOUT=${E2E_TIMEOUT:-60}
NOW=$E2E_TMP/now.ppm
FIRST_TITLE="Balantor"
TITLE="Quib's OpenGL Framework"

e2e_cleanup() {
    [ -n "$APP_PID" ] && kill -9 "$APP_PID" 2>/dev/null && wait "$APP_PID" 2>/dev/null
    [ -d "$E2E_TMP/wine" ] && wineserver -k && wineserver -w
    [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null && wait "$SERVER_PID" 2>/dev/null
    # E2E_KEEP names a folder that keeps the case's screenshots and logs, to look at; a failed
    # case keeps them anyway.
    if [ -n "${E2E_KEEP:-}${E2E_FAILED:-}" ]; then
        local keep=${E2E_KEEP:-$(mktemp -d "${TMPDIR:-/tmp}/balantor-e2e-$E2E_CASE.XXXXXX")} f
        mkdir -p "$keep"
        for f in "$E2E_TMP"/*.ppm "$E2E_TMP"/*.png "$E2E_TMP"/*.log; do
            [ -e "$f" ] && cp "$f" "$keep/$E2E_CASE-${f##*/}"
        done
        echo "screenshots and logs kept in $keep"
    fi
    rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    E2E_FAILED=1
    if [ -n "$SERVER_PID" ]; then
        import -window root "$E2E_TMP/failure.png" 2>/dev/null
        xwininfo -root -tree 2>/dev/null | grep -E '^ +0x' >&2
    fi
    [ -f "$E2E_TMP/app.log" ] && sed 's/^/  program: /' "$E2E_TMP/app.log" >&2
    exit 1
}

note() { echo "ok (${SECONDS}s): $*"; }

# start_xvfb WxHxD: a server of our own; Xvfb picks a free display itself, so cases running in
# parallel never meet on one. Keys do not repeat, so a key held until its effect shows acts as
# one press (a repeated F1 would toggle the display again and again). The server has no core
# fonts: nothing the program shows may need them.
start_xvfb() {
    Xvfb -displayfd 1 -r -screen 0 "$1" -nolisten tcp -noreset -fp built-ins \
        >"$E2E_TMP/display" 2>"$E2E_TMP/server.log" &
    wait_server
}

# start_xorg: a server whose 1024 x 768 desktop can switch to 640 x 480 (Xvfb cannot change
# modes). Starting Xorg needs root; without it the case is skipped (status 77).
start_xorg() {
    if [ "$(id -u)" != 0 ] || ! command -v Xorg >/dev/null; then
        echo "skipped: Xorg with the dummy driver needs root"
        exit 77
    fi
    Xorg -config "$E2E_ROOT/tests/e2e/xorg.conf" -logfile "$E2E_TMP/server.log" -displayfd 1 \
        -nolisten tcp -noreset -novtswitch -sharevts >"$E2E_TMP/display" 2>/dev/null &
    wait_server
    xset r off
}

# wait_server: waits for the server just started to take clients and points DISPLAY at it.
wait_server() {
    SERVER_PID=$!
    local i
    for i in $(seq 100); do
        if grep -q '^[0-9]' "$E2E_TMP/display" 2>/dev/null; then
            export DISPLAY=":$(head -1 "$E2E_TMP/display")"
            xdpyinfo >/dev/null 2>&1 && return 0
        fi
        kill -0 "$SERVER_PID" 2>/dev/null || break
        sleep 0.1
    done
    tail -20 "$E2E_TMP/server.log" >&2
    fail "the X server did not start"
}

# scenario: a copy of the models folder in a fresh directory, made current; the program reads
# relative paths, so removing a file here is a missing file for it.
scenario() {
    mkdir -p "$E2E_TMP/run"
    cp -r "$E2E_ROOT/models" "$E2E_TMP/run/"
    cd "$E2E_TMP/run" || fail "no scenario directory"
}

# start_app [COMMAND...]: starts the program, through the command (nohup, say) if one is given.
# Under Wine a case has a prefix of its own, linked file by file from the one the test run made
# (WINEPREFIX): Wine's server keeps the desktop, and with it the display modes, of the X server its
# first program met, so each case's X server needs a server of its own.
start_app() {
    if [ -n "${E2E_WINE:-}" ] && [ ! -d "$E2E_TMP/wine" ]; then
        cp -al "${WINEPREFIX:?}" "$E2E_TMP/wine" || fail "cannot link the Wine prefix"
        export WINEPREFIX=$E2E_TMP/wine
    fi
    "$@" ${E2E_WINE:+wine} "$E2E_BIN" >"$E2E_TMP/app.log" 2>&1 &
    APP_PID=$!
}

app_running() { kill -0 "$APP_PID" 2>/dev/null; }
# frames: how many frames the program has presented, with the framecount library preloaded and
# counting into $E2E_TMP/frames.
frames() { [ -s "$E2E_TMP/frames" ] && od -An -t u8 "$E2E_TMP/frames" | tr -d ' ' || echo 0; }

# wait_exit: waits for the program to end and leaves its status in APP_RC.
wait_exit() {
    wait_for "the end of the program" ended
    wait "$APP_PID"
    APP_RC=$?
    APP_PID=""
}

expect_exit() {
    wait_exit
    [ "$APP_RC" = "$1" ] || fail "exit status $APP_RC, expected $1"
}

# windows_named TITLE: ids (decimal) of the mapped top-level windows with exactly that title.
windows_named() {
    xwininfo -root -children 2>/dev/null |
        awk -v t="\"$1\"" 'index($0, t) { print $1 }' |
        while read -r id; do
            [ "$(xwininfo -id "$id" 2>/dev/null | awk '/Map State/ {print $3}')" = IsViewable ] &&
                printf '%d\n' "$id"
        done
}

# wait_window TITLE [NOT_ID]: prints the id of a viewable window with that title (other than
# NOT_ID, an old window that may still be going away).
wait_window() {
    local deadline=$((SECONDS + TIMEOUT)) id
    while [ $SECONDS -lt $deadline ]; do
        id=$(windows_named "$1" | grep -vx "${2:-none}" | head -1)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        [ -n "$APP_PID" ] && ! app_running && fail "the program ended while waiting for \"$1\""
        sleep 0.1
    done
    fail "no window titled \"$1\" within ${TIMEOUT}s"
}

# geometry ID: "WxH+X+Y" of a window, position relative to the screen.
geometry() {
    xwininfo -id "$1" | awk '
        /Absolute upper-left X/ {x = $4} /Absolute upper-left Y/ {y = $4}
        /Width:/ {w = $2} /Height:/ {h = $2}
        END {print w "x" h "+" x "+" y}'
}

screen_size() { xdpyinfo | awk '/dimensions:/ {print $2}'; }
# screen_is WxH: the screen has that size and the display shows it, in a mode of that size.
screen_is() {
    [ "$(screen_size)" = "$1" ] && xrandr --current | grep -qE " connected (primary )?$1\+0\+0 "
}

# Keys go through XTEST to the focused window, as a keyboard's would. The program looks at its
# keys once per frame, after handling every waiting message, so a press shorter than a frame can
# go unseen; a frame takes long in the sanitizer build on a busy machine. So keys are held until
# their effect shows.
focus() { xdotool windowfocus --sync "$1" || fail "cannot focus window $1"; }
hold() { focus "$1" && xdotool keydown "$2"; }
release() { xdotool keyup "$1"; }

# press_until ID KEY CONDITION...: holds the key until the condition holds, then, after LINGER
# seconds more, lets it go.
LINGER=0
press_until() {
    local id=$1 key=$2
    shift 2
    hold "$id" "$key"
    wait_for "$* while $key was held" "$@"
    sleep "$LINGER"
    release "$key"
}

# wait_for WHAT CONDITION...: polls the condition until it holds.
wait_for() {
    local what=$1 deadline=$((SECONDS + TIMEOUT))
    shift
    until "$@"; do
        [ $SECONDS -lt $deadline ] || fail "no sign of $what within ${TIMEOUT}s"
        sleep 0.1
    done
}

# Conditions. Those that look at a window take a fresh shot of it into $NOW.
shown() { [ -n "$(windows_named "$1")" ]; }
ended() { ! app_running; }
# gone ID: the window is destroyed or no longer shown.
gone() { [ "$(xwininfo -id "$1" 2>/dev/null | awk '/Map State/ {print $3}')" != IsViewable ]; }
# changed ID FILE: the window's picture is no longer the one in FILE.
changed() { shot "$1" "$NOW" && ! same_picture "$2" "$NOW"; }
# text_differs ID REGION PRINT: the region's text no longer has that fingerprint (glyphs below).
text_differs() { shot "$1" "$NOW" && [ "$(glyphs "$NOW" "$2")" != "$3" ]; }
# game_over ID, no_game_over ID: whether the window shows the game-over lines.
game_over() { shot "$1" "$NOW" && [ "$(glyphs "$NOW" $GAMEOVER %w)" -gt 100 ]; }
no_game_over() { shot "$1" "$NOW" && [ "$(glyphs "$NOW" $GAMEOVER %w)" = 1 ]; }

# answer_box CAPTION KEYS...: the message box of that caption gets the keys; the box must be
# waiting for them, so it is looked up first.
answer_box() {
    local caption=$1 box
    shift
    box=$(wait_window "$caption") || exit 1
    xdotool windowfocus --sync "$box" key "$@"
}

# shot ID FILE: the window's picture, as a PPM file.
shot() { "$E2E_X11" shot "$1" "$2" || fail "no screenshot of window $1"; }
same_picture() { cmp -s "$1" "$2"; }

# drawn FILE: the scene has been drawn, not just the window made: the sky at the top middle is
# the fog's grey rather than the black of a window nothing was drawn into yet.
drawn() {
    [ "$(convert "$1" -crop 1x1+320+10 -format '%[fx:intensity > 0.25]' info: 2>/dev/null)" = 1 ]
}

# still_shot ID FILE: a picture of the drawn scene once two shots in a row agree, i.e. nothing
# moves any more. A key pressed before the first frame could be lost in the set-up's stall, so
# this also tells when the program is ready for keys.
still_shot() {
    local deadline=$((SECONDS + TIMEOUT))
    shot "$1" "$2"
    while [ $SECONDS -lt $deadline ]; do
        sleep 0.2
        shot "$1" "$E2E_TMP/still.ppm"
        drawn "$2" && same_picture "$2" "$E2E_TMP/still.ppm" && return 0
        cp "$E2E_TMP/still.ppm" "$2"
    done
    fail "the picture of window $1 did not come to rest within ${TIMEOUT}s"
}
ready() { still_shot "$1" "$E2E_TMP/ready.ppm"; }

# Regions of the 640 x 480 picture: the overlay's numbers (below "Vinkel:" at the left and
# "Km/h:" at the right) and the two game-over lines in the upper middle.
ANGLE=100x30+10+25
SPEED=105x30+530+25
GAMEOVER=410x52+108+42

# glyphs FILE REGION [FORMAT]: a fingerprint of the dark text in a region, independent of where in
# the region it sits and of the lighter scene behind it: equal prints mean equal text. With FORMAT
# "%w", the text's width in pixels (1 when there is none).
glyphs() {
    convert "$1" -crop "$2" +repage -colorspace Gray -threshold 30% -bordercolor white \
        -border 1 -trim -format "${3:-%w %h %#}" info: 2>/dev/null
}
