#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer) and
# runs each against its seed corpus in fuzz/corpus/<target>/.
#
#   bash scripts/fuzz.sh                    the bounded run: a minute in all (the test command)
#   bash scripts/fuzz.sh long [SECONDS] [TARGET...]
#                                           the long run: each target for SECONDS (default
#                                           600), one after the other
#
# Targets: read_loop hex_record settings_load monitor_frame. New inputs found go to
# <build>/corpus/<target>/ (the committed seeds stay as they are); a crash is written to
# <build>/crashes/<target>/ and reproduced with: <build>/fuzz/fuzz_<target> <file>
# (HX_FUZZ_TRACE=1 shows what the window did with it). The build folder is build-fuzz, or
# $HX_FUZZ_BUILD.
set -euo pipefail
cd "$(dirname "$0")/.."

all_targets=(read_loop hex_record settings_load monitor_frame)
mode=bounded
seconds=15
targets=("${all_targets[@]}")
if [ "${1:-}" = long ]; then
    mode=long
    seconds=${2:-600}
    shift $(($# >= 2 ? 2 : 1))
    if [ $# -gt 0 ]; then
        targets=("$@")
    fi
elif [ $# -gt 0 ]; then
    echo "usage: bash scripts/fuzz.sh [long [SECONDS] [TARGET...]]" >&2
    exit 2
fi
case "$seconds" in
'' | *[!0-9]*)
    echo "fuzz.sh: SECONDS must be a whole number" >&2
    exit 2
    ;;
esac
for t in "${targets[@]}"; do
    case " ${all_targets[*]} " in
    *" $t "*) ;;
    *)
        echo "fuzz.sh: unknown target $t (targets: ${all_targets[*]})" >&2
        exit 2
        ;;
    esac
done

dir=${HX_FUZZ_BUILD:-build-fuzz}
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DHX_FUZZ=ON -DHX_BUILD_QT=OFF -DHX_BUILD_TESTS=OFF >/dev/null
cmake --build "$dir" --target fuzz_all -j"$(nproc)"

max_len() {
    case "$1" in
    hex_record) echo 512 ;;
    settings_load) echo 8192 ;;
    *) echo 16384 ;;
    esac
}

failed=()
for t in "${targets[@]}"; do
    mkdir -p "$dir/corpus/$t" "$dir/crashes/$t"
    echo "== fuzz_$t: $seconds s ($mode run)"
    if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
        "$dir/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len="$(max_len "$t")" -dict="fuzz/dict/$t.dict" -print_final_stats=1 \
        -artifact_prefix="$dir/crashes/$t/" "$dir/corpus/$t" "fuzz/corpus/$t" \
        >"$dir/fuzz_$t.log" 2>&1; then
        failed+=("$t")
        tail -n 40 "$dir/fuzz_$t.log" >&2
    fi
    grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$dir/fuzz_$t.log" || true
    grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)' "$dir/fuzz_$t.log" | tail -n 1 || true
done

if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzz.sh: crashes or broken rules in: ${failed[*]} (inputs in $dir/crashes/)" >&2
    exit 1
fi
echo "fuzz.sh: ${#targets[@]} targets ran without a crash"
