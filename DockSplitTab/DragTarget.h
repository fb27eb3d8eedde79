// Where a dragged view, dock side or floating frame would land, on plain values: which places its
// views may go to, where the floating outline follows the cursor, which new dock side the frame's
// edge proposes, and the order in which the places are tried.
#pragma once
#include <windows.h>
#include <array>

#include "LayoutMath.h"

namespace DockSplitTab {

// What the views of a dragged place are: the OR over its views of one bit per view mode.
enum KindFlag { KindCentral = 1, KindDocked = 2, KindFloated = 4 };
int KindFlagOfMode(int mode);
// Central-area views alone may go to the central area, docked views alone to the dock sides;
// floated views, and a mixture of central and docked ones, only float.
inline bool MayGoCentral(int kindFlags) { return kindFlags == KindCentral; }
inline bool MayDock(int kindFlags) { return kindFlags == KindDocked; }
inline bool OnlyFloats(int kindFlags) {
    return kindFlags == KindFloated || (kindFlags & (KindCentral | KindDocked)) == (KindCentral | KindDocked);
}

// The floating outline `outline` moved so that `p` lies on its tab-strip edge (the top with
// `tabsOnTop`, else the bottom) at the same fraction of the width as `p` has across `anchor` (the
// dragged thing's current screen rectangle); when `p` is beside `anchor`, its left edge goes to `p`.
RECT PlaceOutlineAt(const RECT& outline, const RECT& anchor, POINT p, bool tabsOnTop);

// Within this distance of the frame's edge (inside or out) a drag proposes a new dock side.
constexpr int kNewSideBand = 12;

// The side without a dock pane whose edge of the frame's window rectangle `frame` (screen) lies
// under `p`: `p` must be in the band of 12 pixels on each side of the edge, the frame less the band
// at least 25 x 25 pixels, and the side's edge of that inner rectangle within 24 pixels of `p`;
// tried in the order top, bottom, left, right. -1 when none.
int NewSideAt(const RECT& frame, POINT p, const std::array<bool, SideCount>& hasPane);
// A new side spans both corners, except, when `p` is inside the frame, the corners where a
// perpendicular side is visible.
int NewSideCornerFlags(const DockLayout& layout, int side, bool pInsideFrame);
// The rectangle (frame's client coordinates) a new side would take with its stored size.
RECT NewSideRect(DockLayout layout, int side, int cornerFlags);

// What the windows under the cursor say, gathered by the frame for one point.
struct DragProbe {
    int kindFlags = 0;
    bool wholePlace = false;         // a dock side's or floating frame's caption, not one tab
    int sourceKind = PlaceCentral;   // 1 central area, 2 dock side, 3 floating frame
    int sourceSide = -1;
    bool captionHoldsP = false;      // the dragged floating frame's own caption is under the cursor
    bool ctrl = false;
    bool overFloatFrame = false;     // a floating frame other than the source takes the point
    int sideUnderP = -1;             // the first side whose split pane takes the point
    bool inSourceDockPane = false;
    bool centralTakesP = false;
    RECT frame{};                    // the frame's window, screen
    std::array<bool, SideCount> hasPane{};
};

enum DragTargetKind { TargetNone, TargetFloatFrame, TargetSide, TargetNewSide, TargetCentral, TargetFloating };

struct DragDecision {
    int target = TargetNone;
    int side = -1;           // TargetSide, TargetNewSide
    int newCornerFlags = -1; // TargetNewSide
};

// Floating frames first, then existing sides, a new side at the frame's edge, the central area;
// without any, a dragged tab floats and a dragged place has no target.
DragDecision DecideDragTarget(const DragProbe& probe, const DockLayout& layout, POINT p);

}  // namespace DockSplitTab
