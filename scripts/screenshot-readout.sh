#!/usr/bin/env bash
# A screenshot of the program with the cursor read-out shown at the newest sample of a graph, near
# its right edge, under Xvfb:
#   bash scripts/screenshot-readout.sh [SCALE]
# SCALE is a time-scale index (0 = 2 hours ... 11 = 1 year), 3 (1 day) unless given.
set -euo pipefail
source "$(dirname "$0")/common.sh"

scale=${1:-3}
ksv_install_packages
ksv_build
ksv_screenshot_setup() {
    ksv_start_server
    local key='HKCU\software\KV\Kestrova'
    for i in 1 2 3 4 5 6 7 8 9; do
        ksv_wine reg add "$key\\D$i" /v TimeScale /t REG_DWORD /d "$scale" /f >/dev/null 2>&1
        ksv_wine reg add "$key\\D$i" /v HScrollStickToEnd /t REG_DWORD /d 1 /f >/dev/null 2>&1
    done
}
ksv_screenshot_act() {
    ksv_wine "$KSV_BUILD/bin/winctl.exe" hover KV_GraphView KV_InfoWnd || echo "no read-out showed" >&2
    sleep 1
}
ksv_screenshot "readout-$scale" KV_DockFrame 1280x800 Kestrova.exe
