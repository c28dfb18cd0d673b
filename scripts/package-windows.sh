#!/bin/sh
# Gathers the Windows program folder from a cross build and zips it:
#
#   package-windows.sh SOURCE_DIR BUILD_DIR QT_PREFIX
#
# BUILD_DIR/ZTADRCNV-<version>-win64/ holds the executable, its working
# database, help file, Qt's Japanese translations, every DLL the executable
# and Qt's plugins import that Windows does not have itself (Qt's shared, so
# that a user may replace them), and the licences. The zip of that folder is
# printed last.
set -e

src=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
prefix=$3
triplet=x86_64-w64-mingw32
# What Windows brings: Wine's copies of its DLLs, by name.
system_dlls=/usr/lib/x86_64-linux-gnu/wine/x86_64-windows

version=$(cat "$build/packaging/windows/version.txt")
name=ZTADRCNV-$version-win64
stage=$build/$name
rm -rf "$stage" "$build/$name.zip"
mkdir -p "$stage/platforms" "$stage/styles" "$stage/translations" "$stage/licenses"

$triplet-strip -o "$stage/ZTADRCNV.exe" "$build/bin/ZTADRCNV.exe"
cp "$build/packaging/windows/empty.mdb" "$stage/ZTADRCNV.mdb"
cp "$src/src/app/ZTADRCNV.hlp" "$stage/ZTADRCNV.hlp"
cp "$build/packaging/windows/qt.conf" "$stage/qt.conf"
$triplet-strip -o "$stage/platforms/qwindows.dll" "$prefix/plugins/platforms/qwindows.dll"
$triplet-strip -o "$stage/styles/qwindowsvistastyle.dll" "$prefix/plugins/styles/qwindowsvistastyle.dll"
# Qt's own texts in Japanese (はい/いいえ in the message boxes), from Debian.
cp /usr/share/qt6/translations/qtbase_ja.qm "$stage/translations/"

gcc_dir=$(dirname "$($triplet-gcc-posix -print-libgcc-file-name)")
search="$prefix/bin $gcc_dir /usr/$triplet/lib"
todo="$stage/ZTADRCNV.exe $stage/platforms/qwindows.dll $stage/styles/qwindowsvistastyle.dll"
while [ -n "$todo" ]; do
    next=""
    for file in $todo; do
        for dll in $($triplet-objdump -p "$file" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr -d '\r'); do
            [ -f "$stage/$dll" ] && continue
            found=""
            for dir in $search; do
                if [ -f "$dir/$dll" ]; then
                    $triplet-strip -o "$stage/$dll" "$dir/$dll"
                    next="$next $stage/$dll"
                    found=yes
                    break
                fi
            done
            # api-ms-win-* names are API sets, which Windows resolves itself.
            case "$dll" in api-ms-win-* | API-MS-WIN-* | ext-ms-*) found=system ;; esac
            if [ -z "$found" ] && ! ls "$system_dlls" | grep -qix "$dll"; then
                echo "package-windows: $file needs $dll, which is neither built nor part of Windows" >&2
                exit 1
            fi
        done
    done
    todo=$next
done

# The licences of everything shipped: Qt and the code it bundles, SQLite, and
# MinGW's runtime (winpthreads as a DLL, libgcc and libstdc++ built in).
cp -r "$prefix/licenses" "$stage/licenses/qt"
# Debian's record of every licence in the Qt source it was built from, the
# bundled PCRE2 (whose own file is spelt LICENCE) among them.
cp /usr/share/doc/libqt6core6/copyright "$stage/licenses/qt/debian-copyright.txt"
cp /usr/share/doc/libpcre2-16-0/copyright "$stage/licenses/qt/pcre2-LICENCE.txt"
cp "$prefix/SQLITE-LICENSE.md" "$stage/licenses/sqlite.txt"
cp /usr/share/doc/mingw-w64-common/copyright "$stage/licenses/mingw-w64-winpthreads.txt"
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$stage/licenses/gcc-runtime.txt"
qt_version=$(dpkg-query -W -f='${Version}' qt6-base-dev)
cat > "$stage/licenses/README.txt" <<TEXT
ZTADRCNV $version for 64-bit Windows

Qt $qt_version (Qt6Core.dll, Qt6Gui.dll, Qt6Widgets.dll and the plugins in
platforms\\ and styles\\) is used under the GNU Lesser General Public License
version 3 (qt\\LGPL-3.0-only.txt); you may replace these DLLs with your own
build of the same Qt version. They were built unchanged from Debian's source
package qt6-base $qt_version (https://sources.debian.org/src/qt6-base/),
with the third-party code that Qt bundles (licences in qt\\).
SQLite (sqlite3.dll) is in the public domain (sqlite.txt).
libwinpthread-1.dll comes from MinGW-w64 (mingw-w64-winpthreads.txt).
libstdc++-6.dll and libgcc_s_seh-1.dll, which Qt's DLLs use, are GCC's
runtime under the GCC Runtime Library Exception (gcc-runtime.txt); the
executable has it built in.
TEXT
sed -i 's/$/\r/' "$stage/licenses/README.txt"

# The same bytes from the same commit: every file dated by it, names in order.
stamp=$(git -C "$src" log -1 --format=%ct 2>/dev/null || date +%s)
find "$stage" -exec touch -d "@$stamp" {} +
(cd "$build" && find "$name" | LC_ALL=C sort | zip -q -X -9 "$name.zip" -@)
echo "$build/$name.zip"
