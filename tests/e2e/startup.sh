# The clock comes up as designed and goes down on a close request, both on
# a bare X server and under a window manager: undecorated, 200 x 200 at
# (68, 55), cut to the inscribed circle, above other windows (under the
# window manager also above one activated and raised over it), without a
# task-bar button, showing the artwork; a WM_DELETE_WINDOW ends it with
# status 0 within a second.
source "$(dirname "$0")/lib.sh"

WM_CLOSE=${CLOCK_BUILD_DIR:?}/tests/wm_close
[ -x "$WM_CLOSE" ] || fail "helper $WM_CLOSE is not built"

ROOT_COLOUR=0,255,0

# A blue window over the whole clock, activated and raised: the window
# manager keeps the clock above it, and the screen shows that.
cover_with_another_window() {
    xmessage -geometry 400x320+0+0 -xrm '*background: blue' -xrm '*foreground: blue' -buttons '' cover &
    E2E_PIDS+=($!)
    local cover="" i shot=$E2E_TMP/covered.png
    for i in $(seq 100); do
        cover=$(xdotool search --onlyvisible --name '^xmessage$' 2>/dev/null | head -n1 || true)
        [ -n "$cover" ] && break
        sleep 0.05
    done
    [ -n "$cover" ] || fail "openbox: the covering window did not appear"
    xdotool windowactivate --sync "$cover"
    xdotool windowraise "$cover"
    sleep 0.5
    import -window root "$shot"
    [ "$(pixel_at "$shot" 330 250)" = 0,0,255 ] || fail "openbox: no covering window beside the clock"
    face_around 168 155 20 "$shot" ||
        fail "openbox: the window raised over the clock covers it (middle pixel $(pixel_at "$shot" 168 155))"
}

check_clock() {
    local wm=$1
    start_x 640x480
    xsetroot -solid '#00ff00'
    [ "$wm" = openbox ] && start_openbox
    start_clock
    local id shot="$E2E_TMP/$wm.png" i
    id=$(clock_window)

    # The face is drawn by the first redraw after the window maps; wait for
    # the middle of the window to stop showing the background.
    for i in $(seq 60); do
        import -window root "$shot"
        reddish "$(pixel_at "$shot" 168 155)" && break
        sleep 0.05
    done

    local geometry
    geometry=$(geometry_of "$id")
    [ "$geometry" = 200x200+68+55 ] || fail "$wm: window at $geometry, not 200x200+68+55"

    local info
    info=$(xwininfo -shape -id "$id")
    grep -q 'Window shape extents: *200x200+0+0' <<<"$info" || fail "$wm: window is not shaped: $info"
    grep -q 'Override Redirect State: no' <<<"$info" || fail "$wm: window bypasses the window manager"

    xprop -id "$id" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE ||
        fail "$wm: _NET_WM_STATE_ABOVE not set: $(xprop -id "$id" _NET_WM_STATE)"
    # Desktops leave out of the task bar a window that says so in its state;
    # a utility window would be left out too, but not kept above.
    xprop -id "$id" _NET_WM_STATE | grep -q _NET_WM_STATE_SKIP_TASKBAR ||
        fail "$wm: _NET_WM_STATE_SKIP_TASKBAR not set: $(xprop -id "$id" _NET_WM_STATE)"
    xprop -id "$id" _NET_WM_WINDOW_TYPE | grep -q '_NET_WM_WINDOW_TYPE_NORMAL$' ||
        fail "$wm: not a normal window: $(xprop -id "$id" _NET_WM_WINDOW_TYPE)"
    # Motif hints: flags, functions, decorations; decorations 0 is none.
    xprop -id "$id" _MOTIF_WM_HINTS | grep -q '= 0x2, 0x[0-9a-f]*, 0x0' ||
        fail "$wm: decorations asked for: $(xprop -id "$id" _MOTIF_WM_HINTS)"
    if [ "$wm" = openbox ]; then
        xprop -id "$id" _NET_FRAME_EXTENTS | grep -q '= 0, 0, 0, 0' ||
            fail "$wm: framed: $(xprop -id "$id" _NET_FRAME_EXTENTS)"
    fi

    # In the picture: the window's corners and the pixels just outside each
    # side (where a frame or title bar would be) show the root; the middle
    # of the face and the top and bottom of the circle show the clock.
    local p
    for p in "68 55" "267 55" "68 254" "267 254" "168 54" "168 255" "67 155" "268 155"; do
        [ "$(pixel_at "$shot" $p)" = "$ROOT_COLOUR" ] ||
            fail "$wm: pixel ($p) is $(pixel_at "$shot" $p), not the root's"
    done
    for p in "168 56" "168 253" "69 155" "266 155"; do
        [ "$(pixel_at "$shot" $p)" != "$ROOT_COLOUR" ] || fail "$wm: pixel ($p) is clipped away"
    done
    face_around 168 155 20 "$shot" || fail "$wm: the face does not show the artwork (middle pixel $(pixel_at "$shot" 168 155))"

    [ "$wm" = openbox ] && cover_with_another_window

    "$WM_CLOSE" "$id" || fail "$wm: could not send WM_DELETE_WINDOW"
    wait_exit "$CLOCK_PID" 1 >"$E2E_TMP/status" || fail "$wm: still running a second after the close request"
    [ "$(cat "$E2E_TMP/status")" = 0 ] || fail "$wm: exit status $(cat "$E2E_TMP/status") after the close request"
    note "$wm: ok"
}

check_clock bare
check_clock openbox
