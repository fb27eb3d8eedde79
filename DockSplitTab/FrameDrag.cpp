// Dragging a tab, a dock side's caption or a floating frame's caption across the places of the
// layout: the windows under the cursor are asked, DecideDragTarget chooses, and the drop becomes a
// move request.
#include "Frame.h"

namespace DockSplitTab {

namespace {
constexpr int kPlaceBorderX = 4, kPlaceBorderY = 12;  // a place's rectangle to its frame's

bool IsUnset(const RECT& rc) { return rc.left == -1 && rc.top == -1 && rc.right == -1 && rc.bottom == -1; }

RECT Moved(RECT rc, int dx, int dy) {
    ::OffsetRect(&rc, dx, dy);
    return rc;
}

int MoveKindOf(int target) {
    switch (target) {
    case TargetCentral: return PlaceCentral;
    case TargetSide:
    case TargetNewSide: return PlaceDocked;
    case TargetFloatFrame:
    case TargetFloating: return PlaceFloating;
    default: return PlaceBack;
    }
}
}  // namespace

Frame::Place Frame::PlaceContaining(HWND window) const {
    for (HWND h = window; h; h = ::GetAncestor(h, GA_PARENT)) {
        if (h == m_hWnd) break;
        if (Place place = PlaceOfWindow(h); place.kind) return place;
    }
    return Place{PlaceCentral, -1, nullptr, const_cast<SplitPane*>(&m_central), m_central};
}

RECT Frame::StartOutline(const Place& source, HWND view, POINT p) const {
    if (view) {
        const RECT now = ScreenRect(view);
        const ClientView* held = FindView(view);
        const RECT base = held && held->HasFloatRect() && source.kind != PlaceFloating ? held->m_floatRect : now;
        return PlaceOutlineAt(base, now, p, /*tabsOnTop=*/source.kind == PlaceCentral);
    }
    const RECT now = ScreenRect(source.window);
    if (source.kind == PlaceDocked && !IsUnset(m_sideFloatRects[source.side]))
        // The caption the user holds is the top of the outline, as it will be of the floating frame.
        return PlaceOutlineAt(InflatedRect(m_sideFloatRects[source.side], kPlaceBorderX, kPlaceBorderY), now, p,
                              /*tabsOnTop=*/true);
    return now;
}

void Frame::DragStart(HWND window, HWND view, int x, int y, UINT) {
    const POINT p{x, y};
    const Place source = PlaceContaining(window);
    auto drag = std::make_unique<DragTracker>();
    drag->sourceKind = source.kind;
    drag->sourceSide = source.side;
    drag->sourceWindow = source.window;
    drag->view = view;
    if (source.splitPane)
        for (HWND held : source.splitPane->Views())
            if (const ClientView* v = FindView(held)) drag->kindFlags |= KindFlagOfMode(v->m_mode);
    drag->start = p;
    drag->startOutline = drag->floatOutline = StartOutline(source, view, p);
    m_drag = std::move(drag);
}

Frame::FloatFrame* Frame::TopmostFloatFrameAt(POINT p, HWND except) const {
    std::vector<FloatFrame*> under;
    for (auto& frame : m_floatFrames)
        if (frame->m_hWnd != except && frame->Split() && frame->Split()->AcceptsDropPoint(p)) under.push_back(frame.get());
    if (under.size() <= 1) return under.empty() ? nullptr : under.front();
    for (HWND h = ::GetTopWindow(nullptr); h; h = ::GetWindow(h, GW_HWNDNEXT))
        for (FloatFrame* frame : under)
            if (frame->m_hWnd == h) return frame;
    return under.front();
}

DragProbe Frame::Probe(const DragTracker& drag, POINT p, UINT keys, FloatFrame*& overFrame, Pane*& centralPane) const {
    DragProbe probe;
    probe.kindFlags = drag.kindFlags;
    probe.wholePlace = drag.view == nullptr;
    probe.sourceKind = drag.sourceKind;
    probe.sourceSide = drag.sourceSide;
    probe.ctrl = (keys & MK_CONTROL) != 0;
    if (probe.wholePlace && drag.sourceKind == PlaceFloating && ::IsWindow(drag.sourceWindow))
        probe.captionHoldsP = ::SendMessageW(drag.sourceWindow, WM_NCHITTEST, 0,
                                             MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y))) == HTCAPTION;
    overFrame = TopmostFloatFrameAt(p, drag.sourceKind == PlaceFloating ? drag.sourceWindow : nullptr);
    probe.overFloatFrame = overFrame != nullptr;
    for (int side = 0; side < SideCount; ++side) {
        probe.hasPane[side] = m_dockPanes[side] != nullptr;
        SplitPane* split = DockSplitPane(side);
        if (probe.sideUnderP < 0 && split && split->AcceptsDropPoint(p)) probe.sideUnderP = side;
    }
    if (drag.sourceKind == PlaceDocked) {
        const RECT own = ScreenRect(drag.sourceWindow);
        probe.inSourceDockPane = ::PtInRect(&own, p) != FALSE;
    }
    centralPane = m_central.AcceptsDropPoint(p);
    probe.centralTakesP = centralPane != nullptr;
    probe.frame = ScreenRect(m_hWnd);
    return probe;
}

void Frame::DragOver(HWND, HWND, int x, int y, UINT keys) {
    if (!m_drag) return;
    DragTracker& drag = *m_drag;
    const POINT p{x, y};
    drag.floatOutline = Moved(drag.startOutline, p.x - drag.start.x, p.y - drag.start.y);
    FloatFrame* overFrame = nullptr;
    Pane* centralPane = nullptr;
    drag.decision = DecideDragTarget(Probe(drag, p, keys, overFrame, centralPane), m_layout, p);
    drag.targetWindow = nullptr;
    drag.proposed = RECT{};
    drag.newSize = 0;
    const int side = drag.decision.side;
    switch (drag.decision.target) {
    case TargetFloatFrame:
        drag.targetWindow = *overFrame;
        drag.proposed = ScreenRect(*overFrame);
        break;
    case TargetSide:
        drag.targetWindow = *m_dockPanes[side];
        drag.proposed = ScreenRect(*m_dockPanes[side]);
        break;
    case TargetNewSide: {
        RECT rc = NewSideRect(m_layout, side, drag.decision.newCornerFlags);
        ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&rc), 2);
        drag.proposed = rc;
        drag.newSize = m_layout.sides[side].size;
        break;
    }
    case TargetCentral:
        drag.targetWindow = *centralPane;
        drag.proposed = ScreenRect(*centralPane);
        break;
    default:
        break;
    }
    const RECT shown = ::IsRectEmpty(&drag.proposed) ? drag.floatOutline : drag.proposed;
    m_dragOutline.Show(::GetAncestor(m_hWnd, GA_ROOT), shown, /*hollow=*/true);  // unchanged: not redrawn
}

void Frame::DragDrop(HWND window, HWND view, int x, int y, UINT keys) {
    if (!m_drag) return;
    DragOver(window, view, x, y, keys);  // the decision for the point of release
    const std::unique_ptr<DragTracker> drag = std::move(m_drag);
    m_dragOutline.Hide();
    const bool wholePlace = drag->view == nullptr;
    int target = drag->decision.target;
    const int side = drag->decision.side;

    if (wholePlace && drag->sourceKind == PlaceFloating && target == TargetNone) {
        // Only moved: to the outline, keeping its place among the windows.
        const RECT& rc = drag->floatOutline;
        if (::IsWindow(drag->sourceWindow))
            ::SetWindowPos(drag->sourceWindow, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                           SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    if (wholePlace && drag->sourceKind == PlaceDocked) {
        if (target == TargetNone) target = TargetFloating;
        if ((target == TargetSide || target == TargetNewSide) && IsUnset(m_sideFloatRects[side]))
            m_sideFloatRects[side] = m_sideFloatRects[drag->sourceSide];
    }
    // A tab of the central area can only come back onto its own pane (any other pane took the drop
    // itself): it stays where it is rather than leaving and rejoining the area.
    if (target == TargetNone || (target == TargetCentral && drag->sourceKind == PlaceCentral)) return;

    MoveRequest request;
    request.sourceKind = drag->sourceKind;
    request.sourceSide = drag->sourceSide;
    request.sourceWindow = drag->sourceWindow;
    request.view = drag->view;
    request.targetKind = MoveKindOf(target);
    request.targetSide = request.targetKind == PlaceDocked ? side : -1;
    request.targetWindow = drag->targetWindow;
    request.targetRect = request.targetKind == PlaceFloating || ::IsRectEmpty(&drag->proposed) ? drag->floatOutline
                                                                                                 : drag->proposed;
    request.newSize = drag->newSize;
    request.newCornerFlags = drag->decision.newCornerFlags;
    // The view joins the central area's pane under the cursor: that pane becomes the current one.
    if (target == TargetCentral && drag->targetWindow) ::SetFocus(drag->targetWindow);
    PostMove(request);
}

void Frame::DragCancel(HWND, HWND) {
    m_drag.reset();
    m_dragOutline.Hide();
}

}  // namespace DockSplitTab
