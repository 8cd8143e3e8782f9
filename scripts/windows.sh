#!/usr/bin/env bash
# The Windows program, built and tested here: Qt for Windows from Debian's source (once per
# machine, into a cache: scripts/qt-windows.sh), the programs and their tests cross-built into
# build-win-qt/, the unit, behaviour and Qt widget tests under Wine, the setup program
# (hx5310-setup-<version>.exe, CPack's NSIS generator), and the programs against hx5310-sim
# through Wine's COM ports (tests/win/). Needs build/ (the Linux hx5310-sim). Run as root.
#
#   bash scripts/windows.sh [LOG]   # LOG gets ctest's summary line
set -euo pipefail
cd "$(dirname "$0")/.."
log=${1:-/dev/null}
bash scripts/setup.sh
for p in nsis xdotool x11-apps netpbm; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ -n "${missing[*]:-}" ]; then
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

qt=$(bash scripts/qt-windows.sh | tail -n1)
dir=build-win-qt
"$qt/bin/qt-cmake" -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
# One wineserver for the build (GoogleTest lists each test program's tests by running it) and
# the tests, started with Wine's services before them, as for the core's Windows build.
mkdir -p "$dir/wine"
wineserver=(env WINEPREFIX="$PWD/$dir/wine" /usr/lib/wine/wineserver)
trap '"${wineserver[@]}" -k 2>/dev/null || true' EXIT
"${wineserver[@]}" -p </dev/null >/dev/null 2>&1
"$dir/wine-run.sh" cmd /c exit </dev/null >/dev/null 2>&1
cmake --build "$dir" -j"$(nproc)"
(cd "$dir" && ctest --output-on-failure -j"$(nproc)" --timeout 600) | tee -a "$log"
(cd "$dir" && cpack -G NSIS >/dev/null)
"${wineserver[@]}" -k || true
"${wineserver[@]}" -w

# The programs against the virtual box, the window's picture, the setup program.
bash tests/win/wine_program_test.sh "$dir" build/sim/pty/hx5310-sim \
    "${HX_SCREENSHOT_DIR:+$HX_SCREENSHOT_DIR/screenshot-windows.png}" build/bench/hx5310ctl-bench | tee -a "$log"
