# The chime reaches a sound server: a private PulseAudio with a null sink,
# the real clock with its chime sped up to once a second, and the sink's
# monitor recorded. The recording must be loud where a recording of the same
# sink before the clock started is silent.
source "$(dirname "$0")/lib.sh"

for tool in pulseaudio pactl pacat parec sox; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (see build.sh)"
done

# A server of our own, so parallel tests and a user's session never meet.
export PULSE_RUNTIME_PATH=$E2E_TMP/pulse PULSE_STATE_PATH=$E2E_TMP/pulse-state HOME=$E2E_TMP/home
mkdir -p "$PULSE_RUNTIME_PATH" "$PULSE_STATE_PATH" "$HOME"
unset PULSE_SERVER PULSE_SINK
pulseaudio -n --daemonize=no --system=false --exit-idle-time=-1 --use-pid-file=false \
    --load=module-native-protocol-unix --log-target=file:"$E2E_TMP/pulse.log" 2>>"$E2E_TMP/pulse.log" &
E2E_PIDS+=($!)
for i in $(seq 100); do
    pactl info >/dev/null 2>&1 && break
    sleep 0.05
done
pactl info >/dev/null 2>&1 || fail "pulseaudio did not start: $(tail -n 5 "$E2E_TMP/pulse.log")"
pactl load-module module-null-sink sink_name=probe >/dev/null || fail "no null sink"
pactl set-default-sink probe

# An idle null sink drops most of what is recorded from it; keep it busy.
pacat --latency-msec=20 --raw -d probe /dev/zero &
E2E_PIDS+=($!)
sleep 2

record() {  # seconds, file
    timeout -s INT "$1" parec -d probe.monitor --latency-msec=20 --format=s16le --rate=44100 \
        --channels=2 --file-format=wav "$2" || true
    [ -s "$2" ] || fail "nothing recorded from the sink's monitor"
}
rms() { sox "$1" -n stat 2>&1 | awk '/RMS +amplitude/ {print $3}'; }

record 1 "$E2E_TMP/quiet.wav"
quiet=$(rms "$E2E_TMP/quiet.wav")

start_x
# Run from a folder without sounds: the clock finds them beside itself.
CLOCK=$(realpath "$CLOCK")
cd "$E2E_TMP"
export CLOCK_TIMER_INTERVAL_Timer2=1000
start_clock
unset CLOCK_TIMER_INTERVAL_Timer2
clock_window >/dev/null
record 4 "$E2E_TMP/chime.wav"
loud=$(rms "$E2E_TMP/chime.wav")
note "RMS before the clock: $quiet, with the chime: $loud"

awk -v q="$quiet" 'BEGIN { exit !(q < 0.001) }' || fail "the sink is not silent before the clock plays (RMS $quiet)"
awk -v l="$loud" 'BEGIN { exit !(l > 0.01) }' || fail "no chime reached the sound server (RMS $loud); clock log: $(cat "$E2E_TMP/clock.log")"
kill -0 "$CLOCK_PID" 2>/dev/null || fail "the clock ended while chiming"
