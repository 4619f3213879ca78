#!/bin/bash
# The release archive: scripts/release.sh packs the build's grinsel.exe, the
# read-me and the joke folder, and nothing else, the same bytes every time,
# and names it, as the package beside it, after the build's version.
# Unpacked into an empty folder, the program starts from there in a fresh
# prefix, shows its banner and then jokes of the unpacked joke file, and
# ends with exit code 0. The program is small and needs system DLLs only.
source "$(dirname "$0")/lib.sh"
setup

# the build that made GRINSEL_EXE, configured as it is (the script
# configures it again: the display numbers of the tests must not change)
BUILD_DIR=$(cd "$(dirname "$GRINSEL_EXE")/.." && pwd)
base=$(sed -n 's/^E2E_DISPLAY_BASE:STRING=//p' "$BUILD_DIR/win32/CMakeCache.txt")
[ -n "$base" ] || fail "no E2E_DISPLAY_BASE in $BUILD_DIR/win32/CMakeCache.txt"
VERSION=$(cat "$BUILD_DIR/win32/version.txt") || fail "the build wrote no version.txt"
ZIP=$BUILD_DIR/grinsel-$VERSION-win32.zip
MSI=$BUILD_DIR/grinsel-$VERSION-win32.msi

release() {
    GRINSEL_BUILD=$BUILD_DIR GRINSEL_E2E_DISPLAY=$base bash "$SOURCE_DIR/scripts/release.sh" \
        >"$E2E_TMP/release.log" 2>&1 || { cat "$E2E_TMP/release.log" >&2; fail "scripts/release.sh failed"; }
    [ "$(tail -2 "$E2E_TMP/release.log")" = "$ZIP"$'\n'"$MSI" ] ||
        fail "scripts/release.sh did not name $ZIP and $MSI"
    [ -f "$MSI" ] || fail "no $MSI"
}

release
cp "$ZIP" "$ARTIFACTS/"
cp "$ZIP" "$E2E_TMP/first.zip"
cp "$MSI" "$E2E_TMP/first.msi"
release
expect "the same sources give the same archive" cmp -s "$ZIP" "$E2E_TMP/first.zip"
expect "and the same package" cmp -s "$MSI" "$E2E_TMP/first.msi"

# exactly the program, the read-me and the joke files
expected=$( (echo grinsel.exe; echo LIESMICH.txt; echo Witze/
    cd "$SOURCE_DIR" && ls Witze/*.txt) | sort | tr '\n' ' ')
entries=$(unzip -Z1 "$ZIP" | sort | tr '\n' ' ')
expect_eq "the archive's entries" "$entries" "$expected"

UNPACKED=$E2E_TMP/unpacked
mkdir "$UNPACKED"
(cd "$UNPACKED" && unzip -q "$ZIP") || fail "cannot unpack the archive"
expect "its grinsel.exe is the build's" cmp -s "$UNPACKED/grinsel.exe" "$GRINSEL_EXE"
expect "its LIESMICH.txt is res/LIESMICH.txt" cmp -s "$UNPACKED/LIESMICH.txt" "$SOURCE_DIR/res/LIESMICH.txt"
for f in "$SOURCE_DIR"/Witze/*.txt; do
    expect "its Witze/$(basename "$f") is the shipped one" cmp -s "$UNPACKED/Witze/$(basename "$f")" "$f"
done

size=$(stat -c %s "$UNPACKED/grinsel.exe")
expect "grinsel.exe is at most 98,304 bytes (96 KiB; $size)" test "$size" -le 98304
dlls=$(i686-w64-mingw32-objdump -p "$UNPACKED/grinsel.exe" | sed -n 's/^\s*DLL Name: //p' | sort -f)
log "imports: $(tr '\n' ' ' <<<"$dlls")"
[ -n "$dlls" ] || fail "no imported DLLs found"
expect "it imports system DLLs only" bash -c '! grep -v -i -x -E "$1" <<<"$2"' _ \
    'kernel32\.dll|user32\.dll|gdi32\.dll|shell32\.dll|comdlg32\.dll|advapi32\.dll|msvcrt\.dll' "$dlls"

# started from the unpacked folder, in the fresh prefix
WORK=$UNPACKED
GRINSEL_EXE=$UNPACKED/grinsel.exe
jokes=$(drv measure 'Witze\Blondinen.txt') || fail "cannot measure the unpacked jokes"
[ "$(wc -l <<<"$jokes")" -ge 2 ] || fail "too few jokes in the unpacked Witze\\Blondinen.txt"
read -r _ three_lines < <(drv measure - 'x\nx\nx')
start_grinsel
wait_until "the banner is visible" 5000 bubble_visible
bubble_state
expect_eq "the banner's bubble is three lines high" $((bottom - top)) "$three_lines"
shot banner
drv send-command $IDM_NEXTJOKE >/dev/null || fail "'Nächster Witz ...' does not answer"
size=$(bubble_size)
expect "'Nächster Witz ...' shows a joke of the unpacked file ($size)" size_in "$size" "$jokes"
shot joke
drv close >/dev/null || fail "cannot post WM_CLOSE"
wait_exit 10
expect_eq "exit code" "$GRINSEL_STATUS" 0
expect_eq "stored Options" "$(reg_options)" 'Witze\Blondinen.txt 30 30'
