#!/bin/sh
# An install into a temporary prefix: the layout, the two validators, a
# reinstall that puts back the installed empty database and keeps what a
# per-user install of the earlier layout left in the program folder (the
# user's database and outputs), and the uninstall that leaves those too.
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
expect_files "bin/ztadrcnv $libdir/ztadrcnv/ZTADRCNV $libdir/ztadrcnv/ZTADRCNV.hlp $libdir/ztadrcnv/empty.mdb \
share/applications/$id.desktop share/icons/hicolor/scalable/apps/$id.svg share/metainfo/$id.metainfo.xml " layout
[ "$(readlink -f "$prefix/bin/ztadrcnv")" = "$program/ZTADRCNV" ] || fail "bin/ztadrcnv does not lead to the program"
cmp -s "$program/empty.mdb" "$build/packaging/empty.mdb" || fail "empty.mdb is not the empty database"
[ "$(stat -c %a "$program/empty.mdb")" = 644 ] || fail "empty.mdb has mode $(stat -c %a "$program/empty.mdb")"
grep -qx "Exec=$prefix/bin/ztadrcnv" "$prefix/share/applications/$id.desktop" || fail "Exec does not name the command"
out=$(desktop-file-validate "$prefix/share/applications/$id.desktop" 2>&1) || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate: $out"
out=$(appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" 2>&1) || fail "appstreamcli: $out"

echo changed >"$program/empty.mdb"
echo import >"$program/ZTADRCNV.mdb"
echo output >"$program/ZTAdrF02.txt"
install
cmp -s "$program/empty.mdb" "$build/packaging/empty.mdb" || fail "a reinstall kept a changed empty.mdb"
[ "$(cat "$program/ZTADRCNV.mdb")" = import ] || fail "a reinstall replaced the database"
uninstall
expect_files "$libdir/ztadrcnv/ZTADRCNV.mdb $libdir/ztadrcnv/ZTAdrF02.txt " "uninstall after a reinstall"

rm -r "$program"
install
uninstall
expect_files "" "uninstall"
[ ! -e "$program" ] || fail "the program folder is left"
echo PASS
