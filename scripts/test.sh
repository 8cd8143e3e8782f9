#!/usr/bin/env bash
# Sets everything up, builds, and runs every test; then the core tests once more under
# AddressSanitizer and UndefinedBehaviorSanitizer; then the whole program built for Windows, its
# tests under Wine and its setup program; then each fuzz target for its share of a minute. Ends
# with one line that counts the tests of all the runs.
set -euo pipefail
cd "$(dirname "$0")/.."
log=$(mktemp)
trap 'rm -f "$log"' EXIT

bash scripts/build.sh build -DHX_BUILD_TESTS=ON
# The format is kept: every C++ file as .clang-format has it.
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
# The includes keep to the layers.
bash scripts/check-includes.sh
(cd build && ctest --output-on-failure -j"$(nproc)" --timeout 600) | tee -a "$log"
bash scripts/build.sh build-asan -DHX_SANITIZE=ON -DHX_BUILD_QT=OFF
(cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --output-on-failure -j"$(nproc)" --timeout 600) | tee -a "$log"
# The whole program for Windows (scripts/windows.sh): Qt for Windows from Debian's source, built
# once per machine into a cache; the programs and their unit, behaviour and Qt tests under Wine;
# the setup program; the programs against hx5310-sim behind a Wine COM port.
bash scripts/windows.sh "$log"
# The fuzz targets, built with clang into build-fuzz, each for its share of a minute.
bash scripts/fuzz.sh

# ctest's summaries: "100% tests passed, 0 tests failed out of 173"
total=0
failed=0
while read -r t f; do
    total=$((total + t))
    failed=$((failed + f))
done < <(sed -n 's/.*tests passed, \([0-9]*\) tests failed out of \([0-9]*\).*/\2 \1/p' "$log")
echo "tests: $((total - failed)) passed, $failed failed"
