#!/bin/bash
# Builds Grinsel and runs it under Wine in a desktop "shell" of 800x600 with
# a taskbar, in build/run/ next to a copy of the shipped joke folder.
#
# With a usable display the Wine desktop opens there, and this script waits
# until the program ends (settings are kept in build/run/prefix between
# runs). Without one it starts an X server of its own, lets the program run
# with short intervals and keeps screenshots of the desktop (the banner, a
# joke, the popup menu of the tray icon) in build/screenshots/.
set -uo pipefail
source "$(dirname "$0")/scripts/env.sh"

bash "$ROOT/scripts/setup.sh" || exit 1
echo "== building"
build_win32 >/dev/null || { echo "build failed" >&2; exit 1; }
echo "== preparing the Wine prefix"
make_prefix "$WIN_BUILD/wineprefix"

RUN=$BUILD/run
EXE=$WIN_BUILD/grinsel.exe
DRIVER=$WIN_BUILD/grdriver.exe
mkdir -p "$RUN"
rm -rf "$RUN/Witze"
cp -a "$ROOT/Witze" "$RUN/Witze"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    # the run's own prefix, made once from the prepared one
    export WINEPREFIX=$RUN/prefix
    [ -d "$WINEPREFIX" ] || cp -a "$WIN_BUILD/wineprefix" "$WINEPREFIX"
    echo "== Grinsel runs on $DISPLAY; end it with \"Beenden\" in the tray icon's menu"
    (cd "$RUN" && wine "$EXE")
    status=$?
    wineserver -k 2>/dev/null
    exit $status
fi

# --- no display: screenshots -------------------------------------------------

SHOTS=$BUILD/screenshots
N=${GRINSEL_RUN_DISPLAY:-79}
export WINEPREFIX=$RUN/shot-prefix
export DISPLAY=:$N
XVFB_PID=
GRINSEL_PID=

cleanup() {
    [ -d "$WINEPREFIX" ] && { wineserver -k 2>/dev/null; timeout 10 wineserver -w 2>/dev/null; }
    rm -rf "$WINEPREFIX"
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
    fi
}
trap cleanup EXIT

die() {
    echo "run.sh: $*" >&2
    exit 1
}

drv() {
    (cd "$RUN" && wine "$DRIVER" "$@") 2>/dev/null
}

shot() {
    import -window root "$SHOTS/$1.png" || die "screenshot $1 failed"
    echo "   $SHOTS/$1.png"
}

[ -e "/tmp/.X$N-lock" ] && die "display :$N is taken; set GRINSEL_RUN_DISPLAY to a free number"
Xvfb ":$N" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
for _ in $(seq 50); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
done
xdpyinfo >/dev/null 2>&1 || die "Xvfb on :$N did not start"

rm -rf "$WINEPREFIX" "$SHOTS"
mkdir -p "$SHOTS"
cp -a "$WIN_BUILD/wineprefix" "$WINEPREFIX"
wineserver -p >/dev/null 2>&1
# short intervals, in this private prefix only: 3 s joke, 2 s pause
wine reg add 'HKCU\SOFTWARE\Morlando\Grinsel' /v Options /t REG_SZ \
    /d 'Witze\Blondinen.txt 3 2' /f >/dev/null 2>&1

echo "== running Grinsel without a display (Xvfb :$N), screenshots:"
(cd "$RUN" && exec wine "$EXE") >/dev/null 2>&1 &
GRINSEL_PID=$!

drv wait-window MainWindow 20000 >/dev/null || die "the program's window did not appear"
drv wait-visible 1 5000 >/dev/null || die "no banner"
sleep 0.5
shot 1-banner

drv wait-visible 0 6000 >/dev/null || die "the banner did not go"
drv wait-visible 1 6000 >/dev/null || die "no joke"
sleep 0.5
shot 2-joke

# the popup menu, opened with a right click on the tray icon
icon=$(drv tooltip | awk '$4 > $2 && $5 > $3 && /Grinsel/ { print int(($2 + $4) / 2), int(($3 + $5) / 2); exit }')
[ -n "$icon" ] || die "no tray icon"
set -- $icon
xdotool mousemove "$1" "$2"
sleep 0.2
xdotool click 3
drv popup 3000 >/dev/null || die "no popup menu"
xdotool mousemove 300 200  # away from the icon, so that its tooltip stays away
sleep 0.5
shot 3-menu
drv menu-escape >/dev/null

drv close >/dev/null
for _ in $(seq 100); do
    kill -0 "$GRINSEL_PID" 2>/dev/null || break
    sleep 0.1
done
wait "$GRINSEL_PID" 2>/dev/null
echo "== screenshots in $SHOTS"
