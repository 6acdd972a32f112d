# Dragging the clock by its face with xdotool: a drag with any button moves
# the window after the pointer, and once the pointer rests the window comes
# to rest with the grab point under it, within a second; only a right
# release opens the menu; a drag after another program moved the window
# starts where the window is. Once with no window manager, once under
# openbox.
source "$(dirname "$0")/lib.sh"

# Number of visible override-redirect windows of the clock: its menu.
menus_open() {
    local id n=0
    for id in $(windows_of); do
        xwininfo -id "$id" | grep -q 'Override Redirect State: yes' && n=$((n + 1))
    done
    echo "$n"
}

# Waits until the window has kept its place for 0.3 s; prints its geometry.
# Fails if it still moves after $1 s.
settled_geometry() {
    local limit=${1:-2} last="" now same=0 i
    for i in $(seq $((limit * 20))); do
        now=$(geometry_of "$W")
        if [ "$now" = "$last" ]; then
            same=$((same + 1))
            [ "$same" -ge 6 ] && { echo "$now"; return 0; }
        else
            same=0
        fi
        last=$now
        sleep 0.05
    done
    fail "the window was still moving ${limit} s after the pointer stopped: $now ($MODE)"
}

# Left and top of "WxH+X+Y".
xy() { echo "$1" | awk -F'[x+]' '{print $3, $4}'; }

# Drags with button $1 from ($2, $3) by ($4, $5) in $6 steps (10 unless
# given) and checks that the window, once settled, has moved by that much,
# give or take 3 pixels.
drag() {
    local button=$1 x=$2 y=$3 dx=$4 dy=$5 steps=${6:-10} i
    read -r bx by < <(xy "$(geometry_of "$W")")
    xdotool mousemove "$x" "$y" mousedown "$button"
    for i in $(seq "$steps"); do
        xdotool mousemove $((x + dx * i / steps)) $((y + dy * i / steps))
        sleep 0.03
    done
    local g
    g=$(settled_geometry 1)
    read -r ax ay < <(xy "$g")
    local ex=$((bx + dx)) ey=$((by + dy))
    if [ $((ax - ex)) -gt 3 ] || [ $((ex - ax)) -gt 3 ] || [ $((ay - ey)) -gt 3 ] || [ $((ey - ay)) -gt 3 ]; then
        fail "button $button drag by ($dx, $dy) from ($bx, $by) left the window at ($ax, $ay), expected ($ex, $ey) ($MODE)"
    fi
    note "$MODE: button $button drag by ($dx, $dy): window at ($ax, $ay), expected ($ex, $ey)"
    xdotool mouseup "$button"
}

session() {
    MODE=$1
    start_x
    [ "$MODE" = openbox ] && start_openbox
    start_clock
    W=$(clock_window)
    sleep 0.3

    drag 1 100 100 200 150
    # Released: the pointer moves on, the window stays.
    local here
    here=$(geometry_of "$W")
    xdotool mousemove 20 20
    sleep 0.3
    [ "$(geometry_of "$W")" = "$here" ] || fail "the window moved after the button was released ($MODE)"
    [ "$(menus_open)" = 0 ] || fail "a left release opened the menu ($MODE)"

    # Moved by another program: the next drag takes it on from there, not
    # from where the clock last put itself.
    xdotool windowmove "$W" 400 300
    local i
    for i in $(seq 40); do
        [ "$(xy "$(geometry_of "$W")")" = "400 300" ] && break
        sleep 0.05
    done
    [ "$(xy "$(geometry_of "$W")")" = "400 300" ] || fail "xdotool could not move the window ($MODE)"
    drag 1 450 350 -132 -95

    drag 2 340 300 -120 -80
    sleep 0.3
    [ "$(menus_open)" = 0 ] || fail "a middle release opened the menu ($MODE)"

    # A right-button drag moves the clock first and opens the menu on release.
    drag 3 230 230 60 -40
    for i in $(seq 40); do
        [ "$(menus_open)" = 1 ] && break
        sleep 0.05
    done
    [ "$(menus_open)" = 1 ] || fail "no menu after a right-button drag ($MODE)"
    here=$(geometry_of "$W")
    xdotool key Escape
    sleep 0.2
    [ "$(menus_open)" = 0 ] || fail "menu still open after Escape ($MODE)"
    [ "$(geometry_of "$W")" = "$here" ] || fail "dismissing the menu moved the window ($MODE)"

    # A jump across most of the screen in one move: the window creeps the
    # whole way after it and still comes to rest within a second.
    drag 1 308 185 350 250 1
    kill -0 "$CLOCK_PID" 2>/dev/null || fail "the clock ended during the drags ($MODE)"
}

session bare
session openbox
