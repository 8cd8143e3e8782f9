#!/usr/bin/env bash
# Sets everything up, starts a virtual box and opens the window with it in the port list.
set -euo pipefail
cd "$(dirname "$0")/.."

no_display() {
    [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != offscreen ]
}
if no_display; then
    echo "No display is available, so the window cannot be shown here." >&2
    echo "Run it on a virtual display instead (nothing is shown, but the window runs):" >&2
    echo "    xvfb-run -a bash scripts/run.sh" >&2
    command -v xvfb-run >/dev/null || echo "(xvfb-run comes with: apt-get install xvfb xauth)" >&2
    exit 1
fi

# Only what the two programs it runs need: the tests and benchmarks are left for the test
# command.
bash scripts/setup.sh window
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHX_BUILD_TESTS=OFF >/dev/null
cmake --build build -j"$(nproc)" --target hx5310-config hx5310-sim
if [ ! -x build/sim/pty/hx5310-sim ] || [ ! -x build/app/hx5310-config ]; then
    echo "The programs were not built." >&2
    exit 1
fi

# The virtual box prints its device and the link it announces to the window's port list.
announce=$(mktemp)
build/sim/pty/hx5310-sim >"$announce" &
sim=$!
trap 'kill $sim 2>/dev/null || true; rm -f "$announce"' EXIT
for _ in $(seq 50); do
    [ "$(wc -l <"$announce")" -ge 2 ] && break
    kill -0 $sim 2>/dev/null || break
    sleep 0.1
done
if [ "$(wc -l <"$announce")" -lt 2 ]; then
    echo "The virtual box did not start." >&2
    exit 1
fi
echo "Virtual box: choose $(sed -n 2p "$announce") in the ＣＯＭポート list."
build/app/hx5310-config
