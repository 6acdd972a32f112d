# The whole face shows whatever the X server keeps its pixels in: on a
# 16-bit screen, and at 1332 pixels (scale 4, the large size) on a server
# that takes requests of at most 4 MB, less than the face's 7 MB; the clock
# keeps running.
source "$(dirname "$0")/lib.sh"

CASE="16-bit screen"
start_x 640x480 16
start_clock
W=$(clock_window)
for i in $(seq 60); do
    import -window root "$E2E_TMP/16.png"
    face_around 168 155 20 "$E2E_TMP/16.png" && break
    sleep 0.05
done
face_around 168 155 20 "$E2E_TMP/16.png" || fail "$CASE: no face: $(pixel_at "$E2E_TMP/16.png" 168 155)"
note "$CASE: ok"
stop_started

CASE="1332 pixels, 4 MB requests"
start_x 1700x1600 24 -maxbigreqsize 1
limit=$(xdpyinfo | awk '/maximum request size/ {print $4}')
[ "$limit" = 4194300 ] || fail "$CASE: the server takes requests of $limit bytes"
xsetroot -solid '#00ff00'
export QT_SCALE_FACTOR=4
start_clock
unset QT_SCALE_FACTOR
W=$(clock_window)
xdotool mousemove 400 400 click 3
sleep 0.5
xdotool key Down Down Down Return
for i in $(seq 60); do
    geometry_of "$W" | grep -q '^1332x1332+' && break
    sleep 0.05
done
geometry_of "$W" | grep -q '^1332x1332+' || fail "$CASE: the clock is $(geometry_of "$W")"
sleep 1
kill -0 "$CLOCK_PID" 2>/dev/null || fail "$CASE: the clock ended: $(tail -n 3 "$E2E_TMP/clock.log")"
import -window root "$E2E_TMP/large.png"
read -r left top < <(geometry_of "$W" | awk -F'[x+]' '{print $3, $4}')
face_around $((left + 666)) $((top + 666)) 80 "$E2E_TMP/large.png" || fail "$CASE: no face in the middle"
# Down to the bottom of the circle, which the last band holds, none of the
# window shows the root.
for y in 200 500 800 1100 1300; do
    for x in 566 666 766; do
        [ "$(pixel_at "$E2E_TMP/large.png" $((left + x)) $((top + y)))" != 0,255,0 ] ||
            fail "$CASE: the face is missing at ($x, $y) of the window"
    done
done
note "$CASE: ok"
