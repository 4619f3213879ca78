#!/bin/bash
# Builds grinsel.exe and packs it with the joke folder and the German
# read-me: build/grinsel-VERSION-win32.zip and the Windows Installer package
# build/grinsel-VERSION-win32.msi, from the same staged files in
# build/release. Prints the two file names.
set -euo pipefail
source "$(dirname "$0")/env.sh"
bash "$ROOT/scripts/setup.sh"
build_win32 >/dev/null
bash "$ROOT/scripts/package.sh" "$WIN_BUILD" "$BUILD"
