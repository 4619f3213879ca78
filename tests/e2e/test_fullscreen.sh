#!/bin/bash
# Quiet during full-screen programs: while a borderless window covering the
# screen is in front, the timed steps show no joke, however many come, but a
# click on the tray icon still does; once it is closed the next timed step
# shows a joke again. A maximised window with a caption, stretched to the
# monitor as an auto-hiding taskbar lets it be, holds nothing back. The
# steps are driven with timer messages; the real intervals are long.
source "$(dirname "$0")/lib.sh"
setup
reg_set_options 'Witze\Blondinen.txt 600 600'
jokes=$(drv measure 'Witze\Blondinen.txt') || fail "cannot measure the jokes"
bubble_shows_a_joke() {
    bubble_state
    [ "$visible" = 1 ] && size_in "$((right - left)) $((bottom - top))" "$jokes"
}

cover_in_front() {
    [ "$(drv foreground)" = "GrdriverCover Vollbild" ]
}

# cover MODE: the driver's window in front of everything until closed
cover() {
    local out=$E2E_TMP/cover-$1.out
    (cd "$WORK" && exec wine "$GRDRIVER_EXE" cover "$1" 60000 >"$out" 2>&1 &)
    wait_until "a $1 window covers the monitor" 5000 grep -q covering "$out"
    wait_until "it is in front" 3000 cover_in_front
    COVERING=$(grep covering "$out")
}

start_grinsel
wait_until "the banner is visible" 5000 bubble_visible
expect_eq "a step hides the banner" "$(drv ticks 1)" 0

cover popup
expect_eq "the window's rectangle" "$COVERING" "covering 0 0 800 600 zoomed=0"
expect_eq "covered: five steps, no joke" "$(drv ticks 5)" "0 0 0 0 0"
shot covered
drv post-tray lbuttondown >/dev/null || fail "cannot post the tray click"
wait_until "a click on the tray icon shows a joke all the same" 3000 bubble_shows_a_joke
shot clicked
expect_eq "then its time is up, and the steps hold back again" "$(drv ticks 3)" "0 0 0"
drv close-class GrdriverCover 5000 || fail "the covering window does not close"
expect_eq "uncovered: the next step shows a joke" "$(drv ticks 1)" 1
expect "a joke" bubble_shows_a_joke
expect_eq "and the one after hides it" "$(drv ticks 1)" 0

cover maximised
expect_eq "the maximised window's rectangle" "$COVERING" "covering 0 0 800 600 zoomed=1"
expect_eq "a maximised window with a caption: the step shows a joke" "$(drv ticks 1)" 1
expect "a joke" bubble_shows_a_joke
shot maximised
drv close-class GrdriverCover 5000 || fail "the maximised window does not close"

drv close >/dev/null || fail "cannot post WM_CLOSE"
wait_exit 10
expect_eq "exit code" "$GRINSEL_STATUS" 0
