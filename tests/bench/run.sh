#!/bin/bash
# The benchmark: prints figures and ratios; nothing here passes or fails.
#   tests/bench/run.sh          everything (about three minutes)
#   tests/bench/run.sh quick    without the minute of idle CPU time
#   tests/bench/run.sh jokes    the joke file figures only
# GRINSEL_BENCH_DISPLAY picks the X display of the start-up figures (79).
set -uo pipefail
source "$(dirname "$0")/../../scripts/env.sh"
bash "$ROOT/scripts/setup.sh" || exit 1
MODE=${1:-full}

echo "== machine"
echo "   $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'), $(nproc) cores, $(free -g | awk '/Mem:/{print $2}') GiB"
echo "   $(wine --version), $(i686-w64-mingw32-g++-posix --version | head -1)"

build_host >/dev/null || exit 1
build_win32 >/dev/null || exit 1

echo "== joke file, host build"
"$HOST_BUILD/jokebench"

BENCH_DIR=$(mktemp -d)
export WINEPREFIX=$BENCH_DIR/prefix
make_prefix "$WIN_BUILD/wineprefix"
cp -a "$WIN_BUILD/wineprefix" "$WINEPREFIX"
trap 'wineserver -k 2>/dev/null; stop_xvfb; rm -rf "$BENCH_DIR"' EXIT

# a console program: no X display needed
echo "== joke file, win32 build under Wine"
(unset DISPLAY; wineserver -p && cd "$BENCH_DIR" && wine "$WIN_BUILD/jokebench.exe")
[ "$MODE" = jokes ] && exit 0
# the rest gets a server that knows the display
wineserver -k
wineserver -w

start_xvfb "${GRINSEL_BENCH_DISPLAY:-79}" || exit 1
wineserver -p
wine reg delete 'HKCU\SOFTWARE\Morlando\Grinsel' /f >/dev/null 2>&1

echo "== grinsel.exe"
size=$(stat -c %s "$WIN_BUILD/grinsel.exe")
echo "   size $size bytes ($((size / 1024)) KiB, limit 96 KiB)"
echo "   imports: $(i686-w64-mingw32-objdump -p "$WIN_BUILD/grinsel.exe" | awk '/DLL Name/{printf "%s ", $3}')"

mkdir -p "$BENCH_DIR/run/Witze"
cp "$ROOT"/Witze/*.txt "$BENCH_DIR/run/Witze/"
cp "$WIN_BUILD/grinsel.exe" "$WIN_BUILD/minwin.exe" "$BENCH_DIR/run/"
echo "== start-up under Wine, process start to window on screen"
(cd "$BENCH_DIR/run" && wine "$WIN_BUILD/startbench.exe" grinsel.exe MainWindow minwin.exe MinWindow 15 | sed 's/^/   /')

if [ "$MODE" != quick ]; then
    echo "== CPU time between timer events (intervals 30 s, one minute)"
    (cd "$BENCH_DIR/run" && wine grinsel.exe) &
    pid=$!
    sleep 5
    cpu() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
    before=$(cpu)
    sleep 60
    after=$(cpu)
    ticks=$(getconf CLK_TCK)
    echo "   $((after - before)) clock ticks of CPU in 60 s ($ticks ticks a second), resident $(awk '/VmRSS/{print $2, $3}' /proc/$pid/status)"
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
fi
