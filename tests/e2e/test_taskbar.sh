#!/bin/bash
# A new taskbar starts with an empty notification area and announces itself
# with the registered "TaskbarCreated" message; the program then adds its
# icon again, with the look and tooltip of its current state.
#
# Under Wine the taskbar lives in the desktop's own process: ending it takes
# the program's windows along, so a real restart cannot be staged. Instead
# the icon is removed from outside (NIM_DELETE for the bubble's window, as a
# vanished taskbar would have lost it) and the message is broadcast.
source "$(dirname "$0")/lib.sh"
setup
reg_set_options 'Witze\Blondinen.txt 60 60'

start_grinsel
wait_until "one tray icon with the tooltip '$ACTIVE_TIP'" 5000 tray_icon "$ACTIVE_TIP"

# stopped: the icon that comes back must be the stopped one
drv post-command $IDM_ACTIVE >/dev/null || fail "cannot post IDM_ACTIVE"
wait_until "the tooltip is '$STOPPED_TIP'" 3000 tray_icon "$STOPPED_TIP"
wait_until "the bubble is hidden" 3000 bubble_hidden

drv tray-delete >/dev/null || fail "the icon could not be removed from outside"
wait_until "the icon is gone" 3000 no_tray_icon "Grinsel"

drv taskbar-created >/dev/null || fail "cannot broadcast TaskbarCreated"
wait_until "one icon with '$STOPPED_TIP' is back" 3000 tray_icon "$STOPPED_TIP"
expect "and none with '$ACTIVE_TIP'" no_tray_icon "$ACTIVE_TIP"
xdotool mousemove 300 200
sleep 0.3
shot stopped-back
red=$(icon_red_pixels stopped-back)
expect "the icon that came back is crossed out ($red red pixels)" test "$red" -ge 10

# the re-added icon is the program's own: switching on changes it
drv post-command $IDM_ACTIVE >/dev/null || fail "cannot post IDM_ACTIVE"
wait_until "the re-added icon follows 'Aktiv': '$ACTIVE_TIP'" 3000 tray_icon "$ACTIVE_TIP"

# and once more in the active state
drv tray-delete >/dev/null || fail "the icon could not be removed from outside"
wait_until "the icon is gone" 3000 no_tray_icon "Grinsel"
drv taskbar-created >/dev/null || fail "cannot broadcast TaskbarCreated"
wait_until "one icon with '$ACTIVE_TIP' is back" 3000 tray_icon "$ACTIVE_TIP"
expect "and none with '$STOPPED_TIP'" no_tray_icon "$STOPPED_TIP"
shot active-back
expect_eq "red pixels in the active icon" "$(icon_red_pixels active-back)" 0

# the icon still answers: a left click fetches a joke
click "$ICON_X" "$ICON_Y" 1
wait_until "a click on the re-added icon shows a joke" 2000 bubble_visible

drv close >/dev/null || fail "cannot post WM_CLOSE"
wait_exit 10
expect_eq "exit code" "$GRINSEL_STATUS" 0
