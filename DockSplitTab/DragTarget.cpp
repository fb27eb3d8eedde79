#include "DragTarget.h"

#include <cstdlib>

#include "ClientView.h"

namespace DockSplitTab {

int KindFlagOfMode(int mode) {
    switch (mode) {
    case ModeCentral: return KindCentral;
    case ModeDocked: return KindDocked;
    default: return KindFloated;  // a mode of any other value may only float
    }
}

RECT PlaceOutlineAt(const RECT& outline, const RECT& anchor, POINT p, bool tabsOnTop) {
    const long long width = static_cast<long long>(outline.right) - outline.left;
    const long long height = static_cast<long long>(outline.bottom) - outline.top;
    const long long anchorWidth = static_cast<long long>(anchor.right) - anchor.left;
    long long left = p.x;
    if (anchorWidth > 0 && p.x >= anchor.left && p.x < anchor.right)
        left = p.x - (p.x - anchor.left) * width / anchorWidth;
    const long long top = tabsOnTop ? p.y : p.y - height;
    return RECT{static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(left + width),
                static_cast<LONG>(top + height)};
}

int NewSideAt(const RECT& frame, POINT p, const std::array<bool, SideCount>& hasPane) {
    RECT outer = frame, inner = frame;
    ::InflateRect(&outer, kNewSideBand, kNewSideBand);
    ::InflateRect(&inner, -kNewSideBand, -kNewSideBand);
    if (inner.right - inner.left < 25 || inner.bottom - inner.top < 25) return -1;
    if (!::PtInRect(&outer, p) || ::PtInRect(&inner, p)) return -1;
    const struct {
        int side;
        long long distance;
    } edges[] = {
        {SideTop, std::llabs(static_cast<long long>(p.y) - inner.top)},
        {SideBottom, std::llabs(static_cast<long long>(p.y) - inner.bottom)},
        {SideLeft, std::llabs(static_cast<long long>(p.x) - inner.left)},
        {SideRight, std::llabs(static_cast<long long>(p.x) - inner.right)},
    };
    for (const auto& edge : edges)
        if (!hasPane[edge.side] && edge.distance <= 2 * kNewSideBand) return edge.side;
    return -1;
}

int NewSideCornerFlags(const DockLayout& layout, int side, bool pInsideFrame) {
    int flags = 3;
    if (!pInsideFrame || !IsValidSide(side)) return flags;
    auto shown = [&](int s) { return layout.sides[s].visible; };
    // The bit that spans each corner differs per side (see DockSideRect).
    switch (side) {
    case SideTop:
        if (shown(SideLeft)) flags &= ~2;
        if (shown(SideRight)) flags &= ~1;
        break;
    case SideBottom:
        if (shown(SideLeft)) flags &= ~1;
        if (shown(SideRight)) flags &= ~2;
        break;
    case SideLeft:
        if (shown(SideTop)) flags &= ~1;
        if (shown(SideBottom)) flags &= ~2;
        break;
    case SideRight:
        if (shown(SideTop)) flags &= ~2;
        if (shown(SideBottom)) flags &= ~1;
        break;
    }
    return flags;
}

RECT NewSideRect(DockLayout layout, int side, int cornerFlags) {
    if (!IsValidSide(side)) return RECT{};
    layout.sides[side].cornerFlags = cornerFlags & 3;
    ShowSide(layout, side);
    return DockSideRect(layout, side);
}

DragDecision DecideDragTarget(const DragProbe& probe, const DockLayout& layout, POINT p) {
    DragDecision none;
    if (!probe.wholePlace) none.target = TargetFloating;
    const bool ownCaption = probe.wholePlace && probe.sourceKind == PlaceFloating && probe.captionHoldsP;
    if (ownCaption || probe.ctrl || OnlyFloats(probe.kindFlags)) return none;

    if (probe.overFloatFrame) return DragDecision{TargetFloatFrame, -1, -1};
    if (MayDock(probe.kindFlags)) {
        const bool sourceSide = probe.sourceKind == PlaceDocked && probe.sideUnderP == probe.sourceSide;
        if (IsValidSide(probe.sideUnderP) && !sourceSide) return DragDecision{TargetSide, probe.sideUnderP, -1};
        if (!probe.inSourceDockPane) {
            const int side = NewSideAt(probe.frame, p, probe.hasPane);
            if (side >= 0)
                return DragDecision{TargetNewSide, side,
                                    NewSideCornerFlags(layout, side, ::PtInRect(&probe.frame, p) != FALSE)};
        }
    }
    if (MayGoCentral(probe.kindFlags) && probe.centralTakesP) return DragDecision{TargetCentral, -1, -1};
    return none;
}

}  // namespace DockSplitTab
