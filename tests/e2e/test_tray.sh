#!/bin/bash
# The tray icon with real clicks: its tooltip, the popup menu at the
# pointer, "Aktiv" off and on (icon and tooltip follow, and so does the
# check mark in both menus), a left click that fetches a joke at once, the
# same menu from the bubble, a click elsewhere that closes it, "Mit Windows
# starten" on and off (a shortcut in the Startup folder), and "Beenden".
source "$(dirname "$0")/lib.sh"
setup
# long intervals: nothing in this scenario may come from the timer
reg_set_options 'Witze\Blondinen.txt 60 60'

# how many colours the tray icon's rectangle of a screenshot holds
icon_colours() {
    set -- $ICON_RECT "$1"
    convert "$ARTIFACTS/$5.png" -crop "$(($3 - $1))x$(($4 - $2))+$1+$2" -format '%k' info:
}

# shot_icon NAME: a screenshot with the pointer out of the way, so that no
# tooltip covers the icon
shot_icon() {
    xdotool mousemove 300 200
    sleep 0.3
    shot "$1" >&2
}

open_tray_menu() {
    click "$ICON_X" "$ICON_Y" 3
    read -r m_left m_top m_right m_bottom < <(drv popup 3000) || fail "no popup menu after a right click"
}

# the first item ("Aktiv") and the last one ("Beenden") lie 10 pixels inside
# the menu's top and bottom edges, whatever the separators measure
choose_first_item() {
    click $(( (m_left + m_right) / 2 )) $((m_top + 10)) 1
    wait_until "the menu is closed" 3000 menu_closed
}

choose_last_item() {
    click $(( (m_left + m_right) / 2 )) $((m_bottom - 10)) 1
}

menu_closed() {
    ! drv popup >/dev/null
}

# dark pixels where the open menu's first item ("Aktiv") has its check mark
check_mark_pixels() {
    convert "$ARTIFACTS/$1.png" -crop "14x16+$((m_left + 2))+$((m_top + 3))" \
        -fx '(r < 0.3 && g < 0.3 && b < 0.3)' -format '%[fx:round(mean * w * h)]' info:
}

jokes=$(drv measure 'Witze\Blondinen.txt') || fail "cannot measure the jokes"
bubble_shows_a_joke() {
    bubble_state
    [ "$visible" = 1 ] && grep -q -x -F "$((right - left)) $((bottom - top))" <<<"$jokes"
}

start_grinsel
wait_until "the banner is visible" 5000 bubble_visible
bubble_state
banner="$left $top $right $bottom"

wait_until "one tray icon with the tooltip '$ACTIVE_TIP'" 5000 tray_icon "$ACTIVE_TIP"
log "icon at $ICON_RECT"
set -- $ICON_RECT
expect "the icon lies in the taskbar (y >= 580)" test "$2" -ge 580
shot_icon active
expect_eq "red pixels in the active icon" "$(icon_red_pixels active)" 0
colours=$(icon_colours active)
expect "the icon is drawn ($colours colours)" test "$colours" -ge 3

# right click: the popup's lower-right corner at the pointer; under Wine a
# popup does not reach into the taskbar, so its bottom stops at the work area
open_tray_menu
read -r px py < <(drv cursor)
expect_eq "pointer on the icon" "$px $py" "$ICON_X $ICON_Y"
expect_eq "menu's right edge at the pointer" "$m_right" "$px"
expect_eq "menu's bottom at the pointer, within the work area" "$m_bottom" $(( py < 580 ? py : 580 ))
shot menu
checked=$(check_mark_pixels menu)
expect "active: 'Aktiv' is checked ($checked dark pixels)" test "$checked" -ge 5
expect_eq "the menu's owner is in the foreground" "$(drv foreground)" "MainWindow Grinsel"
bubble_state
expect_eq "the bubble still shows the banner behind the menu" "$left $top $right $bottom" "$banner"

# "Aktiv" off: the banner goes, the icon and its tooltip change
choose_first_item
wait_until "the bubble is hidden" 3000 bubble_hidden
wait_until "one tray icon with the tooltip '$STOPPED_TIP'" 3000 tray_icon "$STOPPED_TIP"
expect "no icon with '$ACTIVE_TIP' is left" no_tray_icon "$ACTIVE_TIP"
shot_icon stopped
red=$(icon_red_pixels stopped)
expect "the stopped icon is crossed out in red ($red red pixels)" test "$red" -ge 10

# "Aktiv" on again: a joke at once, the active icon and tooltip back
open_tray_menu
choose_first_item
wait_until "a joke is shown at once" 2000 bubble_shows_a_joke
wait_until "the tooltip is '$ACTIVE_TIP' again" 3000 tray_icon "$ACTIVE_TIP"
shot_icon active-again
expect_eq "red pixels in the icon after switching on" "$(icon_red_pixels active-again)" 0

# off once more, then a left click on the icon while the bubble is hidden:
# a joke at once, but the cycle stays switched off in the icon's eyes
open_tray_menu
choose_first_item
wait_until "the bubble is hidden" 3000 bubble_hidden
wait_until "the tooltip is '$STOPPED_TIP'" 3000 tray_icon "$STOPPED_TIP"
click "$ICON_X" "$ICON_Y" 1
wait_until "a left click shows a joke at once" 2000 bubble_shows_a_joke
expect "the tooltip stays '$STOPPED_TIP'" tray_icon "$STOPPED_TIP"
shot leftclick

# a right click on the bubble opens the same menu, its lower-right corner at
# the pointer, with "Aktiv" unchecked while stopped; a click elsewhere closes
# it and changes nothing; "Aktiv" there switches the cycle on
bubble_state
bubble="$left $top $right $bottom"
bx=$(( (left + right) / 2 ))
by=$(( (top + bottom) / 2 ))
open_bubble_menu() {
    click "$bx" "$by" 3
    read -r m_left m_top m_right m_bottom < <(drv popup 3000) || fail "no menu after a right click on the bubble"
}
open_bubble_menu
expect_eq "bubble menu's lower-right corner at the pointer" "$m_right $m_bottom" "$bx $by"
shot bubblemenu
expect_eq "stopped: 'Aktiv' is not checked in the bubble's menu" "$(check_mark_pixels bubblemenu)" 0
expect_eq "the menu's owner is in the foreground" "$(drv foreground)" "MainWindow Grinsel"
click 100 100 1
wait_until "a click elsewhere closes the menu" 3000 menu_closed
bubble_state
expect_eq "the bubble stays as it was" "$visible $left $top $right $bottom" "1 $bubble"
expect "the cycle stays stopped" tray_icon "$STOPPED_TIP"
open_tray_menu
shot traymenu-stopped
expect_eq "stopped: 'Aktiv' is not checked in the icon's menu either" "$(check_mark_pixels traymenu-stopped)" 0
drv menu-escape >/dev/null
wait_until "Escape closes the icon's menu" 3000 menu_closed
open_bubble_menu
choose_first_item
wait_until "the tooltip is '$ACTIVE_TIP' after 'Aktiv' from the bubble's menu" 3000 tray_icon "$ACTIVE_TIP"
expect "a joke is shown" bubble_shows_a_joke

# "Mit Windows starten": a shortcut to the program in the Startup folder,
# made and removed from the menu; its mark says what the folder holds
startup=$(drv shell-folder startup) || fail "no Startup folder"
LINK="$startup\\Grinsel.lnk"
link_file=$(winepath -u "$LINK" 2>/dev/null)
autostart_y() {  # the open menu's "Mit Windows starten", found as lib.sh finds items
    MENU_LEFT=$m_left MENU_TOP=$m_top MENU_RIGHT=$m_right MENU_BOTTOM=$m_bottom
    tray_menu_item_y autostart
}
autostart_mark() {  # SHOT: dark pixels where its check mark goes
    local y
    y=$(autostart_y) || exit 1
    shot "$1" >&2
    convert "$ARTIFACTS/$1.png" -crop "14x16+$((m_left + 2))+$((y - 8))" \
        -fx '(r < 0.3 && g < 0.3 && b < 0.3)' -format '%[fx:round(mean * w * h)]' info:
}
choose_autostart() {
    local y
    y=$(autostart_y) || exit 1
    click $((m_left + 30)) "$y" 1
    wait_until "the menu is closed" 3000 menu_closed
}
ours="target=$(winepath -w "$GRINSEL_EXE")
workdir=$(winepath -w "$WORK")
args=
description=Grinsel"
[ -e "$link_file" ] && fail "a Grinsel.lnk in the Startup folder before the scenario"
open_tray_menu
expect_eq "no shortcut: 'Mit Windows starten' is not checked" "$(autostart_mark autostart-off)" 0
choose_autostart
wait_until "choosing it makes Grinsel.lnk in the Startup folder" 3000 test -f "$link_file"
expect_eq "the shortcut: this program, started in today's folder" "$(drv shortcut "$LINK")" "$ours"
open_tray_menu
checked=$(autostart_mark autostart-on)
expect "then it is checked in the icon's menu ($checked dark pixels)" test "$checked" -ge 5
drv menu-escape >/dev/null
wait_until "Escape closes the menu" 3000 menu_closed
open_bubble_menu
checked=$(autostart_mark autostart-on-bubble)
expect "and in the bubble's ($checked dark pixels)" test "$checked" -ge 5
choose_autostart
wait_until "chosen again, it removes the shortcut" 3000 test ! -e "$link_file"

# a Grinsel.lnk of another program is not ours: unchecked, and replaced
drv make-shortcut "$LINK" 'C:\windows\notepad.exe' || fail "cannot make another program's shortcut"
open_tray_menu
expect_eq "another program's Grinsel.lnk: not checked" "$(autostart_mark autostart-other)" 0
choose_autostart
link_is_ours() {
    [ "$(drv shortcut "$LINK")" = "$ours" ]
}
wait_until "chosen, it points at this program" 3000 link_is_ours

# a Startup folder that cannot be made or written: nothing changes
blocked=$(winepath -u 'C:\blocked')
rm -f "$link_file"
touch "$blocked"
wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' \
    /v Startup /t REG_EXPAND_SZ /d 'C:\blocked\StartUp' /f >/dev/null 2>&1 || fail "cannot move the Startup folder"
open_tray_menu
choose_autostart
expect "the program goes on" drv ping 3000
open_tray_menu
expect_eq "an unwritable Startup folder: still not checked" "$(autostart_mark autostart-blocked)" 0
drv menu-escape >/dev/null
wait_until "Escape closes the menu" 3000 menu_closed
expect "and none in the old Startup folder either" test ! -e "$link_file"

# "Beenden": the program ends and takes its icon along
open_tray_menu
choose_last_item
wait_exit 10
expect_eq "exit code" "$GRINSEL_STATUS" 0
wait_until "the tray icon is gone" 3000 no_tray_icon "Grinsel"
shot_icon ended
expect_eq "colours where the icon was" "$(icon_colours ended)" 1
expect_eq "stored Options" "$(reg_options)" 'Witze\Blondinen.txt 60 60'

# --- a pause of 2 s: a click puts the bubble away, a joke copied, an hour of rest
reg_set_options 'Witze\Blondinen.txt 60 2'
start_grinsel
wait_until "the banner and the icon" 5000 tray_icon "$ACTIVE_TIP"
front=$(drv foreground)
bubble_state
click $(( (left + right) / 2 )) $(( (top + bottom) / 2 )) 1
wait_until "a click on the banner puts it away" 1500 bubble_hidden
expect_eq "the window in front stays in front" "$(drv foreground)" "$front"
wait_until "the next joke comes after the pause" 4000 bubble_shows_a_joke
drv send-command 40014 >/dev/null || fail "'Witz kopieren' does not answer"
clip=$(drv clipboard) || fail "'Witz kopieren' put no text on the clipboard"
expect_eq "copied: the joke shown" "$(drv measure - "${clip//'\r\n'/'\n'}")" "$(bubble_size)"
[[ $clip == *'\r\n'* && ${clip//'\r\n'/} != *'\n'* ]] || fail "the copied lines do not end in CR LF: $clip"
[[ $(drv send-command 40013) == visible=0* ]] || fail "'Eine Stunde Ruhe' leaves the bubble shown"
resting() { drv tooltip | grep -q 'Grinsel ruht bis [0-2][0-9]:[0-5][0-9]$'; }
wait_until "'Eine Stunde Ruhe': the bubble hidden, the tooltip says until when" 3000 resting
sleep 5
expect "no joke over two pauses" bubble_hidden
click "$ICON_X" "$ICON_Y" 1
wait_until "a click on the icon ends the rest: a joke at once" 2000 bubble_shows_a_joke
wait_until "the tooltip is '$ACTIVE_TIP' again" 3000 tray_icon "$ACTIVE_TIP"
