# The clock menu, driven with xdotool: a right release on the face opens it
# at the pointer with its five entries; a left or middle release opens
# nothing; only a left click on an entry chooses it; the three sizes keep the
# top-left corner and the circle; Quit ends the program with status 0. Once
# with no window manager, once under openbox.
source "$(dirname "$0")/lib.sh"

# "WxH+X+Y" of the clock's open pop-up (a visible window of the process
# other than the clock itself), waiting up to $1 s for one; empty if none.
popup_geometry() {
    local limit=${1:-2} i id
    for i in $(seq $((limit * 20))); do
        for id in $(windows_of); do
            [ "$id" = "$W" ] && continue
            xwininfo -id "$id" | grep -q 'Override Redirect State: yes' || continue
            geometry_of "$id"
            return 0
        done
        sleep 0.05
    done
}

wait_geometry() {
    local want=$1 i got
    for i in $(seq 60); do
        got=$(geometry_of "$W")
        [ "$got" = "$want" ] && return 0
        sleep 0.05
    done
    fail "clock window is $got, expected $want ($MODE)"
}

# Right-clicks the face at ($1, $2) and picks an entry with the keys given.
choose() {
    local x=$1 y=$2
    shift 2
    xdotool mousemove "$x" "$y" click 3
    [ -n "$(popup_geometry 2)" ] || fail "no menu opened ($MODE)"
    xdotool key "$@"
}

# Rows of the menu's picture: the text of an entry is a band of dark rows, a
# separator one light grey row across almost the whole width. Prints the
# sequence, e.g. "T T T - T".
menu_rows() {
    local g=$1 shot=$E2E_TMP/menu.png
    import -window root "$shot"
    convert "$shot" -crop "$g" +repage -colorspace gray -depth 8 txt:- | awk -F'[,: ]+' '
        NR > 1 {
            y = $2; v = $0; sub(/.*gray\(/, "", v); sub(/\).*/, "", v); v += 0
            if (!(y in low) || v < low[y]) low[y] = v
            if (v < 200) marked[y]++
            if ($1 + 0 > w) w = $1 + 0
            if (y > h) h = y
        }
        END {
            out = ""; inText = 0
            for (y = 1; y < h; y++) {
                if (low[y] < 100) { if (!inText) out = out " T"; inText = 1; continue }
                inText = 0
                if (marked[y] > 0.8 * w) out = out " -"
            }
            print substr(out, 2)
        }'
}

# Per cent of the face's pixels within "WxH+X+Y" ($3) that differ by more
# than 40 levels between screenshots $1 and $2; the face is the 200-pixel
# circle at (68, 55).
changed_on_face() {
    { convert "$1" -crop "$3" +repage -depth 8 txt:- | sed 's/^/A /'
      convert "$2" -crop "$3" +repage -depth 8 txt:- | sed 's/^/B /'; } |
    awk -F'[(),: ]+' -v g="$3" '
        BEGIN { split(g, p, "[x+]"); ox = p[3]; oy = p[4] }
        $2 ~ /^#/ { next }
        { k = $2 SUBSEP $3; v[$1, k] = $4 " " $5 " " $6 }
        END {
            for (key in v) {
                split(key, parts, SUBSEP)
                if (parts[1] != "A") continue
                k = parts[2] SUBSEP parts[3]
                x = ox + parts[2] + 0.5 - 168; y = oy + parts[3] + 0.5 - 155
                if (x * x + y * y > 96 * 96) continue
                split(v["A", k], a, " "); split(v["B", k], b, " ")
                n++
                for (j = 1; j <= 3; j++) if (a[j] - b[j] > 40 || b[j] - a[j] > 40) { d++; break }
            }
            printf "%.1f\n", n ? 100 * d / n : 100
        }'
}

session() {
    MODE=$1
    start_x
    [ "$MODE" = openbox ] && start_openbox
    start_clock
    W=$(clock_window)
    wait_geometry 200x200+68+55

    # Only the right button opens the menu.
    xdotool mousemove 150 150 click 1
    xdotool mousemove 160 150 click 2
    [ -z "$(popup_geometry 1)" ] || fail "a left or middle click opened a menu ($MODE)"

    import -window root "$E2E_TMP/before.png"
    xdotool mousemove 168 155 click 3
    local g
    g=$(popup_geometry 2)
    [ -n "$g" ] || fail "a right click opened no menu ($MODE)"
    case $g in *+168+155) ;; *) fail "menu at $g, not at the pointer (168, 155) ($MODE)" ;; esac
    local rows
    rows=$(menu_rows "$g")
    [ "$rows" = "T T T - T" ] || fail "menu shows '$rows', expected four entries with a separator before the last ($MODE)"
    note "$MODE: menu $g, rows: $rows"
    xdotool key Escape
    sleep 0.2
    [ -z "$(popup_geometry 0)" ] || fail "menu still open after Escape ($MODE)"
    wait_geometry 200x200+68+55
    # The face shows again where the menu lay: only the hands have moved.
    import -window root "$E2E_TMP/after.png"
    local changed
    changed=$(changed_on_face "$E2E_TMP/before.png" "$E2E_TMP/after.png" "$g")
    note "$MODE: where the menu lay, $changed % of the face changed"
    awk -v c="$changed" 'BEGIN { exit !(c < 25) }' || fail "where the menu lay, $changed % of the face is not the face ($MODE)"

    # On an entry, a right or a middle click chooses nothing; a left one does.
    xdotool mousemove 168 155 click 3
    g=$(popup_geometry 2)
    [ -n "$g" ] || fail "a right click opened no menu ($MODE)"
    local mx my
    read -r mx my < <(echo "$g" | awk -F'[x+]' '{print $3 + 40, $4 + 11}')  # on "Small"
    xdotool mousemove "$mx" "$my" click 3
    sleep 0.3
    xdotool click 2
    sleep 0.3
    [ -n "$(popup_geometry 1)" ] || fail "a right or middle click on an entry closed the menu ($MODE)"
    [ "$(geometry_of "$W")" = 200x200+68+55 ] || fail "a right or middle click on Small chose it ($MODE)"
    xdotool click 1
    wait_geometry 133x133+68+55

    choose 100 100 Down Down Down Return
    wait_geometry 333x333+68+55
    xwininfo -id "$W" -shape | grep -Eq 'Window shape extents: +33[23]x33[23]\+' \
        || fail "no circular shape at the large size: $(xwininfo -id "$W" -shape | grep -i shape) ($MODE)"
    sleep 0.3
    local shot=$E2E_TMP/large.png
    import -window root "$shot"
    [ "$(pixel_at "$shot" 71 58)" = 0,0,0 ] || fail "the window's corner is not cut away ($MODE)"
    [ "$(pixel_at "$shot" 72 221)" != 0,0,0 ] || fail "the left edge of the circle is missing ($MODE)"
    [ "$(pixel_at "$shot" 397 221)" != 0,0,0 ] || fail "the right edge of the circle is missing ($MODE)"

    choose 200 200 Down Return
    wait_geometry 133x133+68+55
    choose 130 120 Down Down Return
    wait_geometry 200x200+68+55

    # Down four times passes over the separator to the last entry.
    choose 168 155 Down Down Down Down Return
    wait_exit "$CLOCK_PID" 5 >"$E2E_TMP/status" || fail "the clock did not end after Quit ($MODE)"
    local status
    status=$(cat "$E2E_TMP/status")
    [ "$status" = 0 ] || fail "Quit ended the clock with status $status ($MODE)"
    ! xwininfo -root -tree | grep -q '"Clock"' || fail "a window of the clock is left after Quit ($MODE)"
    note "$MODE: sizes and Quit as expected"
}

session bare
session openbox
