# Sound files made to break the clock, under the six names in the folder it
# is started from, with a sound server running: a wave of 10 frames a second,
# "RIFF WAVE" followed by 2 GB of zeros, and a proper header that claims 2 GB
# of samples. Each is chimed every second, and once at the real minute; the
# clock stays silent and alive, keeps drawing ten pictures a second, opens
# its menu, stays under 100 MB and closes with status 0 when asked. Each case
# runs its own clock on its own X server, all at once.
source "$(dirname "$0")/lib.sh"

WM_CLOSE=${CLOCK_BUILD_DIR:?}/tests/wm_close
[ -x "$WM_CLOSE" ] || fail "helper $WM_CLOSE is not built"
NAMES=(Crow owl2 door2 cricket wolf frogs)
CLOCK=$(realpath "$CLOCK")  # each case runs from its own folder

le32() { printf "\\\\x%02x\\\\x%02x\\\\x%02x\\\\x%02x" $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)); }
le16() { printf "\\\\x%02x\\\\x%02x" $(($1 & 255)) $(($1 >> 8 & 255)); }
# A 16-byte PCM format chunk: channels, rate, bits.
fmt_chunk() { printf "fmt $(le32 16)$(le16 1)$(le16 "$1")$(le32 "$2")$(le32 $(($2 * $1 * $3 / 8)))$(le16 $(($1 * $3 / 8)))$(le16 "$3")"; }

# Writes the six names in the current directory, all one file of the kind.
make_sounds() {
    local f=${NAMES[0]}.wav n
    case $1 in
        10hz)
            { printf "RIFF$(le32 236)WAVE"; fmt_chunk 1 10 16; printf "data$(le32 200)"; head -c 200 /dev/urandom; } >"$f" ;;
        zeros)
            printf "RIFF$(le32 0x7fffffff)WAVE" >"$f"
            truncate -s 2G "$f" ;;
        claim)
            local data=$((0x7fffffc0))
            { printf "RIFF$(le32 $((data + 36)))WAVE"; fmt_chunk 1 22050 16; printf "data$(le32 $data)"; } >"$f"
            truncate -s $((data + 44)) "$f" ;;
    esac
    for n in "${NAMES[@]:1}"; do ln "$f" "$n.wav"; done
}

rss_kb() { awk '/^VmRSS/ {print $2}' "/proc/$CLOCK_PID/status" 2>/dev/null || echo gone; }

alive() { kill -0 "$CLOCK_PID" 2>/dev/null && [ "$(ps -o stat= -p "$CLOCK_PID" | cut -c1)" != Z ]; }

# One case, on an X server of its own; runs in a subshell. $1 the file's
# kind, $2 "second" for the chime every second or "minute" for the real one.
run_case() {
    CASE=$1-$2
    E2E_TMP=$E2E_TMP/$CASE
    E2E_PIDS=()
    trap 'for p in "${E2E_PIDS[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
    trap 'exit 1' TERM
    mkdir -p "$E2E_TMP"
    cd "$E2E_TMP"
    make_sounds "$1"
    start_x
    local watch
    if [ "$2" = second ]; then
        start_chiming_clock
        W=$(clock_window)
        sleep 2
        watch=5
    else
        start_clock
        W=$(clock_window)
        # The first chime comes a minute after the start: watch across it.
        sleep 55
        watch=12
    fi

    local pps longest rss
    read -r pps longest <<<"$(face_rate "$W" "$watch")"
    alive || fail "$CASE: the clock ended; $(tail -n 3 "$E2E_TMP/clock.log")"
    awk -v p="$pps" -v l="$longest" 'BEGIN { exit !(p >= 8 && l <= 500) }' ||
        fail "$CASE: $pps pictures a second, one kept for $longest ms"

    xdotool mousemove 168 155 click 3
    local i menu=""
    for i in $(seq 40); do
        menu=$(windows_of | grep -vx "$W" || true)
        [ -n "$menu" ] && break
        sleep 0.05
    done
    [ -n "$menu" ] || fail "$CASE: the menu did not open"
    xdotool key Escape

    rss=$(rss_kb)
    [ "$rss" != gone ] && [ "$rss" -lt 102400 ] || fail "$CASE: resident memory $rss kB"

    "$WM_CLOSE" "$W" || fail "$CASE: could not send WM_DELETE_WINDOW"
    wait_exit "$CLOCK_PID" 2 >"$E2E_TMP/status" || fail "$CASE: still running after the close request"
    [ "$(cat "$E2E_TMP/status")" = 0 ] || fail "$CASE: exit status $(cat "$E2E_TMP/status")"
    note "$CASE: $pps pictures a second, none kept over $longest ms; menu opened; $((rss / 1024)) MB; closed with 0"
}

start_pulse
declare -A CASE_PID
for kind in 10hz zeros claim; do
    for every in second minute; do
        (run_case "$kind" "$every") >"$E2E_TMP/$kind-$every.out" 2>&1 &
        CASE_PID[$kind-$every]=$!
        E2E_PIDS+=($!)
    done
done
sleep 3
record_sink 4 "$E2E_TMP/chimes.wav"

wait_cases
loud=$(rms_of "$E2E_TMP/chimes.wav")
awk -v l="$loud" 'BEGIN { exit !(l < 0.001) }' || fail "a file that cannot be played was heard (RMS $loud)"
note "silent while the files were chimed (RMS $loud)"
