#!/bin/bash
# At 150 % display scale (144 DPI): the bubble's outline, placement and
# paint follow the scaled model pixel for pixel (the in-process bubble tests,
# run again in this prefix), it keeps 6 pixels from the work area's right
# edge, the tray icon is the 24-pixel picture, and neither dialog cuts any
# of its texts.
source "$(dirname "$0")/lib.sh"
setup
# Wine reads the DPI when a process starts: set it before any is running
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 144 /f >/dev/null 2>&1 ||
    fail "cannot set LogPixels"
wineserver -k >/dev/null 2>&1
wineserver -w
wineserver -p >/dev/null 2>&1
reg_set_options 'Witze\Blondinen.txt 60 60'
expect_eq "system DPI and small icon size" "$(drv dpi)" "dpi=144 smicon=24"

# the bubble tests again, at this scale; their output goes to a file, so
# that no Wine service started by them holds a pipe of ours open
(cd "$E2E_TMP" && timeout 240 wine "$WIN_TESTS_EXE" --gtest_filter='BubbleTest.*' >"$ARTIFACTS/bubbletests.txt" 2>&1)
status=$?
grep -E '^\[  (PASSED|FAILED)' "$ARTIFACTS/bubbletests.txt" | sed 's/^/    /'
expect_eq "the bubble tests at 144 DPI (exit code)" "$status" 0

start_grinsel
wait_until "the banner is visible" 5000 bubble_visible
bubble_state
read -r width height < <(drv measure - 'Grinsel 1.0\nvon Ilka Brennecke\nDeutsche Version')
expect_eq "the banner's bubble as the scaled model has it" "$((right - left)) $((bottom - top))" "$width $height"
expect_eq "6 pixels left of the work area's right edge, on its bottom" "$right $bottom" "$((work_right - 6)) $work_bottom"
shot banner

wait_until "the tray icon" 5000 tray_icon "$ACTIVE_TIP"
xdotool mousemove 300 200
sleep 0.3
shot tray
# the face's yellow: as wide as the 24-pixel picture, not the 16-pixel one
set -- $ICON_RECT
face=$(convert "$ARTIFACTS/tray.png" -crop "$(($3 - $1))x$(($4 - $2))+$1+$2" +repage \
    -fx '(r > 0.8 && g > 0.8 && b < 0.3)' -trim -format '%w' info:)
expect "the tray shows the 24-pixel icon (face $face pixels wide)" test "$face" -ge 20 -a "$face" -le 24

for dialog in "$IDM_SETTINGS:Grinsel Einstellungen:2" "$IDM_ABOUT:Grinsel 1.0:1"; do
    IFS=: read -r command title closer <<<"$dialog"
    drv post-command "$command" >/dev/null || fail "cannot open '$title'"
    drv dialog "$title" 5000 >/dev/null || fail "no dialog '$title'"
    sleep 0.3
    shot "dialog-${title// /-}"
    fit=$(drv dlg-fit "$title")
    status=$?
    sed 's/^/    /' <<<"$fit"
    expect_eq "no text of '$title' is cut (exit code)" "$status" 0
    drv dlg-click "$title" "$closer" >/dev/null || fail "cannot close '$title'"
    drv dlg-gone "$title" 3000 || fail "'$title' stays open"
done

drv close >/dev/null || fail "cannot post WM_CLOSE"
wait_exit 10
expect_eq "exit code" "$GRINSEL_STATUS" 0
