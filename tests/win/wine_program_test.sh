#!/usr/bin/env bash
# The Windows programs under Wine against hx5310-sim behind Wine's COM8: hx5310ctl.exe reads,
# sends with verification, gives a box its serial number from the counter in Wine's registry
# and runs the monitor; the window reads the box when Enter is pressed and shows its version
# and serial number in the title; the setup program installs silently and its hx5310ctl.exe
# prints its version. Stops Wine before the simulator: a wineserver whose terminal hangs up
# floods standard error.
#
#   bash tests/win/wine_program_test.sh BUILD_DIR SIM [SCREENSHOT [BENCH]]
#     BUILD_DIR   the Windows build (its wine-run.sh runs a program in its Wine prefix)
#     SIM         a Linux hx5310-sim
#     SCREENSHOT  where the window's picture goes (PNG), when given
#     BENCH       a Linux hx5310ctl-bench: the reads' figures against the line-rate limit
set -euo pipefail
build=$(realpath "$1")
sim=$(realpath "$2")
shot=${3:-}
bench=${4:-}
run="$build/wine-run.sh"
ctl="$build/hx5310ctl.exe"
config="$build/hx5310-config.exe"
[ -x "$run" ] && [ -f "$ctl" ] && [ -f "$config" ] && [ -x "$sim" ] || {
    echo "needs $run, $ctl, $config and $sim" >&2
    exit 2
}
version=$(sed -n 's/^project(hx5310 VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
setup="$build/hx5310-setup-$version.exe"

# A Wine prefix of the test's own: its registry starts without a counter.
work=$(mktemp -d)
export HX_WINEPREFIX="$work/prefix" WINEPREFIX="$work/prefix" WINEDEBUG=-all
source "$(dirname "$0")/wine-sim.sh"

failures=0
checks=0
check() { # check NAME CONDITION...: counts and prints one result
    local name=$1
    shift
    checks=$((checks + 1))
    if "$@"; then
        echo "[  PASSED  ] $name"
    else
        echo "[  FAILED  ] $name"
        failures=$((failures + 1))
    fi
}

# A box without a serial number, its line at 115200 baud.
start_sim box "$sim" --name wine --pace
[ -n "$box" ] || {
    echo "the simulator did not start" >&2
    exit 1
}
# One wineserver for the whole test, started with nothing of ours open; Wine's own list of
# ports is read when a session starts.
mkdir -p "$WINEPREFIX"
"$wineserver" -p </dev/null >/dev/null 2>&1
"$run" reg add 'HKLM\Software\Wine\Ports' /v COM8 /d "$box" /f </dev/null >/dev/null 2>&1
"$wineserver" -k
"$wineserver" -w
"$wineserver" -p </dev/null >/dev/null 2>&1
"$run" cmd /c exit </dev/null >/dev/null 2>&1

ctl() { "$run" "$ctl" "$@" </dev/null; }
registry_serial() {
    "$run" reg query 'HKCU\Software\QORVA\HX-5310-Config\Settings' /v 'Serial Number' \
        2>/dev/null | tr -d '\r' | awk '$1 == "Serial" { print $3 " " $4 }'
}

ctl ports 2>/dev/null | tr -d '\r' >"$work/ports.txt" || true
check "hx5310ctl.exe lists COM8" grep -qx COM8 "$work/ports.txt"
ctl --port COM8 show >"$work/show.txt" 2>"$work/show.err" && read_ok=1 || read_ok=0
check "hx5310ctl.exe reads the box" test "$read_ok" = 1
check "the read gives every setting" grep -q '^audio-delay-a=' "$work/show.txt"
# The read's pace through Wine's COM port, as a ratio to the line-rate limit (a figure, not a
# check: the benchmark prints it).
if [ -n "$bench" ]; then
    for round in 1 2 3; do
        ctl --port COM8 --trace "$work/read$round.trace" read "$work/read$round.txt" 2>/dev/null &&
            "$bench" --analyze "$work/read$round.trace" | sed 's/^/under Wine: /' || true
    done
fi
ctl --port COM8 set audio-delay-a=600 >/dev/null 2>"$work/set.err" && set_ok=1 || set_ok=0
check "hx5310ctl.exe sends, verifies and stores" test "$set_ok" = 1
ctl --port COM8 show 2>/dev/null | tr -d '\r' >"$work/show2.txt" || true
check "the box holds what was sent" grep -qx 'audio-delay-a=600' "$work/show2.txt"

ctl --port COM8 factory-reset --serial 25000010 >"$work/reset.out" 2>"$work/reset.err" &&
    reset_ok=1 || reset_ok=0
check "a factory reset gives the box its number" test "$reset_ok" = 1
check "the reset prints the number" grep -q 'serial=25000010' "$work/reset.out"
check "the counter in the registry moved on, as a REG_DWORD" \
    test "$(registry_serial)" = "REG_DWORD 0x25000011"
ctl --port COM8 monitor --seconds 2 >"$work/monitor.out" 2>"$work/monitor.err" &&
    monitor_ok=1 || monitor_ok=0
check "the monitor runs and ends" test "$monitor_ok" = 1
check "the monitor prints frames" test "$(wc -l <"$work/monitor.out")" -ge 2

# The window: Enter reads the box (the port last used is COM8, as stored); the title then shows the
# box's firmware version and serial number. Without a window manager X knows no Wine window's title:
# win_windows.exe reads the titles and presses the key through Windows' own calls.
windows="$build/win_windows.exe"
if command -v xvfb-run >/dev/null && [ -f "$windows" ]; then
    "$run" reg add 'HKCU\Software\QORVA\HX-5310-Config\Settings' /v 'Serial Port' /d COM8 /f \
        </dev/null >/dev/null 2>&1
    # Wine's desktop takes its display when its server starts: a server of its own in Xvfb.
    "$wineserver" -k 2>/dev/null || true
    "$wineserver" -w
    xvfb-run -a -s '-screen 0 1024x768x24' bash -c '
        set -u
        run=$1 config=$2 windows=$3 work=$4 shot=$5
        titles() { "$run" "$windows" list </dev/null 2>/dev/null | tr -d "\r"; }
        "$6" -p </dev/null >/dev/null 2>&1
        "$run" cmd /c exit </dev/null >/dev/null 2>&1
        "$run" "$config" </dev/null >/dev/null 2>&1 &
        for _ in $(seq 150); do
            titles | grep -q "^HX-5310" && break
            sleep 0.2
        done
        sleep 1
        "$run" "$windows" key HX-5310 return </dev/null >/dev/null 2>&1
        for _ in $(seq 150); do
            titles | grep "^HX-5310" >"$work/title.txt"
            grep -q 25000010 "$work/title.txt" && break
            sleep 0.2
        done
        sleep 0.5
        if [ -n "$shot" ]; then
            xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >"$shot"
        fi
        "$6" -k
    ' _ "$run" "$config" "$windows" "$work" "$shot" "$wineserver" || true
    "$wineserver" -w
    "$wineserver" -p </dev/null >/dev/null 2>&1
    title=$(head -n1 "$work/title.txt" 2>/dev/null || true)
    echo "window title: $title"
    check "Enter reads the box; the title shows the box's version and serial number" \
        bash -c "echo '$title' | grep -Eqx 'HX-5310 Configuration, Ver[0-9]+\\.[0-9]{2}, Serial No\\.25000010'"
fi

# The setup program, silently into a folder of its own; the installed hx5310ctl.exe runs.
if [ -f "$setup" ]; then
    "$run" "$setup" /S '/D=C:\hx5310' </dev/null >/dev/null 2>&1 || true
    installed="$WINEPREFIX/drive_c/hx5310/hx5310ctl.exe"
    check "the setup program installs hx5310ctl.exe" test -f "$installed"
    out=$("$run" 'C:\hx5310\hx5310ctl.exe' --version </dev/null 2>/dev/null | tr -d '\r' || true)
    check "the installed hx5310ctl.exe prints its version" test "$out" = "hx5310ctl $version"
    check "the setup program installs Qt's Japanese texts and an uninstaller" \
        test -f "$WINEPREFIX/drive_c/hx5310/translations/qtbase_ja.qm" -a \
        -f "$WINEPREFIX/drive_c/hx5310/Uninstall.exe"
    check "the Start menu has the entry" test -d \
        "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/HX-5310 設定ツール"
else
    check "the setup program was built" false
fi

# The summary as ctest words it, so that the test command counts these too.
echo "$(((checks - failures) * 100 / checks))% tests passed, $failures tests failed out of $checks"
[ "$failures" = 0 ]
