#!/bin/sh
# Makes a 64-bit Wine prefix in which Japanese text shows: Windows' Japanese
# font names resolve to IPAGothic, and the UI fonts fall back to it for the
# characters they lack. Windows 10 is what the prefix reports.
#
#   wine-prefix.sh PREFIX
set -e
export WINEPREFIX=$1 WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
# Wine needs a display to make a prefix; one of its own when there is none.
x=""
[ -n "$DISPLAY" ] || x="xvfb-run -a"
$x wine wineboot -i >/dev/null 2>&1
$x wine winecfg -v win10 >/dev/null 2>&1
reg=$WINEPREFIX/ztadrcnv-fonts.reg
font='"ipag.ttf,IPAGothic"'
{
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
    for name in "MS UI Gothic" "MS Gothic" "ＭＳ ゴシック" "MS PGothic" "Meiryo" "Meiryo UI" "Yu Gothic" "Yu Gothic UI"; do
        printf '"%s"="IPAGothic"\r\n' "$name"
    done
    printf '\r\n[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink]\r\n'
    for name in "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2" "Segoe UI" "Microsoft Sans Serif"; do
        printf '"%s"=hex(7):' "$name"
        printf 'ipag.ttf,IPAGothic\0\0' | iconv -f UTF-8 -t UTF-16LE | od -An -tx1 -v |
            tr -s ' \n' ',' | sed 's/^,//; s/,$//'
        printf '\r\n'
    done
} | iconv -f UTF-8 -t UTF-16LE > "$reg.body"
# regedit reads UTF-16 with its byte order mark.
printf '\377\376' | cat - "$reg.body" > "$reg" && rm -f "$reg.body"
$x wine regedit /S "$reg" >/dev/null 2>&1
# Wine finds IPAGothic among the system's fonts once they are on its path.
mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
for f in /usr/share/fonts/opentype/ipafont-gothic/ipag.ttf /usr/share/fonts/truetype/fonts-japanese-gothic.ttf; do
    [ -f "$f" ] && ln -sf "$f" "$WINEPREFIX/drive_c/windows/Fonts/$(basename "$f")" && break
done
# Wine links the user's Documents and the like to the Linux home; the tests
# and the installed copy write to Documents, which must stay in the prefix.
for link in "$WINEPREFIX"/drive_c/users/*/*; do
    if [ -L "$link" ]; then
        rm "$link" && mkdir "$link"
    fi
done
wineserver -w
touch "$WINEPREFIX/.ztadrcnv-ready"
