#!/usr/bin/env bash
# Drags views around the program's layout with the mouse under Xvfb, as a user would, and saves a
# screenshot at each step (the outlines while a button is held):
#   1. the sensor list's dock caption dragged over the graphs: it floats;
#   2. the floating sensor list's caption dragged to the main window's top edge: it docks there;
#   3. a graph's tab double-clicked: it floats; its "Dock" command puts it back among the graphs;
#   4. the sensor list's dock caption double-clicked: it floats; its floating caption double-clicked:
#      it docks back at the top.
# Prints the screenshots' paths.
set -euo pipefail
source "$(dirname "$0")/common.sh"

KSV_PACKAGES+=(xdotool)
ksv_install_packages
ksv_build

# Every run starts from the first-start layout: the sensor list docked at the left.
ksv_screenshot_setup() {
    ksv_start_server
    ksv_wine reg delete 'HKCU\software\KV\Kestrova\State' /f </dev/null >/dev/null 2>&1 || true
}

# The rectangles of the visible windows of a class, widest first, "left top right bottom" a line.
drag_rects() { ksv_wine "$bin/winctl.exe" rects "$1" </dev/null | tr -d '\r'; }
drag_shot() {
    local shot="$shots/drag-$1-$(date +%Y%m%d-%H%M%S).png"
    /usr/bin/import -display "$DISPLAY" -window root "$shot"
    echo "$shot"
}
# Waits until `winctl count CLASS` prints N (up to 20 s).
drag_wait_count() {
    local class=$1 want=$2 i
    for i in $(seq 200); do
        [ "$(ksv_wine "$bin/winctl.exe" count "$class" </dev/null | tr -d '\r')" = "$want" ] && return 0
        sleep 0.1
    done
    echo "expected $want windows of $class" >&2
    return 1
}
# Presses at (x1, y1), moves to (x2, y2) in steps, takes a picture with the button held, releases.
drag_with_mouse() {
    local x1=$1 y1=$2 x2=$3 y2=$4 label=$5 step
    xdotool mousemove "$x1" "$y1"
    sleep 0.3
    xdotool mousedown 1
    sleep 0.3
    for step in 1 2 3 4 5 6 7 8 9 10; do
        xdotool mousemove $((x1 + (x2 - x1) * step / 10)) $((y1 + (y2 - y1) * step / 10))
        sleep 0.1
    done
    sleep 0.5
    drag_shot "$label"
    xdotool mouseup 1
    sleep 0.5
}

ksv_screenshot_act() {
    local l t r b fl ft fr fb
    # 1. The sensor list's caption (top of its dock pane) over the middle of the graphs.
    read -r l t r b < <(drag_rects KV_DockClient | head -1)
    read -r fl ft fr fb < <(drag_rects KV_Frame | head -1)
    drag_with_mouse $((l + 40)) $((t + 6)) $(((fl + fr) / 2)) $(((ft + fb) / 2)) float-outline
    drag_wait_count KV_FloatFrame 1
    drag_shot floated

    # 2. Its floating frame's caption to just above the layout's top edge.
    read -r l t r b < <(drag_rects KV_FloatFrame | head -1)
    drag_with_mouse $((l + 40)) $((t + 10)) $(((fl + fr) / 2)) $((ft - 4)) top-outline
    drag_wait_count KV_FloatFrame 0
    drag_shot docked-top

    # 3. The first graph tab of the central area (the widest tab strip) double-clicked, then its
    # context menu's "Dock" (the second item).
    read -r l t r b < <(drag_rects SysTabControl32 | head -1)
    xdotool mousemove $((l + 30)) $(((t + b) / 2))
    sleep 0.3
    xdotool click --repeat 2 --delay 80 1
    drag_wait_count KV_FloatFrame 1
    drag_shot graph-floated
    read -r l t r b < <(drag_rects KV_FloatFrame | head -1)
    xdotool mousemove $(((l + r) / 2)) $(((t + b) / 2))
    sleep 0.3
    xdotool click 3
    sleep 0.8
    drag_shot graph-menu
    xdotool key Down Down Return
    drag_wait_count KV_FloatFrame 0

    # 4. Double-clicks on the sensor list's captions: docked -> floating -> docked.
    read -r l t r b < <(drag_rects KV_DockClient | head -1)
    xdotool mousemove $((l + 40)) $((t + 6))
    sleep 0.3
    xdotool click --repeat 2 --delay 80 1
    drag_wait_count KV_FloatFrame 1
    drag_shot list-floated-by-double-click
    read -r l t r b < <(drag_rects KV_FloatFrame | head -1)
    xdotool mousemove $((l + 40)) $((t + 10))
    sleep 0.3
    xdotool click --repeat 2 --delay 80 1
    drag_wait_count KV_FloatFrame 0
}
ksv_screenshot drag-done KV_DockFrame 1280x800 Kestrova.exe
