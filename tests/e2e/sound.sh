# The chime reaches a sound server: a private PulseAudio with a null sink,
# the real clock with its chime sped up to once a second, and the sink's
# monitor recorded. The recording must be loud where a recording of the same
# sink before the clock started is silent. A server killed while it plays a
# chime and started again seconds later is used again.
source "$(dirname "$0")/lib.sh"

start_pulse

record_sink 1 "$E2E_TMP/quiet.wav"
quiet=$(rms_of "$E2E_TMP/quiet.wav")

start_x
# Run from a folder without sounds: the clock finds them beside itself.
start_chiming_clock
clock_window >/dev/null
record_sink 4 "$E2E_TMP/chime.wav"
loud=$(rms_of "$E2E_TMP/chime.wav")
note "RMS before the clock: $quiet, with the chime: $loud"

awk -v q="$quiet" 'BEGIN { exit !(q < 0.001) }' || fail "the sink is not silent before the clock plays (RMS $quiet)"
awk -v l="$loud" 'BEGIN { exit !(l > 0.01) }' || fail "no chime reached the sound server (RMS $loud); clock log: $(cat "$E2E_TMP/clock.log")"
kill -0 "$CLOCK_PID" 2>/dev/null || fail "the clock ended while chiming"

kill -9 "${PULSE_PIDS[@]}"
wait "${PULSE_PIDS[@]}" 2>/dev/null || true
sleep 4
start_pulse
record_sink 3 "$E2E_TMP/again.wav"
again=$(rms_of "$E2E_TMP/again.wav")
note "RMS after the server was killed and started again: $again"
awk -v l="$again" 'BEGIN { exit !(l > 0.01) }' || fail "the restarted sound server is not used (RMS $again)"
kill -0 "$CLOCK_PID" 2>/dev/null || fail "the clock ended when the sound server went away"
