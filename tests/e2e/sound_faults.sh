# The chime's failures stay the chime's: with no sound server, or with sound
# files that are missing, empty, garbage or cut short, the clock stays silent,
# every tick of the sped-up chime still comes on time (the tooltip's time text
# changes each second), the face keeps being redrawn, and a close request
# still ends it with status 0. Each case runs its own clock on its own X
# server, all at once, so the whole test takes about one case's time.
source "$(dirname "$0")/lib.sh"

WM_CLOSE=${CLOCK_BUILD_DIR:?}/tests/wm_close
[ -x "$WM_CLOSE" ] || fail "helper $WM_CLOSE is not built"
NAMES=(Crow owl2 door2 cricket wolf frogs)
WATCH_S=5

# A whole sound to cut pieces from: the chime's own if built, else made here.
SOURCE_WAV=$CLOCK_BUILD_DIR/wolf.wav
if [ ! -s "$SOURCE_WAV" ]; then
    SOURCE_WAV=$E2E_TMP/tone.wav
    sox -n -r 22050 -b 16 -c 1 "$SOURCE_WAV" synth 2 sine 440 vol 0.5
fi

# The clock is run from a copy in a folder of its own, so that "beside the
# program" holds no sound either and only the working directory counts.
BIN=$E2E_TMP/bin
prefix=$(sed -n 's/^CMAKE_INSTALL_PREFIX:[A-Z]*=//p' "$CLOCK_BUILD_DIR/CMakeCache.txt" 2>/dev/null || true)
[ ! -e "${prefix:-/usr/local}/share/clock/sounds/Crow.wav" ] ||
    fail "an installed clock's sounds in ${prefix:-/usr/local}/share/clock/sounds would be found: no file can be missing"
mkdir -p "$BIN"
use_test_build 1000
cp "$CLOCK" "$BIN/clock"
CLOCK=$BIN/clock

# Fills the current directory with the six names, broken in one way.
make_sounds() {
    local kind=$1 n
    for n in "${NAMES[@]}"; do
        case $kind in
            missing) ;;
            empty) : >"$n.wav" ;;
            garbage) head -c 30000 /dev/urandom >"$n.wav" ;;
            cut-header) head -c 30 "$SOURCE_WAV" >"$n.wav" ;;  # inside the format chunk
            cut-data) head -c 20000 "$SOURCE_WAV" >"$n.wav" ;;  # the data chunk claims far more
            none) ;;
        esac
    done
}

# A digest of what the face shows, taken with the pointer off it.
face_digest() { import -window root -crop 200x200+68+55 rgb:- | md5sum | cut -c1-32; }

# The id of the clock's tooltip window while one is shown.
tooltip_id() {
    local id
    for id in $(windows_of); do
        [ "$id" != "$W" ] && { echo "$id"; return 0; }
    done
    return 0
}

# Rests the pointer on the face, and for WATCH_S seconds nudges it now and
# then so that the shown tooltip takes the face's current text. Prints the
# number of different tooltip pictures seen and the longest time in ms that
# one stayed unchanged.
watch_tooltip() {
    local i tip sum last="" changes=0 t since=0 longest=0 x=168 end
    xdotool mousemove 150 140
    sleep 0.1
    xdotool mousemove "$x" 155
    for i in $(seq 50); do
        [ -n "$(tooltip_id)" ] && break
        sleep 0.1
    done
    [ -n "$(tooltip_id)" ] || fail "$CASE: no tooltip while the pointer rests on the face"
    end=$(($(date +%s%N) / 1000000 + WATCH_S * 1000))
    while t=$(($(date +%s%N) / 1000000)); [ "$t" -lt "$end" ]; do
        x=$((x == 168 ? 170 : 168))
        xdotool mousemove "$x" 155
        sleep 0.05
        tip=$(tooltip_id)
        [ -n "$tip" ] || continue
        sum=$(import -window "$tip" rgb:- 2>/dev/null | md5sum | cut -c1-32) || continue
        if [ "$sum" != "$last" ]; then
            [ -z "$last" ] || { [ $((t - since)) -le "$longest" ] || longest=$((t - since)); }
            changes=$((changes + 1))
            last=$sum
            since=$t
        fi
        sleep 0.1
    done
    # A tick that never came shows only at the end.
    [ $((t - since)) -le "$longest" ] || longest=$((t - since))
    xdotool mousemove 799 599
    echo "$changes $longest"
}

# One case, on an X server of its own; runs in a subshell.
run_case() {
    CASE=$1
    E2E_TMP=$E2E_TMP/$CASE
    E2E_PIDS=()
    trap 'for p in "${E2E_PIDS[@]}"; do kill "$p" 2>/dev/null || true; done' EXIT
    trap 'exit 1' TERM
    mkdir -p "$E2E_TMP/cwd"
    cd "$E2E_TMP/cwd"
    make_sounds "$CASE"
    if [ "$CASE" = none ]; then
        # No server to be found, and no way for the client to start one.
        export PULSE_SERVER=unix:$E2E_TMP/no-such-socket XDG_RUNTIME_DIR=$E2E_TMP/xdg HOME=$E2E_TMP/home
        export PULSE_CLIENTCONFIG=$E2E_TMP/client.conf
        echo "autospawn = no" >"$PULSE_CLIENTCONFIG"
        mkdir -p -m 700 "$XDG_RUNTIME_DIR" "$HOME"
    fi
    start_x
    start_clock
    W=$(clock_window)

    local a b
    a=$(face_digest); sleep 1.2; b=$(face_digest)
    [ "$a" != "$b" ] || fail "$CASE: the face is not redrawn"
    local changes longest
    read -r changes longest <<<"$(watch_tooltip)"
    # About one picture per tick; two ticks may fall in the same second, and
    # a late tick shows as a picture that stayed too long.
    [ "$changes" -ge $((WATCH_S - 1)) ] || fail "$CASE: $changes tooltip texts in ${WATCH_S} s of ticks every second"
    [ "$longest" -le 2500 ] || fail "$CASE: the tooltip stayed unchanged for $longest ms"
    a=$(face_digest); sleep 1.2; b=$(face_digest)
    [ "$a" != "$b" ] || fail "$CASE: the face stopped being redrawn after the chimes"

    "$WM_CLOSE" "$W" || fail "$CASE: could not send WM_DELETE_WINDOW"
    wait_exit "$CLOCK_PID" 1 >"$E2E_TMP/status" || fail "$CASE: still running a second after the close request"
    [ "$(cat "$E2E_TMP/status")" = 0 ] || fail "$CASE: exit status $(cat "$E2E_TMP/status")"
    ! grep -q 'run-time error' "$E2E_TMP/clock.log" || fail "$CASE: $(cat "$E2E_TMP/clock.log")"
    note "$CASE: $changes tooltip texts, none kept over $longest ms; redrawn; closed with status 0"
}

start_pulse
CASES=(none missing empty garbage cut-header cut-data)
declare -A CASE_PID
for c in "${CASES[@]}"; do
    (run_case "$c") >"$E2E_TMP/$c.out" 2>&1 &
    CASE_PID[$c]=$!
    E2E_PIDS+=($!)
done
sleep 2
record_sink "$WATCH_S" "$E2E_TMP/chimes.wav"

wait_cases
loud=$(rms_of "$E2E_TMP/chimes.wav")
awk -v l="$loud" 'BEGIN { exit !(l < 0.001) }' || fail "a broken sound file was heard (RMS $loud)"
note "silent while the broken files were chosen (RMS $loud)"
