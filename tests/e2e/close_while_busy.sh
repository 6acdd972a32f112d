# The clock ends cleanly when it is told to, in the middle of something or
# from outside: "Quit" chosen while a chime is playing; a close request while
# its pop-up menu is open; SIGTERM, SIGINT and SIGHUP, with and without the
# menu open; its window destroyed by another program. Each time: status 0,
# within a second, and no window of the clock left behind.
source "$(dirname "$0")/lib.sh"

WM_CLOSE=${CLOCK_BUILD_DIR:?}/tests/wm_close
[ -x "$WM_CLOSE" ] || fail "helper $WM_CLOSE is not built"

# Waits up to $1 s for the process to end; fails unless it ends with status 0
# and leaves no window.
expect_clean_end() {
    local limit=$1 what=$2
    wait_exit "$CLOCK_PID" "$limit" >"$E2E_TMP/status" || fail "$what: still running ${limit} s later"
    [ "$(cat "$E2E_TMP/status")" = 0 ] || fail "$what: exit status $(cat "$E2E_TMP/status")"
    ! xwininfo -root -tree | grep -q '"Clock"' || fail "$what: a window of the clock is left"
    [ -z "$(popup_of_clock)" ] || fail "$what: the pop-up menu is left"
}

# The id of an open pop-up (an override-redirect window of the clock's).
popup_of_clock() {
    local id
    for id in $(windows_of); do
        [ "$id" = "$W" ] && continue
        xwininfo -id "$id" 2>/dev/null | grep -q 'Override Redirect State: yes' && { echo "$id"; return 0; }
    done
    return 0
}

open_menu() {
    local i
    xdotool mousemove 168 155 click 3
    for i in $(seq 40); do
        [ -n "$(popup_of_clock)" ] && return 0
        sleep 0.05
    done
    fail "$1: no menu opened"
}

# Whether the clock has an uncorked stream on the sound server. Between two
# different sounds there is a moment without one, so wait_playing polls.
clock_is_playing() {
    pactl list sink-inputs 2>/dev/null | awk -v pid="$CLOCK_PID" '
        /^Sink Input/ { corked = "" }
        /Corked:/ { corked = $2 }
        /application.process.id/ { gsub(/"/, "", $3); if ($3 == pid && corked == "no") found = 1 }
        END { exit !found }'
}

wait_playing() {
    local i
    for i in $(seq 60); do
        clock_is_playing && return 0
        sleep 0.05
    done
    return 1
}

start_pulse
start_x

# Quit while a chime plays. The sounds last longer than the tick, so from the
# first tick on one is always playing.
start_chiming_clock
W=$(clock_window)
wait_playing || fail "no chime reached the sound server: $(pactl list short sink-inputs)"
open_menu "quit while chiming"
wait_playing || fail "no chime plays while the menu is open"
xdotool key Down Down Down Down Return
expect_clean_end 1 "quit while chiming"
note "quit while chiming: status 0, gone within a second"

# A close request while the menu is open, with and without a window manager
# (under one the menu holds the pointer and keyboard grabs); a signal, which
# the desktop sends when the session ends and a terminal on Ctrl-C or when
# it closes; and the window destroyed under the clock.
for wm in bare openbox; do
    [ "$wm" = openbox ] && start_openbox
    start_clock
    W=$(clock_window)
    open_menu "close with the menu open ($wm)"
    "$WM_CLOSE" "$W" || fail "could not send WM_DELETE_WINDOW ($wm)"
    expect_clean_end 1 "close with the menu open ($wm)"
    note "close with the menu open ($wm): status 0, gone within a second"

    for signal in TERM INT HUP; do
        start_clock
        W=$(clock_window)
        [ "$signal" = TERM ] && open_menu "SIG$signal with the menu open ($wm)"
        kill -s "$signal" "$CLOCK_PID"
        expect_clean_end 1 "SIG$signal ($wm)"
    done
    note "SIGTERM (menu open), SIGINT, SIGHUP ($wm): status 0, gone within a second"

    start_clock
    W=$(clock_window)
    xdotool windowclose "$W"
    expect_clean_end 1 "window destroyed by another program ($wm)"
    ! grep -q 'XCB error' "$E2E_TMP/clock.log" ||
        fail "X errors on the way out ($wm): $(grep -m1 'XCB error' "$E2E_TMP/clock.log")"
    note "window destroyed by another program ($wm): status 0, gone within a second"
done
