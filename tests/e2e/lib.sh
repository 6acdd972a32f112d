# Shared by the end-to-end tests: a private X server, an optional window
# manager, and ways to find and look at the clock's window.
# Usage in a test: source "$(dirname "$0")/lib.sh"; CLOCK=$1, and
# CLOCK_TEST_BUILD the clock whose timers a test can speed up (by default
# the one beside CLOCK).

set -euo pipefail

CLOCK=${1:?usage: $0 path/to/clock}
CLOCK_TEST_BUILD=${CLOCK_TEST_BUILD:-$(dirname "$CLOCK")/clock_under_test}
E2E_TMP=$(mktemp -d)
E2E_PIDS=()

# Ends every process started so far; a benchmark ends one session before
# it starts the next.
stop_started() {
    local pid
    for pid in "${E2E_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${E2E_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
    E2E_PIDS=()
}

e2e_cleanup() {
    stop_started
    rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
note() { echo "# $*"; }

# Starts Xvfb on a free display and exports DISPLAY; X_PID is the server.
# $1 is the screen's size, $2 its bits a pixel, and what follows goes to
# the server as it is.
start_x() {
    local size=${1:-800x600} depth=${2:-24}
    exec 3>"$E2E_TMP/display"
    # -noreset: by default the server resets when its last client leaves,
    # and a client connecting during the reset (the next clock, openbox)
    # is refused.
    Xvfb -displayfd 3 -screen 0 "${size}x${depth}" -nolisten tcp -noreset "${@:3}" >"$E2E_TMP/xvfb.log" 2>&1 &
    X_PID=$!
    E2E_PIDS+=($X_PID)
    local i
    for i in $(seq 100); do
        [ -s "$E2E_TMP/display" ] && break
        sleep 0.05
    done
    exec 3>&-
    export DISPLAY=":$(head -n1 "$E2E_TMP/display")"
    [ "$DISPLAY" != ":" ] || fail "Xvfb did not start: $(cat "$E2E_TMP/xvfb.log")"
    unset WAYLAND_DISPLAY QT_QPA_PLATFORM
}

start_openbox() {
    openbox --sm-disable >"$E2E_TMP/openbox.log" 2>&1 &
    E2E_PIDS+=($!)
    local i
    for i in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        sleep 0.05
    done
    fail "openbox did not start"
}

# Starts the clock in the background; CLOCK_PID is its process.
start_clock() {
    "$CLOCK" "$@" >"$E2E_TMP/clock.log" 2>&1 &
    CLOCK_PID=$!
    E2E_PIDS+=($CLOCK_PID)
}

# Makes the following start_clock calls start the test build, its chime
# every $1 ms.
use_test_build() {
    [ -x "$CLOCK_TEST_BUILD" ] || fail "the test build $CLOCK_TEST_BUILD is not built"
    CLOCK=$(realpath "$CLOCK_TEST_BUILD")
    export CLOCK_TIMER_INTERVAL_Timer2=$1
}

# Starts the test build from the test's own folder (so it finds its sounds
# beside itself, not in the working directory) with the chime every second.
# Later start_clock calls start the real clock again.
start_chiming_clock() {
    local real
    real=$(realpath "$CLOCK")
    cd "$E2E_TMP"
    use_test_build 1000
    start_clock "$@"
    CLOCK=$real
    unset CLOCK_TIMER_INTERVAL_Timer2
}

# The ids of the visible windows of process $1 (by default the clock's) that
# stand by themselves on the screen: the clock's own, its menu, its tooltip,
# but not its face, a window inside the clock's.
windows_of() {
    local pid=${1:-$CLOCK_PID} ids id parent
    ids=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null || true)
    for id in $ids; do
        parent=$(xwininfo -children -id "$id" 2>/dev/null | awk '/Parent window id/ {print $4}')
        [ -n "$parent" ] && grep -qx "$((parent))" <<<"$ids" && continue
        echo "$id"
    done
    return 0
}

# Prints the id of the clock's visible top-level window once it is mapped
# (or that of process $1).
clock_window() {
    local pid=${1:-$CLOCK_PID} i id
    for i in $(seq 100); do
        id=$(windows_of "$pid" | head -n1)
        if [ -n "$id" ]; then echo "$id"; return 0; fi
        sleep 0.05
    done
    fail "no clock window appeared"
}

# "WxH+X+Y" of a window, as xwininfo reports its absolute position.
geometry_of() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/{x=$NF} /Absolute upper-left Y/{y=$NF}
        /^ *Width:/{w=$NF} /^ *Height:/{h=$NF} END{print w "x" h "+" x "+" y}'
}

# "pictures per second" and "longest ms without a new picture" of window $1
# over $2 s, read from the screen.
face_rate() {
    local tool=${CLOCK_BUILD_DIR:?}/tests/face_rate g w h x y
    [ -x "$tool" ] || fail "helper $tool is not built"
    g=$(geometry_of "$1")
    IFS='x+' read -r w h x y <<<"$g"
    "$tool" "$2" "$x" "$y" "$w" "$h" | awk '{print $4, $6}'
}

# Waits until the process ends; prints its exit status. Fails after $2 s.
# Only the shell that started the process can collect its status: inside
# $(...) a process still running when the subshell forks reports -1, so
# redirect to a file instead (wait_exit "$pid" 1 >"$E2E_TMP/status").
wait_exit() {
    local pid=$1 limit=${2:-5} i
    for i in $(seq $((limit * 20))); do
        if ! kill -0 "$pid" 2>/dev/null; then
            local status=0
            wait "$pid" || status=$?
            echo "$status"
            return 0
        fi
        # A child that has exited can linger as a zombie for a while.
        if [ "$(ps -o stat= -p "$pid" 2>/dev/null | cut -c1)" = Z ]; then
            local status=0
            wait "$pid" || status=$?
            echo "$status"
            return 0
        fi
        sleep 0.05
    done
    return 1
}

# Waits for the cases a test ran in the background, CASE_PID mapping each
# name to its subshell, which wrote to $E2E_TMP/NAME.out; shows what each
# wrote and fails if any failed.
wait_cases() {
    local c failed=0
    for c in "${!CASE_PID[@]}"; do
        wait "${CASE_PID[$c]}" || failed=1
        cat "$E2E_TMP/$c.out"
    done
    [ "$failed" = 0 ] || fail "a case failed (its output is above)"
}

# The RGB triple of one pixel of a screenshot, e.g. "25,14,12".
pixel_at() {
    convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:
}

# Whether the RGB triple $1 is the artwork's (or a lit hand's) reddish brown.
reddish() {
    local r g b
    IFS=, read -r r g b <<<"$1"
    [ "$r" -ge 100 ] && [ "$r" -ge $((g + 40)) ] && [ "$r" -ge $((b + 60)) ]
}

# Whether at least five of nine points, $3 pixels apart around ($1, $2) in
# screenshot $4, are reddish: the face shows there (only the hands' shadows
# are not reddish; an undrawn form's grey, the root or a cover are not).
face_around() {
    local hits=0 dx dy
    for dx in -1 0 1; do
        for dy in -1 0 1; do
            reddish "$(pixel_at "$4" $(($1 + dx * $3)) $(($2 + dy * $3)))" && hits=$((hits + 1))
        done
    done
    [ "$hits" -ge 5 ]
}

# A PulseAudio server of the test's own (parallel tests and a user's session
# never meet it) whose default sink is the null sink "probe", kept awake: an
# idle null sink drops most of what is recorded from it. PULSE_PIDS are the
# server and the stream that keeps the sink awake.
start_pulse() {
    local tool i
    for tool in pulseaudio pactl pacat parec sox; do
        command -v "$tool" >/dev/null || fail "$tool is not installed (see build.sh)"
    done
    export PULSE_RUNTIME_PATH=$E2E_TMP/pulse PULSE_STATE_PATH=$E2E_TMP/pulse-state HOME=$E2E_TMP/home
    mkdir -p "$PULSE_RUNTIME_PATH" "$PULSE_STATE_PATH" "$HOME"
    unset PULSE_SERVER PULSE_SINK
    pulseaudio -n --daemonize=no --system=false --exit-idle-time=-1 --use-pid-file=false \
        --load=module-native-protocol-unix --log-target=file:"$E2E_TMP/pulse.log" 2>>"$E2E_TMP/pulse.log" &
    PULSE_PIDS=($!)
    E2E_PIDS+=($!)
    for i in $(seq 100); do
        pactl info >/dev/null 2>&1 && break
        sleep 0.05
    done
    pactl info >/dev/null 2>&1 || fail "pulseaudio did not start: $(tail -n 5 "$E2E_TMP/pulse.log")"
    pactl load-module module-null-sink sink_name=probe >/dev/null || fail "no null sink"
    pactl set-default-sink probe
    pacat --latency-msec=20 --raw -d probe /dev/zero &
    PULSE_PIDS+=($!)
    E2E_PIDS+=($!)
    sleep 2
}

# Records the probe sink for $1 seconds into $2 (WAV).
record_sink() {
    timeout -s INT "$1" parec -d probe.monitor --latency-msec=20 --format=s16le --rate=44100 \
        --channels=2 --file-format=wav "$2" || true
    [ -s "$2" ] || fail "nothing recorded from the sink's monitor"
}

# The RMS amplitude of a recording, 0 to 1.
rms_of() { sox "$1" -n stat 2>&1 | awk '/RMS +amplitude/ {print $3}'; }
