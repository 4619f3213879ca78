#!/bin/bash
# Packs a build's grinsel.exe with the joke folder and the German read-me,
# staged in OUT/release: OUT/grinsel-VERSION-win32.zip for those who want no
# installation, and OUT/grinsel-VERSION-win32.msi, the per-user Windows
# Installer package (res/grinsel.wxs). VERSION is the build's (version.txt).
# The same inputs give the same bytes. Prints the two file names.
#   scripts/package.sh BUILD_FOLDER OUT_FOLDER
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=$1
mkdir -p "$2"
OUT=$(cd "$2" && pwd)
VERSION=$(cat "$BUILD_DIR/version.txt")
STAGE=$OUT/release
TMP=$(mktemp -d)
trap 'rm -rf "$TMP"' EXIT
# every time and order that ends up in the files is fixed
export TZ=UTC LC_ALL=C
EPOCH=${SOURCE_DATE_EPOCH:-1767225600}  # 2026-01-01 00:00:00

rm -rf "$STAGE"
mkdir -p "$STAGE/Witze"
cp "$BUILD_DIR/grinsel.exe" "$STAGE/"
cp "$ROOT"/Witze/*.txt "$STAGE/Witze/"
cp "$ROOT/res/LIESMICH.txt" "$STAGE/"
chmod -R u=rwX,go=rX "$STAGE"
find "$STAGE" -exec touch -h -d "@$EPOCH" {} +
JOKES=$(cd "$STAGE/Witze" && ls)

ZIP=$OUT/grinsel-$VERSION-win32.zip
rm -f "$ZIP"
(cd "$STAGE" && printf '%s\n' grinsel.exe LIESMICH.txt Witze $(sed 's,^,Witze/,' <<<"$JOKES") |
    zip -q -X "$ZIP" -@)

# A product code per version (so that a newer package replaces an older
# one) and a package code per content, both derived from the upgrade code
MSI=$OUT/grinsel-$VERSION-win32.msi
upgrade_code=$(sed -n 's/.*UpgradeCode="\([^"]*\)".*/\1/p' "$ROOT/res/grinsel.wxs")
guid() {
    /usr/bin/python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' \
        "$upgrade_code" "$1"
}
product_code=$(guid "product $VERSION")
package_code=$(guid "package $VERSION $( (cd "$STAGE" && find . -type f | sort | xargs sha256sum)
    sha256sum <"$ROOT/res/grinsel.wxs")")
{
    echo '<Include>'
    for f in $JOKES; do echo "  <File Id=\"Witze.$f\" Source=\"Witze/$f\"/>"; done
    echo '</Include>'
} >"$TMP/jokefiles.wxi"
rm -f "$MSI"
(cd "$STAGE" && wixl -a x86 -I "$TMP" -D "Version=$VERSION" -D "ProductCode=$product_code" \
    -o "$MSI" "$ROOT/res/grinsel.wxs")
# what wixl 0.101 cannot write: a RemoveFile row with a file name (the link
# that "Mit Windows starten" makes in the Startup folder; the package sets
# STARTUPLINKFOLDER only when it is removed for good), and summary
# information without the time of the build and its random package code
msibuild "$MSI" -q "INSERT INTO RemoveFile (FileKey, Component_, FileName, DirProperty, InstallMode)
    VALUES ('RemoveStartupLink', 'StartMenu', 'Grinsel.lnk', 'STARTUPLINKFOLDER', 2)"
date=$(date -d "@$EPOCH" '+%Y/%m/%d %H:%M:%S')
msiinfo export "$MSI" _SummaryInformation | sed -e "s#^7\t.*#7\tIntel;1031\r#" \
    -e "s#^6\t.*#6\tGrinsel zeigt Witze im Infobereich der Taskleiste.\r#" \
    -e "s#^9\t.*#9\t{$package_code}\r#" \
    -e "s#^\(1[23]\)\t.*#\1\t$date\r#" >"$TMP/_SummaryInformation.idt"
(cd "$TMP" && msibuild "$MSI" -i _SummaryInformation.idt)
echo "$ZIP"
echo "$MSI"
