#!/usr/bin/env bash
# The help as a user opens it, under Xvfb: F1 (contents), and Shift+F1 followed by a click on the
# sensor list, on a graph and on the main window's status bar. For each it saves a screenshot and
# prints its path with the topic the help viewer opened (from Wine's htmlhelp trace):
#   bash scripts/screenshot-help.sh
set -euo pipefail
source "$(dirname "$0")/common.sh"

ksv_install_packages
ksv_build
ksv_prefix xvfb
bin="$KSV_BUILD/bin"
shots="$KSV_BUILD/screenshots"
mkdir -p "$shots"
trace="$shots/help-trace.log"
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
(
    export DISPLAY=$display
    trap 'wineserver -k 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true' EXIT
    sleep 1
    ksv_register_sheet
    ksv_start_server
    WINEDEBUG=+htmlhelp ksv_wine "$bin/Kestrova.exe" </dev/null >"$trace" 2>&1 &
    ksv_wine "$bin/winctl.exe" wait KV_DockFrame 120 </dev/null || { echo "no main window" >&2; exit 1; }
    sleep 3
    # The main window opens at 0,0, 960 x 600, with the list docked at the left and a graph beside.
    ask() { # NAME KEY [X Y]
        local name=$1 key=$2 shot="$shots/help-$1-$(date +%Y%m%d-%H%M%S).png"
        : >"$trace"
        xdotool mousemove 400 13 click 1   # the main window's caption: it takes the keys
        sleep 0.5
        xdotool key "$key"
        sleep 1
        if [ $# -ge 4 ]; then xdotool mousemove "$3" "$4" click 1; fi
        ksv_wine "$bin/winctl.exe" wait "HH Parent" 20 </dev/null || echo "$name: no help window" >&2
        sleep 2
        import -display "$DISPLAY" -window root "$shot"
        echo "$name: $shot -> $(tr -d '\0' <"$trace" | grep -a -o 'MSITStore:[^"]*' | tail -1)"
        ksv_wine "$bin/winctl.exe" close "HH Parent" </dev/null || true
        sleep 1
    }
    ask contents F1
    ask list shift+F1 100 400
    ask graph shift+F1 600 420
    ask frame shift+F1 600 588
    ksv_wine "$bin/winctl.exe" close KV_DockFrame </dev/null || true
    ksv_wine "$bin/OstrelServer.exe" /Stop </dev/null || true
)
