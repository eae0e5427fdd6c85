#!/usr/bin/env bash
# End-to-end cases of the real program under a virtual X server, driven with keys and read back
# from screenshots. Usage: cases.sh CASE PROGRAM X11_HELPER
# Each case starts its own server, so cases can run in parallel. E2E_TIMEOUT (seconds, 60) bounds
# each wait; E2E_KEEP names a folder that keeps the screenshots of a run.

E2E_CASE=$1
E2E_BIN=$(realpath "$2")
E2E_X11=$(realpath "$3")
E2E_ROOT=$(realpath "$(dirname "$0")/../..")
source "$(dirname "$0")/lib.sh"

FIRST_TITLE="Balantor"
TITLE="Quib's OpenGL Framework"

# angle_wider_than ID WIDTH: the angle shown is wider than WIDTH pixels (has more digits).
angle_wider_than() { shot "$1" "$NOW" && [ "$(text_width "$NOW" $ANGLE)" -gt "$2" ]; }
not() { ! "$@"; }

# The first window, the overlay at rest, the rider switch, a ride to a fall, the restart and
# Escape.
case_ride() {
    start_xvfb 1024x768x24
    cd "$E2E_ROOT" || fail "no project root"
    start_app
    local w
    w=$(wait_window "$FIRST_TITLE") || exit 1
    expect_geometry "$w" 640x480+0+0
    note "first window: 640 x 480, titled \"$FIRST_TITLE\""

    local rest=$E2E_TMP/rest.ppm
    still_shot "$w" "$rest"
    local zero
    zero=$(glyphs "$rest" $ANGLE)
    [ "$zero" = "$(glyphs "$rest" $SPEED)" ] || fail "angle and speed differ at rest"
    [ "$(dark_pixels "$rest" $ANGLE)" -gt 20 ] || fail "no angle shown at rest"
    [ "$(dark_pixels "$rest" $GAMEOVER)" = 0 ] || fail "game-over region not empty at rest"
    note "at rest the angle and the speed show the same number, no game-over lines"

    # M switches the rider once per press however long it is held on: with a switch per frame
    # the figure after each press would depend on the frame count.
    local riders=("$rest" "$E2E_TMP/other.ppm") settled=$E2E_TMP/settled.ppm i
    press_until "$w" m changed "$w" "$rest"
    still_shot "$w" "${riders[1]}"
    for i in 0 1 2 3; do
        LINGER=0.$((2 * i + 3)) press_until "$w" m changed "$w" "${riders[$(((i + 1) % 2))]}"
        still_shot "$w" "$settled"
        same_picture "${riders[$((i % 2))]}" "$settled" ||
            fail "press $((i + 2)) of M did not give the rider expected"
    done
    note "M switches the rider once per press"

    # Up tilts the rider: the angle leaves 0.00 and the picture changes.
    hold "$w" Up
    wait_for "a new angle while Up is held" text_differs "$w" $ANGLE "$zero"
    same_picture "$rest" "$NOW" && fail "holding Up did not change the picture"
    note "holding Up changes the angle and the picture"

    # Held on, the vehicle gathers speed: the angle climbs past 10 degrees (one more digit) and
    # comes back below it. Read from the screen, this holds at any frame rate.
    local width
    width=$(text_width "$rest" $ANGLE)
    wait_for "an angle of two digits while Up is held" angle_wider_than "$w" "$width"
    wait_for "the angle coming back below 10 while Up is held" \
        not angle_wider_than "$w" "$width"
    [ "$(glyphs "$NOW" $SPEED)" != "$zero" ] || fail "no speed after holding Up"

    # Down instead: the vehicle falls backwards and the game-over lines appear.
    release Up
    hold "$w" Down
    wait_for "a fall while Down is held after Up" game_over "$w"
    note "holding Up then Down makes the vehicle fall; the game-over lines appear"

    # Fallen, nothing moves: the angle stays, the speed shows 0.00, the keys do nothing.
    local fallen=$E2E_TMP/fallen.ppm
    sleep 0.3
    shot "$w" "$fallen"
    release Down
    hold "$w" Up && sleep 0.3 && release Up
    changed "$w" "$fallen" && fail "the picture changed after the fall"
    [ "$(glyphs "$fallen" $ANGLE)" != "$zero" ] || fail "the fallen angle shows 0.00"
    [ "$(glyphs "$fallen" $SPEED)" = "$zero" ] || fail "the speed is not 0.00 after the fall"
    note "after the fall the angle is frozen and the speed shows 0.00"

    # Space restarts: back to 0.00 and no game-over lines.
    press_until "$w" space no_game_over "$w"
    still_shot "$w" "$settled"
    [ "$(glyphs "$settled" $GAMEOVER)" = "$(glyphs "$rest" $GAMEOVER)" ] ||
        fail "the game-over region did not return to its rest look"
    [ "$(glyphs "$settled" $ANGLE)" = "$zero" ] || fail "the angle is not 0.00 after the restart"
    [ "$(glyphs "$settled" $SPEED)" = "$zero" ] || fail "the speed is not 0.00 after the restart"
    note "Space restarts the ride at rest"

    # Upright again, Space does nothing: with Up held the ride keeps its speed, where a restart in
    # every frame would keep the speed at 0.00.
    hold "$w" Up
    wait_for "a speed while Up is held after the restart" text_differs "$w" $SPEED "$zero"
    xdotool keydown space
    sleep 0.5
    text_differs "$w" $SPEED "$zero" || fail "Space restarted a ride that was under way"
    release space
    release Up
    note "Space does nothing during a ride"

    press_until "$w" Escape ended
    expect_exit 0
    note "Escape ends the program with status 0"
}

# F1 where the display offers 640 x 480: a full-screen window over the whole screen, then back
# to a 640 x 480 window; both now titled "Quib's OpenGL Framework". Closing the window as a
# window manager would ends the program with status 0.
case_fullscreen() {
    start_xvfb 640x480x24
    cd "$E2E_ROOT" || fail "no project root"
    start_app
    local w full win
    w=$(wait_window "$FIRST_TITLE") || exit 1
    ready "$w"
    press_until "$w" F1 gone "$w"
    full=$(wait_window "$TITLE") || exit 1
    # Without a window manager a full-screen window looks like any other from outside: what
    # tells is that the mode was there (no question asked) and that it covers the screen.
    [ -z "$(windows_named "Quib GL")" ] || fail "asked about a mode the display has"
    expect_geometry "$full" "$(screen_size)+0+0"
    note "F1: a full-screen window titled \"$TITLE\""

    ready "$full"
    press_until "$full" F1 gone "$full"
    win=$(wait_window "$TITLE" "$full") || exit 1
    [ -z "$(windows_named "$TITLE" | grep -x "$full")" ] || fail "the full-screen window stayed"
    expect_geometry "$win" 640x480+0+0
    note "F1 again: a 640 x 480 window titled \"$TITLE\""

    "$E2E_X11" close "$win" || fail "cannot ask the window to close"
    expect_exit 0
    note "closing the window ends the program with status 0"
}

# F1 where the display has no 640 x 480 mode: the question whether to use a window instead,
# answered Yes, gives a 640 x 480 window that goes on with the ride.
case_fullscreen_refused() {
    start_xvfb 1024x768x24
    cd "$E2E_ROOT" || fail "no project root"
    start_app
    local w
    w=$(wait_window "$FIRST_TITLE") || exit 1
    ready "$w"
    press_until "$w" F1 shown "Quib GL"
    sleep 1
    app_running || fail "the program did not wait for the answer"
    [ -z "$(windows_named "$FIRST_TITLE")$(windows_named "$TITLE")" ] ||
        fail "a program window is there while the question waits"
    answer_box "Quib GL" Return
    wait_no_window "Quib GL"
    w=$(wait_window "$TITLE") || exit 1
    expect_geometry "$w" 640x480+0+0
    local settled=$E2E_TMP/settled.ppm
    still_shot "$w" "$settled"
    [ "$(glyphs "$settled" $ANGLE)" = "$(glyphs "$settled" $SPEED)" ] ||
        fail "the new window does not show the ride at rest"
    [ "$(dark_pixels "$settled" $ANGLE)" -gt 20 ] || fail "the new window shows no overlay"
    note "no 640 x 480 mode: \"Quib GL\" asks, Yes gives a 640 x 480 window"
    press_until "$w" Escape ended
    expect_exit 0
    note "Escape ends the program with status 0"
}

# The same question answered No: the program says it will close and ends with a failure
# status.
case_fullscreen_declined() {
    start_xvfb 1024x768x24
    cd "$E2E_ROOT" || fail "no project root"
    start_app
    local w
    w=$(wait_window "$FIRST_TITLE") || exit 1
    ready "$w"
    press_until "$w" F1 shown "Quib GL"
    answer_box "Quib GL" Escape
    wait_window "ERROR" >/dev/null
    sleep 1
    app_running || fail "the program did not wait for \"Program Will Now Close.\" to be read"
    answer_box "ERROR" Return
    expect_exit 1
    note "No: the closing message, then exit status 1"
}

# No ground bitmap: "Initialization Failed." in a box captioned "ERROR", then a failure status.
case_missing_ground() {
    start_xvfb 640x480x24
    scenario
    rm models/Razedud.bmp
    start_app
    wait_window "ERROR" >/dev/null
    sleep 1
    app_running || fail "the program did not wait for the message to be read"
    [ -z "$(windows_named "$FIRST_TITLE")" ] || fail "the window is still there under the message"
    answer_box "ERROR" Return
    expect_exit 1
    note "missing ground bitmap: a box captioned \"ERROR\", then exit status 1"
}

# No wheel model: its message, then the ride runs without wheels; everything else is drawn as
# usual.
case_missing_model() {
    start_xvfb 640x480x24
    scenario
    local w whole=$E2E_TMP/whole.ppm wheelless=$E2E_TMP/wheelless.ppm
    start_app
    w=$(wait_window "$FIRST_TITLE") || exit 1
    still_shot "$w" "$whole"
    press_until "$w" Escape ended
    expect_exit 0

    rm models/hjul.ASE
    start_app
    wait_window "Error" >/dev/null
    sleep 1
    app_running || fail "the program did not wait for the message to be read"
    answer_box "Error" Return
    w=$(wait_window "$FIRST_TITLE") || exit 1
    still_shot "$w" "$wheelless"
    same_picture "$whole" "$wheelless" && fail "the wheels are still drawn"
    same_region "$whole" "$wheelless" 50x70+295+165 || fail "the rider is not drawn as usual"
    note "missing model: a box captioned \"Error\", then the ride runs without wheels"
    press_until "$w" Escape ended
    expect_exit 0
}

# A material's bitmap missing: a box captioned "Error", then a failure status.
case_missing_material() {
    start_xvfb 640x480x24
    scenario
    rm models/wheel.bmp
    start_app
    wait_window "Error" >/dev/null
    sleep 1
    app_running || fail "the program did not wait for the message to be read"
    answer_box "Error" Return
    expect_exit 1
    note "missing material bitmap: a box captioned \"Error\", then exit status 1"
}

"case_$E2E_CASE" || fail "case $E2E_CASE did not finish"
echo "passed: $E2E_CASE"
