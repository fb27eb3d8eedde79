#!/usr/bin/env bash
# Installs what is missing, builds, and runs Kestrova on the current display.
# With no display it runs under Xvfb, saves a screenshot, prints its path and exits.
set -euo pipefail
source "$(dirname "$0")/common.sh"

ksv_install_packages
ksv_build
bin="$KSV_BUILD/bin"

if [ -n "${DISPLAY:-}" ]; then
    ksv_prefix x11
    ksv_start_server
    exec "$KSV_BUILD/wine-run.sh" "$bin/Kestrova.exe" "$@"
fi

ksv_prefix xvfb
shots="$KSV_BUILD/screenshots"
mkdir -p "$shots"
shot="$shots/kestrova-$(date +%Y%m%d-%H%M%S).png"
display=":$((90 + RANDOM % 100))"
Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
export DISPLAY=$display
cleanup() {
    wineserver -k 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT
sleep 1

ksv_start_server
ksv_wine "$bin/Kestrova.exe" "$@" &
program=$!
if ksv_wine "$bin/winctl.exe" wait KV_DockFrame 60; then
    sleep "${KSV_SETTLE:-2}"
    import -display "$display" -window root "$shot"
    ksv_wine "$bin/winctl.exe" close KV_DockFrame || true
else
    echo "Kestrova did not open its main window" >&2
    exit 1
fi
wait "$program" || true
echo "$shot"
