# What the running clock costs: for each of its three sizes, the real program
# under a private Xvfb (no window manager) for a while, three times over.
# Prints, as medians of the runs: the clock's CPU use in percent of one core
# (user + system time from /proc over the measured window, after a warm-up),
# the X server's CPU use over the same window (the picture is shown there),
# resident and proportional memory at the end, and the time from exec to the
# first picture of the face on the screen.
#
# Usage: bash bench/whole_program.sh path/to/clock [seconds]   (default 60)
# Environment: RUNS (default 3), WARMUP seconds (default 5),
# CLOCK_BUILD_DIR (default: the clock's folder; holds bench/first_picture).
set -euo pipefail

CLOCK=$(realpath "${1:?usage: $0 path/to/clock [seconds]}")
MEASURE=${2:-60}
RUNS=${RUNS:-3}
WARMUP=${WARMUP:-5}
BUILD=${CLOCK_BUILD_DIR:-$(dirname "$CLOCK")}
PROBE=$BUILD/bench/first_picture
HZ=$(getconf CLK_TCK)

[ -x "$PROBE" ] || { echo "$PROBE is not built (cmake --build $BUILD --target first_picture)" >&2; exit 1; }
for tool in Xvfb xdotool xwininfo xsetroot; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed" >&2; exit 1; }
done

TMP=$(mktemp -d)
PIDS=()
cleanup() {
    local pid
    for pid in "${PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$TMP"
}
trap cleanup EXIT

die() { echo "whole_program: $*" >&2; exit 1; }

# User plus system time of a process, in clock ticks. The fields are counted
# after the command name, which is in parentheses and may hold blanks.
cpu_ticks() { sed 's/.*) //' "/proc/$1/stat" | awk '{print $12 + $13}'; }
now_ns() { date +%s%N; }

start_xvfb() {
    exec 3>"$TMP/display"
    Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp -noreset >"$TMP/xvfb.log" 2>&1 &
    XVFB_PID=$!
    PIDS+=("$XVFB_PID")
    local i
    for i in $(seq 100); do
        [ -s "$TMP/display" ] && break
        sleep 0.05
    done
    exec 3>&-
    export DISPLAY=":$(head -n1 "$TMP/display")"
    [ "$DISPLAY" != ":" ] || die "Xvfb did not start: $(cat "$TMP/xvfb.log")"
    unset WAYLAND_DISPLAY QT_QPA_PLATFORM
    # A background the face's colours cannot be mistaken for.
    xsetroot -solid '#00ff00'
}

wait_line() {  # file pattern seconds
    local i
    for i in $(seq $(($3 * 20))); do
        grep -q "$2" "$1" 2>/dev/null && return 0
        sleep 0.05
    done
    return 1
}

# One run: prints "cpu% xcpu% rss-kB pss-kB first-picture-ms resolution-ms".
run_once() {
    local size=$1 downs=$2
    start_xvfb
    "$PROBE" 168 155 "$CLOCK" >"$TMP/probe.out" 2>"$TMP/clock.log" &
    local probe=$!
    PIDS+=("$probe")
    wait_line "$TMP/probe.out" '^pid ' 5 || die "the probe did not start the clock: $(cat "$TMP/clock.log")"
    local pid
    pid=$(awk '/^pid /{print $2}' "$TMP/probe.out")
    wait_line "$TMP/probe.out" '^first-picture-ms' 12 || die "no first-picture figure"
    local first resolution
    first=$(awk '/^first-picture-ms/{print $2}' "$TMP/probe.out")
    resolution=$(awk '/^resolution-ms/{print $2}' "$TMP/probe.out")
    [ "$first" != none ] || die "the face never showed: $(cat "$TMP/clock.log")"

    # The size through the menu, as a user sets it.
    local win i
    win=$(xdotool search --onlyvisible --pid "$pid" | head -n1)
    xdotool mousemove 168 155 click 3
    for i in $(seq 40); do
        [ "$(xdotool search --onlyvisible --pid "$pid" | wc -l)" -ge 2 ] && break
        sleep 0.05
    done
    local keys=()
    for i in $(seq "$downs"); do keys+=(Down); done
    xdotool key "${keys[@]}" Return
    for i in $(seq 60); do
        xwininfo -id "$win" | grep -q "Width: $size\$" && break
        sleep 0.05
    done
    xwininfo -id "$win" | grep -q "Width: $size\$" || die "the menu did not make the clock $size px wide"
    # The pointer off the face, so no tooltip comes up.
    xdotool mousemove 799 599

    sleep "$WARMUP"
    local c0 x0 t0 c1 x1 t1
    c0=$(cpu_ticks "$pid"); x0=$(cpu_ticks "$XVFB_PID"); t0=$(now_ns)
    sleep "$MEASURE"
    c1=$(cpu_ticks "$pid"); x1=$(cpu_ticks "$XVFB_PID"); t1=$(now_ns)
    local rss pss
    rss=$(awk '/^VmRSS:/{print $2}' "/proc/$pid/status")
    pss=$(awk '/^Pss:/{print $2}' "/proc/$pid/smaps_rollup")

    kill "$pid"
    wait "$probe" 2>/dev/null || true
    kill "$XVFB_PID"
    wait "$XVFB_PID" 2>/dev/null || true
    PIDS=()

    awk -v c=$((c1 - c0)) -v x=$((x1 - x0)) -v ns=$((t1 - t0)) -v hz="$HZ" \
        -v rss="$rss" -v pss="$pss" -v fp="$first" -v res="$resolution" \
        'BEGIN { s = ns / 1e9; printf "%.3f %.3f %d %d %s %s\n", 100 * c / hz / s, 100 * x / hz / s, rss, pss, fp, res }'
}

median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

echo "# $CLOCK, $RUNS runs of ${WARMUP} s warm-up + ${MEASURE} s per size, medians; CPU resolution $(awk -v hz="$HZ" -v s="$MEASURE" 'BEGIN{printf "%.3f", 100 / hz / s}') %"
printf '%-9s %9s %9s %9s %9s %13s %9s\n' size "cpu %" "X cpu %" "RSS MiB" "PSS MiB" "1st pic ms" "(+/- ms)"
for entry in "200 2" "133 1" "333 3"; do
    read -r size downs <<<"$entry"
    : >"$TMP/runs"
    for run in $(seq "$RUNS"); do
        run_once "$size" "$downs" >>"$TMP/runs"
    done
    col() { awk -v k="$1" '{print $k}' "$TMP/runs" | median; }
    printf '%-9s %9.2f %9.2f %9.1f %9.1f %13.0f %9.1f\n' "${size}x${size}" "$(col 1)" "$(col 2)" \
        "$(awk -v k="$(col 3)" 'BEGIN{print k / 1024}')" "$(awk -v k="$(col 4)" 'BEGIN{print k / 1024}')" \
        "$(col 5)" "$(awk '{print $6}' "$TMP/runs" | sort -g | tail -n1)"
done
echo "# every run starts at 200x200; the first-picture time is that start, whatever size follows"
