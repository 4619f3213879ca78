# Common settings of the build and test scripts; sourced, not run.
ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD=${GRINSEL_BUILD:-$ROOT/build}
WIN_BUILD=$BUILD/win32
HOST_BUILD=$BUILD/host
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
JOBS=$(nproc)
UNIT_DISPLAY=${GRINSEL_UNIT_DISPLAY:-71}

# configure and build the cross build
build_win32() {
    cmake -S "$ROOT" -B "$WIN_BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" \
          -DCMAKE_BUILD_TYPE=MinSizeRel -DE2E_DISPLAY_BASE="${GRINSEL_E2E_DISPLAY:-80}" >/dev/null
    cmake --build "$WIN_BUILD" -j "$JOBS" -- --no-print-directory
}

build_host() {
    CC=clang CXX=clang++ cmake -S "$ROOT" -B "$HOST_BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$HOST_BUILD" -j "$JOBS" -- --no-print-directory
}

# A Wine prefix of our own with a virtual desktop named "shell" (taskbar and
# notification area) and the word processor findable by its bare name.
PREFIX_VERSION=2
make_prefix() {
    local prefix=$1
    [ "$(cat "$prefix/.grinsel-ready" 2>/dev/null)" = "$PREFIX_VERSION" ] && return 0
    rm -rf "$prefix"
    WINEPREFIX=$prefix wineboot -i >/dev/null 2>&1
    WINEPREFIX=$prefix wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d shell /f >/dev/null 2>&1
    WINEPREFIX=$prefix wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v shell /d 800x600 /f >/dev/null 2>&1
    local wordpad="$prefix/drive_c/Program Files/Windows NT/Accessories/wordpad.exe"
    [ -f "$wordpad" ] && cp "$wordpad" "$prefix/drive_c/windows/"
    # Debian's Wine does not find the fonts of its fonts-wine package by
    # itself: without them dialogs lack MS Sans Serif and caption buttons
    # show letters
    cp -n /usr/share/wine/fonts/* "$prefix/drive_c/windows/Fonts/" 2>/dev/null
    WINEPREFIX=$prefix wineserver -w
    echo "$PREFIX_VERSION" > "$prefix/.grinsel-ready"
}

# an X server of our own on display :$1, stopped by stop_xvfb
start_xvfb() {
    local n=$1
    rm -f "/tmp/.X$n-lock" "/tmp/.X11-unix/X$n" 2>/dev/null || true
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 50); do
        xdpyinfo >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "Xvfb on :$n did not start" >&2
    return 1
}

stop_xvfb() {
    [ -n "${XVFB_PID:-}" ] && kill "$XVFB_PID" 2>/dev/null && wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=
}
