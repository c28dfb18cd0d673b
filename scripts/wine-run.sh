#!/bin/sh
# Runs a program of the Windows build under Wine, in a Wine prefix of the
# build's own, with the cached Qt's DLLs and plugins on its paths:
#
#   wine-run.sh BUILD_DIR QT_PREFIX PROGRAM [ARGUMENTS...]
#
# The cross build names this as the emulator of its tests, so ctest runs them
# through here. The prefix is made on first use (about half a minute) with the
# fonts that show Japanese.
set -e
build=$1
qt=$2
shift 2
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX="$build/wine" WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/.ztadrcnv-ready" ]; then
    sh "$here/wine-prefix.sh" "$WINEPREFIX"
fi
export WINEPATH="Z:$qt/bin;Z:$build/bin"
export QT_PLUGIN_PATH="Z:$qt/plugins"
exec wine "$@"
