#!/bin/sh
# The installed program started by an ordinary user who cannot write the
# install: the first start makes ~/.local/share/ztadrcnv with a copy of the
# empty database, the second keeps what the user's database holds, and the
# install is left untouched.
#   user_start.sh BUILD_DIR
set -eu
build=$1
dir=$(mktemp -d /tmp/zt-start.XXXXXX)
chmod 755 "$dir"
prefix=$dir/prefix
home=$dir/home
mkdir "$home"
program=$prefix/$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$build/CMakeCache.txt")/ztadrcnv
work=$home/.local/share/ztadrcnv
cmake --install "$build" --prefix "$prefix" --component Unspecified >/dev/null
if [ "$(id -u)" = 0 ]; then
    chown nobody "$home"
    as_user="setpriv --reuid=nobody --regid=nogroup --clear-groups"
else
    chmod -R a-w "$program"
    as_user=""
fi
pid=""
cleanup() {
    [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
    chmod -R u+w "$dir"
    rm -rf "$dir"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

# Starts the program and ends it once it holds the working database open.
start() {
    # shellcheck disable=SC2086
    env -u XDG_DATA_HOME -u XDG_RUNTIME_DIR HOME="$home" QT_QPA_PLATFORM=offscreen $as_user \
        "$prefix/bin/ztadrcnv" >"$dir/log" 2>&1 &
    pid=$!
    tries=0
    until ls -l "/proc/$pid/fd" 2>/dev/null | grep -q "$work/ZTADRCNV.mdb"; do
        kill -0 "$pid" 2>/dev/null || fail "the program ended: $(cat "$dir/log")"
        tries=$((tries + 1))
        [ $tries -lt 600 ] || fail "the program did not open $work/ZTADRCNV.mdb"
        sleep 0.1
    done
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    pid=""
}

before=$(ls -la "$program")
start
[ "$(ls -A "$work")" = ZTADRCNV.mdb ] || fail "the working folder holds: $(ls -A "$work")"
cmp -s "$work/ZTADRCNV.mdb" "$program/ZTADRCNV.mdb" || fail "the working database is not a copy of the installed one"
sqlite3 "$work/ZTADRCNV.mdb" "INSERT INTO アドレス情報 (名前) VALUES ('kept')"
start
[ "$(sqlite3 "$work/ZTADRCNV.mdb" "SELECT 名前 FROM アドレス情報")" = kept ] || fail "the second start lost the database"
[ "$(ls -la "$program")" = "$before" ] || fail "the install was changed"
echo PASS
