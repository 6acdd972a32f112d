# What the running clock costs, side by side with `xclock -update 0.1`: each
# program alone on an Xvfb of its own (no window manager), so that the
# server's work is its own too; the clock at each of its three sizes, which
# it reaches through its menu, xclock at the same size. The runs alternate
# (clock, xclock, clock, ...) over all sizes, so that both programs meet the
# same load on a busy machine; the ratio of each run's pair is what compares
# fairly. Prints medians over the runs: the client's CPU use in percent of one
# core and its X server's over the same window after a warm-up, their sum,
# the ratio of the clock's sum to xclock's at the same size and at 200 x 200
# (each with its range over the runs), the client's resident and
# proportional memory at the end of the window (before the first chime, 60 s
# after the start, unless the window is longer), and the time from exec to
# the first picture of the face on the screen.
#
# Usage: bash bench/whole_program.sh path/to/clock [seconds]   (default 60)
# Environment: RUNS (default 5), WARMUP seconds (default 5),
# CLOCK_BUILD_DIR (default: the clock's folder; holds bench/first_picture).
MEASURE=${2:-60}
source "$(dirname "$0")/../tests/e2e/lib.sh"

CLOCK=$(realpath "$CLOCK")
RUNS=${RUNS:-5}
WARMUP=${WARMUP:-5}
BUILD=${CLOCK_BUILD_DIR:-$(dirname "$CLOCK")}
PROBE=$BUILD/bench/first_picture
SIZES=(133 200 333)
declare -A MENU_DOWNS=([133]=1 [200]=2 [333]=3)  # Small, Medium, Large
RESULTS=$E2E_TMP/runs

[ -x "$CLOCK" ] || fail "$CLOCK is not built"
[ -x "$PROBE" ] || fail "$PROBE is not built (cmake --build $BUILD --target first_picture)"
for tool in Xvfb xclock xdotool xwininfo xsetroot; do
    command -v "$tool" >/dev/null || fail "$tool is not installed (see build.sh)"
done
grep -q '^se.sum_exec_runtime' /proc/self/sched 2>/dev/null && [ -r /proc/self/smaps_rollup ] ||
    fail "this kernel reports neither the run time of threads nor proportional memory"

# Run time of a process so far, in nanoseconds: the sum over its threads.
cpu_ns() {
    cat /proc/"$1"/task/*/sched | awk '/^se.sum_exec_runtime/ {s += $3} END {printf "%.0f\n", s * 1e6}'
}
now_ns() { date +%s%N; }

wait_line() {  # file pattern seconds
    local i
    for i in $(seq $(($3 * 20))); do
        grep -q "$2" "$1" 2>/dev/null && return 0
        sleep 0.05
    done
    return 1
}

new_screen() {
    start_x
    # A background the face's colours cannot be mistaken for.
    xsetroot -solid '#00ff00'
}

# After the warm-up, the CPU use of client $1 and of its X server over
# MEASURE seconds, then the client's memory in kB: "client% x% rss pss".
measure() {
    local pid=$1 tids tid c0 x0 t0 c1 x1 t1
    sleep "$WARMUP"
    tids=$(ls /proc/"$pid"/task)
    c0=$(cpu_ns "$pid"); x0=$(cpu_ns "$X_PID"); t0=$(now_ns)
    sleep "$MEASURE"
    c1=$(cpu_ns "$pid"); x1=$(cpu_ns "$X_PID"); t1=$(now_ns)
    for tid in $tids; do
        [ -e /proc/"$pid"/task/"$tid" ] || fail "a thread of $pid ended while it was measured, and took its time with it"
    done
    awk -v c=$((c1 - c0)) -v x=$((x1 - x0)) -v t=$((t1 - t0)) \
        -v rss="$(awk '/^VmRSS:/ {print $2}' /proc/"$pid"/status)" \
        -v pss="$(awk '/^Pss:/ {print $2}' /proc/"$pid"/smaps_rollup)" \
        'BEGIN {printf "%.3f %.3f %d %d\n", 100 * c / t, 100 * x / t, rss, pss}'
}

# Prints "client% x% rss pss first-picture-ms resolution-ms".
run_clock() {
    local size=$1 i first resolution win figures
    new_screen
    "$PROBE" 168 155 "$CLOCK" >"$E2E_TMP/probe.out" 2>"$E2E_TMP/clock.log" &
    E2E_PIDS+=($!)
    wait_line "$E2E_TMP/probe.out" '^pid ' 5 || fail "the probe did not start the clock: $(cat "$E2E_TMP/clock.log")"
    CLOCK_PID=$(awk '/^pid / {print $2}' "$E2E_TMP/probe.out")
    # The probe only waits for the clock: the clock is the one to stop.
    E2E_PIDS+=($CLOCK_PID)
    wait_line "$E2E_TMP/probe.out" '^first-picture-ms' 12 || fail "no first-picture figure"
    first=$(awk '/^first-picture-ms/ {print $2}' "$E2E_TMP/probe.out")
    resolution=$(awk '/^resolution-ms/ {print $2}' "$E2E_TMP/probe.out")
    [ "$first" != none ] || fail "the face never showed: $(cat "$E2E_TMP/clock.log")"

    # The size through the menu, as a user sets it.
    win=$(clock_window)
    xdotool mousemove 168 155 click 3
    for i in $(seq 40); do
        [ "$(windows_of | wc -l)" -ge 2 ] && break
        sleep 0.05
    done
    local keys=()
    for i in $(seq "${MENU_DOWNS[$size]}"); do keys+=(Down); done
    xdotool key "${keys[@]}" Return
    for i in $(seq 60); do
        geometry_of "$win" | grep -q "^${size}x${size}+" && break
        sleep 0.05
    done
    geometry_of "$win" | grep -q "^${size}x${size}+" || fail "the menu did not make the clock $size px wide"
    # The pointer off the face, so that no tooltip comes up.
    xdotool mousemove 799 599

    figures=$(measure "$CLOCK_PID")
    stop_started
    echo "$figures $first $resolution"
}

# Prints "client% x% rss pss - -".
run_xclock() {
    local size=$1 pid win figures
    new_screen
    xclock -geometry "${size}x${size}" -update 0.1 >"$E2E_TMP/xclock.log" 2>&1 &
    pid=$!
    E2E_PIDS+=($pid)
    win=$(clock_window "$pid")
    geometry_of "$win" | grep -q "^${size}x${size}+" || fail "xclock is not $size px wide: $(geometry_of "$win")"
    xdotool mousemove 799 599
    figures=$(measure "$pid")
    stop_started
    echo "$figures - -"
}

median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }
# Column $3 (or the sum of the CPU columns, "cpu") of the runs of program $2 at size $1.
median_of() {
    awk -v s="$1" -v p="$2" -v k="$3" '$2 == s && $3 == p {print k == "cpu" ? $4 + $5 : $k}' "$RESULTS" | median
}
# The clock's client+X at size $1 over xclock's at size $2, run by run:
# "median (lowest-highest)".
ratio() {
    awk -v s="$1" -v r="$2" '$2 == s && $3 == "clock" {c[$1] = $4 + $5} $2 == r && $3 == "xclock" {x[$1] = $4 + $5}
        END {for (i in c) if ((i in x) && x[i] > 0) print c[i] / x[i]}' "$RESULTS" |
        sort -g | awk '{v[NR] = $1} END {printf "%.2f (%.2f-%.2f)", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2, v[1], v[NR]}'
}

echo "# $CLOCK against xclock -update 0.1, $RUNS interleaved runs of ${WARMUP} s warm-up + ${MEASURE} s" \
     "for each program and size (about $((RUNS * 2 * ${#SIZES[@]} * (WARMUP + MEASURE + 2) / 60)) min)"
echo "# load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
echo "# run size program client% X% RSS-kB PSS-kB first-picture-ms resolution-ms"
: >"$RESULTS"
for run in $(seq "$RUNS"); do
    for size in "${SIZES[@]}"; do
        { printf '%s %s clock ' "$run" "$size"; run_clock "$size"; } >>"$RESULTS"
        tail -n1 "$RESULTS" | sed 's/^/# /'
        { printf '%s %s xclock ' "$run" "$size"; run_xclock "$size"; } >>"$RESULTS"
        tail -n1 "$RESULTS" | sed 's/^/# /'
    done
done
echo "# load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"

printf '%-8s %-7s %9s %7s %11s %8s %8s  %-18s %s\n' size program "client %" "X %" "client+X %" "RSS MiB" "PSS MiB" \
    "ratio (range)" "ratio to xclock 200x200"
for size in "${SIZES[@]}"; do
    for program in clock xclock; do
        printf '%-8s %-7s %9.2f %7.2f %11.2f %8.1f %8.1f' "${size}x$size" "$program" "$(median_of "$size" "$program" 4)" \
            "$(median_of "$size" "$program" 5)" "$(median_of "$size" "$program" cpu)" \
            "$(awk -v k="$(median_of "$size" "$program" 6)" 'BEGIN {print k / 1024}')" \
            "$(awk -v k="$(median_of "$size" "$program" 7)" 'BEGIN {print k / 1024}')"
        [ "$program" = clock ] && printf '  %-18s %s' "$(ratio "$size" "$size")" "$(ratio "$size" 200)"
        echo
    done
done
echo "# exec to the clock's first picture (every run starts at 200x200): median" \
     "$(awk '$3 == "clock" {print $8}' "$RESULTS" | median) ms of $((RUNS * ${#SIZES[@]})) starts," \
     "each to within $(awk '$3 == "clock" {print $9}' "$RESULTS" | sort -g | tail -n1) ms"
