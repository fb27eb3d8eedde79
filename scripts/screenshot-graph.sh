#!/usr/bin/env bash
# A screenshot of the program with every graph at one time scale and unit, under Xvfb:
#   bash scripts/screenshot-graph.sh SCALE [f]
# SCALE is a time-scale index (0 = 2 hours ... 11 = 1 year); "f" shows Fahrenheit.
set -euo pipefail
source "$(dirname "$0")/common.sh"

scale=${1:?time-scale index}
unit=0
[ "${2:-}" = f ] && unit=1
ksv_install_packages
ksv_build
ksv_screenshot_setup() {
    ksv_start_server
    local key='HKCU\software\KV\Kestrova'
    ksv_wine reg add "$key\\Options" /v Unit /t REG_DWORD /d "$unit" /f >/dev/null 2>&1
    for i in 1 2 3 4 5 6 7 8 9; do
        ksv_wine reg add "$key\\D$i" /v TimeScale /t REG_DWORD /d "$scale" /f >/dev/null 2>&1
        ksv_wine reg add "$key\\D$i" /v HScrollStickToEnd /t REG_DWORD /d 1 /f >/dev/null 2>&1
    done
}
ksv_screenshot "graph-$scale-$unit" KV_DockFrame 1280x800 Kestrova.exe
