#!/bin/bash
# Libraries planted next to grinsel.exe, in the folder it is started from (a
# Downloads folder), under the names of system libraries that it loads after
# start-up: Wine is told to prefer such native copies, yet grinsel.exe takes
# the shell (its tray icon) and the common dialogs ("Durchsuchen...") from
# the system. The same program built without its library rule loads them.
source "$(dirname "$0")/lib.sh"
setup

SETTINGS='Grinsel Einstellungen'
IDC_BROWSE=1002
for name in shell32 comdlg32; do
    cp "$PLANTED_DLL" "$WORK/$name.dll" || fail "cannot plant $name.dll"
done
cp "$GRINSEL_EXE" "$GRINSEL_UNGUARDED_EXE" "$WORK/" || fail "cannot copy the programs"
PLANTING="$WINEDLLOVERRIDES;shell32,comdlg32=n,b"
# each planted library leaves NAME.loaded when it is loaded
marks() { (cd "$WORK" && ls -- *.loaded 2>/dev/null | tr '\n' ' '); }

stop_grinsel() {
    kill "$GRINSEL_PID" 2>/dev/null
    wait_exit 10
}

GRINSEL_EXE=$WORK/grinsel.exe
WINEDLLOVERRIDES=$PLANTING start_grinsel
wait_until "the tray icon is there" 5000 tray_icon "$ACTIVE_TIP"
drv post-command $IDM_SETTINGS >/dev/null || fail "cannot post IDM_SETTINGS"
drv dialog "$SETTINGS" 5000 >/dev/null || fail "no settings dialog"
drv dlg-click "$SETTINGS" $IDC_BROWSE >/dev/null || fail "cannot press 'Durchsuchen...'"
drv file-dialog 5000 >/dev/null || fail "'Durchsuchen...' opens no file-open dialog"
shot guarded
expect_eq "planted libraries loaded by grinsel.exe" "$(marks)" ""
stop_grinsel

GRINSEL_EXE=$WORK/$(basename "$GRINSEL_UNGUARDED_EXE")
WINEDLLOVERRIDES=$PLANTING start_grinsel
wait_until "the build without the rule loads the planted shell32.dll" 5000 \
    test -f "$WORK/shell32.dll.loaded"
stop_grinsel
