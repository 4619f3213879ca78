#!/bin/bash
# What a screen reader gets from Grinsel: a listener in another process
# hooks the bubble's events as a screen reader does and reads the bubble's
# objects when a live-region change comes. The banner, a timed joke and a
# fetched one are each announced once, visible and named, the window object
# staying the system's; hiding announces nothing; nothing alerts or takes
# the focus. The jokes differ in their line count, so the bubble's size
# tells which one it shows.
source "$(dirname "$0")/lib.sh"
setup
printf '%s\r\n' 'Was ist grün und klopft an die Tür? Ein Klopfsalat.' '###' \
    'Fritzchen, warum kommst du so spät?' 'Auf dem Schild stand: Schule - bitte langsam!' '###' \
    'Herr Ober, in meiner Suppe schwimmt eine Fliege!' 'Keine Sorge, die trinkt nicht viel.' \
    'Und wenn doch, geht sie aufs Haus.' '###' | iconv -f UTF-8 -t WINDOWS-1252 >"$WORK/Witze/Drei.txt"
mapfile -t JOKES < <(awk 'BEGIN { RS = "\r\n###\r\n" } NF { gsub(/\r\n/, "\\n"); print }' \
    "$WORK/Witze/Drei.txt" | iconv -f WINDOWS-1252 -t UTF-8)
reg_set_options 'Witze\Drei.txt 3600 3600'  # only the driver moves the cycle
STATIC_TEXT=41

EVENTS=$E2E_TMP/events.txt
(cd "$WORK" && exec wine "$GRDRIVER_EXE" listen 60000 >"$EVENTS" 2>&1 &)
wait_until "a screen reader listens" 10000 grep -q '^ready' "$EVENTS"
front=$(drv foreground)

count() {  # EVENT: how many of this event the bubble raised
    grep -c "^event $1 " "$EVENTS"
}

# announced N TEXT: N announcements so far, the last one with the bubble
# visible, its client object naming TEXT as static text, with no other
# object behind it for UI Automation, and its window object the system's
announced() {
    local limit=$((SECONDS + 5)) line frame
    while [ "$(count 0x8019)" -lt "$1" ] && [ $SECONDS -lt $limit ]; do sleep 0.05; done
    expect_eq "announcements" "$(count 0x8019)" "$1"
    line=$(grep '^event 0x8019 ' "$EVENTS" | sed -n "$1p")
    expect_eq "announcement $1" "${line%% window *} client ${line#* client }" \
        "event 0x8019 obj=-4 child=0 visible=1 client role=$STATIC_TEXT name=$2"
    frame=${line#* window }
    frame=${frame%% client *}
    expect "a window object that is no static text ($frame)" \
        test "$frame" != none -a "${frame%% *}" != "role=$STATIC_TEXT"
}

shown() {  # the joke of the size of the bubble on screen
    local size i
    size=$(bubble_size)
    mapfile -t sizes < <(drv measure 'Witze\Drei.txt')
    for i in 0 1 2; do [ "${sizes[$i]}" = "$size" ] && echo "${JOKES[$i]}"; done
}

start_grinsel
announced 1 'Grinsel 1.0\nvon Ilka Brennecke\nDeutsche Version'
drv steps 1 >/dev/null || fail "the banner did not hide"
drv steps 1 >/dev/null || fail "no timed joke"
announced 2 "$(shown)"
drv send-command $IDM_NEXTJOKE >/dev/null || fail "no fetched joke"
announced 3 "$(shown)"
shot joke
expect_eq "the window found by its title" "$(drv window-exists Grinsel)" "$(drv wait-window MainWindow)"

drv send-command $IDM_ACTIVE >/dev/null || fail "'Aktiv' failed"
sleep 0.5
expect_eq "foreground window" "$(drv foreground)" "$front"
drv close >/dev/null || fail "cannot post WM_CLOSE"
wait_exit 10
wait_until "the listener ends with the bubble" 5000 grep -q '^done' "$EVENTS"
cp "$EVENTS" "$ARTIFACTS/events.txt"
# Wine raises the focus event itself when a window takes the focus
expect_eq "announcements, alerts, focus events" "$(count 0x8019) $(count 0x0002) $(count 0x8005)" "3 0 0"
