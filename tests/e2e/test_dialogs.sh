#!/bin/bash
# The settings dialog and the about box in a Wine desktop, opened from the
# tray menu with real clicks: their controls, texts and layout as their
# templates have them; "Übernehmen", "OK", Escape and the close box; a file
# chosen in the real file-open dialog from a folder whose name holds a blank
# is loaded by "OK"; the edit button starts the word processor with it, and
# without the word processor the program for text files or the text editor;
# the show/pause cycle runs on behind both dialogs.
source "$(dirname "$0")/lib.sh"
setup

SETTINGS='Grinsel Einstellungen'
ABOUT='Grinsel 1.0'
WM_CLOSE=16
WM_COMMAND=273
IDCANCEL=2
IDC_BROWSE=1002
IDC_JOKEFILE=1003
IDC_APPLY=1004
IDC_SHOWSECONDS=1006
IDC_PAUSESECONDS=1007
IDC_EDITFILE=1010

# the joke folder: the shipped files, a capital extension, a folder whose
# name ends in .txt (listed like a file) and a file that is no joke file
printf 'Treffen sich zwei Anekdoten.\r\n###\r\n' >"$WORK/Witze/Anekdoten.TXT"
mkdir "$WORK/Witze/Archiv.txt"
printf 'keine Witze\r\n' >"$WORK/Witze/notizen.md"

# one joke in a folder of its own whose name holds a blank; Windows-1252,
# CR LF; nine lines, so its bubble is higher than any of the shipped ones
# (they have at most eight)
OTHER_DIR="$E2E_TMP/Eigene Witze"
mkdir "$OTHER_DIR"
printf '%s\r\n' 'Ein Igel geht in den Baumarkt.' \
    $'Fragt der Verk\xe4ufer: "Was darf es sein?"' \
    $'Sagt der Igel: "Eine Kaktusb\xfcrste, bitte."' \
    $'"Wof\xfcr denn?"' \
    '"Zum Kuscheln."' \
    $'Der Verk\xe4ufer holt eine aus dem Lager.' \
    $'"Die ist aber sch\xf6n weich", sagt der Igel.' \
    '"Eben. Die ist ja auch zum Kuscheln."' \
    $'Dar\xfcber lacht sogar der Kaktus. Gr\xfc\xdfe!' \
    '###' >"$OTHER_DIR/Sonderwitz.txt"
OTHER=$(winepath -w "$OTHER_DIR/Sonderwitz.txt" 2>/dev/null)
[[ $OTHER == *'\Eigene Witze\Sonderwitz.txt' ]] || fail "no Windows path for the joke file: $OTHER"

default_sizes=$(drv measure 'Witze\Blondinen.txt') || fail "cannot measure the default jokes"
other_size=$(drv measure "$OTHER") || fail "cannot measure the other joke"
awk -v h="${other_size#* }" '$2 == h { exit 1 }' <<<"$default_sizes" ||
    fail "a joke of the default file is as high as the other one ($other_size)"

bubble_has_size_in() {  # SIZES: the bubble is visible with one of them
    bubble_state
    [ "$visible" = 1 ] && grep -q -x -F "$((right - left)) $((bottom - top))" <<<"$1"
}

# flips MS SIZES: the bubble changes at least three times within MS and
# every joke it shows has one of SIZES (a visible phase of the trace)
flips() {
    local trace
    trace=$(drv watch "$1") || fail "watch failed"
    log "trace (ms visible left top right bottom):"
    sed 's/^/    /' <<<"$trace"
    local changes
    changes=$(wc -l <<<"$trace")
    [ "$changes" -ge 3 ] || fail "the bubble changed only $((changes - 1)) times in $1 ms"
    local bad
    bad=$(awk '$2 == 1 { print $5 - $3, $6 - $4 }' <<<"$trace" | grep -v -x -F "$2")
    [ -z "$bad" ] || fail "bubbles of unexpected size: $bad"
}

# the dialog's controls: "id class text" in template order, with the style
# bits that make them what they are
controls() {
    drv dialog "$1" | awk '$1 == "ctl" { style = $4; $1 = ""; $4 = ""; sub(/^ +/, ""); sub(/  /, " "); print }'
}
style_of() {  # TITLE N: the style of the N-th control
    drv dialog "$1" | awk -v n="$2" '$1 == "ctl" && ++i == n { print $4 }'
}
has_bits() {  # VALUE BITS
    [ $(($1 & $2)) = $(($2)) ]
}
dialog_open() {
    drv window-exists "$1" >/dev/null
}
dialog_gone() {
    drv dlg-gone "$1" 100
}

start_grinsel
wait_until "the tray icon is there" 5000 tray_icon 'Grinsel ist aktiv!'

# --- the settings dialog, from the tray menu -------------------------------------

tray_menu_open
tray_menu_choose einstellungen
wait_until "the settings dialog is open" 5000 dialog_open "$SETTINGS"
tray_menu_open
tray_menu_choose einstellungen
settings_in_front() { [ "$(drv foreground)" = "#32770 $SETTINGS" ]; }
wait_until "'Einstellungen' once more brings the open dialog to the front" 3000 settings_in_front
expect_eq "and opens no second one" "$(drv count-windows '#32770')" 1
read -r _ style exstyle _ < <(drv dialog "$SETTINGS")
style=${style#style=}
exstyle=${exstyle#exstyle=}
# the window adds WS_VISIBLE and WS_CLIPSIBLINGS
expect_eq "dialog style" "$(printf '0x%08x' $((style & ~0x14000000)))" 0x80c808c6
expect "the system-modal dialog is topmost ($exstyle)" has_bits "$exstyle" 0x8

expected_controls=$(cat <<'EOF'
1 Button OK
2 Button Abbrechen
1002 Button Durchsuchen...
1003 ComboBox Witze\Blondinen.txt
-1 Static Witzedatei:
1004 Button Übernehmen
-1 Static Witz zeigen:
1006 Edit 30
-1 Static Nächster Witz nach:
1007 Edit 30
-1 Static sek
1010 Button Diese Datei mit dem Windows-Wordpad editieren...
-1 Static sek
EOF
)
actual_controls=$(controls "$SETTINGS")
[ "$actual_controls" == "$expected_controls" ] || {
    diff <(echo "$expected_controls") <(echo "$actual_controls") >&2
    fail "controls of the settings dialog"
}
ok "13 controls with their German texts, the loaded file and 30/30"
expect "OK is the default button" has_bits "$(style_of "$SETTINGS" 1)" 0x1
expect "the joke-file box is a sorted drop-down combo box" has_bits "$(style_of "$SETTINGS" 4)" 0x142
expect "the show field takes digits only" has_bits "$(style_of "$SETTINGS" 8)" 0x2000
expect "the pause field takes digits only" has_bits "$(style_of "$SETTINGS" 10)" 0x2000

layout=$(cat <<'EOF'
68 64 52 14
124 64 52 14
168 8 60 12
52 8 110 -
8 8 40 12
180 64 50 14
12 44 40 16
56 44 28 14
108 44 68 16
180 44 28 14
212 44 12 16
52 24 176 14
88 44 12 16
EOF
)
expect "every control where the template puts it" dlg_layout "$SETTINGS" 236 85 "$layout"

combo=$(drv dlg-combo "$SETTINGS" $IDC_JOKEFILE)
expected_combo=$(cat <<'EOF'
count=12 cursel=3
item 0 Witze\Anekdoten.TXT
item 1 Witze\Arbeit.txt
item 2 Witze\Archiv.txt
item 3 Witze\Blondinen.txt
item 4 Witze\Computer.txt
item 5 Witze\Doktor.txt
item 6 Witze\Familie.txt
item 7 Witze\Gasthaus.txt
item 8 Witze\Kalauer.txt
item 9 Witze\Schule.txt
item 10 Witze\Sport.txt
item 11 Witze\Tiere.txt
EOF
)
[ "$combo" == "$expected_combo" ] || {
    diff <(echo "$expected_combo") <(echo "$combo") >&2
    fail "joke-file list"
}
ok "the list: every .txt name of the joke folder, sorted, the loaded file selected"
xdotool mousemove 400 500
shot settings

# --- the cycle runs on behind it -------------------------------------------------

drv dlg-set "$SETTINGS" $IDC_SHOWSECONDS 1 >/dev/null || fail "cannot set the show interval"
drv dlg-set "$SETTINGS" $IDC_PAUSESECONDS 1 >/dev/null || fail "cannot set the pause interval"
dlg_click_ctl "$SETTINGS" $IDC_APPLY
sleep 0.3
expect "'Übernehmen' leaves the dialog open" dialog_open "$SETTINGS"
# the banner's 30 seconds still run; a click on the icon arms the new interval
click "$ICON_X" "$ICON_Y" 1
wait_until "a click on the tray icon shows a joke behind the dialog" 2000 bubble_has_size_in "$default_sizes"
flips 3500 "$default_sizes"
ok "the bubble comes and goes every second behind the open dialog"
expect "the dialog is still open" dialog_open "$SETTINGS"

# --- browsing for a file -----------------------------------------------------------

dlg_click_ctl "$SETTINGS" $IDC_BROWSE
filedlg=$(drv file-dialog 5000) || fail "no file-open dialog"
log "file-open dialog: $(tr '\n' ' ' <<<"$filedlg")"
title=$(sed -n 's/^title=//p' <<<"$filedlg")
expect "the file-open dialog has a title ('$title')" test -n "$title"
expect_eq "its owner" "$(sed -n 's/^owner=//p' <<<"$filedlg")" "$SETTINGS"
expect_eq "it starts with the loaded file" "$(sed -n 's/^file=//p' <<<"$filedlg")" 'Blondinen.txt'
shot open
drv file-dialog-choose "$OTHER" >/dev/null || fail "cannot choose the file"
file_dialog_gone() { ! drv file-dialog 0 2>/dev/null >/dev/null; }
wait_until "the file-open dialog is gone" 3000 file_dialog_gone
expect_eq "the joke-file box shows the chosen file's full path" \
    "$(drv dlg-text "$SETTINGS" $IDC_JOKEFILE)" "$OTHER"
cursel=$(drv dlg-combo "$SETTINGS" $IDC_JOKEFILE | head -1)
expect_eq "no list entry is selected" "${cursel#* }" "cursel=-1"
shot chosen

dlg_click_ctl "$SETTINGS" 1
wait_until "'OK' ends the dialog" 3000 dialog_gone "$SETTINGS"
wait_until "the next joke comes from the chosen file ($other_size)" 4000 bubble_has_size_in "$other_size"
shot other-joke

# --- the word processor ------------------------------------------------------------

drv post-command $IDM_SETTINGS >/dev/null || fail "cannot post IDM_SETTINGS"
wait_until "the settings dialog is open again" 5000 dialog_open "$SETTINGS"
expect_eq "it shows the loaded file's full path" "$(drv dlg-text "$SETTINGS" $IDC_JOKEFILE)" "$OTHER"
expect_eq "and the applied intervals" \
    "$(drv dlg-text "$SETTINGS" $IDC_SHOWSECONDS) $(drv dlg-text "$SETTINGS" $IDC_PAUSESECONDS)" "1 1"

# program_args PATTERN: the arguments of a program of our prefix whose name
# matches PATTERN (a grep -i pattern), one a line, as Wine split its command line
program_args() {
    local p
    for p in /proc/[0-9]*; do
        tr '\0' '\n' 2>/dev/null <"$p/environ" | grep -q -x -F "WINEPREFIX=$PREFIX" || continue
        local args
        args=$(tr '\0' '\n' 2>/dev/null <"$p/cmdline" | sed '/^$/d')
        head -1 <<<"$args" | grep -q -i -- "$1" || continue
        tail -n +2 <<<"$args"
        return 0
    done
    return 1
}
wordpad_args() { program_args wordpad; }

dlg_click_ctl "$SETTINGS" $IDC_EDITFILE
wordpad_title=$(drv wait-title WORDPADTOP 20000 'Sonderwitz.txt') ||
    fail "the word processor did not open the loaded file"
ok "the word processor shows '$wordpad_title'"
args=$(wordpad_args) || fail "no word processor process in this prefix"
expect_eq "its one argument: the whole path, blank included" "$args" "$OTHER"
shot wordpad
drv close-class WORDPADTOP 5000 || fail "the word processor does not close"
expect "the settings dialog stays open" dialog_open "$SETTINGS"

# without the word processor (newer systems): the program registered for
# text files, and where there is none, the text editor
rm -f "$PREFIX/drive_c/windows/wordpad.exe" "$PREFIX/drive_c/Program Files/Windows NT/Accessories/wordpad.exe"
handler=$(winepath -w "$GRDRIVER_EXE" 2>/dev/null)
wine reg add 'HKCR\.txt' /ve /d grinsel.test.txt /f >/dev/null 2>&1 &&
    wine reg add 'HKCR\grinsel.test.txt\shell\open\command' /ve /d "\"$handler\" hold-file \"%1\" 1000" /f \
        >/dev/null 2>&1 || fail "cannot register a program for text files"
dlg_click_ctl "$SETTINGS" $IDC_EDITFILE
# its arguments are kept as first seen: it ends on its own a second later
handler_args() { args=$(program_args grdriver) && grep -q -x -F hold-file <<<"$args"; }
wait_until "the program for text files starts" 10000 handler_args
expect_eq "it gets the loaded file" "$(sed -n '/^hold-file$/{n;p;q}' <<<"$args")" "$OTHER"
wine reg delete 'HKCR\.txt' /f >/dev/null 2>&1 || fail "cannot remove the text file association"
handler_gone() { ! handler_args; }
wait_until "the program for text files has ended" 10000 handler_gone
dlg_click_ctl "$SETTINGS" $IDC_EDITFILE
notepad_title=$(drv wait-title Notepad 20000 'Sonderwitz.txt') ||
    fail "the text editor did not open the loaded file"
ok "the text editor shows '$notepad_title'"
expect_eq "its one argument: the whole path, blank included" "$(program_args notepad)" "$OTHER"
shot notepad
drv close-class Notepad 5000 || fail "the text editor does not close"
expect "the settings dialog stays open" dialog_open "$SETTINGS"

# Escape ends the settings dialog and applies nothing
drv dlg-set "$SETTINGS" $IDC_SHOWSECONDS 7 >/dev/null || fail "cannot set the show interval"
dlg_activate "$SETTINGS"
xdotool key Escape
wait_until "Escape ends the settings dialog" 3000 dialog_gone "$SETTINGS"
drv post-command $IDM_SETTINGS >/dev/null || fail "cannot post IDM_SETTINGS"
wait_until "the settings dialog is open again" 5000 dialog_open "$SETTINGS"
expect_eq "the interval typed before Escape was not applied" "$(drv dlg-text "$SETTINGS" $IDC_SHOWSECONDS)" 1
read -r bx by < <(drv closebox "$SETTINGS") || fail "no close box"
click "$bx" "$by" 1
wait_until "the close box ends the settings dialog" 3000 dialog_gone "$SETTINGS"

# --- the about box -------------------------------------------------------------------

tray_menu_open
tray_menu_choose info
wait_until "the about box is open" 5000 dialog_open "$ABOUT"
read -r _ style _ < <(drv dialog "$ABOUT")
style=${style#style=}
# the window adds WS_VISIBLE, WS_CLIPSIBLINGS and the 3-D look
expect_eq "about box style" "$(printf '0x%08x' $((style & ~0x14000004)))" 0x80c808c0
actual=$(controls "$ABOUT")
expect_eq "first control" "$(sed -n 1p <<<"$actual")" "1 Button OK"
expect "OK is the default button" has_bits "$(style_of "$ABOUT" 1)" 0x1
expect_eq "second control is the icon" "$(($(style_of "$ABOUT" 2) & 0x1f))" 3
text=$(sed -n 3p <<<"$actual")
log "about text: $text"
[[ $text == '-1 Static '?*'\n'?*'\n'?* ]] || fail "the about text is not three lines: $text"
ok "three lines of text"
about_layout=$(cat <<'EOF'
148 8 50 14
7 7 - -
36 8 108 25
EOF
)
expect "every control where the template puts it" dlg_layout "$ABOUT" 208 39 "$about_layout"
xdotool mousemove 400 500
shot about
dlg_ctl_rect "$ABOUT" -1
yellow=$(convert "$ARTIFACTS/about.png" -crop "$((CTL_RIGHT - CTL_LEFT))x$((CTL_BOTTOM - CTL_TOP))+$CTL_LEFT+$CTL_TOP" \
    -fx '(r > 0.8 && g > 0.7 && b < 0.3)' -format '%[fx:round(mean * w * h)]' info:)
expect "the icon shows the yellow face ($yellow yellow pixels)" test "$yellow" -ge 100

flips 2500 "$other_size"
ok "the cycle runs on behind the about box"

dlg_activate "$ABOUT"
xdotool key Escape
sleep 0.5
expect "Escape leaves the about box open" dialog_open "$ABOUT"
drv dlg-post "$ABOUT" $WM_COMMAND $IDCANCEL >/dev/null || fail "cannot post IDCANCEL"
sleep 0.5
expect "IDCANCEL leaves it open" dialog_open "$ABOUT"
# a key goes where the X input focus is, which may have moved since
dlg_activate "$ABOUT"
xdotool key Return
wait_until "Enter ends it (so the keys did reach it)" 3000 dialog_gone "$ABOUT"

drv post-command $IDM_ABOUT >/dev/null || fail "cannot post IDM_ABOUT"
wait_until "the about box is open again" 5000 dialog_open "$ABOUT"
dlg_click_ctl "$ABOUT" 1
wait_until "a click on OK ends it" 3000 dialog_gone "$ABOUT"

drv post-command $IDM_ABOUT >/dev/null || fail "cannot post IDM_ABOUT"
wait_until "the about box is open again" 5000 dialog_open "$ABOUT"
read -r bx by < <(drv closebox "$ABOUT") || fail "no close box"
click "$bx" "$by" 1
wait_until "a click on the close box ends it" 3000 dialog_gone "$ABOUT"

drv post-command $IDM_ABOUT >/dev/null || fail "cannot post IDM_ABOUT"
wait_until "the about box is open again" 5000 dialog_open "$ABOUT"
drv dlg-post "$ABOUT" $WM_CLOSE 0 >/dev/null || fail "cannot post WM_CLOSE"
wait_until "WM_CLOSE ends it" 3000 dialog_gone "$ABOUT"

wine wineboot --end-session >/dev/null 2>&1 || fail "the session does not end"
wait_exit 10
expect_eq "stored Options" "$(reg_options)" "$OTHER 1 1"
