# The running clock's face: in a screenshot the lit hands lie where the time
# of day, taken just before the shot, puts them (the face runs one or two
# ticks behind, so a little earlier is allowed), the long second hand alone
# reaches the outer band, and nothing of the hands' colour lies opposite it.
source "$(dirname "$0")/lib.sh"

SIZE=200
start_x 640x480
start_clock
W=$(clock_window)
sleep 1.5
read -r LEFT TOP < <(geometry_of "$W" | awk -F'[x+]' '{print $3, $4}')
NOW=$(date +%H:%M:%S.%N)
SHOT=$E2E_TMP/face.png
import -window root "$SHOT"

# The artwork without hands at the face's size, to tell the hands from it.
BARE=$E2E_TMP/bare.png
convert "${CLOCK_SOURCE_DIR:-$(dirname "$0")/../..}/clock/artwork/face.bmp" -filter box -resize "${SIZE}x${SIZE}!" "$BARE"

dump() { convert "$@" -depth 8 txt:- | awk -F'[(),: ]+' 'NR > 1 {print $1, $2, $3, $4, $5}'; }

result=$( { dump "$SHOT" -crop "${SIZE}x${SIZE}+${LEFT}+${TOP}" +repage | sed 's/^/S /'
            dump "$BARE" | sed 's/^/B /'; } |
awk -v size="$SIZE" -v now="$NOW" '
    $1 == "S" { r[$2, $3] = $4; g[$2, $3] = $5; b[$2, $3] = $6 }
    $1 == "B" { R[$2, $3] = $4; G[$2, $3] = $5; B[$2, $3] = $6 }
    function dist(r1, g1, b1, r2, g2, b2) {
        return (r1 > r2 ? r1 - r2 : r2 - r1) + (g1 > g2 ? g1 - g2 : g2 - g1) + (b1 > b2 ? b1 - b2 : b2 - b1)
    }
    # A pixel changed from the artwork towards the colour of the hand (hr,
    # hg, hb): a hand, not a black shadow.
    function lit(x, y,   k) {
        k = x SUBSEP y
        if (!(k in r) || !(k in R)) return 0
        return dist(r[k], g[k], b[k], R[k], G[k], B[k]) > 40 && \
               dist(r[k], g[k], b[k], hr, hg, hb) + 20 < dist(R[k], G[k], B[k], hr, hg, hb)
    }
    # Share of the points on the ray at `deg` degrees (clockwise from
    # twelve), from r0 to r1 pixels out, that show a lit hand.
    function score(deg, r0, r1,   a, rr, n, t, x, y) {
        a = (deg - 90) * pi / 180; n = 0; t = 0
        for (rr = r0; rr <= r1; rr += 0.5) {
            x = int(c + rr * cos(a)); y = int(c + rr * sin(a))
            n += lit(x, y); t++
        }
        return n / t
    }
    function bestNear(deg, below, above, r0, r1,   d, s, top) {
        top = 0
        for (d = deg - below; d <= deg + above; d += 0.25) { s = score(d, r0, r1); if (s > top) top = s }
        return top
    }
    function apart(a, b,   d) { d = a - b; d -= 360 * int(d / 360); if (d < 0) d += 360; return d < 180 ? d : 360 - d }
    END {
        pi = atan2(0, -1); c = 350.5 * size / 700; R0 = 350 * size / 700
        split(now, p, ":"); t = p[1] * 3600 + p[2] * 60 + p[3]
        sec = t * 6; mn = t / 10; hour = t / 120
        sec -= 360 * int(sec / 360); mn -= 360 * int(mn / 360); hour -= 360 * int(hour / 360)
        printf "time %s: hour %.1f, minute %.1f, second %.1f degrees\n", now, hour, mn, sec
        hr = 200; hg = 80; hb = 32
        s = bestNear(sec, 3, 1.5, 0.66 * R0, 0.71 * R0)
        printf "second hand %.2f\n", s; if (s < 0.6) bad = bad " second"
        o = score(sec + 180, 0.66 * R0, 0.71 * R0)
        printf "opposite %.2f\n", o; if (o > 0.2) bad = bad " opposite"
        hr = 180; hg = 64; hb = 20
        if (apart(mn, sec) > 8) { s = bestNear(mn, 2, 2, 0.50 * R0, 0.62 * R0); printf "minute hand %.2f\n", s; if (s < 0.6) bad = bad " minute" }
        hr = 140; hg = 32; hb = 8
        if (apart(hour, sec) > 8 && apart(hour, mn) > 8) { s = bestNear(hour, 2, 2, 0.20 * R0, 0.44 * R0); printf "hour hand %.2f\n", s; if (s < 0.6) bad = bad " hour" }
        print (bad == "" ? "ok" : "bad:" bad)
    }')
note "$(echo "$result" | tr '\n' ';')"
case $result in *ok) ;; *) fail "hands not where the time puts them: $result" ;; esac
