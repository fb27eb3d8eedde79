#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine.
set -euo pipefail
source "$(dirname "$0")/common.sh"

ksv_install_packages
ksv_generate_locale
ksv_build
ksv_prefix null
# A fresh Wine session, so that the first test program starts the prefix's services and desktop
# detached (see wine-run.sh) instead of a session left over from earlier runs without them.
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
# Test programs that talk to the logger server or export to a workbook find those servers
# registered (ctest also registers them itself before the tests that need them).
ksv_wine "$KSV_BUILD/bin/OstrelServer.exe" /RegServer </dev/null
ksv_register_sheet
trap 'wineserver -k 2>/dev/null || true' EXIT

cd "$KSV_BUILD"
ctest --output-on-failure -j"$(nproc)" "$@"
