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
# A sanitizer build's leak suppressions must be readable by nobody too.
case ":${LSAN_OPTIONS:-}" in
*:suppressions=*)
    cp "$(printf %s ":$LSAN_OPTIONS" | sed 's/^.*:suppressions=\([^:]*\).*/\1/')" "$dir/lsan.supp"
    LSAN_OPTIONS=$(printf %s ":$LSAN_OPTIONS" | sed "s|:suppressions=[^:]*|:suppressions=$dir/lsan.supp|; s|^:||")
    export LSAN_OPTIONS
    ;;
esac
mkdir "$dir/home"
chown nobody "$dir/home"
runuser -u nobody -- env -u XDG_RUNTIME_DIR HOME="$dir/home" "$dir/$(basename "$program")" "$@"
