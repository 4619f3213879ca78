#!/bin/bash
# Faults while the program runs. The joke file is deleted, rewritten with
# fewer jokes than were counted, rewritten with a joke far larger than the
# text buffer, and held open without sharing by another program; the user
# browses into another folder, which must not lose the relative default
# path; and the notification area refuses the icon. In each case the program
# goes on, shows "Keine Witzdatei gefunden!" or the file as it now stands,
# and stores the right value at exit.
source "$(dirname "$0")/lib.sh"
setup

SETTINGS='Grinsel Einstellungen'
IDC_BROWSE=1002
IDC_JOKEFILE=1003
IDC_SHOWSECONDS=1006
IDC_PAUSESECONDS=1007
FILE=$WORK/Witze/Blondinen.txt
cp "$FILE" "$E2E_TMP/Blondinen.txt"

jokes=$(drv measure 'Witze\Blondinen.txt') || fail "cannot measure the jokes"
fallback=$(drv measure - 'Keine Witzdatei gefunden!') || fail "cannot measure the fixed text"

# next_joke: "Nächster Witz ...", sent and waited for; the bubble's size
next_joke() {
    drv send-command $IDM_NEXTJOKE >/dev/null || fail "'Nächster Witz ...' does not answer"
    bubble_size
}

# picks N: N jokes in a row, one size per line
picks() {
    drv picks "$1" || fail "'Nächster Witz ...' stopped answering"
}

# all_in SIZES LIST: every line of SIZES is a line of LIST
all_in() {
    [ -z "$(grep -v -x -F -f <(printf '%s\n' "$2") <<<"$1")" ]
}

answers() {
    drv ping 2000 >/dev/null
}

# --- the joke file changes under the running program ------------------------

log "--- the joke file changes under the running program"
reg_set_options 'Witze\Blondinen.txt 3600 3600'
start_grinsel
size=$(next_joke)
expect "a joke of the file ($size)" size_in "$size" "$jokes"

rm "$FILE"
sizes=$(picks 5)
expect "deleted: five times the fixed text ($fallback)" all_in "$sizes" "$fallback"
expect "the program answers" answers

# two jokes and a tail where dozens were counted: picks 0 and 1 show those
# jokes, 2 the lines after the last separator, higher ones an empty text.
# (Texts of less than about 45 pixels are avoided: for them the tail's
# rectangles are so thin that Wine's round regions come out garbled.)
printf 'Der erste kurze Witz.\r\n###\r\nEin zweiter, etwas l\xe4ngerer Witz.\r\n###\r\nNachsatz ohne Trennzeile\r\n' >"$FILE"
short=$(drv measure - 'Der erste kurze Witz.' 'Ein zweiter, etwas längerer Witz.') || fail "cannot measure"
tail=$(drv measure - 'Nachsatz ohne Trennzeile') || fail "cannot measure"
sizes=$(picks 900)  # whatever its seed, the generator draws index 2 of 51 within 848 draws, 0 or 1 within 876
others=$(grep -v -x -F -f <(printf '%s\n%s\n' "$short" "$tail") <<<"$sizes" | sort -u)
log "shorter: $(sort <<<"$sizes" | uniq -c | tr -s ' \n' ' ')"
expect "its jokes are among the picks" grep -q -x -F -f <(printf '%s\n' "$short") <<<"$sizes"
expect "its tail, for the index equal to its joke count, too ($tail)" size_in "$tail" "$sizes"
expect "every other pick shows one and the same small bubble, the empty text ($others)" \
    test "$(wc -l <<<"$others")" = 1 -a "${others%% *}" -le 40 -a "${others##* }" -le 40
shot shorter

# as many jokes as were counted, each one of 200 lines of 1000
# characters: far more than the buffer sized for the original file holds
counted=$(grep -c '^###' "$E2E_TMP/Blondinen.txt")
awk -v n="$counted" 'BEGIN {
    for (j = 0; j < n; j++) {
        for (i = 1; i <= 200; i++) {
            s = sprintf("Zeile %03d von Witz %d:", i, j)
            while (length(s) < 1000) s = s " lang"
            printf "%s\r\n", substr(s, 1, 1000)
        }
        printf "###\r\n"
    } }' >"$FILE"
long=$(drv measure-big 'Witze\Blondinen.txt') || fail "cannot measure the long jokes"
[ "$(wc -l <<<"$long")" = "$counted" ] || fail "expected $counted jokes in the long file"
huge=$(sed -n 1p <<<"$long")
log "a joke of 200 lines of 1000 characters needs a bubble of $huge"
sizes=$(picks 30)
expect "longer: 30 picks show whole jokes of the file as it stands" all_in "$sizes" "$long"
expect "the program answers" answers
shot longer

cp "$E2E_TMP/Blondinen.txt" "$FILE"
sizes=$(picks 5)
expect "restored: jokes of the original file again" all_in "$sizes" "$jokes"

# held open without sharing by another program, as an editor may
hold=$E2E_TMP/hold.out
(cd "$WORK" && exec wine "$GRDRIVER_EXE" hold-file 'Witze\Blondinen.txt' 5000 >"$hold" 2>&1 &)
wait_until "another program holds the file" 5000 grep -q held "$hold"
sizes=$(picks 3)
expect "held: three times the fixed text" all_in "$sizes" "$fallback"
wait_until "the other program lets go of the file" 10000 grep -q released "$hold"
sizes=$(picks 5)
expect "released: jokes again" all_in "$sizes" "$jokes"

# a path that does not open, applied in the settings: the file stays, the
# intervals are taken
drv post-command $IDM_SETTINGS >/dev/null || fail "cannot post IDM_SETTINGS"
drv dialog "$SETTINGS" 5000 >/dev/null || fail "no settings dialog"
drv dlg-set "$SETTINGS" $IDC_JOKEFILE 'Witze\Gibtsnicht.txt' >/dev/null || fail "cannot type a path"
drv dlg-set "$SETTINGS" $IDC_SHOWSECONDS 3601 >/dev/null || fail "cannot set an interval"
drv dlg-set "$SETTINGS" $IDC_PAUSESECONDS 3602 >/dev/null || fail "cannot set an interval"
drv dlg-click "$SETTINGS" 1 >/dev/null || fail "cannot press OK"
drv dlg-gone "$SETTINGS" 3000 || fail "the settings dialog did not close"
size=$(next_joke)
expect "a missing file applied: still jokes of the old file ($size)" size_in "$size" "$jokes"

# deleted for good: the program ends with its path all the same
rm "$FILE"
expect_eq "deleted again: the fixed text" "$(next_joke)" "$fallback"
drv close >/dev/null || fail "cannot post WM_CLOSE"
wait_exit 10
expect_eq "exit code" "$GRINSEL_STATUS" 0
expect_eq "stored Options: the path kept, the intervals applied" "$(reg_options)" 'Witze\Blondinen.txt 3601 3602'
cp "$E2E_TMP/Blondinen.txt" "$FILE"

# --- browsing elsewhere keeps the current folder ----------------------------

log "--- browsing elsewhere keeps the current folder"
OTHER=$E2E_TMP/anderswo
mkdir -p "$OTHER"
printf 'Ein eigener Witz.\r\n###\r\nNoch ein eigener,\r\nzweizeilig.\r\n###\r\n' >"$OTHER/Eigene.txt"
other_win=$(winepath -w "$OTHER/Eigene.txt" 2>/dev/null) || fail "no Windows path for $OTHER"
own=$(drv measure-big "$other_win") || fail "cannot measure the other file's jokes"
witze_files=$(find "$WORK/Witze" -maxdepth 1 -iname '*.txt' | wc -l)

# a stored file that is gone: the default file stays loaded
reg_set_options 'Witze\Weg.txt 3600 3600'
start_grinsel
size=$(next_joke)
expect "stored file missing: jokes of the default file ($size)" size_in "$size" "$jokes"
expect "an end of the session called off changes nothing" drv send 0x16 0 0

# browse_to PATH: "Durchsuchen..." in the open settings dialog, PATH chosen
# (a folder's path only takes the file-open dialog there)
browse_to() {
    drv dlg-click "$SETTINGS" $IDC_BROWSE >/dev/null || fail "cannot press 'Durchsuchen...'"
    FILE_DIALOG=$(drv file-dialog 5000 | sed -n 's/^title=//p') || fail "no file-open dialog"
    [ -n "$FILE_DIALOG" ] || fail "no file-open dialog"
    drv file-dialog-choose "$1" >/dev/null || fail "cannot choose $1"
}
file_dialog_closes() {
    drv dlg-gone "$FILE_DIALOG" 5000 || fail "the file-open dialog did not close"
}
open_settings() {
    drv post-command $IDM_SETTINGS >/dev/null || fail "cannot post IDM_SETTINGS"
    drv dialog "$SETTINGS" 5000 >/dev/null || fail "no settings dialog"
    local list
    list=$(drv dlg-combo "$SETTINGS" $IDC_JOKEFILE | head -1)
    expect_eq "$1: the list holds the joke folder's files" "${list% *}" "count=$witze_files"
}
cancel_settings() {
    drv dlg-click "$SETTINGS" 2 >/dev/null || fail "cannot press 'Abbrechen'"
    drv dlg-gone "$SETTINGS" 3000 || fail "the settings dialog did not close"
}

# a file chosen in another folder, then the settings cancelled
open_settings "first opening"
browse_to "$other_win"
file_dialog_closes
expect_eq "the box shows the chosen file" "$(drv dlg-text "$SETTINGS" $IDC_JOKEFILE)" "$other_win"
cancel_settings
expect "after a file was chosen elsewhere the relative default path still loads" \
    size_in "$(next_joke)" "$jokes"

# the file-open dialog taken into the other folder and cancelled there
open_settings "after a file was chosen elsewhere"
browse_to "$(winepath -w "$OTHER")"
sleep 0.5
expect "the file-open dialog is still open in the other folder" drv file-dialog 0
drv dlg-post "$FILE_DIALOG" 273 2 >/dev/null || fail "cannot cancel the file-open dialog"
file_dialog_closes
expect_eq "cancelled: the box still shows the loaded path" \
    "$(drv dlg-text "$SETTINGS" $IDC_JOKEFILE)" 'Witze\Blondinen.txt'
cancel_settings
expect "after a cancelled browse the relative default path still loads" \
    size_in "$(next_joke)" "$jokes"

open_settings "after a cancelled browse"
browse_to "$other_win"
file_dialog_closes
drv dlg-click "$SETTINGS" 1 >/dev/null || fail "cannot press OK"
drv dlg-gone "$SETTINGS" 3000 || fail "the settings dialog did not close"
sizes=$(picks 10)
expect "the chosen file applied by its full path: its jokes" all_in "$sizes" "$own"
drv post-command $IDM_SETTINGS >/dev/null && drv dlg-set "$SETTINGS" $IDC_SHOWSECONDS 5 >/dev/null || fail "no settings dialog"
expect_eq "an installer asks to close (ENDSESSION_CLOSEAPP), a value typed, not applied" "$(drv send 0x11 0 1) $(drv send 0x16 1 1)" "1 0"
wait_exit 2
expect_eq "exit code" "$GRINSEL_STATUS" 0
expect_eq "stored Options: the full path" "$(reg_options)" "$other_win 3600 3600"

# --- no notification area ---------------------------------------------------

# Wine always gives a desktop a notification area (a virtual desktop has its
# taskbar whatever EnableShell says, the root window a stand-alone tray).
# Instead a window of the taskbar's class stands in front of the real one
# and refuses every icon: each Shell_NotifyIcon call of the program fails.
log "--- no notification area"
reg_set_options 'Witze\Blondinen.txt 3600 3600'
TRAY=$E2E_TMP/tray.out
(cd "$WORK" && exec wine "$GRDRIVER_EXE" refusing-tray 120000 >"$TRAY" 2>&1 &)
wait_until "a notification area that refuses icons" 10000 grep -q ready "$TRAY"
start_grinsel
wait_until "the banner is visible" 5000 bubble_visible
hwnd=$(drv wait-window MainWindow 1000) || fail "no bubble window"
hwnd=$(printf '0x%x' $((16#$hwnd)))
wait_until "the icon was refused" 5000 grep -q "refused NIM_ADD window=$hwnd id=0" "$TRAY"
banner=$(bubble_size)

# open_menu: a real right click on the bubble's middle; the menu's corner
# is at the pointer (m_left m_top m_right m_bottom)
open_menu() {
    bubble_state
    click $(( (left + right) / 2 )) $(( (top + bottom) / 2 )) 3
    read -r m_left m_top m_right m_bottom < <(drv popup 3000) || fail "no menu after a right click on the bubble"
}

# highlighted Y: hovers over the item at height Y of the open menu and
# prints the first and last row that its highlight covers, screen rows
highlighted() {
    xdotool mousemove $(( (m_left + m_right) / 2 )) "$1"
    sleep 0.3
    shot menu-hover >/dev/null
    convert "$ARTIFACTS/menu-hover.png" -crop "1x$((m_bottom - m_top))+$((m_left + 4))+$m_top" +repage \
        -depth 8 txt:- | awk -v y=$(( $1 - m_top )) -v top="$m_top" 'NR > 1 {
            split($1, p, /[,:]/); match($0, /#[0-9A-Fa-f]+/); c[p[2]] = substr($0, RSTART, RLENGTH) }
        END { a = y; while (a > 0 && c[a - 1] == c[y]) a--
              b = y; while ((b + 1) in c && c[b + 1] == c[y]) b++
              print a + top, b + top }'
}

# choose OFFSET: clicks the item at OFFSET rows below the menu's top
choose() {
    click $(( (m_left + m_right) / 2 )) $((m_top + $1)) 1
    wait_until "the menu is closed" 3000 menu_closed
}

menu_closed() {
    ! drv popup >/dev/null
}

# where the items are: "Aktiv" first and "Beenden" last, 10 rows inside the
# menu's edges; the highlights tell the item height and so the rest (two
# more items above the first separator, two between, two more below the second)
open_menu
shot menu
read -r a0 a1 < <(highlighted $((m_top + 10)))
read -r b0 b1 < <(highlighted $((m_bottom - 10)))
h=$((b1 - b0 + 1))
expect_eq "'Aktiv' and 'Beenden' are items of the same height" $((a1 - a0 + 1)) "$h"
sep=$(( (b0 - a1 - 1 - 6 * h) / 2 ))
ACTIVE=$((a0 + h / 2 - m_top))
SETTINGS_ITEM=$((a1 + 1 + 2 * h + sep + h / 2 - m_top))
ABOUT=$((a1 + 1 + 3 * h + sep + h / 2 - m_top))
NEXT=$((b0 - h + h / 2 - m_top))
log "menu $m_left $m_top $m_right $m_bottom: items $h rows high, separators $sep"
read -r n0 n1 < <(highlighted $((m_top + NEXT)))
expect_eq "the item above 'Beenden' ('Nächster Witz ...') is where reckoned" "$n0 $n1" "$((b0 - h)) $((b0 - 1))"
read -r i0 i1 < <(highlighted $((m_top + ABOUT)))
expect_eq "the item above the second separator ('Info über Grinsel') is where reckoned" \
    "$i0 $i1" "$((a1 + 1 + 3 * h + sep)) $((a1 + 4 * h + sep))"

bubble_shows_a_joke() {
    bubble_state
    [ "$visible" = 1 ] && size_in "$((right - left)) $((bottom - top))" "$jokes"
}
expect "the banner ($banner) has no joke's size" bash -c '! grep -q -x -F "$1" <<<"$2"' _ "$banner" "$jokes"
choose "$NEXT"
wait_until "'Nächster Witz ...' shows a joke" 3000 bubble_shows_a_joke

open_menu
choose "$ACTIVE"
wait_until "'Aktiv' switches off: the bubble hides" 3000 bubble_hidden
wait_until "the icon change was refused" 3000 grep -q "refused NIM_MODIFY window=$hwnd" "$TRAY"

# without an icon nothing shows the bubble again: the driver stands in
drv send-command $IDM_NEXTJOKE >/dev/null || fail "'Nächster Witz ...' does not answer"
open_menu
choose "$ACTIVE"
wait_until "'Aktiv' switches on again: a joke is shown" 3000 bubble_shows_a_joke
sleep 0.5
expect "and stays" bubble_visible
open_menu
choose "$ACTIVE"
wait_until "and 'Aktiv' once more switches off" 3000 bubble_hidden
expect_eq "three icon changes refused" "$(grep -c "refused NIM_MODIFY window=$hwnd" "$TRAY")" 3

drv send-command $IDM_NEXTJOKE >/dev/null || fail "'Nächster Witz ...' does not answer"
open_menu
choose "$SETTINGS_ITEM"
drv dialog "$SETTINGS" 3000 >/dev/null || fail "'Einstellungen' opened no settings dialog"
ok "'Einstellungen' opens the settings dialog"
drv dlg-click "$SETTINGS" 2 >/dev/null
drv dlg-gone "$SETTINGS" 3000 || fail "the settings dialog did not close"
open_menu
choose "$ABOUT"
drv dialog 'Grinsel 1.0' 3000 >/dev/null || fail "'Info über Grinsel' opened no about box"
ok "'Info über Grinsel' opens the about box"
drv dlg-click 'Grinsel 1.0' 1 >/dev/null
drv dlg-gone 'Grinsel 1.0' 3000 || fail "the about box did not close"

open_menu
shot menu-last
click $(( (m_left + m_right) / 2 )) $((m_bottom - 10)) 1
wait_exit 10
expect_eq "'Beenden': exit code" "$GRINSEL_STATUS" 0
expect "the icon's removal was refused too" grep -q "refused NIM_DELETE window=$hwnd id=0" "$TRAY"
expect "the refusing window stayed in front throughout" bash -c "! grep -q displaced '$TRAY'"
expect_eq "stored Options" "$(reg_options)" 'Witze\Blondinen.txt 3600 3600'
