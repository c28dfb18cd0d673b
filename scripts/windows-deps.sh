#!/bin/sh
# Installs what the Windows build needs: Debian's MinGW cross compiler, the
# tools that build Qt and SQLite from Debian's source packages, Wine for the
# tests and NSIS for the installer. Looks first, so that a machine that has
# everything installs nothing.
set -e

PACKAGES="g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix mingw-w64-x86-64-dev \
binutils-mingw-w64-x86-64 cmake ninja-build perl tcl dpkg-dev qt6-base-dev qt6-base-dev-tools \
qt6-translations-l10n xz-utils zip nsis wine wine64 fonts-wine fonts-ipafont-gothic xvfb xauth"

SUDO=""
if [ "$(id -u)" != 0 ]; then
    SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done

# Qt and SQLite for Windows are built from Debian's own source packages, so
# apt must know where the sources are.
need_src=""
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    need_src=yes
fi

[ -z "$missing" ] && [ -z "$need_src" ] && exit 0

if [ -n "$need_src" ]; then
    echo "Adding Debian's source archive to apt's sources"
    $SUDO sh -c 'cat > /etc/apt/sources.list.d/ztadrcnv-src.sources' <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
fi

$SUDO apt-get update -q
if [ -n "$missing" ]; then
    echo "Installing:$missing"
    # shellcheck disable=SC2086
    $SUDO apt-get install -y -q --no-install-recommends $missing
fi
