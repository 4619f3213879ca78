#!/bin/bash
# Builds everything and runs every test: the portable code natively under
# the sanitizers, then the unit and end-to-end tests under Wine.
set -uo pipefail
source "$(dirname "$0")/scripts/env.sh"
bash "$ROOT/scripts/setup.sh" || exit 1

status=0

echo "== host build (AddressSanitizer, UndefinedBehaviorSanitizer)"
build_host || exit 1
(cd "$HOST_BUILD" && ctest --output-on-failure -j "$JOBS") || status=1

echo "== win32 build"
build_win32 || exit 1
i686-w64-mingw32-objdump -p "$WIN_BUILD/grinsel.exe" | grep "DLL Name" | sed 's/^\s*/   /'
ls -l "$WIN_BUILD/grinsel.exe" | awk '{print "   grinsel.exe: " $5 " bytes"}'

echo "== unit tests under Wine"
export WINEPREFIX=$WIN_BUILD/wineprefix
start_xvfb "$UNIT_DISPLAY" || exit 1
make_prefix "$WINEPREFIX"
wineserver -p
wine wineboot >/dev/null 2>&1
(cd "$WIN_BUILD" && ctest --output-on-failure -R '^wine\.') || status=1
wineserver -k
wineserver -w
stop_xvfb

echo "== end-to-end tests under Wine"
(cd "$WIN_BUILD" && ctest --output-on-failure -R '^e2e\.') || status=1
echo "   screenshots: $WIN_BUILD/artifacts"

exit $status
