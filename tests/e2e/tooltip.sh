# The face's tooltip shows while the pointer rests on it, though the clock is
# not the active window: first "I am a clock.", then, after the first chime,
# the longer "Boo!  The time is ...". Checked with no window manager and under
# openbox with another window active. The chime's timer is sped up so the
# test need not wait a minute.
source "$(dirname "$0")/lib.sh"

INTERVAL_MS=6000
use_test_build "$INTERVAL_MS"

# Prints "id WxH+X+Y" of the clock's tooltip once it is shown.
visible_tooltip() {
    local id
    for id in $(windows_of); do
        [ "$id" = "$CLOCK_WIN" ] && continue
        echo "$id $(geometry_of "$id")"
        return 0
    done
    return 1
}

# Rests the pointer on the face and waits up to 5 s for the tooltip.
hover() {
    local i
    # A warp alone may not count as a move over the face; two make sure.
    xdotool mousemove $((FACE_X - 12)) $((FACE_Y - 12))
    sleep 0.1
    xdotool mousemove "$FACE_X" "$FACE_Y"
    for i in $(seq 50); do
        visible_tooltip && return 0
        sleep 0.1
    done
    return 1
}

leave() {
    local i
    xdotool mousemove 700 550
    for i in $(seq 50); do
        visible_tooltip >/dev/null || return 0
        sleep 0.1
    done
    fail "$PHASE: the tooltip stayed after the pointer left the face"
}

width_of() { echo "$1" | sed 's/^[^ ]* \([0-9]*\)x.*/\1/'; }

# The tooltip's own background is pale; the face behind it is dark wood.
check_pale() {
    local tip=$1 shot=$2 x y w rgb
    x=$(echo "$tip" | sed 's/.*+\([0-9]*\)+[0-9]*$/\1/')
    y=$(echo "$tip" | sed 's/.*+\([0-9]*\)$/\1/')
    w=$(width_of "$tip")
    rgb=$(pixel_at "$shot" $((x + w - 4)) $((y + 3)))
    IFS=, read -r r g b <<<"$rgb"
    [ $((r + g + b)) -gt 600 ] || fail "$PHASE: no tooltip in the screenshot at $((x + w - 4)),$((y + 3)) ($rgb)"
}

run_phase() {
    PHASE=$1
    start_clock
    local started
    started=$(date +%s%N)
    CLOCK_WIN=$(clock_window)
    local geo
    geo=$(geometry_of "$CLOCK_WIN")
    FACE_X=$(($(echo "$geo" | cut -d+ -f2) + 110))
    FACE_Y=$(($(echo "$geo" | cut -d+ -f3) + 95))

    if [ "$PHASE" = openbox ]; then
        xmessage -geometry +420+300 "another window" 2>/dev/null &
        E2E_PIDS+=($!)
        local other i
        for i in $(seq 100); do
            other=$(xdotool search --onlyvisible --class Xmessage 2>/dev/null | head -n1 || true)
            [ -n "$other" ] && break
            sleep 0.05
        done
        [ -n "$other" ] || fail "xmessage did not show"
        xdotool windowactivate --sync "$other"
        [ "$(xdotool getactivewindow)" != "$CLOCK_WIN" ] || fail "the clock is still the active window"
    fi

    local before after
    before=$(hover) || fail "$PHASE: no tooltip while the pointer rests on the face"
    local elapsed_ms=$((($(date +%s%N) - started) / 1000000))
    [ "$elapsed_ms" -lt $((INTERVAL_MS - 500)) ] ||
        fail "$PHASE: the first tooltip took ${elapsed_ms} ms, too late to be sure it came before the chime"
    import -window root "$E2E_TMP/$PHASE-before.png"
    check_pale "$before" "$E2E_TMP/$PHASE-before.png"
    note "$PHASE: before the chime: $before"
    leave

    local wait_ms=$((INTERVAL_MS + 700 - ($(date +%s%N) - started) / 1000000))
    [ "$wait_ms" -le 0 ] || sleep "$(printf '%d.%03d' $((wait_ms / 1000)) $((wait_ms % 1000)))"
    after=$(hover) || fail "$PHASE: no tooltip after the chime"
    import -window root "$E2E_TMP/$PHASE-after.png"
    check_pale "$after" "$E2E_TMP/$PHASE-after.png"
    note "$PHASE: after the chime: $after"

    # "I am a clock." is 13 characters; "Boo!  The time is " and a time at
    # least 25: the tooltip must have grown by far more than a few pixels.
    local w1 w2
    w1=$(width_of "$before")
    w2=$(width_of "$after")
    [ "$w1" -ge 30 ] && [ "$w1" -le 160 ] || fail "$PHASE: first tooltip ${w1} px wide, not the short design text"
    [ "$w2" -gt $((w1 * 3 / 2)) ] || fail "$PHASE: tooltip ${w1} px before the chime and ${w2} px after: text not replaced"

    kill "$CLOCK_PID"
    wait "$CLOCK_PID" 2>/dev/null || true
    leave
}

start_x 800x600
run_phase "no window manager"
start_openbox
run_phase openbox
note "tooltip shown and replaced with and without a window manager"
