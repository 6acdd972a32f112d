# Shared by the end-to-end tests: a private X server, an optional window
# manager, and ways to find and look at the clock's window.
# Usage in a test: source "$(dirname "$0")/lib.sh"; CLOCK=$1.

set -euo pipefail

CLOCK=${1:?usage: $0 path/to/clock}
E2E_TMP=$(mktemp -d)
E2E_PIDS=()

e2e_cleanup() {
    local pid
    for pid in "${E2E_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${E2E_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$E2E_TMP"
}
trap e2e_cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }
note() { echo "# $*"; }

# Starts Xvfb on a free display and exports DISPLAY.
start_x() {
    local size=${1:-800x600}
    exec 3>"$E2E_TMP/display"
    # -noreset: by default the server resets when its last client leaves,
    # and a client connecting during the reset (the next clock, openbox)
    # is refused.
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp -noreset >"$E2E_TMP/xvfb.log" 2>&1 &
    E2E_PIDS+=($!)
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

# Prints the id of the clock's visible top-level window once it is mapped.
clock_window() {
    local i id
    for i in $(seq 100); do
        id=$(xdotool search --onlyvisible --pid "$CLOCK_PID" 2>/dev/null | head -n1 || true)
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

# The RGB triple of one pixel of a screenshot, e.g. "25,14,12".
pixel_at() {
    convert "$1" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:
}
