#!/usr/bin/env bash
# Installs what building, running and testing need on a Debian 12 machine (run as root).
#   setup.sh          everything: the programs, the tests, the Windows build, the fuzz targets
#   setup.sh window   only what the window and the virtual box need to build and run
set -euo pipefail
packages=(cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools qt6-serialport-dev
          libgl-dev fonts-noto-cjk fonts-ipafont-gothic qt6-translations-l10n)
if [ "${1:-}" != window ]; then
    packages+=(libgtest-dev libgmock-dev googletest xvfb xauth socat srecord strace
               clang-format clang libclang-rt-14-dev desktop-file-utils librsvg2-bin dpkg-dev
               g++-mingw-w64-x86-64-posix wine64 postgresql-15 libpq-dev)
fi
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
