#!/bin/bash
# The Windows Installer package in a fresh prefix, quietly, as a user would
# run it: it replaces an older version of itself; it puts the program, the
# read-me and the joke folder into the user's Programs\Grinsel and a Start
# menu shortcut that starts the program there, so that it shows jokes of
# the installed Witze\Blondinen.txt; installed again it changes nothing;
# removed, it leaves the user's folders as they were (the Startup folder's
# Grinsel.lnk removed too, which an update keeps) and the stored settings in
# place.
source "$(dirname "$0")/lib.sh"
setup

BUILD_DIR=$(dirname "$GRINSEL_EXE")
VERSION=$(cat "$BUILD_DIR/version.txt") || fail "the build wrote no version.txt"
UPGRADE_CODE=$(sed -n 's/.*UpgradeCode="\([^"]*\)".*/\1/p' "$SOURCE_DIR/res/grinsel.wxs")

# package BUILD OUT VERSION: the package of a build's grinsel.exe
package() {
    bash "$SOURCE_DIR/scripts/package.sh" "$1" "$2" >"$E2E_TMP/package.log" 2>&1 ||
        { cat "$E2E_TMP/package.log" >&2; fail "scripts/package.sh failed"; }
    [ -f "$2/grinsel-$3-win32.msi" ] || fail "no grinsel-$3-win32.msi"
}
package "$BUILD_DIR" "$E2E_TMP/new" "$VERSION"
MSI=$E2E_TMP/new/grinsel-$VERSION-win32.msi
cp "$MSI" "$ARTIFACTS/"
# the same program as an older version
mkdir "$E2E_TMP/old-build"
cp "$GRINSEL_EXE" "$E2E_TMP/old-build/"
echo 0.0.1 >"$E2E_TMP/old-build/version.txt"
package "$E2E_TMP/old-build" "$E2E_TMP/old" 0.0.1

msiexec() { wine msiexec "$1" "$(winepath -w "$2")" /qn; }
products() { drv products "{$UPGRADE_CODE}"; }
# the user's folders, less the installer's own cache
user_folders() {
    (cd "$PREFIX/drive_c/users" && find . | grep -v '/AppData/Roaming/Microsoft/Installer' | sort)
}
INSTALL_WIN="$(drv shell-folder local-appdata)\\Programs\\Grinsel"
INSTALL=$(winepath -u "$INSTALL_WIN")
LINK_WIN="$(drv shell-folder programs)\\Grinsel.lnk"
STARTUP=$(winepath -u "$(drv shell-folder startup)")
[ -d "$STARTUP" ] || fail "no Startup folder"
before=$(user_folders)

expect "the older package installs quietly" msiexec /i "$E2E_TMP/old/grinsel-0.0.1-win32.msi"
expect_eq "installed versions" "$(products | cut -f2)" 0.0.1
expect "this package installs quietly over it" msiexec /i "$MSI"
entry=$(products)
expect_eq "the installed product: version, name, publisher" "$(cut -f2-4 <<<"$entry")" \
    "$VERSION	Grinsel	Morlando"
expect "its entry's icon is the program's" cmp -s "$(winepath -u "$(cut -f5 <<<"$entry")")" "$GRINSEL_EXE"
expect "the program's folder holds exactly the released files" diff -r "$E2E_TMP/new/release" "$INSTALL"
link=$(drv shortcut "$LINK_WIN") || fail "no Start menu shortcut $LINK_WIN"
expect_eq "the Start menu shortcut" "$(sed 's/\\$//' <<<"$link")" "target=$INSTALL_WIN\\grinsel.exe
workdir=$INSTALL_WIN
args=
description=Witze im Infobereich"

# installed again: no file touched, the same shortcut (Wine writes it again,
# with the same bytes), the same one entry
installed() { find "$INSTALL" -printf '%p %s %i %C@\n'; md5sum <"$(winepath -u "$LINK_WIN")"; products; }
first=$(installed)
expect "installed again" msiexec /i "$MSI"
expect_eq "what the second installation changed" "$(diff <(echo "$first") <(installed))" ""

# started as the shortcut starts it, from a folder without Witze
jokes=$(drv measure "$INSTALL_WIN\\Witze\\Blondinen.txt") || fail "cannot measure the installed jokes"
read -r _ fallback < <(drv measure - 'Keine Witzdatei gefunden!')
size_in "$fallback" "$jokes" && fail "the fallback text looks like a joke"
(cd "$E2E_TMP" && wine start "$LINK_WIN") || fail "the shortcut does not start"
drv wait-window MainWindow 20000 >/dev/null || fail "no MainWindow within 20 s"
drv send-command $IDM_NEXTJOKE >/dev/null || fail "'Nächster Witz ...' does not answer"
size=$(bubble_size)
expect "it shows a joke of the installed Witze\\Blondinen.txt ($size)" size_in "$size" "$jokes"
shot installed
drv close >/dev/null || fail "cannot post WM_CLOSE"
grinsel_ended() { ! drv window-exists MainWindow >/dev/null; }
wait_until "the program ends" 10000 grinsel_ended
expect_eq "stored Options" "$(reg_options)" 'Witze\Blondinen.txt 30 30'

# what "Mit Windows starten" leaves in the Startup folder stays when an
# update removes this version: Windows sets UPGRADINGPRODUCTCODE to the newer
# product's code for that removal (Wine 8 leaves it out, so it is given here,
# any code will do); removed for good, the link goes too
cp "$(winepath -u "$LINK_WIN")" "$STARTUP/Grinsel.lnk" || fail "cannot put Grinsel.lnk into Startup"
expect "removed as an update removes it" \
    wine msiexec /x "$(winepath -w "$MSI")" /qn "UPGRADINGPRODUCTCODE=$(cut -f1 <<<"$entry")"
expect "the Startup folder's Grinsel.lnk stays" test -f "$STARTUP/Grinsel.lnk"
expect "and installed once more" msiexec /i "$MSI"
expect "the package is removed quietly" msiexec /x "$MSI"
expect_eq "installed versions" "$(products)" ""
expect_eq "what is left in the user's folders" "$(diff <(echo "$before") <(user_folders))" ""
expect_eq "stored Options" "$(reg_options)" 'Witze\Blondinen.txt 30 30'
