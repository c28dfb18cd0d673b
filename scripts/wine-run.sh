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
# Qt's DLLs, and the compiler's runtime DLLs that they use.
gcc_dir=$(dirname "$(x86_64-w64-mingw32-gcc-posix -print-libgcc-file-name)")
export WINEPATH="Z:$qt/bin;Z:$gcc_dir;Z:/usr/x86_64-w64-mingw32/lib;Z:$build/bin"
# Wine keeps the Linux side's Qt variables (QT_*) from its programs, the
# offscreen platform that ctest asks for among them: the tests run on Qt's
# windows platform, on Wine's display (make test-windows gives it one with
# xvfb-run), with Wine's fonts, as a user sees them. Qt finds its plugins
# beside its DLLs.
exec wine "$@"
