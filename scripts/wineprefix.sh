#!/usr/bin/env bash
# Creates a private Wine prefix: wineprefix.sh DIR null|x11|xvfb.
# Never touches ~/.wine. A prefix made by an older version of this script is made anew.
set -euo pipefail
dir=$1
mode=$2
stamp="$(md5sum "$0" | cut -d' ' -f1)-$mode"
if [ -f "$dir/.ksv-prefix" ] && [ "$(cat "$dir/.ksv-prefix")" = "$stamp" ]; then
    exit 0
fi

echo "== making Wine prefix $dir ($mode)" >&2
export WINEPREFIX=$dir WINEARCH=win64 WINEDEBUG=-all
# No Mono or Gecko prompts: the program needs neither.
export WINEDLLOVERRIDES="mscoree,mshtml="
wineserver -k 2>/dev/null || true
rm -rf "$dir"
mkdir -p "$dir"
wine wineboot -i </dev/null >/dev/null 2>&1
wineserver -w

# Wine does not find Debian's fonts-wine files by itself.
fonts="$dir/drive_c/windows/Fonts"
mkdir -p "$fonts"
cp -f /usr/share/wine/fonts/*.ttf "$fonts/" 2>/dev/null || true

reg="$dir/ksv-settings.reg"
{
    echo 'REGEDIT4'
    echo
    echo '[HKEY_CURRENT_USER\Software\Wine]'
    echo '"Version"="win10"'
    echo
    echo '[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]'
    echo '"Arial"="Liberation Sans"'
    echo '"Times New Roman"="Liberation Serif"'
    echo '"Courier New"="Liberation Mono"'
    echo
    echo '[HKEY_CURRENT_USER\Software\Wine\Drivers]'
    if [ "$mode" = null ]; then
        echo '"Graphics"="null"'
    else
        echo '"Graphics"="x11"'
    fi
    if [ "$mode" = xvfb ]; then
        # Xvfb has no window manager: Wine then draws the captions and frames itself.
        echo
        echo '[HKEY_CURRENT_USER\Software\Wine\X11 Driver]'
        echo '"Managed"="N"'
    fi
} >"$reg"
wine regedit /S "$(winepath -w "$reg" 2>/dev/null)" </dev/null >/dev/null 2>&1
wineserver -w
echo "$stamp" >"$dir/.ksv-prefix"
