# With no display to open, or one it cannot draw on (256 colours), the clock
# says so in one line on standard error and exits with a non-zero status of
# its own (not by a signal, no core).
source "$(dirname "$0")/lib.sh"

# A display number with no server behind it.
absent=:$((RANDOM % 1000 + 5000))
while [ -e "/tmp/.X11-unix/X${absent#:}" ]; do absent=:$((${absent#:} + 1)); done

expect_refusal() {
    local what=$1 status=0
    shift
    env -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" "$CLOCK" >"$E2E_TMP/out" 2>"$E2E_TMP/err" || status=$?
    [ "$status" -ne 0 ] || fail "$what: exit status 0"
    [ "$status" -lt 128 ] || fail "$what: ended by signal $((status - 128))"
    [ ! -s "$E2E_TMP/out" ] || fail "$what: wrote to standard output: $(cat "$E2E_TMP/out")"
    [ "$(wc -l <"$E2E_TMP/err")" -eq 1 ] || fail "$what: standard error is not one line: $(cat "$E2E_TMP/err")"
    grep -qi display "$E2E_TMP/err" || fail "$what: message does not mention the display: $(cat "$E2E_TMP/err")"
    grep -q '^clock: ' "$E2E_TMP/err" || fail "$what: message does not begin with the program's name: $(cat "$E2E_TMP/err")"
    note "$what: status $status: $(cat "$E2E_TMP/err")"
}

cd "$E2E_TMP"  # a core file, if any, would land here
ulimit -c unlimited 2>/dev/null || true
expect_refusal "DISPLAY unset" -u DISPLAY
expect_refusal "DISPLAY $absent" DISPLAY="$absent"
# Qt would draw nothing there and warn sixty times a second for ever.
start_x 800x600 8
mkdir -m 700 "$E2E_TMP/runtime"
expect_refusal "8-bit display" XDG_RUNTIME_DIR="$E2E_TMP/runtime" timeout 5
! ls core* >/dev/null 2>&1 || fail "a core file was written"
