#!/usr/bin/env bash
# Installs what is missing, builds, and makes the packages: build/package/Kestrova-VERSION.zip (a
# folder to unpack and run, with Register.cmd for the servers) and Kestrova-VERSION.msi (installs
# under Program Files\Kestrova, registers the servers, adds a Start menu shortcut).
set -euo pipefail
source "$(dirname "$0")/common.sh"

ksv_install_packages
ksv_build
# A build tree configured before the packaging tools were installed looks for them again.
if ! ls "$KSV_BUILD"/package/Kestrova-*.msi >/dev/null 2>&1; then
    cmake "$KSV_BUILD" >/dev/null
    ksv_build
fi
ls -1 "$KSV_BUILD"/package/Kestrova-*.zip "$KSV_BUILD"/package/Kestrova-*.msi
