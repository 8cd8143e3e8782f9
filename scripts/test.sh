#!/usr/bin/env bash
# Sets everything up, builds, and runs every test; then the core tests once more under
# AddressSanitizer and UndefinedBehaviorSanitizer; then the core cross-built for Windows, its
# tests under Wine; then each fuzz target for its share of a minute. Ends with one line that
# counts the tests of the three runs.
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
# The core for Windows (MinGW-w64), its unit and behaviour tests under Wine, in a Wine prefix
# of the build folder's own. One wineserver serves the whole build and run (the build lists
# each test program's tests by running it): without it every program starts and stops a server
# of its own, and a program that starts while the last one's server shuts down fails at once.
# Wine's services start with the first program and outlive it; they start here, with none of
# ninja's or ctest's pipes open, so that no program's output stays open after it ends.
mkdir -p build-win/wine
wine_env=(env WINEPREFIX="$PWD/build-win/wine" WINEDEBUG=-all)
trap '"${wine_env[@]}" /usr/lib/wine/wineserver -k 2>/dev/null || true; rm -f "$log"' EXIT
"${wine_env[@]}" /usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1
"${wine_env[@]}" /usr/lib/wine/wine64 cmd /c exit </dev/null >/dev/null 2>&1
bash scripts/build.sh build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DHX_BUILD_QT=OFF
(cd build-win && ctest --output-on-failure -j"$(nproc)" --timeout 600) | tee -a "$log"
"${wine_env[@]}" /usr/lib/wine/wineserver -k || true
"${wine_env[@]}" /usr/lib/wine/wineserver -w
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
