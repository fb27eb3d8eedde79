#!/usr/bin/env bash
# The long reliability runs: the program against the logger server with 50 sensors, an event
# flood (KSV_FLOOD_MINUTES, default 2) and a soak with repaints and scrolling (KSV_SOAK_MINUTES,
# default 60 here). Prints the handle, memory and processor figures as it goes.
set -euo pipefail
source "$(dirname "$0")/common.sh"

ksv_install_packages
ksv_generate_locale
ksv_build
ksv_prefix null
ksv_wine "$KSV_BUILD/bin/OstrelServer.exe" /RegServer </dev/null
trap 'wineserver -k 2>/dev/null || true' EXIT
export KSV_SOAK_MINUTES=${KSV_SOAK_MINUTES:-60}
export KSV_FLOOD_MINUTES=${KSV_FLOOD_MINUTES:-2}
ksv_wine "$KSV_BUILD/bin/reliability_soak.exe" "$@"
