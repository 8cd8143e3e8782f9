#!/usr/bin/env bash
# Builds Qt 6 Core, Gui and Widgets for 64-bit Windows (x86_64-w64-mingw32) from Debian's own
# qt6-base source package, the same version as the host's Qt tools (moc, rcc, uic), which the
# cross-build runs. Once per machine: the result is kept in a cache outside the work tree and
# reused afterwards. Run as root on Debian 12; prints the Qt folder as its last line.
#
#   bash scripts/qt-windows.sh              # the folder, e.g. /var/cache/hx5310/qt6-6.4.2-mingw-w64-1a2b3c4d
#   "$(bash scripts/qt-windows.sh | tail -n1)"/bin/qt-cmake -S . -B build-win-qt ...
#
# HX_QT_CACHE sets the cache's root (default /var/cache/hx5310); HX_JOBS the build's jobs.
# The folder's name carries a digest of the version, the options and the toolchain, so a
# changed option builds a new folder; the stamp file is written only after a complete install.
set -euo pipefail

cache_root=${HX_QT_CACHE:-/var/cache/hx5310}
jobs=${HX_JOBS:-$(nproc)}
export DEBIAN_FRONTEND=noninteractive

log() { echo "qt-windows: $*" >&2; }

# --- what is needed to build ------------------------------------------------------------------
packages=(qt6-base-dev-tools g++-mingw-w64-x86-64-posix ninja-build cmake perl dpkg-dev xz-utils)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    log "installing ${missing[*]}"
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
fi

# The source must be the host tools' own version: the cross-build runs them.
host_version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
upstream=${host_version%%+*}
upstream=${upstream#*:}

# --- the options ------------------------------------------------------------------------------
# The program uses Core, Gui and Widgets and draws its pictures itself. Kept on: OpenGL desktop
# (the Windows platform plugin does not compile without it), the bundled zlib, libpng,
# harfbuzz, freetype and pcre2 (nothing of MinGW's is needed at run time). Tablet events are
# off: Debian's repacked source has no wintab, without which the platform plugin does not
# compile otherwise. Qt Test stays: the widget tests use it. Direct2D stays too: in 6.4.2 Qt Gui
# builds its DirectWrite font database only with it, and the Windows platform plugin needs that
# database whenever DirectWrite is there (it does not link otherwise).
options=(
    -DCMAKE_BUILD_TYPE=Release
    -DBUILD_SHARED_LIBS=ON
    -DQT_BUILD_EXAMPLES=OFF
    -DQT_BUILD_TESTS=OFF
    -DQT_BUILD_BENCHMARKS=OFF
    -DFEATURE_tabletevent=OFF
    -DINPUT_opengl=desktop
    -DFEATURE_network=OFF
    -DFEATURE_sql=OFF
    -DFEATURE_xml=OFF
    -DFEATURE_concurrent=OFF
    -DFEATURE_dbus=OFF
    -DFEATURE_printsupport=OFF
    -DFEATURE_vulkan=OFF
    -DFEATURE_jpeg=OFF
    -DFEATURE_gif=OFF
    -DFEATURE_system_zlib=OFF
    -DFEATURE_system_png=OFF
    -DFEATURE_system_harfbuzz=OFF
    -DFEATURE_system_freetype=OFF
    -DFEATURE_system_pcre2=OFF
)

# The toolchain file stays beside the installed Qt: its qt-cmake includes it.
toolchain_text='set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
list(APPEND CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
'

digest=$(printf '%s\n' "$host_version" "${options[@]}" "$toolchain_text" | sha1sum | cut -c1-8)
prefix="$cache_root/qt6-$upstream-mingw-w64-$digest"
stamp="$prefix/.hx5310-complete"

mkdir -p "$cache_root"
# One build at a time per cache; a second caller waits and then finds the stamp.
exec 9>"$cache_root/.lock"
flock 9

if [ -f "$stamp" ]; then
    log "reusing $prefix"
    echo "$prefix"
    exit 0
fi

# --- the source -------------------------------------------------------------------------------
# Debian 12's archive, as source: the same archive and suite as the binary packages.
if ! grep -rqs 'deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    log "adding a deb-src entry for Debian 12"
    cat >/etc/apt/sources.list.d/hx5310-deb-src.sources <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
    apt-get update -qq
fi

# What an interrupted or differently configured build left behind (this one holds the lock).
for d in "$cache_root"/work-* "$cache_root"/qt6-*; do
    [ -d "$d" ] && [ ! -f "$d/.hx5310-complete" ] && rm -rf "$d"
done
work="$cache_root/work-$digest"
mkdir -p "$work" "$prefix"
chown _apt "$work" 2>/dev/null || true
log "fetching the source of qt6-base $host_version"
(cd "$work" && apt-get source -qq "qt6-base=$host_version" >&2)
src=$(find "$work" -maxdepth 1 -mindepth 1 -type d -name 'qt6-base-*' | head -n1)
[ -n "$src" ] || { log "no source folder in $work"; exit 1; }

printf '%s' "$toolchain_text" >"$prefix/mingw-w64-x86_64-posix.cmake"

# --- configure, build, install ----------------------------------------------------------------
start=$(date +%s)
log "configuring into $prefix"
nice -n 19 cmake -G Ninja -S "$src" -B "$work/build" \
    -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-w64-x86_64-posix.cmake" \
    -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr \
    -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    "${options[@]}" >"$work/configure.log" 2>&1 || {
    tail -n 40 "$work/configure.log" >&2
    exit 1
}
log "building with $jobs jobs (log: $work/build.log)"
nice -n 19 cmake --build "$work/build" -j"$jobs" >"$work/build.log" 2>&1 || {
    tail -n 40 "$work/build.log" >&2
    exit 1
}
nice -n 19 cmake --install "$work/build" >"$work/install.log" 2>&1 || {
    tail -n 40 "$work/install.log" >&2
    exit 1
}

for f in bin/qt-cmake bin/Qt6Core.dll bin/Qt6Gui.dll bin/Qt6Widgets.dll \
    plugins/platforms/qwindows.dll plugins/platforms/qoffscreen.dll; do
    [ -e "$prefix/$f" ] || { log "the install lacks $f"; exit 1; }
done

end=$(date +%s)
{
    echo "qt6-base $host_version for x86_64-w64-mingw32"
    echo "built $(date -u +%FT%TZ) in $((end - start)) s"
    printf '%s\n' "${options[@]}"
} >"$stamp"
rm -rf "$work"
log "done in $((end - start)) s: $(du -sh "$prefix" | cut -f1) in $prefix"
echo "$prefix"
