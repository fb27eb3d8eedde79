#!/usr/bin/env bash
# A screenshot of the print preview of the active graph on an A4 PostScript file printer (the
# default printer of the screenshot prefix), under Xvfb:
#   bash scripts/screenshot-preview.sh [CLICKS]
# CLICKS zooms in that many steps (whole page, 100 %, 200 %) by clicking the middle of the preview.
set -euo pipefail
source "$(dirname "$0")/common.sh"

clicks=${1:-0}
ksv_install_packages
ksv_build
ksv_screenshot_setup() {
    ksv_start_server
    ksv_wine "$KSV_BUILD/bin/winctl.exe" printer "Kestrova PS" 'C:\users\Public\preview.ps' </dev/null ||
        echo "no file printer could be installed" >&2
}
ksv_screenshot_act() {
    local bin="$KSV_BUILD/bin"
    # A click makes the graph the active view: the one the preview shows.
    ksv_wine "$bin/winctl.exe" click KV_GraphView || echo "no graph to click" >&2
    sleep 1
    ksv_wine "$bin/winctl.exe" post KV_DockFrame 0x0111 57609
    sleep 2
    local i
    for ((i = 0; i < clicks; i++)); do
        ksv_wine "$bin/winctl.exe" click KV_PrintPreview || echo "no preview showed" >&2
        sleep 1
    done
    sleep 2
}
ksv_screenshot "preview-$clicks" KV_DockFrame 1280x800 Kestrova.exe
