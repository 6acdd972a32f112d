# The installed clock: `cmake --install` into a prefix of its own gives the
# program and its six sounds and nothing else, and the program, started from
# another folder, finds the sounds in the prefix's share folder and chimes
# at its real interval: silence for the first minute, then a chime.
source "$(dirname "$0")/lib.sh"

PREFIX=$E2E_TMP/prefix
cmake --install "${CLOCK_BUILD_DIR:?}" --prefix "$PREFIX" >"$E2E_TMP/install.log" 2>&1 ||
    fail "cmake --install failed: $(cat "$E2E_TMP/install.log")"
installed=$(cd "$PREFIX" && find . -type f | sort | tr '\n' ' ')
expected="./bin/clock ./share/clock/sounds/Crow.wav ./share/clock/sounds/cricket.wav ./share/clock/sounds/door2.wav ./share/clock/sounds/frogs.wav ./share/clock/sounds/owl2.wav ./share/clock/sounds/wolf.wav "
[ "$installed" = "$expected" ] || fail "installed: $installed; expected: $expected"

# The RMS amplitude of $3 seconds of a recording from $2 s on.
rms_between() { sox "$1" -n trim "$2" "$3" stat 2>&1 | awk '/RMS +amplitude/ {print $3}'; }
seconds_since() { awk -v from="$1" -v now="$(date +%s%N)" 'BEGIN { printf "%.2f", (now - from) / 1e9 }'; }
plus() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a + b }'; }

start_pulse
start_x
mkdir "$E2E_TMP/elsewhere"
cd "$E2E_TMP/elsewhere"
CLOCK=$PREFIX/bin/clock

recording_started=$(date +%s%N)
record_sink 67 "$E2E_TMP/minute.wav" &
recorder=$!
E2E_PIDS+=($recorder)
start_clock
offset=$(seconds_since "$recording_started")
clock_window >/dev/null
wait "$recorder" || fail "the recording failed"
kill -0 "$CLOCK_PID" 2>/dev/null || fail "the installed clock ended: $(cat "$E2E_TMP/clock.log")"

# The chime is due 60 s after the start (plus the time the window takes).
quiet=$(rms_between "$E2E_TMP/minute.wav" 0 "$(plus "$offset" 57)")
loud=$(rms_between "$E2E_TMP/minute.wav" "$(plus "$offset" 59)" 6)
note "RMS in the first 57 s: $quiet, from 59 s to 65 s: $loud"
awk -v q="$quiet" 'BEGIN { exit !(q < 0.001) }' || fail "a sound came before the minute was up (RMS $quiet)"
awk -v l="$loud" 'BEGIN { exit !(l > 0.01) }' ||
    fail "no chime a minute after the start (RMS $loud); clock log: $(cat "$E2E_TMP/clock.log")"
