#!/bin/sh
# The installed program started by an ordinary user and, when the test runs as
# root, by root: each start works in the starting user's own folders, never in
# the install, even where it could write there as root can. The first start
# makes ~/.local/share/ztadrcnv (0700) with a copy (0600) of the installed
# empty database and ~/Documents/ZTADRCNV (0700) for the outputs; the second
# keeps what the user's database holds. Root's own earlier database beside the
# executable (a system-wide install of the earlier layout) is root's alone.
# The command line answers without a display.
#   user_start.sh BUILD_DIR
set -eu
build=$1
dir=$(mktemp -d /tmp/zt-start.XXXXXX)
chmod 755 "$dir"
prefix=$dir/prefix
home=$dir/home
mkdir "$home" "$dir/root"
program=$prefix/$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$build/CMakeCache.txt")/ztadrcnv
cmake --install "$build" --prefix "$prefix" --component Unspecified >/dev/null
as_user=""
if [ "$(id -u)" = 0 ]; then
    chown nobody "$home"
    as_user="setpriv --reuid=nobody --regid=nogroup --clear-groups"
fi
pid=""
cleanup() {
    [ -z "$pid" ] || kill "$pid" 2>/dev/null || true
    rm -rf "$dir"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}
# run HOME USER ARG...: the installed command on the platform $platform; $via
# "exec" makes a background run's process the program's.
platform=offscreen
via=""
run() {
    h=$1 u=$2
    shift 2
    # shellcheck disable=SC2086
    $via env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u XDG_RUNTIME_DIR -u XDG_SESSION_TYPE -u DISPLAY -u WAYLAND_DISPLAY \
        HOME="$h" QT_QPA_PLATFORM="$platform" $u "$prefix/bin/ztadrcnv" "$@"
}
# expect STATUS ARG...: the command's exit status, its output in $dir/out and $dir/err.
expect() {
    want=$1
    shift
    status=0
    run "$home" "$as_user" "$@" >"$dir/out" 2>"$dir/err" || status=$?
    [ "$status" = "$want" ] || fail "ztadrcnv $*: status $status: $(cat "$dir/err")"
}
# start HOME USER: starts the program and ends it once it holds HOME's working database open.
start() {
    via=exec
    run "$1" "$2" >"$dir/log" 2>&1 &
    pid=$!
    via=""
    tries=0
    until ls -l "/proc/$pid/fd" 2>/dev/null | grep -q "$1/.local/share/ztadrcnv/ZTADRCNV.mdb"; do
        kill -0 "$pid" 2>/dev/null || fail "the program ended: $(cat "$dir/log")"
        tries=$((tries + 1))
        [ $tries -lt 600 ] || fail "the program did not open the working database in $1"
        sleep 0.1
    done
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    pid=""
}

work=$home/.local/share/ztadrcnv
expect 0 --version
[ "$(cat "$dir/out")" = "ztadrcnv 1.00.01" ] || fail "--version printed: $(cat "$dir/out")"
expect 0 --help
grep -qx "作業用データベース: $work/ZTADRCNV.mdb" "$dir/out" || fail "--help printed: $(cat "$dir/out")"
grep -qx "出力フォルダ: *$home/Documents/ZTADRCNV" "$dir/out" || fail "--help printed: $(cat "$dir/out")"
expect 2 --no-such-option
[ ! -s "$dir/out" ] && grep -q "^使い方: ztadrcnv" "$dir/err" || fail "a wrong option printed: $(cat "$dir/out")"
platform=""
expect 1
platform=offscreen
[ "$(cat "$dir/err")" = "ztadrcnv: 画面に接続できません（DISPLAY=(未設定)、WAYLAND_DISPLAY=(未設定)）。デスクトップの中で起動してください。" ] ||
    fail "without a display: $(cat "$dir/err")"
[ ! -e "$work" ] || fail "the command line made $work"

installed=$(ls -l "$program")
if [ -n "$as_user" ]; then
    cp "$program/empty.mdb" "$program/ZTADRCNV.mdb"
    sqlite3 "$program/ZTADRCNV.mdb" "INSERT INTO アドレス情報 (名前) VALUES ('root')"
fi
before=$(ls -l "$program")
empty=$(sha256sum <"$program/empty.mdb")
start "$home" "$as_user"
[ "$(ls -A "$work")" = ZTADRCNV.mdb ] || fail "the working folder holds: $(ls -A "$work")"
cmp -s "$work/ZTADRCNV.mdb" "$program/empty.mdb" || fail "the working database is not a copy of the installed one"
[ "$(stat -c %a "$work" "$work/ZTADRCNV.mdb" "$home/Documents/ZTADRCNV" | tr '\n' ' ')" = "700 600 700 " ] ||
    fail "modes of the working folder, its database and the output folder: $(stat -c %a "$work" "$work/ZTADRCNV.mdb" "$home/Documents/ZTADRCNV")"
sqlite3 "$work/ZTADRCNV.mdb" "INSERT INTO アドレス情報 (名前) VALUES ('kept')"
[ "$(ls -l "$program")" = "$before" ] || fail "the user's start changed the install"
if [ -n "$as_user" ]; then
    start "$dir/root" ""
    [ "$(sqlite3 "$dir/root/.local/share/ztadrcnv/ZTADRCNV.mdb" "SELECT 名前 FROM アドレス情報")" = root ] ||
        fail "root's earlier database did not move to root's own folder"
    [ "$(ls -l "$program")" = "$installed" ] || fail "root's start left the install as: $(ls -l "$program")"
fi
start "$home" "$as_user"
[ "$(sqlite3 "$work/ZTADRCNV.mdb" "SELECT 名前 FROM アドレス情報")" = kept ] || fail "the second start lost the database"
[ "$(sha256sum <"$program/empty.mdb")" = "$empty" ] || fail "the installed empty database was changed"
echo PASS
