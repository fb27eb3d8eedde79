#!/usr/bin/env bash
# Installs what is missing, builds, registers and starts the stand-in logger server, and runs
# Kestrova on the current display. With no display it runs under Xvfb, saves a screenshot, prints
# its path and exits.
set -euo pipefail
source "$(dirname "$0")/common.sh"

ksv_install_packages
ksv_build
# The user's own time zone and locale; only the tests pin theirs.
export KSV_USER_LOCALE=1

if [ -n "${DISPLAY:-}" ]; then
    ksv_prefix x11
    ksv_register_sheet
    ksv_start_server
    exec "$KSV_BUILD/wine-run.sh" "$KSV_BUILD/bin/Kestrova.exe" "$@"
fi
ksv_screenshot_setup() {
    ksv_register_sheet
    ksv_start_server
}
ksv_screenshot kestrova KV_DockFrame 1280x800 Kestrova.exe "$@"
