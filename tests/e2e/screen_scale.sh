# On a dense screen the clock keeps its size in inches and draws in the
# screen's own pixels. With Xft.dpi 192 it opens at 400 x 400 at (136, 110),
# cut to the 400-pixel circle, and its artwork is the 700-pixel picture
# reduced straight to 400: within two grey levels of the exact area-average
# reduction, which a 200-pixel picture enlarged to 400 is far from. Under
# QT_SCALE_FACTOR 1.5 and 0.5 the whole face shows at 300 and 100 pixels,
# cut and drawn the same way.
source "$(dirname "$0")/lib.sh"

ART=${CLOCK_SOURCE_DIR:-$(dirname "$0")/../..}/clock/artwork/face.bmp

dump() { convert "$@" -depth 8 txt:- | awk -F'[(),: ]+' 'NR > 1 {print $1, $2, $3, $4, $5}'; }

# Pixels of the window ($2 = "WxH+X+Y") in screenshot $1 on the wrong side of
# its cut: showing the root inside the ellipse inscribed in W x H (a pixel
# belongs to it when its centre does), or not showing it outside.
misshapen() {
    local w=${2%%x*} rest=${2#*x}
    local h=${rest%%+*}
    dump "$1" -crop "$2" +repage | awk -v w="$w" -v h="$h" '
        { x = ($1 + 0.5 - w / 2) / (w / 2); y = ($2 + 0.5 - h / 2) / (h / 2)
          inside = x * x + y * y <= 1; root = $3 == 0 && $4 == 255 && $5 == 0
          if (inside == root) bad++ }
        END { print bad + 0 }'
}

# Compares the window's picture ($2 = "WxH+X+Y" of screenshot $1) with the
# W x W image $3 where only the artwork shows: inside the circle, away from
# its rim and from where the hands and their shadows lay in the second
# before time $4 (H:M:S.N). Prints "mean M over2 P": the mean of each
# pixel's largest channel difference, and the per cent of pixels more than
# two levels off.
compare_artwork() {
    local size=${2%%x*}
    { dump "$1" -crop "$2" +repage | sed 's/^/S /'; dump "$3" | sed 's/^/R /'; } |
    awk -v size="$size" -v now="$4" '
        $1 == "S" { s[$2, $3] = $4 " " $5 " " $6; next }
        { ref[$2, $3] = $4 " " $5 " " $6 }
        function segdist(px, py, ax, ay, bx, by,   dx, dy, t) {
            dx = bx - ax; dy = by - ay
            t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
            t = t < 0 ? 0 : (t > 1 ? 1 : t)
            return sqrt((px - ax - t * dx) ^ 2 + (py - ay - t * dy) ^ 2)
        }
        END {
            pi = atan2(0, -1); c = 350.5 * size / 700; half = size / 2
            split(now, p, ":"); t0 = p[1] * 3600 + p[2] * 60 + p[3]
            # Each hand: length and shadow offset as shares of the face,
            # seconds per degree.
            len[1] = 0.24; off[1] = 0.0175; per[1] = 120
            len[2] = 0.32; off[2] = 0.021;  per[2] = 10
            len[3] = 0.36; off[3] = 0.0245; per[3] = 1 / 6
            for (h = 1; h <= 3; h++)
                for (dt = 0; dt <= 1; dt += 0.5) {
                    a = ((t0 - dt) / per[h] - 90) * pi / 180
                    for (o = 0; o <= 1; o++) {
                        n++; ax[n] = c + o * off[h] * size; ay[n] = ax[n]
                        bx[n] = ax[n] + len[h] * size * cos(a); by[n] = ay[n] + len[h] * size * sin(a)
                    }
                }
            near = 0.03 * size + 3; rim = half - (0.02 * size + 2)
            for (k in ref) {
                split(k, xy, SUBSEP); x = xy[1] + 0.5; y = xy[2] + 0.5
                if ((x - half) ^ 2 + (y - half) ^ 2 > rim * rim) continue
                hit = 0
                for (i = 1; i <= n && !hit; i++) if (segdist(x, y, ax[i], ay[i], bx[i], by[i]) < near) hit = 1
                if (hit) continue
                split(s[k], A, " "); split(ref[k], B, " ")
                d = 0
                for (j = 1; j <= 3; j++) { e = A[j] - B[j]; if (e < 0) e = -e; if (e > d) d = e }
                count++; sum += d; if (d > 2) over++
            }
            if (count < 0.4 * size * size) { print "too few pixels compared: " count; exit }
            printf "mean %.2f over2 %.2f\n", sum / count, 100 * over / count
        }'
}

# Sharp enough: at most 1 % of the pixels more than two levels off.
sharp() { awk '$1 == "mean" && $4 <= 1 { ok = 1 } END { exit !ok }' <<<"$1"; }

# Starts the clock (named $1 in messages) with the environment given after
# the geometry it should open at ($2), checks that and its cut, and compares
# its face with the exact reduction to its size. The screenshot is left in
# $SHOT, its time in $NOW, the window in $GEOMETRY.
check_face() {
    local name=$1 want=$2 i id
    shift 2
    env "$@" "$CLOCK" >"$E2E_TMP/clock.log" 2>&1 &
    CLOCK_PID=$!
    E2E_PIDS+=($CLOCK_PID)
    id=$(clock_window)
    GEOMETRY=$(geometry_of "$id")
    [ "$GEOMETRY" = "$want" ] || fail "$name: window at $GEOMETRY, not $want"
    local size=${GEOMETRY%%x*} left top
    read -r left top < <(echo "$GEOMETRY" | awk -F'[x+]' '{print $3, $4}')
    SHOT=$E2E_TMP/shot.png
    for i in $(seq 60); do
        NOW=$(date +%H:%M:%S.%N)
        import -window root "$SHOT"
        reddish "$(pixel_at "$SHOT" $((left + size / 2)) $((top + size / 2)))" && break
        sleep 0.05
    done
    local bad
    bad=$(misshapen "$SHOT" "$GEOMETRY")
    [ "$bad" = 0 ] || fail "$name: $bad pixels on the wrong side of the ${size}-pixel circle"
    convert "$ART" -scale "${size}x${size}!" "$E2E_TMP/exact.png"
    local result
    result=$(compare_artwork "$SHOT" "$GEOMETRY" "$E2E_TMP/exact.png" "$NOW")
    note "$name: $GEOMETRY, circle exact, against the exact reduction: $result"
    sharp "$result" || fail "$name: the face is not the artwork reduced to $size pixels: $result"
}

start_x 800x600
xsetroot -solid '#00ff00'

check_face "scale 1.5" 300x300+102+83 QT_SCALE_FACTOR=1.5
kill "$CLOCK_PID"; wait "$CLOCK_PID" || true
check_face "scale 0.5" 100x100+34+28 QT_SCALE_FACTOR=0.5
kill "$CLOCK_PID"; wait "$CLOCK_PID" || true

echo "Xft.dpi: 192" | xrdb -nocpp -merge
check_face "192 dpi" 400x400+136+110
# What the face would be were it drawn at 200 pixels and enlarged.
for filter in triangle point; do
    convert "$ART" -scale 200x200! -filter "$filter" -resize 400x400! "$E2E_TMP/soft.png"
    result=$(compare_artwork "$SHOT" "$GEOMETRY" "$E2E_TMP/soft.png" "$NOW")
    note "200 pixels enlarged ($filter) against the screen: $result"
    ! sharp "$result" || fail "the comparison cannot tell a 200-pixel face enlarged ($filter): $result"
done
