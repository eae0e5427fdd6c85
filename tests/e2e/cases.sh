#!/usr/bin/env bash
# End-to-end cases of the real program under a virtual X server, driven with keys and read back
# from screenshots. Usage: cases.sh CASE PROGRAM X11_HELPER
# Each case starts its own server, so cases can run in parallel. E2E_TIMEOUT (seconds, 60) bounds
# each wait; E2E_KEEP names a folder that keeps the screenshots of a run; E2E_CWD the folder the
# program starts in (the project root, where its models are).

E2E_CASE=$1
E2E_BIN=$(realpath "$2")
E2E_X11=$(realpath "$3")
E2E_ROOT=$(realpath "$(dirname "$0")/../..")
source "$(dirname "$0")/lib.sh"
cd "${E2E_CWD:-$E2E_ROOT}" || fail "no folder to start in"

# angle_wider_than ID WIDTH: the angle shown is wider than WIDTH pixels.
angle_wider_than() { shot "$1" "$NOW" && [ "$(glyphs "$NOW" $ANGLE %w)" -gt "$2" ]; }
not() { ! "$@"; }

# expect_window ID: the 640 x 480 window made at 0, 0. Win32 places the window's frame there, so
# the client area, which is what the window shows on the X server, lies just inside it: right of
# the left border, below the caption.
expect_window() {
    local g
    g=$(geometry "$1")
    [[ $g =~ ^640x480\+([0-9]+)\+([0-9]+)$ ]] && [ "${BASH_REMATCH[1]}" -gt 0 ] &&
        [ "${BASH_REMATCH[2]}" -gt "${BASH_REMATCH[1]}" ] && [ "${BASH_REMATCH[2]}" -lt 64 ] ||
        fail "window $1 is $g, expected 640x480 inside a frame at 0, 0"
}

# start_ride [COMMAND...]: starts the program (through the command) and waits for its first
# window (w) to show the ride.
start_ride() {
    start_app "$@"
    w=$(wait_window "$FIRST_TITLE") || exit 1
    ready "$w"
}

# The first window, the overlay at rest, the rider switch, a ride to a fall, the restart and
# Escape.
case_ride() {
    start_xvfb 1024x768x24
    start_app
    local rest=$E2E_TMP/rest.ppm fallen=$E2E_TMP/fallen.ppm settled=$E2E_TMP/settled.ppm
    local w zero width i riders=("$rest" "$E2E_TMP/other.ppm")
    w=$(wait_window "$FIRST_TITLE") || exit 1
    expect_window "$w"
    still_shot "$w" "$rest"
    zero=$(glyphs "$rest" $ANGLE)
    [ "$zero" = "$(glyphs "$rest" $SPEED)" ] || fail "angle and speed differ at rest"
    [ "$(glyphs "$rest" $ANGLE %w)" -gt 20 ] || fail "no angle shown at rest"
    [ "$(glyphs "$rest" $GAMEOVER %w)" = 1 ] || fail "game-over region not empty at rest"

    # M switches the rider once per press however long it is held on: with a switch per frame
    # the figure after each press would depend on the frame count.
    press_until "$w" m changed "$w" "$rest"
    still_shot "$w" "${riders[1]}"
    for i in 0 1 2 3; do
        LINGER=0.$((2 * i + 3)) press_until "$w" m changed "$w" "${riders[$(((i + 1) % 2))]}"
        still_shot "$w" "$settled"
        same_picture "${riders[$((i % 2))]}" "$settled" ||
            fail "press $((i + 2)) of M did not give the rider expected"
    done

    # Up held, the rider tilts and the vehicle gathers speed: the angle climbs past 10 degrees (one
    # more digit) and comes back below it. Read from the screen, this holds at any frame rate. A
    # digit more adds some 11 pixels to the text; digits alone change its ink by a pixel or two.
    hold "$w" Up
    width=$(($(glyphs "$rest" $ANGLE %w) + 6))
    wait_for "an angle of two digits while Up is held" angle_wider_than "$w" "$width"
    wait_for "the angle coming back below 10 while Up is held" \
        not angle_wider_than "$w" "$width"
    [ "$(glyphs "$NOW" $SPEED)" != "$zero" ] || fail "no speed after holding Up"

    # Straight from Up to Down, in one step: a second or so with neither key would bring the
    # vehicle to rest again, and from rest Down only cruises backwards.
    xdotool keyup Up keydown Down
    wait_for "a fall while Down is held after Up" game_over "$w"

    # Fallen, nothing moves: the angle stays, the speed shows 0.00, the keys do nothing.
    sleep 0.3
    shot "$w" "$fallen"
    release Down
    hold "$w" Up && sleep 0.3 && release Up
    changed "$w" "$fallen" && fail "the picture changed after the fall"
    [ "$(glyphs "$fallen" $ANGLE)" != "$zero" ] || fail "the fallen angle shows 0.00"
    [ "$(glyphs "$fallen" $SPEED)" = "$zero" ] || fail "the speed is not 0.00 after the fall"

    # Space restarts: back to 0.00 and no game-over lines.
    press_until "$w" space no_game_over "$w"
    still_shot "$w" "$settled"
    [ "$(glyphs "$settled" $ANGLE)" = "$zero" ] || fail "the angle is not 0.00 after the restart"
    [ "$(glyphs "$settled" $SPEED)" = "$zero" ] || fail "the speed is not 0.00 after the restart"

    press_until "$w" Escape ended
    expect_exit 0
    note "the first window, the overlay, M, a ride to a fall, the restart, Escape"
}

# F1 where the display offers 640 x 480: the desktop switches to that mode under a full-screen
# window, then back to its own mode and a 640 x 480 window; both windows are titled "Quib's
# OpenGL Framework". The desktop's mode is the one it had at the switch, not at the start
# (checked on Linux only: Wine puts back a mode of its own record). Closing the window as a window
# manager would ends the program with status 0.
case_fullscreen() {
    start_xorg
    start_ride
    local full win desktop=1024x768
    if [ -z "${E2E_WINE:-}" ]; then
        desktop=800x600
        xrandr -s $desktop && screen_is $desktop || fail "cannot switch the desktop to $desktop"
    fi
    press_until "$w" F1 gone "$w"
    full=$(wait_window "$TITLE") || exit 1
    [ -z "$(windows_named "Quib GL")" ] || fail "asked about a mode the display has"
    screen_is 640x480 || fail "the display shows $(screen_size), not 640x480"
    [ "$(geometry "$full")" = 640x480+0+0 ] || fail "full screen is $(geometry "$full")"

    ready "$full"
    press_until "$full" F1 gone "$full"
    win=$(wait_window "$TITLE" "$full") || exit 1
    screen_is $desktop || fail "the display is at $(screen_size), not $desktop"
    # What keeps the desktop's mode for a crash is gone with the mode: it would put the mode back
    # again, over a change made since. (Under Wine the program's children are Wine's.)
    [ -n "${E2E_WINE:-}" ] || [ -z "$(pgrep -P "$APP_PID")" ] ||
        fail "a process of the program outlives the full-screen mode"
    expect_window "$win"

    "$E2E_X11" close "$win" || fail "cannot ask the window to close"
    expect_exit 0
    note "F1 both ways where the display has 640 x 480; the close button ends with 0"
}

# full_screen_ride [COMMAND...]: starts the program (through the command) and switches it to
# full screen; the display then shows 640 x 480.
full_screen_ride() {
    start_ride "$@"
    press_until "$w" F1 screen_is 640x480
}

# ended_by SIGNAL WHY: the program ended by the signal (or, in the sanitizer build, by the
# sanitizer's abort after a crash), and the desktop has its mode back.
ended_by() {
    wait_exit
    [ "$APP_RC" = $((128 + $(kill -l "$1"))) ] ||
        { [ "$1" = SEGV ] && [ "$APP_RC" = $((128 + $(kill -l ABRT))) ]; } ||
        fail "$2: exit status $APP_RC, not the end by SIG$1"
    wait_for "the desktop's mode after $2" screen_is 1024x768
    note "$2: exit status $APP_RC, the desktop's mode is back"
}

# alive PID: the process runs (a zombie does not).
alive() { ps -o stat= -p "$1" | grep -q '^[^Z]'; }

# Whatever ends the program in full screen, the desktop gets its mode back. Hang-up and terminate
# end it through its own teardown and then by the signal itself; a hang-up ignored from the start
# (nohup) stays ignored. A crash takes its course, also when the program's file is gone (rebuilt,
# upgraded) and on a stack overflow (a preloaded library recurses without end on SIGUSR1), where
# no handler could run. SIGKILL to the program's job (bash's kill %1, timeout) or by its name
# (killall, pkill) spares what keeps the desktop's mode: it is in a session of its own and has a
# name of its own. A lost X connection (xkill) ends the program with status 1. No variable in the
# environment turns a start into anything else.
case_signals() {
    start_xorg
    ulimit -c 0
    local sig guard
    full_screen_ride setsid
    guard=$(pgrep -P "$APP_PID") || fail "nothing keeps the desktop's mode in full screen"
    [ -z "$(pgrep -P "$APP_PID" balantor)" ] || fail "the keeper has the program's name"
    kill -s KILL -- -"$APP_PID"
    wait_exit
    # Two seconds at least: the deadline counts whole seconds.
    TIMEOUT=3 wait_for "the desktop's mode within 2 s of SIGKILL to the job" screen_is 1024x768
    wait_for "the end of the keeper once the mode is back" not alive "$guard"
    note "SIGKILL to the job: the desktop's mode is back, its keeper gone"

    # Xlib ends the program where it stands, with the GL driver's memory held: not a leak.
    ASAN_OPTIONS=${ASAN_OPTIONS:-}:detect_leaks=0 full_screen_ride
    "$E2E_X11" kill "$(wait_window "$TITLE")" || fail "cannot end the program's X connection"
    expect_exit 1
    wait_for "the desktop's mode after the X connection was lost" screen_is 1024x768
    note "xkill: exit status 1, the desktop's mode is back"

    for sig in HUP TERM; do
        BALANTOR_RESTORE_DESKTOP=1 full_screen_ride
        kill -s "$sig" "$APP_PID"
        ended_by "$sig" "SIG$sig"
    done

    # A hang-up taken would end it within a few frames; the exit status tells it in any case.
    full_screen_ride nohup
    kill -s HUP "$APP_PID"
    sleep 1
    app_running || fail "SIGHUP ended a program started with nohup"
    kill -s TERM "$APP_PID"
    ended_by TERM "SIGHUP under nohup, then SIGTERM"

    cp "$E2E_BIN" "$E2E_TMP/balantor"
    E2E_BIN=$E2E_TMP/balantor full_screen_ride
    rm "$E2E_TMP/balantor"
    kill -s SEGV "$APP_PID"
    ended_by SEGV "a crash after the program's file was removed"

    LD_PRELOAD=$E2E_OVERFLOW ASAN_OPTIONS=verify_asan_link_order=0:${ASAN_OPTIONS:-} \
        full_screen_ride
    kill -s USR1 "$APP_PID"
    ended_by SEGV "a stack overflow"
}

# A message box while the full-screen window is being made (a model gone since the start): the
# window stays full screen once the box is answered, even where a window manager would minimise
# it on request. A termination signal while such a box is open ends the program at once, through
# its teardown.
case_box_in_fullscreen() {
    start_xorg
    "$E2E_X11" iconify &
    scenario
    start_ride
    local full
    rm models/hjul.ASE
    press_until "$w" F1 shown "Error"
    # The full-screen window had the focus (SDL takes it a fifth of a second after the X server
    # gives it), then loses it to the box while a person reads the box.
    full=$(wait_window "$TITLE" "$w") || exit 1
    xdotool windowfocus --sync "$full"
    sleep 0.5
    xdotool windowfocus --sync "$(wait_window "Error")"
    sleep 1
    answer_box "Error" Return
    ready "$full"
    screen_is 640x480 && [ "$(geometry "$full")" = 640x480+0+0 ] ||
        fail "the display left full screen: $(screen_size), window $(geometry "$full")"

    press_until "$full" F1 shown "Error"
    answer_box "Error" Return
    w=$(wait_window "$TITLE" "$full") || exit 1
    ready "$w"
    press_until "$w" F1 shown "Error"
    screen_is 640x480 || fail "no full screen under the box"
    kill -s TERM "$APP_PID"
    TIMEOUT=5 expect_exit $((128 + $(kill -l TERM)))
    screen_is 1024x768 || fail "the display stayed at $(screen_size)"
    note "SIGTERM with a box open: the program ends at once, the desktop's mode is back"
}

# speed_zero ID PRINT: the speed shows 0.00, PRINT, or -0.00: the text's right end is PRINT.
speed_zero() {
    shot "$1" "$NOW" && [ "$(convert "$NOW" -crop $SPEED +repage -colorspace Gray -threshold 30% \
        -bordercolor white -border 1 -trim +repage -gravity East -crop "${2%% *}x+0+0" +repage \
        -format "%w %h %#" info: 2>/dev/null)" = "$2" ]
}

# Keys across F1, with keys that do not repeat (as on this server): Up held through the switch and
# let go in the full-screen window is let go for the program too, so the ride comes to rest.
# F1 pressed as soon as the full-screen window shows, and Escape as soon as the window is back,
# act although the window is new: the window that has the focus gets every key.
case_keys_across_f1() {
    start_xorg
    start_ride
    local full win zero
    zero=$(glyphs "$E2E_TMP/ready.ppm" $SPEED)
    hold "$w" Up
    wait_for "speed while Up is held" text_differs "$w" $SPEED "$zero"
    press_until "$w" F1 gone "$w"
    full=$(wait_window "$TITLE") || exit 1
    focus "$full"
    release Up
    # Held on, Up would push the rider on for ever at a steady speed.
    wait_for "the vehicle at rest after Up was let go" speed_zero "$full" "$zero"

    # Each key is pressed as soon as its window shows, while the program may still be setting it
    # up: to a window, to full screen, back to a window, and Escape there. SDL takes the focus late
    # only where the set-up ends soon after the mode changed, so this meets a lost key only on a
    # quick machine; the platform test of the messages meets it every time.
    press_until "$full" F1 gone "$full"
    win=$(wait_window "$TITLE" "$full") || exit 1
    press_until "$win" F1 gone "$win"
    full=$(wait_window "$TITLE" "$win") || exit 1
    screen_is 640x480 || fail "F1 in a new window did not switch to full screen"
    press_until "$full" F1 gone "$full"
    win=$(wait_window "$TITLE" "$full") || exit 1
    screen_is 1024x768 || fail "F1 in a new full-screen window did not switch back"

    # Up let go 0 to 100 ms after F1 went down, into full screen and out of it: before the next
    # window has the focus, or exists, the X server gives the release to no window of the
    # program's. The window that gets the focus hears it, as on Win32.
    local ms
    for ms in 0 0 20 20 50 50 100 100; do
        hold "$win" Up
        wait_for "speed while Up is held" text_differs "$win" $SPEED "$zero"
        xdotool keydown F1 sleep "0.$(printf %03d $ms)" keyup Up
        wait_for "the window gone while F1 is held" gone "$win"
        release F1
        win=$(wait_window "$TITLE" "$win") || exit 1
        wait_for "the vehicle at rest after Up was let go $ms ms after F1" speed_zero "$win" "$zero"
    done
    press_until "$win" Escape ended
    expect_exit 0
    note "a key let go in or before the new window is let go; keys in its first moments act"
}

# A pad (a virtual one, preloaded) rides as the keys do: the stick held forwards tilts the rider as
# Up does, held back until a fall; south starts a new ride; a pad disconnected with the stick held
# lets go of it, and the vehicle comes to rest. The pad is a joystick SDL has no mapping for: the
# file that SDL_GAMECONTROLLERCONFIG names makes it a pad whose button 1 is south.
case_gamepad() {
    start_xvfb 1024x768x24
    local cues=$E2E_TMP/cues db=$E2E_TMP/gamecontrollerdb.txt zero width
    pad() { echo "$*" >>"$cues"; }
    : >"$cues"
    echo "ff0000005669727475616c204a007600,Virtual pad,a:b1,b:b0,x:b2,start:b6,dpup:b11,\
dpdown:b12,dpleft:b13,dpright:b14,leftx:a0,lefty:a1,platform:Linux," >"$db"
    LD_PRELOAD=$E2E_VIRTUALPAD BALANTOR_PAD_CUES=$cues SDL_GAMECONTROLLERCONFIG=$db \
        ASAN_OPTIONS=verify_asan_link_order=0:${ASAN_OPTIONS:-} start_ride
    focus "$w"
    zero=$(glyphs "$E2E_TMP/ready.ppm" $SPEED)
    width=$(($(glyphs "$E2E_TMP/ready.ppm" $ANGLE %w) + 6))
    pad attach
    pad axis 1 -32767
    wait_for "an angle of two digits with the stick forwards" angle_wider_than "$w" "$width"
    wait_for "the angle coming back below 10 with the stick forwards" \
        not angle_wider_than "$w" "$width"
    pad axis 1 32767
    wait_for "a fall with the stick back after forwards" game_over "$w"
    pad axis 1 0
    pad button 1 1
    wait_for "a new ride on south" no_game_over "$w"
    pad button 1 0

    pad axis 1 -32767
    wait_for "speed with the stick forwards" text_differs "$w" $SPEED "$zero"
    pad detach
    wait_for "the vehicle at rest after the pad went with the stick held" speed_zero "$w" "$zero"
    press_until "$w" Escape ended
    expect_exit 0
    note "the stick tilts, south starts a new ride, a pad gone lets go of what it held"
}

# answered_box CAPTION KEY STATUS: a box of that caption waits for its answer (the program stays
# until it is read), is answered with the key, and the program ends with that status.
answered_box() {
    wait_window "$1" >/dev/null
    sleep 1
    app_running || fail "the program did not wait for the \"$1\" box to be read"
    answer_box "$1" "$2"
    expect_exit "$3"
}

# F1 where the display has no 640 x 480 mode: the question whether to use a window instead.
# Answered Yes, a 640 x 480 window goes on with the ride. Answered No, with its mnemonic N as
# Win32's Yes/No box takes it (the box has no Cancel, so Escape does not answer it), the program
# says it will close and ends with a failure status.
case_fullscreen_refused() {
    start_xvfb 1024x768x24
    local answer
    for answer in Return n; do
        start_ride
        press_until "$w" F1 shown "Quib GL"
        [ -z "$(windows_named "$FIRST_TITLE")$(windows_named "$TITLE")" ] ||
            fail "a program window is there while the question waits"
        [ $answer = n ] && break
        answer_box "Quib GL" Return
        w=$(wait_window "$TITLE") || exit 1
        expect_window "$w"
        still_shot "$w" "$E2E_TMP/settled.ppm"
        [ "$(glyphs "$E2E_TMP/settled.ppm" $ANGLE %w)" -gt 20 ] || fail "the window shows no ride"
        press_until "$w" Escape ended
        expect_exit 0
    done
    # Wine takes Escape as Cancel, unlike Win32.
    if [ -z "${E2E_WINE:-}" ]; then
        answer_box "Quib GL" Escape
        sleep 0.5
        shown "Quib GL" || fail "Escape closed the Yes/No question"
    fi
    answer_box "Quib GL" n
    answered_box ERROR Return 1
    note "no 640 x 480 mode: \"Quib GL\" asks; Yes goes windowed, No ends with status 1"
}

# A missing ground bitmap: "Initialization Failed." in a box captioned "ERROR", no window under
# it; a missing material bitmap: a box captioned "Error". Both end with a failure status. A missing
# model: a box captioned "Error", then the ride runs without it.
case_missing_files() {
    start_xvfb 640x480x24
    scenario
    mv models/Razedud.bmp "$E2E_TMP"
    start_app
    wait_window ERROR >/dev/null
    [ -z "$(windows_named "$FIRST_TITLE")" ] || fail "the window is still there under the message"
    answered_box ERROR Return 1
    mv "$E2E_TMP/Razedud.bmp" models/
    mv models/wheel.bmp "$E2E_TMP"
    start_app
    answered_box Error Return 1
    mv "$E2E_TMP/wheel.bmp" models/
    rm models/hjul.ASE
    start_app
    wait_window "Error" >/dev/null
    sleep 1
    app_running || fail "the program did not wait for the message to be read"
    answer_box "Error" Return
    local w
    w=$(wait_window "$FIRST_TITLE") || exit 1
    ready "$w"
    press_until "$w" Escape ended
    expect_exit 0
    note "a missing ground, material or model: each box, then its exit status or the ride"
}

# A box with a line far wider than the screen (a material naming a long missing bitmap path): the
# text wraps at spaces and the path, a word longer than a line, breaks, so that the box with its
# OK button stays on the screen; Return answers it.
case_long_box() {
    start_xvfb 640x480x24
    scenario
    local box g
    sed -i "s|\"models/wheel.bmp\"|\"models/$(printf 'textures_of_the_wheel_%02d/' $(seq 8))w.bmp\"|" \
        models/hjul.ASE
    start_app
    box=$(wait_window Error) || exit 1
    g=$(geometry "$box")
    [[ $g =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] &&
        [ $((BASH_REMATCH[1] + BASH_REMATCH[3])) -le 640 ] &&
        [ $((BASH_REMATCH[2] + BASH_REMATCH[4])) -le 480 ] || fail "the box is $g on a 640x480 screen"
    # The OK button has the focus: its frame is the one blue in the box.
    shot "$box" "$E2E_TMP/box.ppm"
    [ "$(convert "$E2E_TMP/box.ppm" -fill black +opaque '#0078D7' -fill white -opaque '#0078D7' \
        -format '%[fx:round(mean*w*h)]' info:)" -gt 400 ] || fail "no OK button in the box"
    answered_box Error Return 1
    note "a box of a long line: $g on a 640 x 480 screen, its OK button shown"
}

# No display at all: the program says what is missing and ends with a failure status at once,
# instead of running unseen.
case_no_display() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER "$E2E_BIN" >"$E2E_TMP/app.log" 2>&1 &
    APP_PID=$!
    TIMEOUT=10 expect_exit 1
    grep -q "^No display found: set DISPLAY" "$E2E_TMP/app.log" || fail "no word of the display"
    grep -q "Window Creation Error." "$E2E_TMP/app.log" || fail "no creation error"
    note "no display: says what is missing, exit status 1"
}

# The Windows zip (E2E_ZIP) as a user gets it: unpacked into an empty folder, with the keys in a
# README and the licence beside it, its program needs no DLL that Windows does not ship, and
# started there it finds its models and runs.
case_zip() {
    [ -f "${E2E_ZIP:?}" ] || fail "no $E2E_ZIP; scripts/build-windows.sh makes it"
    start_xvfb 1024x768x24
    mkdir "$E2E_TMP/unzipped" && cd "$E2E_TMP/unzipped" && unzip -q "$E2E_ZIP" ||
        fail "cannot unpack $E2E_ZIP"
    local dlls others
    dlls=$(x86_64-w64-mingw32-objdump -p balantor.exe | awk '/DLL Name:/ {print toupper($3)}')
    [ -n "$dlls" ] || fail "no DLLs listed for balantor.exe"
    others=$(grep -vxE '(KERNEL32|USER32|GDI32|OPENGL32|GLU32|MSVCRT)\.DLL' <<<"$dlls")
    [ -z "$others" ] || fail "balantor.exe needs" $others
    [ -s README.txt ] || fail "no README.txt with the keys in the zip"
    grep -q "MIT License" LICENSE.txt || fail "no LICENSE.txt with the licence in the zip"
    E2E_BIN=$PWD/balantor.exe
    start_ride
    press_until "$w" Escape ended
    expect_exit 0
    note "unpacked into an empty folder, the program starts, draws its scene and ends on Escape"
}

"case_$E2E_CASE" || fail "case $E2E_CASE did not finish"
echo "passed: $E2E_CASE"
