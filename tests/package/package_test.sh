#!/usr/bin/env bash
# Builds the Debian package from a built tree, unpacks it into a scratch folder and runs the
# installed programs from there; the desktop entry must pass desktop-file-validate.
#   package_test.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() {
    echo "package test: $*" >&2
    exit 1
}

(cd "$build" && cpack -B "$scratch/out" >"$scratch/cpack.log" 2>&1) ||
    { cat "$scratch/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$scratch"/out/*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "no .deb was made"

# The package's own description of itself.
fields=$(dpkg-deb -f "$deb" Package Version Depends)
echo "$fields"
grep -q '^Package: hx5310$' <<<"$fields" || fail "package name"
for dep in libqt6widgets6 libqt6serialport6 qt6-qpa-plugins qt6-translations-l10n fonts-; do
    grep -q "$dep" <<<"$fields" || fail "no dependency on $dep"
done

root="$scratch/root"
dpkg-deb -x "$deb" "$root"
version=$(sed -n 's/^Version: //p' <<<"$fields")
for prog in hx5310ctl hx5310-sim hx5310-config; do
    [ -x "$root/usr/bin/$prog" ] || fail "$prog is not installed"
    out=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/$prog" --version)
    echo "$out"
    [ "$out" = "$prog $version" ] || fail "$prog --version says \"$out\", the package is $version"
    # Read whole: grep -q ends at the first match, and the program's later writes would then
    # end it by SIGPIPE.
    help=$(QT_QPA_PLATFORM=offscreen "$root/usr/bin/$prog" --help) ||
        fail "$prog --help ends with status $?"
    grep -qi usage <<<"$help" || fail "$prog --help shows no usage"
done

desktop="$root/usr/share/applications/hx5310-config.desktop"
[ -f "$desktop" ] || fail "no desktop entry"
desktop-file-validate "$desktop" || fail "desktop-file-validate refuses the desktop entry"
grep -q '^Exec=hx5310-config$' "$desktop" || fail "the desktop entry does not start the window"
icons="$root/usr/share/icons/hicolor"
[ -f "$icons/scalable/apps/hx5310-config.svg" ] || fail "no SVG icon"
for size in 16 32 48 256; do
    file=$icons/${size}x${size}/apps/hx5310-config.png
    [ -f "$file" ] || fail "no ${size}x${size} PNG icon"
    # A PNG whose header gives the size of its folder.
    head -c 24 "$file" | od -An -tx1 | tr -d ' \n' | grep -q "$(printf '%08x%08x' "$size" "$size")$" ||
        fail "$file is not a ${size}x${size} PNG"
done
for page in hx5310ctl hx5310-sim; do
    man=$root/usr/share/man/man1/$page.1.gz
    [ -f "$man" ] || fail "no manual page for $page"
    zcat "$man" | grep "^\.TH" >/dev/null || fail "$man is no manual page" # reads it all
done
# The schema of a line's database counter, for psql.
grep -q 'CREATE SEQUENCE IF NOT EXISTS hx5310_serial' "$root/usr/share/hx5310/hx5310-counter.sql" ||
    fail "no schema of the database counter"
echo "package test: $(basename "$deb") installs and runs"
