#!/usr/bin/env bash
# Checks that the core tests catch wrong values: applies each change of a list (by default
# scripts/mutations.txt) on its own to a scratch copy of the tree, rebuilds the core without Qt,
# runs the unit and behaviour tests, and reports every change that no test noticed. Run by hand:
#
#     bash scripts/mutate.sh [LIST]
#
# The tree itself is never changed. The scratch copy and its build stay in $HX_MUTATE_DIR
# (default: /tmp/hx5310-mutate), so a second run rebuilds only what changed. $HX_JOBS sets the
# build's parallel jobs (default 2). The exit status is 0 only when every change was caught.
set -uo pipefail
export LC_ALL=C
root=$(cd "$(dirname "$0")/.." && pwd)
list=$(realpath "${1:-$root/scripts/mutations.txt}")
work=${HX_MUTATE_DIR:-/tmp/hx5310-mutate}
src=$work/src
build=$work/build
log=$work/log
jobs=${HX_JOBS:-2}
mkdir -p "$src" "$build"

# The scratch copy: the tree's files, tracked or new; a file is copied only when it differs, so
# that the scratch build stays incremental.
(cd "$root" && git ls-files --cached --others --exclude-standard) | sort >"$work/files"
while IFS= read -r f; do
    [ -f "$root/$f" ] || continue
    if ! cmp -s "$root/$f" "$src/$f"; then
        mkdir -p "$(dirname "$src/$f")"
        cp "$root/$f" "$src/$f"
    fi
done <"$work/files"
(cd "$src" && find . -type f | sed 's|^\./||' | sort) | comm -13 "$work/files" - |
    while IFS= read -r f; do rm -f "$src/$f"; done

build_core() {
    nice cmake --build "$build" -j"$jobs" --target unit_tests behaviour_tests \
        </dev/null >"$log" 2>&1
}
run_tests() {
    local t
    for t in unit_tests behaviour_tests; do
        timeout 600 "$build/tests/$t" --gtest_brief=1 --gtest_fail_fast \
            </dev/null >>"$log" 2>&1 || return 1
    done
}

cmake -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHX_BUILD_QT=OFF </dev/null >"$log" 2>&1 ||
    { cat "$log"; echo "mutate: configuring the scratch build failed" >&2; exit 2; }
echo "building the core in $build ..."
build_core || { tail -40 "$log"; echo "mutate: the unchanged core does not build" >&2; exit 2; }
run_tests || { tail -40 "$log"; echo "mutate: the unchanged core fails its tests" >&2; exit 2; }

# Applies the pairs of one change to its file in the scratch copy; false if a text to replace
# does not occur exactly once.
apply() {
    local file=$1 content head tail i
    content=$(cat "$file"; printf x)
    content=${content%x}
    for ((i = 0; i < ${#olds[@]}; i++)); do
        local old=${olds[i]} new=${news[i]}
        [[ $content == *"$old"* ]] || return 1
        head=${content%%"$old"*}
        tail=${content#*"$old"}
        [[ $tail == *"$old"* ]] && return 1
        content=$head$new$tail
    done
    printf '%s' "$content" >"$file"
}

killed=0
survived=0
broken=0
survivors=()
file=""
what=""
olds=()
news=()

finish_change() {
    [ -n "$file" ] || return 0
    local target=$src/$file saved=$work/saved
    if [ ! -f "$target" ] || [ ${#olds[@]} -eq 0 ] || [ ${#olds[@]} -ne ${#news[@]} ]; then
        echo "NOT APPLIED  $file: $what (no such file or an unpaired line)"
        broken=$((broken + 1))
        return 0
    fi
    cp -p "$target" "$saved"
    trap 'cp -p "$saved" "$target"; exit 130' INT TERM
    if ! apply "$target"; then
        echo "NOT APPLIED  $file: $what (a text to replace is not there exactly once)"
        broken=$((broken + 1))
    elif ! build_core; then
        echo "NO BUILD     $file: $what"
        broken=$((broken + 1))
    elif run_tests; then
        echo "SURVIVED     $file: $what"
        survived=$((survived + 1))
        survivors+=("$file: $what")
    else
        echo "killed       $file: $what"
        killed=$((killed + 1))
    fi
    # Back to the tree's text, with a new time stamp so that the next build recompiles it.
    cp "$saved" "$target"
    touch "$target"
    trap - INT TERM
}

while IFS= read -r line || [ -n "$line" ]; do
    case $line in
    "@ "*)
        finish_change
        line=${line#@ }
        file=${line%%  *}
        what=${line#*  }
        olds=()
        news=()
        ;;
    "- "*) olds+=("${line#- }") ;;
    "+ "*) news+=("${line#+ }") ;;
    "+") news+=("") ;; # the text is removed
    *) ;;
    esac
done <"$list"
finish_change
build_core # leave the scratch build matching the tree

if [ ${#survivors[@]} -gt 0 ]; then
    echo
    echo "Not caught by any test:"
    printf '  %s\n' "${survivors[@]}"
fi
echo
if [ $broken -gt 0 ]; then
    echo "$broken changes could not be applied or built; fix them in $list"
fi
echo "$killed killed, $survived survived"
[ $survived -eq 0 ] && [ $broken -eq 0 ]
