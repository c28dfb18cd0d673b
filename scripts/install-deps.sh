#!/bin/sh
# Installs the Debian packages that building, running and testing need.
# Looks first, so that a machine that has everything installs nothing.
set -e

# libqt6svg6 draws the windows' icon; desktop-file-utils and appstream check
# the installed menu entry and AppStream record in the tests.
PACKAGES="g++ make cmake ninja-build pkg-config qt6-base-dev qt6-translations-l10n \
libsqlite3-dev sqlite3 fonts-ipafont-gothic libqt6svg6 desktop-file-utils appstream"

# Extra tools for `make fuzz` and `make asan`, and for `make deb`; only
# installed when asked for.
if [ "${1:-}" = "--dev" ]; then
    PACKAGES="$PACKAGES clang libclang-rt-14-dev"
elif [ "${1:-}" = "--deb" ]; then
    PACKAGES="$PACKAGES dpkg-dev file"
fi

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

[ -z "$missing" ] && exit 0

echo "Installing:$missing"
SUDO=""
if [ "$(id -u)" != 0 ]; then
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
# shellcheck disable=SC2086
$SUDO apt-get install -y -q --no-install-recommends $missing
