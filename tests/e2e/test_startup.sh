#!/bin/bash
# First start in a fresh prefix: the banner in a topmost tool window at the
# lower-right corner of the work area; a second start only shows the first
# one's next joke; WM_CLOSE ends the program with exit code 0 and the default
# settings are stored; after a regular end or a kill a new start runs.
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

# --- a second start ------------------------------------------------------------

# it only shows the running one's next joke: no second bubble or icon, and
# the registry untouched (this value would be read and rewritten otherwise)
jokes=$(drv measure 'Witze\Blondinen.txt') || fail "cannot measure the jokes"
expect "one icon, the first's" tray_icon 'Grinsel ist aktiv!'
reg_set_options 'Witze\Tiere.txt 7 7'
started=$(date +%s%N)
(cd "$WORK" && timeout 10 wine "$GRINSEL_EXE" >/dev/null 2>&1)
second_status=$?
second_ms=$(( ($(date +%s%N) - started) / 1000000 ))
expect_eq "the second start's exit code" "$second_status" 0
expect_between "the second start ends within 2 s (ms)" "$second_ms" 0 2000
expect_eq "bubble windows" "$(drv count-windows MainWindow)" 1
expect "still one icon" tray_icon 'Grinsel ist aktiv!'
first_shows_joke() { size_in "$(bubble_size)" "$jokes"; }
wait_until "the first shows a joke instead of the banner" 3000 first_shows_joke
expect_eq "the registry untouched" "$(reg_options)" 'Witze\Tiere.txt 7 7'
shot second-start

drv close >/dev/null || fail "cannot post WM_CLOSE"
wait_exit 10
expect_eq "exit code" "$GRINSEL_STATUS" 0
expect_eq "stored Options: the first's" "$(reg_options)" 'Witze\Blondinen.txt 30 30'

# once the first has ended, or was killed, a start runs normally
reg_set_options 'Witze\Weg.txt 30 30'  # a missing joke file, kept all the same
for end in closed killed; do
    start_grinsel
    wait_until "after the first was $end: a new start shows its banner" 5000 bubble_visible
    expect_eq "after the first was $end: one bubble window" "$(drv count-windows MainWindow)" 1
    if [ $end = closed ]; then
        kill -9 "$GRINSEL_PID"
        wait "$GRINSEL_PID" 2>/dev/null
        GRINSEL_PID=
        no_window() { [ "$(drv count-windows MainWindow)" = 0 ]; }
        wait_until "the killed program's window is gone" 5000 no_window
    fi
done
drv close >/dev/null || fail "cannot post WM_CLOSE"
wait_exit 10
expect_eq "exit code" "$GRINSEL_STATUS" 0
expect_eq "stored Options: the missing file's path" "$(reg_options)" 'Witze\Weg.txt 30 30'
