#!/bin/bash
# A user's session with the real program, from outside only: stored
# intervals of one second; the banner, then jokes and pauses on their own; a
# click on the tray icon for the next joke; "Aktiv" off and on in the tray
# menu; the settings dialog to choose the other joke file of the folder and
# intervals of 2 and 3 seconds, which take effect from the next phase on;
# "Beenden", after which the registry holds the new settings.
source "$(dirname "$0")/lib.sh"
setup

SETTINGS='Grinsel Einstellungen'
IDC_JOKEFILE=1003
IDC_SHOWSECONDS=1006
IDC_PAUSESECONDS=1007

# a joke folder of our own: two files in Windows-1252 with CR LF; the jokes
# of the first are one line each, those of the second four lines each
rm -rf "$WORK/Witze"
mkdir "$WORK/Witze"
printf '%s\r\n' \
    $'Warum bellen Hunde nie im Gr\xfcnen? Weil sie sonst gr\xfcn w\xe4ren.' '###' \
    $'Sagt die Katze zum Kater: "Miau." Der Kater: "Stimmt."' '###' \
    $'Was macht ein Goldfisch im B\xfcro? Blubbern nach Vorschrift.' '###' \
    >"$WORK/Witze/Haustiere.txt"
printf '%s\r\n' \
    $'Der Chef kommt ins B\xfcro:' '"Wer hat hier zuletzt gearbeitet?"' 'Alle schauen auf den Drucker.' 'Der Drucker schweigt.' '###' \
    'Montagmorgen, Kaffeemaschine kaputt.' $'Die Kollegin f\xfcllt ein Formular aus:' $'"Antrag auf R\xfcckkehr ins Bett."' 'Genehmigt.' '###' \
    'Im Meeting sagt der Kollege:' '"Ich fasse kurz zusammen."' $'Zwei Stunden sp\xe4ter' 'fasst er immer noch.' '###' \
    >"$WORK/Witze/Kollegen.txt"

first_sizes=$(drv measure 'Witze\Haustiere.txt') || fail "cannot measure the first file's jokes"
second_sizes=$(drv measure 'Witze\Kollegen.txt') || fail "cannot measure the second file's jokes"
expect_eq "jokes in the two files" "$(wc -l <<<"$first_sizes") $(wc -l <<<"$second_sizes")" "3 3"
read -r _ banner_height < <(drv measure - 'x\nx\nx')
first_height=$(awk '{ print $2 }' <<<"$first_sizes" | sort -u)
second_height=$(awk '{ print $2 }' <<<"$second_sizes" | sort -u)
expect "the files' jokes differ in height ($first_height, $second_height, banner $banner_height)" \
    test "$first_height" != "$second_height" -a "$first_height" != "$banner_height" -a "$second_height" != "$banner_height"

reg_set_options 'Witze\Haustiere.txt 1 1'

# is_size_in SIZES W H
is_size_in() {
    grep -q -x -F "$2 $3" <<<"$1"
}
bubble_has_size_in() {  # SIZES
    bubble_state
    [ "$visible" = 1 ] && is_size_in "$1" $((right - left)) $((bottom - top))
}
shot_clean() {  # a screenshot with the pointer out of the way (no tooltip)
    xdotool mousemove 300 200
    sleep 0.3
    shot "$1"
}

# --- the cycle on its own --------------------------------------------------------

start_grinsel
trace=$(drv watch 5500) || fail "watch failed"
printf '%s\n' "$trace" >"$ARTIFACTS/trace-start.txt"
log "trace from the start (ms visible left top right bottom):"
sed 's/^/    /' <<<"$trace"
mapfile -t ev <<<"$trace"
[ ${#ev[@]} -ge 5 ] || fail "expected at least 5 changes in 5.5 s, got ${#ev[@]}"
declare -a t v w h
for i in 0 1 2 3 4; do
    read -r t[i] v[i] l tp r b <<<"${ev[i]}"
    w[i]=$((r - l))
    h[i]=$((b - tp))
done
expect_eq "banner, pause, joke, pause, joke" "${v[0]}${v[1]}${v[2]}${v[3]}${v[4]}" 10101
expect_eq "the banner's three lines" "${h[0]}" "$banner_height"
expect "the first joke comes from the stored file (${w[2]} ${h[2]})" is_size_in "$first_sizes" "${w[2]}" "${h[2]}"
expect "the second one too (${w[4]} ${h[4]})" is_size_in "$first_sizes" "${w[4]}" "${h[4]}"
expect_between "pause (ms)" $((t[2] - t[1])) 800 1800
expect_between "joke shown (ms)" $((t[3] - t[2])) 800 1800
expect_between "second pause (ms)" $((t[4] - t[3])) 800 1800
wait_until "a joke is on screen" 3000 bubble_has_size_in "$first_sizes"
sleep 0.2
shot jokes

# --- the next joke at once: a left click on the icon during a pause ---------------

wait_until "the tray icon is there" 5000 tray_icon "$ACTIVE_TIP"
xdotool mousemove "$ICON_X" "$ICON_Y"
# watched from the start of a joke on, so that the pause after it is seen
# whole; the click comes as soon as the pause has begun
drv wait-visible 0 3000 >/dev/null || fail "no pause"
drv wait-visible 1 3000 >/dev/null || fail "no joke"
drv watch 3000 >"$E2E_TMP/click-trace" &
watcher=$!
drv wait-visible 0 3000 >/dev/null || fail "no pause"
xdotool click 1
wait "$watcher"
trace=$(cat "$E2E_TMP/click-trace")
printf '%s\n' "$trace" >"$ARTIFACTS/trace-click.txt"
log "trace around the click (ms visible left top right bottom):"
sed 's/^/    /' <<<"$trace"
read -r pause_began clicked_joke clicked_w clicked_h < <(awk 'prev_v == 1 && $2 == 0 && !hidden { hidden = $1 }
    hidden && $2 == 1 { print hidden, $1, $5 - $3, $6 - $4; exit } { prev_v = $2 }' <<<"$trace")
[ -n "$clicked_joke" ] || fail "no pause followed by a joke in the trace"
# the pause lasts a second; a joke much sooner than that is the click's
expect_between "ms from the pause's start to the clicked joke" $((clicked_joke - pause_began)) 0 800
expect "it is a joke of the file" is_size_in "$first_sizes" "$clicked_w" "$clicked_h"
shot_clean next-joke

# --- "Aktiv" off and on in the tray menu -------------------------------------------

tray_menu_open
shot menu
tray_menu_choose aktiv
wait_until "the bubble is hidden" 2000 bubble_hidden
wait_until "the tooltip says '$STOPPED_TIP'" 3000 tray_icon "$STOPPED_TIP"
trace=$(drv watch 2500)
expect_eq "nothing shows while stopped (2.5 s)" "$trace" "$(head -1 <<<"$trace")"
expect "the bubble stays hidden" bubble_hidden
shot_clean stopped

tray_menu_open
tray_menu_choose aktiv
wait_until "a joke at once" 1000 bubble_has_size_in "$first_sizes"
wait_until "the tooltip says '$ACTIVE_TIP'" 3000 tray_icon "$ACTIVE_TIP"
shot_clean active-again

# --- the settings dialog: the other file, intervals 2 and 3 -----------------------

dialog_open() {
    drv window-exists "$SETTINGS" >/dev/null
}
tray_menu_open
tray_menu_choose einstellungen
wait_until "the settings dialog is open" 5000 dialog_open
expect_eq "it shows the loaded file" "$(drv dlg-text "$SETTINGS" $IDC_JOKEFILE)" 'Witze\Haustiere.txt'
expect_eq "and the intervals" \
    "$(drv dlg-text "$SETTINGS" $IDC_SHOWSECONDS) $(drv dlg-text "$SETTINGS" $IDC_PAUSESECONDS)" "1 1"
shot_clean settings

# drop the list down (the arrow at the box's right end) and click its second entry
dlg_ctl_rect "$SETTINGS" $IDC_JOKEFILE
click $((CTL_RIGHT - 8)) $(((CTL_TOP + CTL_BOTTOM) / 2)) 1
read -r list_left list_top list_right list_bottom item_height items < <(drv combo-list 3000) ||
    fail "the list does not drop down"
expect_eq "entries in the list" "$items" 2
shot list
click $((list_left + 20)) $((list_top + item_height + item_height / 2)) 1
list_closed() { ! drv combo-list 0 >/dev/null; }
wait_until "the list closes" 2000 list_closed
expect_eq "the box shows the other file" "$(drv dlg-text "$SETTINGS" $IDC_JOKEFILE)" 'Witze\Kollegen.txt'

# typed intervals: click into the field, clear it, type
type_into() {  # ID TEXT
    dlg_click_ctl "$SETTINGS" "$1"
    xdotool key End BackSpace BackSpace BackSpace BackSpace
    xdotool type --delay 50 "$2"
    local i
    for i in $(seq 20); do
        [ "$(drv dlg-text "$SETTINGS" "$1")" == "$2" ] && { ok "typed '$2' into field $1"; return 0; }
        sleep 0.1
    done
    fail "field $1 holds '$(drv dlg-text "$SETTINGS" "$1")', not the typed '$2'"
}
type_into $IDC_SHOWSECONDS 2
type_into $IDC_PAUSESECONDS 3
shot_clean settings-changed

dlg_click_ctl "$SETTINGS" 1
dialog_gone() { ! dialog_open; }
wait_until "'OK' ends the dialog" 3000 dialog_gone
trace=$(drv watch 9500) || fail "watch failed"
printf '%s\n' "$trace" >"$ARTIFACTS/trace-after-ok.txt"
log "trace after OK (ms visible left top right bottom):"
sed 's/^/    /' <<<"$trace"

# The phase that ran at "OK" ends within a second; the one after it, which
# may have begun before the watch did, has its new length already. Every
# joke after the first line comes from the new file, and every whole phase
# has its new length.
mapfile -t ev <<<"$trace"
[ ${#ev[@]} -ge 4 ] || fail "expected at least 4 changes in 9.5 s, got ${#ev[@]}"
read -r t1 _ <<<"${ev[1]}"
expect_between "the first change (ms after the watch began)" "$t1" 0 3800
shows=0 pauses=0
for ((i = 1; i < ${#ev[@]}; i++)); do
    read -r ti vi l tp r b <<<"${ev[i]}"
    if [ "$vi" = 1 ]; then
        expect "a joke of the new file ($((r - l)) $((b - tp)))" is_size_in "$second_sizes" $((r - l)) $((b - tp))
    fi
    [ $((i + 1)) -lt ${#ev[@]} ] || break
    read -r tn _ <<<"${ev[i + 1]}"
    if [ "$vi" = 1 ]; then
        expect_between "joke shown (ms)" $((tn - ti)) 1700 2800
        shows=$((shows + 1))
    else
        expect_between "pause (ms)" $((tn - ti)) 2700 3800
        pauses=$((pauses + 1))
    fi
done
expect "whole phases seen: $shows shown, $pauses paused" test "$shows" -ge 1 -a "$pauses" -ge 1
wait_until "a joke of the new file is on screen" 4000 bubble_has_size_in "$second_sizes"
sleep 0.2
shot_clean new-joke

# --- "Beenden" -----------------------------------------------------------------------

tray_menu_open
tray_menu_choose beenden
wait_exit 10
expect_eq "exit code" "$GRINSEL_STATUS" 0
wait_until "the tray icon is gone" 3000 no_tray_icon "Grinsel"
shot_clean ended
expect_eq "stored Options" "$(reg_options)" 'Witze\Kollegen.txt 2 3'
