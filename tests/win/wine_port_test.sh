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
wineserver=/usr/lib/wine/wineserver
check="$build/tests/win_port_check.exe"
[ -x "$wine" ] && [ -f "$check" ] && [ -x "$sim" ] || {
    echo "needs $wine, $check and $sim" >&2
    exit 2
}

export WINEPREFIX="$build/wine-ports" WINEDEBUG=-all
# The Qt and MinGW runtime libraries, found where they are.
export WINEPATH="Z:${qt//\//\\}\\bin;Z:\\usr\\lib\\gcc\\x86_64-w64-mingw32\\12-posix;Z:\\usr\\x86_64-w64-mingw32\\lib"
work=$(mktemp -d)
pids=()
stop() {
    "$wineserver" -k 2>/dev/null || true
    "$wineserver" -w 2>/dev/null || true
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    for p in "${pids[@]}"; do wait "$p" 2>/dev/null || true; done
    rm -rf "$work"
}
trap stop EXIT

# Starts a simulator (not in a subshell, so that stop() knows it); its announced link, once
# it has printed it (its second line), goes into the variable named first.
start_sim() {
    local var=$1 out="$work/$1.out"
    shift
    XDG_RUNTIME_DIR="$work" "$sim" "$@" >"$out" 2>"$out.err" &
    pids+=($!)
    for _ in $(seq 100); do
        [ "$(wc -l <"$out")" -ge 2 ] && break
        sleep 0.05
    done
    printf -v "$var" '%s' "$(sed -n 2p "$out")"
}
start_sim plain --name plain
start_sim paced --name paced --pace
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
