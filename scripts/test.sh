#!/usr/bin/env bash
# Sets everything up, builds, and runs every test; then the core tests once more under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh build
(cd build && ctest --output-on-failure -j"$(nproc)" --timeout 600)
bash scripts/build.sh build-asan -DHX_SANITIZE=ON -DHX_BUILD_QT=OFF
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j"$(nproc)" --timeout 600)
# The fuzz targets, built with clang into build-fuzz, each for its share of a minute.
bash scripts/fuzz.sh
