#!/bin/sh
# Builds Qt (Core, Gui, Widgets, the windows platform plugin, testlib) and
# SQLite for 64-bit Windows from Debian's own source packages, with Debian's
# MinGW, into a cache outside the build tree. The cache is keyed by what was
# built (Qt's and SQLite's package versions, the compiler's version and this
# script's flags), so every later run reuses it. Prints the prefix last.
#
#   build-qt-windows.sh [--check]   (--check: exit 1 rather than build)
#
#   ZT_WIN_CACHE  where the caches live (default ~/.cache/ztadrcnv)
#   ZT_WIN_JOBS   parallel jobs (default: all cores)
set -e

here=$(cd "$(dirname "$0")" && pwd)
cache_root=${ZT_WIN_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/ztadrcnv}
jobs=${ZT_WIN_JOBS:-$(nproc)}
triplet=x86_64-w64-mingw32

qt_version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
sqlite_version=$(dpkg-query -W -f='${Version}' libsqlite3-dev 2>/dev/null || apt-cache policy sqlite3 | awk '/Candidate/{print $2}')
gcc_version=$($triplet-g++-posix -dumpfullversion)

# The flags that mattered: -DINPUT_opengl=no (FEATURE_opengl=OFF leaves
# dynamic GL on and breaks qwindows.dll), no tablet events (Debian's tarball
# has no wintab), Qt's bundled third-party code instead of system libraries
# that MinGW does not have, and only the modules a Widgets program and its
# tests use.
QT_FLAGS="-DINPUT_opengl=no -DFEATURE_tabletevent=OFF \
-DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_doubleconversion=OFF \
-DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF -DFEATURE_system_png=OFF \
-DFEATURE_system_jpeg=OFF -DFEATURE_system_textmarkdownreader=OFF \
-DFEATURE_concurrent=OFF -DFEATURE_dbus=OFF -DFEATURE_network=OFF -DFEATURE_printsupport=OFF \
-DFEATURE_sql=OFF -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF -DFEATURE_zstd=OFF \
-DFEATURE_testlib=ON -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DBUILD_SHARED_LIBS=ON"

key=$(printf '%s\n' "$qt_version" "$sqlite_version" "$gcc_version" "$QT_FLAGS" \
      "$(cat "$here/mingw-toolchain.cmake")" | sha256sum | cut -c1-16)
prefix="$cache_root/win64-qt-$key"

if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi
# --check: only whether the cache is there; builds nothing.
if [ "${1:-}" = "--check" ]; then
    exit 1
fi

# A second run while the first still builds would delete its work; it
# waits for the first instead and then finds the cache complete.
mkdir -p "$cache_root"
exec 9>"$cache_root/win64-qt-$key.lock"
if ! flock -n 9; then
    echo "== another run is building Qt for Windows into $prefix; waiting for it" >&2
    flock 9
fi
if [ -f "$prefix/.complete" ]; then
    echo "$prefix"
    exit 0
fi

work="$cache_root/work-$key"
rm -rf "$work" "$prefix"
mkdir -p "$work" "$prefix"
cd "$work"

echo "== fetching Debian's sources of qt6-base and sqlite3" >&2
apt-get source --download-only qt6-base sqlite3 >&2
# dpkg-source applies Debian's patches (the security fixes among them) that a
# plain tar would leave out.
dpkg-source -x qt6-base_*.dsc qtbase >&2
dpkg-source -x sqlite3_*.dsc sqlite >&2

echo "== SQLite amalgamation" >&2
mkdir sqlite-build
(cd sqlite-build && ../sqlite/configure --disable-tcl >/dev/null && make sqlite3.c >/dev/null)
mkdir -p "$prefix/include" "$prefix/lib" "$prefix/bin"
cp sqlite-build/sqlite3.h sqlite-build/sqlite3ext.h "$prefix/include/"
$triplet-gcc-posix -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_ENABLE_FTS5 -DSQLITE_DQS=0 \
    -c sqlite-build/sqlite3.c -o sqlite-build/sqlite3.o
$triplet-gcc-posix -shared -o "$prefix/bin/sqlite3.dll" sqlite-build/sqlite3.o \
    -Wl,--out-implib,"$prefix/lib/libsqlite3.dll.a" -static-libgcc
cp sqlite/LICENSE.md "$prefix/SQLITE-LICENSE.md" 2>/dev/null || \
    printf 'SQLite is in the public domain.\n' > "$prefix/SQLITE-LICENSE.md"

echo "== Qt $qt_version for Windows (about 35 minutes on two idle cores)" >&2
cp "$here/mingw-toolchain.cmake" "$prefix/mingw-toolchain.cmake"
# shellcheck disable=SC2086
cmake -S qtbase -B qt-build -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-toolchain.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
    $QT_FLAGS >&2
nice -n 19 cmake --build qt-build --parallel "$jobs" >&2
cmake --install qt-build >&2
mkdir -p "$prefix/licenses"
cp qtbase/LICENSES/* "$prefix/licenses/" 2>/dev/null || true
find qtbase/src/3rdparty -maxdepth 2 \( -iname 'LICENSE*' -o -iname 'COPYING*' \) | while read -r f; do
    cp "$f" "$prefix/licenses/$(echo "$f" | cut -d/ -f4)-$(basename "$f")"
done
touch "$prefix/.complete"
cd "$cache_root" && rm -rf "$work"
echo "$prefix"
