# Shared part of the end-to-end scenarios; sourced, not run.
#
# Each scenario gets an X server of its own on :$E2E_DISPLAY, a copy of the
# build's prepared Wine prefix (desktop "shell", 800x600, with taskbar) and
# a fresh working folder holding the joke folder. grinsel.exe runs there,
# driven by grdriver.exe and by real clicks. On exit only what this scenario
# started is ended: the prefix's own wineserver and the Xvfb by its PID.
#
# Environment (set by ctest): GRINSEL_EXE, GRDRIVER_EXE, E2E_PREFIX_TEMPLATE,
# E2E_DISPLAY, E2E_ARTIFACTS, SOURCE_DIR. E2E_WITZE may name another joke
# folder than the shipped $SOURCE_DIR/Witze.
set -uo pipefail

for var in GRINSEL_EXE GRDRIVER_EXE E2E_PREFIX_TEMPLATE E2E_DISPLAY E2E_ARTIFACTS SOURCE_DIR; do
    if [ -z "${!var:-}" ]; then
        echo "FAIL: $var is not set (run the scenarios through ctest)" >&2
        exit 1
    fi
done

SCENARIO=$(basename "$0" .sh)
SCENARIO=${SCENARIO#test_}
ARTIFACTS=$E2E_ARTIFACTS/$SCENARIO
E2E_WITZE=${E2E_WITZE:-$SOURCE_DIR/Witze}
E2E_TMP=$(mktemp -d "/tmp/grinsel-e2e-$SCENARIO.XXXXXX")
PREFIX=$E2E_TMP/prefix
WORK=$E2E_TMP/work
XVFB_PID=
GRINSEL_PID=
GRINSEL_STATUS=
T0=$(date +%s%N)

export WINEPREFIX=$PREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export DISPLAY=:$E2E_DISPLAY

# window styles, as the driver prints them
WS_POPUP=0x80000000
WS_VISIBLE=0x10000000
WS_CAPTION=0x00C00000
WS_EX_TOPMOST=0x00000008
WS_EX_TOOLWINDOW=0x00000080
# commands and the tray callback's mouse messages
IDM_SETTINGS=40004
IDM_ACTIVE=40005
IDM_ABOUT=40006
IDM_EXIT=40009
IDM_NEXTJOKE=40011

log() {
    local ms=$(( ($(date +%s%N) - T0) / 1000000 ))
    printf '[%s %d.%03ds] %s\n' "$SCENARIO" $((ms / 1000)) $((ms % 1000)) "$*"
}

fail() {
    echo "FAIL [$SCENARIO]: $*" >&2
    [ -n "$XVFB_PID" ] && import -window root "$ARTIFACTS/failure.png" 2>/dev/null
    exit 1
}

ok() {
    log "ok: $*"
}

# expect DESCRIPTION COMMAND...: the command must succeed
expect() {
    local what=$1
    shift
    "$@" || fail "$what"
    ok "$what"
}

expect_eq() {  # WHAT ACTUAL EXPECTED
    [ "$2" == "$3" ] || fail "$1: got '$2', expected '$3'"
    ok "$1 = '$3'"
}

expect_between() {  # WHAT VALUE LOW HIGH
    [ "$2" -ge "$3" ] && [ "$2" -le "$4" ] || fail "$1: $2 is not within $3..$4"
    ok "$1 = $2 (within $3..$4)"
}

# wait_until DESCRIPTION TIMEOUT_MS COMMAND...: polls every 100 ms
wait_until() {
    local what=$1 limit=$2
    shift 2
    local start=$(date +%s%N)
    until "$@"; do
        if [ $(( ($(date +%s%N) - start) / 1000000 )) -ge "$limit" ]; then
            fail "$what: not within $limit ms"
        fi
        sleep 0.1
    done
    ok "$what"
}

cleanup() {
    local status=$?
    if [ -d "$PREFIX" ]; then
        wineserver -k >/dev/null 2>&1
        timeout 10 wineserver -w >/dev/null 2>&1
    fi
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
    fi
    [ -f "$E2E_TMP/grinsel.log" ] && cp "$E2E_TMP/grinsel.log" "$ARTIFACTS/" 2>/dev/null
    rm -rf "$E2E_TMP"
    if [ "$status" = 0 ]; then log "PASS"; fi
    exit "$status"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# --- setting the scene -------------------------------------------------------

start_display() {
    rm -rf "$ARTIFACTS"
    mkdir -p "$ARTIFACTS"
    if [ -e "/tmp/.X$E2E_DISPLAY-lock" ]; then
        fail "display :$E2E_DISPLAY is taken (/tmp/.X$E2E_DISPLAY-lock exists)"
    fi
    Xvfb ":$E2E_DISPLAY" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    local i
    for i in $(seq 50); do
        xdpyinfo >/dev/null 2>&1 && return 0
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    XVFB_PID=
    fail "Xvfb on :$E2E_DISPLAY did not start"
}

# the prefix copy and a working folder with the joke folder in it
make_scene() {
    [ -f "$E2E_PREFIX_TEMPLATE/.grinsel-ready" ] || fail "no prepared prefix at $E2E_PREFIX_TEMPLATE"
    cp -a "$E2E_PREFIX_TEMPLATE" "$PREFIX" || fail "cannot copy the prefix"
    mkdir -p "$WORK"
    [ -f "$E2E_WITZE/Blondinen.txt" ] || fail "no joke file $E2E_WITZE/Blondinen.txt"
    cp -a "$E2E_WITZE" "$WORK/Witze"
    # our own server, with no pipe of ctest's inherited
    wineserver -p >/dev/null 2>&1
}

setup() {
    start_display
    make_scene
}

# --- the program -------------------------------------------------------------

start_grinsel() {
    cd "$WORK" || fail "no working folder"
    wine "$GRINSEL_EXE" >"$E2E_TMP/grinsel.log" 2>&1 &
    GRINSEL_PID=$!
    cd - >/dev/null
    log "grinsel.exe started, pid $GRINSEL_PID"
    drv wait-window MainWindow 20000 >/dev/null || fail "no MainWindow within 20 s"
}

grinsel_running() {
    [ -n "$GRINSEL_PID" ] && kill -0 "$GRINSEL_PID" 2>/dev/null
}

# wait_exit SECONDS: waits for the program's end, sets GRINSEL_STATUS
wait_exit() {
    local limit=$(( $1 * 10 )) i
    for ((i = 0; i < limit; i++)); do
        grinsel_running || break
        sleep 0.1
    done
    grinsel_running && fail "grinsel.exe still runs $1 s later"
    wait "$GRINSEL_PID"
    GRINSEL_STATUS=$?
    GRINSEL_PID=
    ok "grinsel.exe ended with exit code $GRINSEL_STATUS"
}

# drv COMMAND [ARGS]: grdriver.exe in the working folder; its output is
# collected in a file, so that nothing it starts can hold our pipes open
drv() {
    local out=$E2E_TMP/drv.$$.$RANDOM status
    (cd "$WORK" && wine "$GRDRIVER_EXE" "$@") >"$out" 2>"$out.err"
    status=$?
    cat "$out"
    [ $status != 0 ] && [ -s "$out.err" ] && sed "s/^/grdriver $1: /" "$out.err" >&2
    rm -f "$out" "$out.err"
    return $status
}

# bubble_state [PREFIX]: the driver's bubble line as shell variables
# (visible, left, top, right, bottom, exstyle, style, work_*)
bubble_state() {
    local line
    line=$(drv bubble) || fail "no bubble window"
    local pair
    for pair in $line; do
        printf -v "${1:-}${pair%%=*}" '%s' "${pair#*=}"
    done
}

bubble_visible() {
    bubble_state
    [ "$visible" = 1 ]
}

bubble_hidden() {
    bubble_state
    [ "$visible" = 0 ]
}

# tray_icon TEXT: exactly one icon in the notification area has that
# tooltip; sets ICON_X, ICON_Y (its centre) and ICON_RECT. Wine's taskbar
# keeps the tool of a removed icon, with an empty rectangle: such tools are
# not icons on screen and do not count.
tray_icon() {
    local tips rects
    tips=$(drv tooltip) || return 1
    rects=$(awk -v t="$1" '$4 > $2 && $5 > $3 { text = $0
        sub(/^tip -?[0-9]+ -?[0-9]+ -?[0-9]+ -?[0-9]+ /, "", text)
        if (text == t) print $2, $3, $4, $5 }' <<<"$tips")
    [ -n "$rects" ] && [ "$(wc -l <<<"$rects")" = 1 ] || return 1
    ICON_RECT=$rects
    set -- $rects
    ICON_X=$(( ($1 + $3) / 2 ))
    ICON_Y=$(( ($2 + $4) / 2 ))
}

# no_tray_icon TEXT: no icon whose tooltip holds TEXT is shown (tools with
# an empty rectangle do not count, see above)
no_tray_icon() {
    local tips
    tips=$(drv tooltip) || return 1
    ! awk -v t="$1" '$1 == "tip" && $4 > $2 && $5 > $3 && index($0, t) { found = 1 }
        END { exit !found }' <<<"$tips"
}

# --- screen, mouse, registry ---------------------------------------------------

shot() {
    import -window root "$ARTIFACTS/$1.png" || fail "screenshot $1 failed"
    log "screenshot $ARTIFACTS/$1.png"
}

# pixel NAME X Y: colour of a pixel of a kept screenshot, as "r,g,b"
pixel() {
    convert "$ARTIFACTS/$1.png" -format "%[fx:int(255*p{$2,$3}.r)],%[fx:int(255*p{$2,$3}.g)],%[fx:int(255*p{$2,$3}.b)]" info:
}

# click X Y [BUTTON]: a real click through the X server
click() {
    xdotool mousemove "$1" "$2"
    sleep 0.2
    xdotool click "${3:-1}"
}

reg_set_options() {
    wine reg add 'HKCU\SOFTWARE\Morlando\Grinsel' /v Options /t REG_SZ /d "$1" /f >/dev/null 2>&1 ||
        fail "cannot store Options"
}

# reg_options: the exact text of the Options value, from a registry export
# (UTF-16 converted); fails unless it is a REG_SZ
reg_options() {
    local file=$E2E_TMP/grinsel.reg
    rm -f "$file"
    wine reg export 'HKCU\SOFTWARE\Morlando\Grinsel' "$(winepath -w "$file" 2>/dev/null)" /y >/dev/null 2>&1 ||
        return 1
    local line
    line=$(iconv -f UTF-16 -t UTF-8 "$file" | tr -d '\r' | grep -a '^"Options"=') || return 1
    case $line in
    '"Options"="'*'"') ;;
    *) echo "Options is not a string value: $line" >&2; return 1 ;;
    esac
    line=${line#'"Options"="'}
    line=${line%'"'}
    # the export escapes backslashes and quotes
    line=${line//'\\'/$'\x01'}
    line=${line//'\"'/'"'}
    printf '%s\n' "${line//$'\x01'/\\}"
}

# --- dialogs: tray menu items, dialog controls ----------------------------------

# tray_menu_open: a real right click on the tray icon (ICON_X, ICON_Y from
# tray_icon); sets MENU_LEFT, MENU_TOP, MENU_RIGHT, MENU_BOTTOM
tray_menu_open() {
    click "$ICON_X" "$ICON_Y" 3
    read -r MENU_LEFT MENU_TOP MENU_RIGHT MENU_BOTTOM < <(drv popup 3000) ||
        fail "no popup menu after a right click on the tray icon"
}

# tray_menu_item_y ITEM: the screen y of an item of the open tray menu,
# ITEM one of aktiv, autostart, einstellungen, info, naechster, beenden. The
# menu is "Aktiv", "Eine Stunde Ruhe", "Mit Windows starten" | "Einstellungen", "Info
# über Grinsel" | "Witz kopieren", "Nächster Witz ...", "Beenden", with two separators; these are found in a screenshot as the
# rows that have the colour of the menu's border at two places near its left
# (the check mark and the texts lie elsewhere), and the items share the
# room between them.
tray_menu_item_y() {
    local file=$E2E_TMP/menu.png w=$((MENU_RIGHT - MENU_LEFT)) h=$((MENU_BOTTOM - MENU_TOP))
    import -window root -crop "${w}x${h}+${MENU_LEFT}+${MENU_TOP}" +repage "$file" ||
        fail "no screenshot of the menu"
    convert "$file" -crop "1x${h}+8+0" +repage txt:- | awk 'NR > 1 { print $3 }' >"$file.a"
    convert "$file" -crop "1x${h}+$((w / 3))+0" +repage txt:- | awk 'NR > 1 { print $3 }' >"$file.b"
    local seps
    seps=$(paste -d ' ' "$file.a" "$file.b" |
        awk -v h="$h" 'NR == 1 { border = $1 }
            NR > 2 && NR < h - 1 && $1 == border && $2 == border { print NR - 1 }')
    local s
    s=($seps)
    [ ${#s[@]} = 2 ] || fail "expected two separators in the tray menu, found rows: $seps"
    local y
    case $1 in
    aktiv) y=$((s[0] / 6)) ;;
    autostart) y=$((5 * s[0] / 6)) ;;
    einstellungen) y=$((s[0] + (s[1] - s[0]) / 4)) ;;
    info) y=$((s[0] + 3 * (s[1] - s[0]) / 4)) ;;
    naechster) y=$((s[1] + (h - s[1]) / 2)) ;;
    beenden) y=$((s[1] + 5 * (h - s[1]) / 6)) ;;
    *) fail "no menu item '$1'" ;;
    esac
    echo $((MENU_TOP + y))
}

# tray_menu_choose ITEM: a real click on an item of the open tray menu, in
# its left part (the icon's tooltip may cover the right one); waits until
# the menu is gone
tray_menu_choose() {
    local y
    y=$(tray_menu_item_y "$1") || exit 1
    click $((MENU_LEFT + 30)) "$y" 1
    local i
    for i in $(seq 30); do
        drv popup >/dev/null || { ok "chose '$1' in the tray menu (y $y)"; return 0; }
        sleep 0.1
    done
    fail "the tray menu stays open after a click on '$1'"
}

# dlg_ctl_rect TITLE ID: sets CTL_LEFT, CTL_TOP, CTL_RIGHT, CTL_BOTTOM (screen)
# of the first control of the dialog with that id
dlg_ctl_rect() {
    local rects
    rects=$(drv dlg-rects "$1") || fail "no dialog '$1'"
    read -r CTL_LEFT CTL_TOP CTL_RIGHT CTL_BOTTOM < <(awk -v id="$2" '$1 == "ctl" && $2 == id {
        print $3, $4, $5, $6; exit }' <<<"$rects")
    [ -n "$CTL_LEFT" ] || fail "dialog '$1' has no control $2"
}

# dlg_click_ctl TITLE ID: a real click in the middle of a dialog control
dlg_click_ctl() {
    dlg_ctl_rect "$1" "$2"
    click $(((CTL_LEFT + CTL_RIGHT) / 2)) $(((CTL_TOP + CTL_BOTTOM) / 2)) 1
}

# dlg_activate TITLE: a real click on the dialog's caption, then waits until
# it is the foreground window, so that keys typed with xdotool reach it
dlg_activate() {
    local line
    line=$(drv dialog "$1" | head -1) || fail "no dialog '$1'"
    local left=${line#* left=} top=${line#* top=}
    click $((${left%% *} + 60)) $((${top%% *} + 10)) 1
    local i
    for i in $(seq 30); do
        [ "$(drv foreground)" == "#32770 $1" ] && { ok "'$1' is in front"; return 0; }
        sleep 0.1
    done
    fail "'$1' does not come to the front"
}

# dlg_layout TITLE WIDTH HEIGHT ROWS: every control of the dialog exactly
# where its template puts it. WIDTH, HEIGHT: the dialog's size in dialog
# units; ROWS: one line "x y w h" in dialog units per control, in template
# order ("-" for a size the control chooses itself, as a combo box's
# height). The dialog's client area gives the dialog's base units, which
# convert as the dialog manager does (MulDiv, rounded).
dlg_layout() {
    local rects
    rects=$(drv dlg-rects "$1") || fail "no dialog '$1'"
    awk -v W="$2" -v H="$3" -v rows="$4" '
        function px(v, base, d) { return int((v * base + d / 2) / d) }
        BEGIN { nrows = split(rows, row, "\n") }
        $1 == "client" { ox = $2; oy = $3; bx = int($4 * 4 / W + 0.5); by = int($5 * 8 / H + 0.5)
            if (px(W, bx, 4) != $4 || px(H, by, 8) != $5) { print "client area " $4 "x" $5 " is no whole number of base units"; bad = 1 }
            next }
        $1 == "ctl" {
            ++n
            split(row[n], t, " ")
            good = $3 == ox + px(t[1], bx, 4) && $4 == oy + px(t[2], by, 8)
            if (t[3] != "-") good = good && $5 - $3 == px(t[3], bx, 4)
            if (t[4] != "-") good = good && $6 - $4 == px(t[4], by, 8)
            if (!good) { printf "control %d (id %s) at %d,%d-%d,%d; template %s, base units %d,%d\n", n, $2, $3 - ox, $4 - oy, $5 - ox, $6 - oy, row[n], bx, by; bad = 1 }
        }
        END { if (n != nrows) { printf "%d controls, template %d\n", n, nrows; bad = 1 }
              exit bad }' <<<"$rects"
}

# --- endurance, faults, release ------------------------------------------------

# bubble_size: "WIDTH HEIGHT" of the bubble window
bubble_size() {
    local b_visible b_left b_top b_right b_bottom b_exstyle b_style b_work_left b_work_top b_work_right b_work_bottom
    bubble_state b_
    echo "$((b_right - b_left)) $((b_bottom - b_top))"
}

# size_in SIZE LIST: SIZE ("w h") is one of the lines of LIST
size_in() {
    grep -q -x -F "$1" <<<"$2"
}

# proc_status PID FIELD...: the fields' values (kB) from /proc/PID/status
proc_status() {
    local pid=$1 field out=
    shift
    for field in "$@"; do
        out+="$(awk -v f="$field:" '$1 == f { print $2 }' "/proc/$pid/status") "
    done
    echo "${out% }"
}

# --- tray icon looks -------------------------------------------------------------

ACTIVE_TIP='Grinsel ist aktiv!'
STOPPED_TIP='Grinsel gestoppt.'

# icon_red_pixels SHOT: red pixels in the tray icon's rectangle (ICON_RECT)
# of a screenshot: the cross of the stopped icon
icon_red_pixels() {
    set -- $ICON_RECT "$1"
    convert "$ARTIFACTS/$5.png" -crop "$(($3 - $1))x$(($4 - $2))+$1+$2" \
        -fx '(r > 0.6 && g < 0.35 && b < 0.35)' -format '%[fx:round(mean * w * h)]' info:
}
