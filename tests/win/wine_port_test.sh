#!/usr/bin/env bash
# The Windows serial adapter under Wine against hx5310-sim: a virtual box behind Wine's COM8
# (its line unpaced) and another behind COM9 (its line at 115200 baud), each read through
# win_port_check.exe. Stops Wine before the simulators: a wineserver whose terminal hangs up
# floods standard error.
#
#   bash tests/win/wine_port_test.sh BUILD_DIR SIM QT_DIR
#     BUILD_DIR  a Windows build with the adapter (configured with QT_DIR/bin/qt-cmake)
#     SIM        a Linux hx5310-sim
#     QT_DIR     the Qt for Windows (scripts/qt-windows.sh prints it)
set -euo pipefail
build=$(realpath "$1")
sim=$(realpath "$2")
qt=$(realpath "$3")
wine=/usr/lib/wine/wine64
# Beside the other programs in a build of the whole program, under tests/ in a core build.
check=$(ls "$build"/win_port_check.exe "$build"/tests/win_port_check.exe 2>/dev/null | head -n1 || true)
[ -x "$wine" ] && [ -f "$check" ] && [ -x "$sim" ] || {
    echo "needs $wine, $check and $sim" >&2
    exit 2
}

export WINEPREFIX="$build/wine-ports" WINEDEBUG=-all
# The Qt and MinGW runtime libraries, found where they are.
export WINEPATH="Z:${qt//\//\\}\\bin;Z:\\usr\\lib\\gcc\\x86_64-w64-mingw32\\12-posix;Z:\\usr\\x86_64-w64-mingw32\\lib"
work=$(mktemp -d)
source "$(dirname "$0")/wine-sim.sh"

start_sim plain "$sim" --name plain
start_sim paced "$sim" --name paced --pace
[ -n "$plain" ] && [ -n "$paced" ] || {
    echo "the simulators did not start" >&2
    exit 1
}

# Wine's own list of ports, read when a session starts.
"$wine" reg add 'HKLM\Software\Wine\Ports' /v COM8 /d "$plain" /f >/dev/null
"$wine" reg add 'HKLM\Software\Wine\Ports' /v COM9 /d "$paced" /f >/dev/null
"$wineserver" -w

status=0
echo "== COM8, unpaced line"
"$wine" "$check" COM8 || status=1
echo "== COM9, paced line (115200 baud)"
"$wine" "$check" COM9 --paced || status=1
exit $status
