#!/bin/sh
# Runs a test program as an ordinary user, so that read-only files and folders
# mean what they say: root ignores file permissions. As root the program is
# copied where nobody can reach it (the checkout may be private) and run as
# nobody with a home folder of its own.
set -e
program=$1
shift
if [ "$(id -u)" != 0 ]; then
    exec "$program" "$@"
fi
dir=$(mktemp -d /tmp/zt-user.XXXXXX)
trap 'rm -rf "$dir"' EXIT
chmod 755 "$dir"
cp "$program" "$dir/"
mkdir "$dir/home"
chown nobody "$dir/home"
runuser -u nobody -- env -u XDG_RUNTIME_DIR HOME="$dir/home" "$dir/$(basename "$program")" "$@"
