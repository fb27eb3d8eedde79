#!/usr/bin/env bash
# A screenshot of the print preview of the active graph on an A4 PostScript file printer (the
# default printer of the screenshot prefix), under Xvfb:
#   bash scripts/screenshot-preview.sh [CLICKS] [print]
# CLICKS zooms in that many steps (whole page, 100 %, 200 %) by clicking the middle of the preview.
# With "print" the page is also printed from the preview (the print dialog answered with OK) and
# the PostScript the printer wrote is turned into a PNG beside the screenshot (needs Ghostscript).
set -euo pipefail
source "$(dirname "$0")/common.sh"

clicks=${1:-0}
print=${2:-}
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
    if [ "$print" = print ]; then
        ksv_wine "$bin/winctl.exe" post KV_DockFrame 0x0111 57607
        ksv_wine "$bin/winctl.exe" answer Print 1 || echo "no print dialog showed" >&2
    fi
    sleep 2
}
shot=$(ksv_screenshot "preview-$clicks" KV_DockFrame 1280x800 Kestrova.exe)
echo "$shot"
if [ "$print" = print ]; then
    ps="$KSV_BUILD/wine-xvfb/drive_c/users/Public/preview.ps"
    if [ -s "$ps" ]; then
        gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=png16m -r75 -o "${shot%.png}-printed.png" "$ps" &&
            echo "${shot%.png}-printed.png"
        rm -f "$ps"
    else
        echo "nothing was printed" >&2
    fi
fi
