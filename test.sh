#!/bin/bash
# Builds everything and runs every test: the portable code natively under
# the sanitizers, then the unit and end-to-end tests under Wine.
set -uo pipefail
source "$(dirname "$0")/scripts/env.sh"
bash "$ROOT/scripts/setup.sh" || exit 1

mkdir -p "$BUILD"
SUMMARY=$BUILD/test-summary.txt
: > "$SUMMARY"
status=0

# runs ctest in a build folder and keeps its closing line for the total
run_ctest() {
    local folder=$1
    shift
    (cd "$folder" && ctest --output-on-failure "$@") | tee "$BUILD/ctest.log"
    local result=${PIPESTATUS[0]}
    grep -E "tests passed, [0-9]+ tests failed out of" "$BUILD/ctest.log" >> "$SUMMARY"
    [ "$result" = 0 ] || status=1
}

echo "== host build (AddressSanitizer, UndefinedBehaviorSanitizer)"
build_host > "$BUILD/host-build.log" 2>&1 || { tail -40 "$BUILD/host-build.log"; exit 1; }
run_ctest "$HOST_BUILD" -j "$JOBS"

echo "== win32 build"
build_win32 > "$BUILD/win32-build.log" 2>&1 || { tail -40 "$BUILD/win32-build.log"; exit 1; }
i686-w64-mingw32-objdump -p "$WIN_BUILD/grinsel.exe" | awk '/DLL Name/ {printf "   imports %s\n", $3}'
echo "   grinsel.exe: $(stat -c %s "$WIN_BUILD/grinsel.exe") bytes"

echo "== the program file, the same bytes from the same sources"
run_ctest "$WIN_BUILD" -R '^release\.'

echo "== unit tests under Wine"
export WINEPREFIX=$WIN_BUILD/wineprefix
start_xvfb "$UNIT_DISPLAY" || exit 1
make_prefix "$WINEPREFIX"
wineserver -p
wine wineboot >/dev/null 2>&1
run_ctest "$WIN_BUILD" -R '^wine\.'
wineserver -k
wineserver -w
stop_xvfb

echo "== end-to-end tests under Wine"
run_ctest "$WIN_BUILD" -R '^e2e\.'
echo "   screenshots: $WIN_BUILD/artifacts"

# one closing line over all three runs
awk '{ total += $NF; failed += $(NF - 5) } END { printf "%d passed, %d failed\n", total - failed, failed }' "$SUMMARY"
exit $status
