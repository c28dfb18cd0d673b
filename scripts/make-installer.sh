#!/bin/sh
# Makes the Windows installer from the program folder that package-windows.sh
# gathered:
#
#   make-installer.sh SOURCE_DIR BUILD_DIR
#
# The installed copy is that folder with the empty database as empty.mdb: its
# presence beside the executable makes the program keep each user's database
# and outputs in the user's own folders. Prints the installer's path last.
set -e

src=$(cd "$1" && pwd)
build=$(cd "$2" && pwd)
version=$(cat "$build/packaging/windows/version.txt")
portable=$build/ZTADRCNV-$version-win64
work=$build/installer
files=$work/files
out=$build/ZTADRCNV-$version-setup.exe

[ -f "$portable/ZTADRCNV.exe" ] || { echo "make-installer: run package-windows.sh first" >&2; exit 1; }
rm -rf "$work" "$out"
mkdir -p "$work"
cp -r "$portable" "$files"
mv "$files/ZTADRCNV.mdb" "$files/empty.mdb"
cp "$src/packaging/windows/ZTADRCNV.ico" "$work/"
# The uninstaller's list: every file installed, by its path under INSTDIR, the
# licences' folders after their files.
(cd "$files" && find . -type f | LC_ALL=C sort | sed 's|^\./||; s|/|\\|g; s|.*|    Delete "$INSTDIR\\&"|'
 cd "$files" && find . -mindepth 1 -type d | LC_ALL=C sort -r | sed 's|^\./||; s|/|\\|g; s|.*|    RMDir "$INSTDIR\\&"|') \
    > "$work/uninstall-files.nsh"
makensis -V2 -INPUTCHARSET UTF8 -DVERSION="$version" -DFILES="$files" -DOUTFILE="$out" \
    "$build/packaging/windows/installer.nsi" >&2
echo "$out"
