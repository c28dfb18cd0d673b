#!/bin/sh
# An install into a temporary prefix: the layout, the two validators, a
# reinstall that keeps the program folder's database, and the uninstall that
# leaves the user's database and outputs.
#   install_layout.sh BUILD_DIR SOURCE_DIR
set -eu
build=$1
source=$2
prefix=$(mktemp -d /tmp/zt-prefix.XXXXXX)
trap 'rm -rf "$prefix"' EXIT
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$build/CMakeCache.txt")
program=$prefix/$libdir/ztadrcnv
id=jp.ztadrcnv.ZTADRCNV

fail() {
    echo "FAIL: $*"
    exit 1
}
# A component install writes a manifest of its own, not the one `make uninstall` reads.
install() { cmake --install "$build" --prefix "$prefix" --component Unspecified >/dev/null; }
uninstall() {
    cmake -DMANIFEST="$build/install_manifest_Unspecified.txt" -DPREFIX="$prefix" \
        -DEMPTY_DB="$build/packaging/empty.mdb" -P "$source/packaging/uninstall.cmake" >/dev/null
}
files() { (cd "$prefix" && find . ! -type d | sed 's|^\./||' | sort | tr '\n' ' '); }
expect_files() {
    [ "$(files)" = "$1" ] || fail "$2: found $(files)"
}

install
expect_files "bin/ztadrcnv $libdir/ztadrcnv/ZTADRCNV $libdir/ztadrcnv/ZTADRCNV.hlp $libdir/ztadrcnv/ZTADRCNV.mdb \
share/applications/$id.desktop share/icons/hicolor/scalable/apps/$id.svg share/metainfo/$id.metainfo.xml " layout
[ "$(readlink -f "$prefix/bin/ztadrcnv")" = "$program/ZTADRCNV" ] || fail "bin/ztadrcnv does not lead to the program"
cmp -s "$program/ZTADRCNV.mdb" "$build/packaging/empty.mdb" || fail "the database is not the empty one"
grep -qx "Exec=$prefix/bin/ztadrcnv" "$prefix/share/applications/$id.desktop" || fail "Exec does not name the command"
out=$(desktop-file-validate "$prefix/share/applications/$id.desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate: $out"
out=$(appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" 2>&1) || fail "appstreamcli: $out"

# A per-user install is its own working folder: its last import and outputs
# survive a reinstall and the uninstall.
echo import >"$program/ZTADRCNV.mdb"
echo output >"$program/ZTAdrF02.txt"
install
[ "$(cat "$program/ZTADRCNV.mdb")" = import ] || fail "a reinstall replaced the database"
uninstall
expect_files "$libdir/ztadrcnv/ZTADRCNV.mdb $libdir/ztadrcnv/ZTAdrF02.txt " "uninstall after a reinstall"

rm -r "$program"
install
echo import >"$program/ZTADRCNV.mdb"
uninstall
expect_files "$libdir/ztadrcnv/ZTADRCNV.mdb " "uninstall after an import"

rm -r "$program"
install
uninstall
expect_files "" "uninstall"
[ ! -e "$program" ] || fail "the program folder is left"
echo PASS
