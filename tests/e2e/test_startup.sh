#!/bin/bash
# First start in a fresh prefix: the banner in a topmost tool window at the
# lower-right corner of the work area; WM_CLOSE ends the program with exit
# code 0 and the default settings are stored.
source "$(dirname "$0")/lib.sh"
setup

wine reg query 'HKCU\SOFTWARE\Morlando\Grinsel' >/dev/null 2>&1 &&
    fail "the fresh prefix already holds settings"

start_grinsel
wait_until "the bubble is visible" 5000 bubble_visible
bubble_state

expect_eq "work area" "$work_left $work_top $work_right $work_bottom" "0 0 800 580"
expect_eq "right edge, 4 pixels left of the work area's" "$right" $((work_right - 4))
expect_eq "bottom edge, on the work area's" "$bottom" "$work_bottom"
expect "extended style has WS_EX_TOOLWINDOW and WS_EX_TOPMOST ($exstyle)" \
    test $((exstyle & (WS_EX_TOOLWINDOW | WS_EX_TOPMOST))) = $((WS_EX_TOOLWINDOW | WS_EX_TOPMOST))
expect "style is a visible popup without caption ($style)" \
    test $((style & (WS_POPUP | WS_VISIBLE | WS_CAPTION))) = $((WS_POPUP | WS_VISIBLE))

# the banner has three lines; its bubble is three lines of the GUI font high
read -r _ three_lines < <(drv measure - 'x\nx\nx')
expect_eq "banner bubble height (three lines)" $((bottom - top)) "$three_lines"

shot banner
# painted: the body in the tooltip background colour, a black frame at its
# left end (the widest point of the outline is at mid-height)
mid=$(( (top + bottom) / 2 ))
colors=$(drv colors)
infobk=${colors#infobk=}
infobk=${infobk%% *}
expect_eq "frame pixel at the bubble's left end" "$(pixel banner "$left" "$mid")" "0,0,0"
expect_eq "body pixel, in COLOR_INFOBK" "$(pixel banner $((left + 10)) "$mid")" "$infobk"
expect "the desktop is another colour" test "$(pixel banner 10 10)" != "$infobk"

drv close >/dev/null || fail "cannot post WM_CLOSE"
wait_exit 10
expect_eq "exit code" "$GRINSEL_STATUS" 0
expect_eq "stored Options" "$(reg_options)" 'Witze\Blondinen.txt 30 30'
