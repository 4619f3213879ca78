#!/bin/bash
# Builds grinsel.exe and packs build/grinsel-1.0-win32.zip: the program,
# the joke folder and the German read-me.
set -euo pipefail
source "$(dirname "$0")/env.sh"
bash "$ROOT/scripts/setup.sh"
build_win32 >/dev/null

STAGE=$BUILD/release
rm -rf "$STAGE"
mkdir -p "$STAGE/Witze"
cp "$WIN_BUILD/grinsel.exe" "$STAGE/"
cp "$ROOT"/Witze/*.txt "$STAGE/Witze/"
cp "$ROOT/res/LIESMICH.txt" "$STAGE/"
ZIP=$BUILD/grinsel-1.0-win32.zip
rm -f "$ZIP"
# fixed times, so that the same sources give the same archive
find "$STAGE" -exec touch -h -d '2026-01-01 00:00:00' {} +
(cd "$STAGE" && zip -q -X -r "$ZIP" grinsel.exe LIESMICH.txt Witze)
echo "$ZIP"
