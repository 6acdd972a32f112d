# The chime reaches a sound server: a private PulseAudio with a null sink,
# the real clock with its chime sped up to once a second, and the sink's
# monitor recorded. The recording must be loud where a recording of the same
# sink before the clock started is silent, and one chime plays at a time. A
# server killed while it plays a chime and started again at once is used
# again: Qt tries the server once, three seconds after losing it (README,
# "What it does not do"). A close request in the middle of a chime ends the
# clock at once with status 0, even while the server stops answering, which
# holds only the chime: the face keeps its pace.
source "$(dirname "$0")/lib.sh"

start_pulse

record_sink 1 "$E2E_TMP/quiet.wav"
quiet=$(rms_of "$E2E_TMP/quiet.wav")

start_x
# Run from a folder without sounds: the clock finds them beside itself.
start_chiming_clock
W=$(clock_window)
record_sink 4 "$E2E_TMP/chime.wav"
loud=$(rms_of "$E2E_TMP/chime.wav")
note "RMS before the clock: $quiet, with the chime: $loud"

awk -v q="$quiet" 'BEGIN { exit !(q < 0.001) }' || fail "the sink is not silent before the clock plays (RMS $quiet)"
awk -v l="$loud" 'BEGIN { exit !(l > 0.01) }' || fail "no chime reached the sound server (RMS $loud); clock log: $(cat "$E2E_TMP/clock.log")"
kill -0 "$CLOCK_PID" 2>/dev/null || fail "the clock ended while chiming"
# Each sound lasts over a second: one chime at a time means each cut off
# the one before. The other stream is the one keeping the sink awake.
most=0
for i in $(seq 8); do
    n=$(pactl list short sink-inputs | wc -l)
    [ "$n" -le "$most" ] || most=$n
    sleep 0.25
done
[ "$most" -le 2 ] || fail "$((most - 1)) chimes played at once"

kill -9 "${PULSE_PIDS[@]}"
wait "${PULSE_PIDS[@]}" 2>/dev/null || true
start_pulse
record_sink 4 "$E2E_TMP/again.wav"
again=$(rms_of "$E2E_TMP/again.wav")
note "RMS after the server was killed and started again: $again"
awk -v l="$again" 'BEGIN { exit !(l > 0.01) }' || fail "the restarted sound server is not used (RMS $again)"
kill -0 "$CLOCK_PID" 2>/dev/null || fail "the clock ended when the sound server went away"

# Closes the clock (in the middle of a chime); its exit status in $status.
close_clock() {
    if "$CLOCK_BUILD_DIR/tests/wm_close" "$W"; then
        wait_exit "$CLOCK_PID" 2 >"$E2E_TMP/status" || echo "still running" >"$E2E_TMP/status"
        status=$(cat "$E2E_TMP/status")
    else
        status="no close request sent"
    fi
}
close_clock
[ "$status" = 0 ] || fail "closed in the middle of a chime: $status"

start_chiming_clock
W=$(clock_window)
sleep 2
kill -STOP "${PULSE_PIDS[0]}"
read -r pps longest <<<"$(face_rate "$W" 3)"
close_clock
kill -CONT "${PULSE_PIDS[0]}"
note "with the server stopped: $pps pictures a second, none kept over $longest ms; closed with $status"
awk -v p="$pps" -v l="$longest" 'BEGIN { exit !(p >= 8 && l <= 500) }' ||
    fail "with the server stopped, $pps pictures a second, one kept for $longest ms"
[ "$status" = 0 ] || fail "with the server stopped, the close request gave: $status"
