#!/usr/bin/env bash
# Builds and runs the layout framework's host program under Xvfb, saves a screenshot, prints its
# path and exits.
set -euo pipefail
source "$(dirname "$0")/common.sh"

ksv_install_packages
ksv_build
bin="$KSV_BUILD/bin"

ksv_prefix xvfb
shots="$KSV_BUILD/screenshots"
mkdir -p "$shots"
shot="$shots/dockhost-$(date +%Y%m%d-%H%M%S).png"
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1024x720x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
cleanup() {
    wineserver -k 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
sleep 1

ksv_wine "$bin/DockHost.exe" "$@" </dev/null >/dev/null 2>&1 &
program=$!
if ksv_wine "$bin/winctl.exe" wait KV_DockHost 60; then
    sleep "${KSV_SETTLE:-2}"
    /usr/bin/import -display "$display" -window root "$shot"
    ksv_wine "$bin/winctl.exe" close KV_DockHost || true
else
    echo "the host did not open its window" >&2
    exit 1
fi
wait "$program" || true
echo "$shot"
