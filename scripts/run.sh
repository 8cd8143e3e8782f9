#!/usr/bin/env bash
# Sets everything up, starts a virtual box and opens the window with it in the port list.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh build
if [ ! -x build/sim/hx5310-sim ] || [ ! -x build/app/hx5310-config ]; then
    echo "The programs were not built." >&2
    exit 1
fi
build/sim/hx5310-sim &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
sleep 0.5
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display is available. To run the window without one, use a virtual display:" >&2
    echo "    xvfb-run -a bash scripts/run.sh" >&2
    exit 1
fi
build/app/hx5310-config
