#!/bin/bash
# The same bytes from the same sources: grinsel.exe built twice, in two fresh
# build folders at different paths, one of them from a copy of the sources
# elsewhere, then packed by each copy's scripts/package.sh. The program,
# the zip and the Windows Installer package must be byte for byte the same.
#   reproducible.sh SOURCE_DIR SCRATCH_DIR (emptied first)
set -uo pipefail
SOURCE=$1
SCRATCH=$2
rm -rf "$SCRATCH"
mkdir -p "$SCRATCH/copy-of-the-sources"
fail() { echo "FAIL: $*" >&2; exit 1; }

# the working tree as git sees it, tracked and new files, build folders left out
(cd "$SOURCE" && git ls-files -z --cached --others --exclude-standard | tar --null -T - -cf -) |
    (cd "$SCRATCH/copy-of-the-sources" && tar -xf -) || fail "cannot copy the sources"

# build SOURCE FOLDER: grinsel.exe alone, then the release files
build() {
    cmake -S "$1" -B "$2" -DCMAKE_TOOLCHAIN_FILE="$1/cmake/mingw-i686.cmake" \
        -DCMAKE_BUILD_TYPE=MinSizeRel >"$2.log" 2>&1 &&
        cmake --build "$2" --target grinsel -j "$(nproc)" >>"$2.log" 2>&1 &&
        bash "$1/scripts/package.sh" "$2" "$2/out" >>"$2.log" 2>&1 ||
        { tail -20 "$2.log" >&2; fail "building in $2 failed"; }
}
build "$SOURCE" "$SCRATCH/a"
build "$SCRATCH/copy-of-the-sources" "$SCRATCH/the-second-build"

status=0
same() {
    if cmp "$1/$3" "$2/$3"; then echo "ok: the same $3"; else echo "FAIL: $3 differs"; status=1; fi
}
A=$SCRATCH/a
B=$SCRATCH/the-second-build
version=$(cat "$A/version.txt")
same "$A" "$B" grinsel.exe
same "$A/out" "$B/out" "grinsel-$version-win32.zip"
same "$A/out" "$B/out" "grinsel-$version-win32.msi"
exit $status
