#!/usr/bin/env bash
# Checks every include of the tree against the layers' rule: a file includes headers of its own
# folder and of the folders whose targets its target builds on, nothing else; only the Qt
# adapters and the programs include Qt. The build refuses most wrong includes by itself (each
# target exports only its own folder); this check also covers headers that no file of a wrong
# target happens to compile. Prints each wrong include and fails if there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

# Folder: the folders its files may include from, besides their own; "qt" where Qt is allowed.
declare -A uses=(
    [platform]=""
    [platform/memory]="platform"
    [platform/qtcore]="platform qt"
    [platform/qtserial]="platform qt"
    [platform/qt]="platform/qtcore platform qt"
    [platform/win]="platform link qt"
    [platform/pg]="platform/qtcore platform"
    [link]="platform"
    [settings]="link platform"
    [monitor]="platform"
    [app]="link/window settings monitor link platform"
    [link/window]="app settings monitor link platform"
    [settings/window]="app link/window settings monitor link platform"
    [monitor/window]="app link/window settings monitor link platform"
    [sim]="platform/memory monitor link platform"
    [sim/pty]="sim settings platform/memory monitor link platform"
)
app_closure="app link/window settings monitor link platform platform/memory"
# The programs and the benchmarks compose the layers; the fuzz targets use the window on the
# in-memory platform.
uses[app/main.cpp]="$app_closure platform/qtcore platform/qtserial platform/qt platform/win platform/pg qt"
uses[cli]="$app_closure platform/qtcore platform/qtserial platform/win platform/pg qt"
uses[bench]="$app_closure sim platform/qtcore platform/qtserial platform/qt platform/pg qt"
uses[fuzz]="$app_closure sim"

# Where each header lives (folder), by the name it is included by.
declare -A home=()
while read -r h; do
    home[$(basename "$h")]=$(dirname "$h")
done < <(git ls-files '*.h')

bad=0
while read -r f; do
    dir=$(dirname "$f")
    case "$f" in
    tests/*) continue ;; # tests may use every layer
    esac
    if [[ -v "uses[$f]" ]]; then
        allowed=${uses[$f]}
    elif [[ -v "uses[$dir]" ]]; then
        allowed=${uses[$dir]}
    else
        echo "$f: folder $dir has no rule in scripts/check-includes.sh"
        bad=1
        continue
    fi
    while IFS= read -r line; do
        inc=${line#*\"}
        inc=${inc%%\"*}
        [ "$inc" = Version.h ] && continue # generated, for every program
        where=${home[$inc]:-}
        if [ -z "$where" ]; then
            echo "$f: includes \"$inc\", which is no header of the tree"
            bad=1
        elif [ "$where" != "$dir" ] && [[ " $allowed " != *" $where "* ]]; then
            echo "$f: includes \"$inc\" from $where/, which $dir/ must not use"
            bad=1
        fi
    done < <(grep -E '^\s*#\s*include\s+"' "$f" || true)
    if [[ " $allowed " != *" qt "* ]] && grep -qE '^\s*#\s*include\s+<Q' "$f"; then
        echo "$f: includes Qt, which only the Qt adapters and the programs may"
        bad=1
    fi
done < <(git ls-files '*.cpp' '*.h')
exit $bad
