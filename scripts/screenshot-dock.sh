#!/usr/bin/env bash
# Builds and runs the layout framework's host program under Xvfb, saves a screenshot, prints its
# path and exits.
set -euo pipefail
source "$(dirname "$0")/common.sh"

ksv_install_packages
ksv_build
ksv_screenshot dockhost KV_DockHost 1024x720 DockHost.exe "$@"
