#include "Frame.h"

namespace DockSplitTab {

bool Frame::SplitPaneWrapper::HoldSplitPane(HWND host, CallBackListener* listener, bool autoHideTabs,
                                            std::unique_ptr<SplitPane> adopt) {
    if (adopt) {
        m_splitPane = std::move(adopt);
        ::SetParent(*m_splitPane, host);
        return true;
    }
    m_splitPane = std::make_unique<SplitPane>();
    return m_splitPane->Create(host, listener, /*tabsOnTop=*/false, autoHideTabs) != nullptr;
}

namespace {
// A new dock side's size until the user sizes it: a sensible share of a typical main window.
constexpr int kDefaultSideSize[SideCount] = {150, 150, 200, 200};
// Left and right sides run the whole height by default; top and bottom fit between them.
constexpr int kDefaultCornerFlags[SideCount] = {0, 0, 3, 3};
constexpr int kPlaceBorderX = 4, kPlaceBorderY = 12;  // a place's rectangle to its frame's
const wchar_t kStateKey[] = L"State";

RECT VirtualScreen() {
    const int x = ::GetSystemMetrics(SM_XVIRTUALSCREEN), y = ::GetSystemMetrics(SM_YVIRTUALSCREEN);
    return RECT{x, y, x + ::GetSystemMetrics(SM_CXVIRTUALSCREEN), y + ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}
}  // namespace

StateRecord ReadViewState(const SettingsAccess& settings, const std::wstring& name) {
    BYTE bytes[kStateRecordSize] = {};
    DWORD size = sizeof(bytes);
    if (settings.read(kStateKey, name.c_str(), bytes, size)) return DecodeState(nullptr, 0);
    return DecodeState(bytes, size);
}

Frame::Frame() {
    for (int side = 0; side < SideCount; ++side) {
        m_layout.sides[side].size = kDefaultSideSize[side];
        m_layout.sides[side].cornerFlags = kDefaultCornerFlags[side];
        m_sideFloatRects[side] = RECT{-1, -1, -1, -1};
    }
}

Frame::~Frame() {
    if (m_hWnd) DestroyWindow();
}

HWND Frame::Create(HWND owner, FrameListener* listener, bool autoHideTabs) {
    m_listener = listener;
    m_autoHideTabs = autoHideTabs;
    RECT rc{};
    return Window<Frame>::Create(owner, &rc, L"", WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS);
}

void Frame::SetImageList(HIMAGELIST images) {
    m_images = images;
    m_central.SetImageList(images);
    for (auto& pane : m_dockPanes)
        if (pane && pane->Split()) pane->Split()->SetImageList(images);
    for (auto& frame : m_floatFrames)
        if (frame->Split()) frame->Split()->SetImageList(images);
}

LRESULT Frame::OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
    if (!m_central.Create(m_hWnd, this, /*tabsOnTop=*/true, /*autoHide=*/false)) return -1;
    m_activePane = &m_central;
    return 0;
}

// The layout keeps its own account of the client area; the central area absorbs the difference,
// so that a size it could not take (below the minimum) is not lost for the next resize.
LRESULT Frame::OnSize(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
    if (wParam == SIZE_MINIMIZED) return 0;
    auto extent = [this](int a, int b) {
        return (m_layout.sides[a].visible ? m_layout.sides[a].size : 0) +
               (m_layout.sides[b].visible ? m_layout.sides[b].size : 0);
    };
    const int width = LOWORD(lParam), height = HIWORD(lParam);
    ResizeFrame(m_layout, width - (m_layout.centralWidth + extent(SideLeft, SideRight)),
                height - (m_layout.centralHeight + extent(SideTop, SideBottom)));
    UpdateLayout();
    return 0;
}

LRESULT Frame::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    m_drag.reset();
    m_dragOutline.Hide();
    for (auto& frame : m_floatFrames)
        if (frame->m_hWnd) frame->DestroyWindow();
    m_floatFrames.clear();
    for (auto& pane : m_dockPanes) pane.reset();
    m_activePane = m_previousActivePane = nullptr;
    m_views.clear();
    bHandled = FALSE;
    return 0;
}

void Frame::UpdateLayout() {
    for (int side = 0; side < SideCount; ++side) {
        DockPane* pane = m_dockPanes[side].get();
        if (!pane) continue;
        if (m_layout.sides[side].visible) {
            RECT rc = DockSideRect(m_layout, side);
            ::SetWindowPos(*pane, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                           SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
        } else {
            ::SetWindowPos(*pane, nullptr, 0, 0, 0, 0, SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
        }
    }
    RECT rc = CentralRect(m_layout);
    ::SetWindowPos(m_central, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                   SWP_NOZORDER | SWP_NOACTIVATE);
}

void Frame::HoldCentralDrawing(bool hold) {
    m_batches += hold ? 1 : -1;
    if (m_batches < 0) m_batches = 0;
    if (m_central.m_hWnd) m_central.HoldStripDrawing(m_batches > 0);
}

// ---- where things are ------------------------------------------------------------------------

Frame::Place Frame::PlaceOfView(HWND view) const {
    if (m_central.HoldsView(view)) return Place{PlaceCentral, -1, nullptr, const_cast<SplitPane*>(&m_central), m_central};
    for (int side = 0; side < SideCount; ++side)
        if (SplitPane* split = DockSplitPane(side); split && split->HoldsView(view))
            return Place{PlaceDocked, side, nullptr, split, *m_dockPanes[side]};
    for (auto& frame : m_floatFrames)
        if (frame->Split() && frame->Split()->HoldsView(view))
            return Place{PlaceFloating, -1, frame.get(), frame->Split(), *frame};
    return Place{};
}

Frame::Place Frame::PlaceOfWindow(HWND window) const {
    if (!window) return Place{};
    if (window == m_central.m_hWnd) return Place{PlaceCentral, -1, nullptr, const_cast<SplitPane*>(&m_central), m_central};
    for (int side = 0; side < SideCount; ++side) {
        DockPane* pane = m_dockPanes[side].get();
        if (pane && (window == pane->m_hWnd || (pane->Split() && window == pane->Split()->m_hWnd)))
            return Place{PlaceDocked, side, nullptr, pane->Split(), *pane};
    }
    for (auto& frame : m_floatFrames)
        if (window == frame->m_hWnd || (frame->Split() && window == frame->Split()->m_hWnd))
            return Place{PlaceFloating, -1, frame.get(), frame->Split(), *frame};
    return Place{};
}

Frame::FloatFrame* Frame::FindFloatFrame(HWND window) const {
    Place place = PlaceOfWindow(window);
    return place.kind == PlaceFloating ? place.floatFrame : nullptr;
}

SplitPane* Frame::DockSplitPane(int side) const {
    DockPane* pane = GetDockPane(side);
    return pane ? pane->Split() : nullptr;
}

std::vector<Frame::FloatFrame*> Frame::FloatFrames() const {
    std::vector<FloatFrame*> frames;
    for (auto& frame : m_floatFrames) frames.push_back(frame.get());
    return frames;
}

ClientView* Frame::FindView(HWND view) const {
    auto it = m_views.find(view);
    return it == m_views.end() ? nullptr : it->second;
}

bool Frame::IsSelected(HWND view) const {
    Place place = PlaceOfView(view);
    return place.kind && place.splitPane->IsSelected(view);
}

bool Frame::BringToFront(HWND view) {
    Place place = PlaceOfView(view);
    if (!place.kind) return false;
    MakeActive(place.splitPane);
    place.splitPane->ActivateView(view);
    return true;
}

HWND Frame::ActiveView() const { return m_activePane ? m_activePane->ActiveView() : nullptr; }

RECT Frame::ScreenRect(HWND hWnd) const {
    RECT rc{};
    ::GetWindowRect(hWnd, &rc);
    return rc;
}

// ---- places ----------------------------------------------------------------------------------

Frame::DockPane* Frame::EnsureDockPane(int side, int size, int cornerFlags, std::unique_ptr<SplitPane> adopt) {
    if (!IsValidSide(side)) return nullptr;
    if (m_dockPanes[side]) return m_dockPanes[side].get();
    if (size > 0) m_layout.sides[side].size = size;
    if (cornerFlags >= 0) m_layout.sides[side].cornerFlags = cornerFlags & 3;
    auto pane = std::make_unique<DockPane>();
    if (!pane->Create(m_hWnd, side, this, m_autoHideTabs, std::move(adopt))) return nullptr;
    pane->Split()->SetImageList(m_images);
    m_dockPanes[side] = std::move(pane);
    ShowSide(m_layout, side);
    UpdateLayout();
    return m_dockPanes[side].get();
}

Frame::FloatFrame* Frame::NewFloatFrame(const RECT& rect, std::unique_ptr<SplitPane> adopt) {
    auto frame = std::make_unique<FloatFrame>();
    if (!frame->Create(m_hWnd, rect, this, m_autoHideTabs, std::move(adopt))) return nullptr;
    frame->Split()->SetImageList(m_images);
    m_floatFrames.push_back(std::move(frame));
    return m_floatFrames.back().get();
}

void Frame::AddToSplitPane(SplitPane& pane, ClientView* view) {
    pane.AddView(view->m_caption.c_str(), view->m_window, view->m_tooltip.c_str(), view->m_image);
    view->m_pane = &pane;
    m_views[view->m_window] = view;
    MakeActive(&pane);
    pane.ActivateView(view->m_window);
    UpdateCaptions();
}

void Frame::TakeOut(ClientView* view, const Place& place) {
    HWND window = view->m_window;
    place.splitPane->RemoveView(window);
    if (::IsWindow(window)) {
        ::ShowWindow(window, SW_HIDE);
        ::SetParent(window, m_hWnd);  // outlives the place it leaves
    }
    m_views.erase(window);
    view->m_pane = nullptr;
    DissolveIfEmpty(place);
}

void Frame::DissolveIfEmpty(const Place& place) {
    if (!place.splitPane || !place.splitPane->IsEmpty()) return;
    if (place.kind == PlaceDocked)
        DestroyDockPane(place.side);
    else if (place.kind == PlaceFloating)
        DestroyFloatFrame(place.floatFrame);
    else if (place.splitPane == m_activePane && m_previousActivePane)
        ForgetActive(place.splitPane);
}

void Frame::DestroyDockPane(int side) {
    std::unique_ptr<DockPane> pane = std::move(m_dockPanes[side]);
    if (!pane) return;
    ForgetActive(pane->Split());
    pane.reset();
    HideSide(m_layout, side);
    UpdateLayout();
}

void Frame::DestroyFloatFrame(FloatFrame* frame) {
    for (auto it = m_floatFrames.begin(); it != m_floatFrames.end(); ++it) {
        if (it->get() != frame) continue;
        ForgetActive(frame->Split());
        m_floatFrames.erase(it);
        return;
    }
}

void Frame::MakeActive(SplitPane* pane) {
    if (!pane || pane == m_activePane) return;
    m_previousActivePane = m_activePane;
    m_activePane = pane;
    UpdateCaptions();
}

void Frame::ForgetActive(SplitPane* pane) {
    if (!pane) return;
    if (m_previousActivePane == pane) m_previousActivePane = nullptr;
    if (m_activePane == pane) {
        m_activePane = m_previousActivePane ? m_previousActivePane : &m_central;
        m_previousActivePane = nullptr;
    }
    UpdateCaptions();
}

bool Frame::SetViewCaption(HWND view, const std::wstring& caption) {
    const Place place = PlaceOfView(view);
    Pane* pane = place.splitPane ? place.splitPane->PaneOf(view) : nullptr;
    if (!pane || !pane->Tabs().SetCaption(pane->Tabs().Find(view), caption)) return false;
    if (ClientView* held = FindView(view)) {
        // A tip that showed the old caption shows the new one.
        if (held->m_tooltip == held->m_caption) {
            held->m_tooltip = caption;
            pane->SetTooltip(view, caption);
        }
        held->m_caption = caption;
    }
    UpdateCaptions();
    return true;
}

void Frame::UpdateCaptions() {
    auto captionOf = [this](SplitPane* split) {
        ClientView* view = split ? FindView(split->ActiveView()) : nullptr;
        return view ? view->m_caption : std::wstring();
    };
    for (auto& pane : m_dockPanes)
        if (pane) pane->SetCaption(captionOf(pane->Split()), pane->Split() == m_activePane);
    for (auto& frame : m_floatFrames)
        if (frame->Split()) frame->SetWindowText(captionOf(frame->Split()).c_str());
}

// ---- operations of the program's main window ---------------------------------------------------

void Frame::AddView(ClientView* view, bool activate) {
    if (!view || !view->m_window || IsInLayout(view->m_window)) return;
    if (activate) return AddToSplitPane(m_central, view);
    // Behind the central area's selected tab: nothing is shown, focused or made active, so adding
    // many views costs each the same.
    m_central.AddView(view->m_caption.c_str(), view->m_window, view->m_tooltip.c_str(), view->m_image, false);
    view->m_pane = &m_central;
    m_views[view->m_window] = view;
}

bool Frame::DockView(const StateRecord& record, ClientView* view) {
    if (!view || !view->m_window || !IsValidSide(record.side) || IsInLayout(view->m_window)) return false;
    const int side = record.side;
    const bool existed = m_dockPanes[side] != nullptr;
    // A stored size may be anything: the side gets no more than the frame can show beside it.
    const RECT screen = VirtualScreen();
    const int size = BoundSideSize(m_layout, side, record.size,
                                   IsHorizontalSide(side) ? screen.bottom - screen.top : screen.right - screen.left);
    DockPane* pane = EnsureDockPane(side, size, -1);
    if (!pane) return false;
    if (existed && size > 0 && ResizeSide(m_layout, side, size - m_layout.sides[side].size)) UpdateLayout();
    AddToSplitPane(*pane->Split(), view);
    view->m_mode = ModeDocked;
    view->m_dockSide = side;
    return true;
}

bool Frame::DockViewAtSide(int side, ClientView* view) {
    return DockView(StateRecord{PlaceDocked, side, -1, {}}, view);
}

bool Frame::FloatView(const RECT& rect, ClientView* view) {
    if (!view || !view->m_window || IsInLayout(view->m_window)) return false;
    FloatFrame* frame = NewFloatFrame(rect);
    if (!frame) return false;
    AddToSplitPane(*frame->Split(), view);
    view->m_mode = ModeDocked;
    return true;
}

void Frame::RestoreView(const StateRecord& record, ClientView* view) {
    if (!view || !view->m_window || IsInLayout(view->m_window)) return;
    if (record.kind == PlaceDocked && IsValidSide(record.side) && DockView(record, view)) return;
    if (record.kind == PlaceCentral) return AddView(view);
    // A stored rectangle may lie off every screen or be of any size: it is fitted to the screen.
    const RECT rect = FitFloatRect(record.rect, VirtualScreen());
    if (record.kind == PlaceFloating && !::IsRectEmpty(&rect) && FloatView(rect, view)) return;
    DockViewAtSide(SideLeft, view);
}

void Frame::RestoreSaved(const SettingsAccess& settings, ClientView* view) {
    if (view) RestoreView(ReadViewState(settings, view->Name()), view);
}

bool Frame::ToggleView(ClientView* view) {
    if (!view || !view->m_window) return false;
    if (IsInLayout(view->m_window)) {
        HideView(view->m_window);
        return false;
    }
    ShowView(view);
    return IsInLayout(view->m_window);
}

bool Frame::ToggleFront(ClientView* view) {
    if (!view || !view->m_window) return false;
    if (IsShown(view->m_window)) {
        HideView(view->m_window);
        return false;
    }
    ShowView(view);  // brings a covered view to the front
    return IsShown(view->m_window);
}

bool Frame::ActivateView(HWND view) {
    if (!IsInLayout(view)) return false;
    if (!IsSelected(view)) BringToFront(view);
    return true;
}

void Frame::ShowView(ClientView* view) {
    if (!view || !view->m_window) return;
    if (IsInLayout(view->m_window)) {
        BringToFront(view->m_window);
        return;
    }
    const int mode = view->m_mode;  // showing puts the view back; it stays the kind of view it was
    if (view->m_closedFrom == ClosedFromDock && IsValidSide(view->m_dockSide))
        DockViewAtSide(view->m_dockSide, view);
    else if (view->m_closedFrom == ClosedFromFloat && view->HasFloatRect())
        FloatAroundView(view->m_floatRect, view);
    else
        AddView(view);
    view->m_mode = mode;
}

void Frame::HideFrom(ClientView* view, const Place& place) {
    const RECT rect = ScreenRect(view->m_window);
    if (place.kind == PlaceFloating) {
        view->m_floatRect = rect;
        view->m_closedFrom = ClosedFromFloat;
    } else if (place.kind == PlaceDocked) {
        view->m_closedFrom = ClosedFromDock;
        view->m_dockSide = place.side;
    } else {
        view->m_closedFrom = ClosedNone;  // shown again in the central area
    }
    TakeOut(view, place);
}

bool Frame::HideView(HWND window) {
    ClientView* view = FindView(window);
    Place place = PlaceOfView(window);
    if (!view || !place.kind) return false;
    HideFrom(view, place);
    return true;
}

void Frame::SaveState(const SettingsAccess& settings) const {
    auto write = [&](HWND window, const StateRecord& record) {
        ClientView* view = FindView(window);
        if (!view) return;
        StateBytes bytes = EncodeState(record);
        settings.write(kStateKey, view->Name().c_str(), bytes.data(), kStateRecordSize);
    };
    // A view of the central area says so, so that an older record of it (floating, say) does not
    // place it there again.
    for (HWND window : m_central.Views()) write(window, StateRecord{PlaceCentral, 0, 0, {}});
    for (int side = 0; side < SideCount; ++side) {
        SplitPane* split = DockSplitPane(side);
        if (!split || !m_layout.sides[side].visible) continue;
        for (HWND window : split->Views()) write(window, StateRecord{PlaceDocked, side, m_layout.sides[side].size, {}});
    }
    for (auto& frame : m_floatFrames) {
        if (!frame->Split()) continue;
        for (HWND window : frame->Split()->Views()) write(window, StateRecord{PlaceFloating, 0, 0, ScreenRect(*frame)});
    }
}

void Frame::DockCommand(HWND window) {
    ClientView* view = FindView(window);
    Place place = PlaceOfView(window);
    if (!view || !place.kind) return;
    MoveRequest request;
    request.sourceKind = place.kind;
    request.sourceSide = place.side;
    request.sourceWindow = place.window;
    request.view = window;
    bool post = false;
    if (view->m_mode == ModeFloating) {
        request.targetKind = PlaceCentral;
        post = true;
    } else if (place.kind == PlaceCentral || place.kind == PlaceDocked) {
        request.targetKind = PlaceFloating;
        post = true;
    }
    view->m_mode = view->m_mode == ModeFloating ? ModeCentral : ModeFloating;
    if (post) PostMove(request);
}

// ---- move requests ---------------------------------------------------------------------------

void Frame::PostMove(const MoveRequest& request) {
    const UINT id = m_nextRequest++;
    m_moveRequests[id] = request;
    PostMessage(kMoveMessage, id);
}

LRESULT Frame::OnMoveRequest(UINT, WPARAM wParam, LPARAM, BOOL&) {
    auto it = m_moveRequests.find(static_cast<UINT>(wParam));
    if (it == m_moveRequests.end()) return 0;
    MoveRequest request = it->second;
    m_moveRequests.erase(it);
    ExecuteMove(request);
    return 0;
}

void Frame::ExecuteMove(const MoveRequest& request) {
    if (request.view) {
        if (ClientView* view = FindView(request.view)) MoveOneView(request, view);
    } else {
        MoveAllViews(request);
    }
    UpdateLayout();
}

void Frame::MoveOneView(const MoveRequest& request, ClientView* view) {
    Place place = PlaceOfView(view->m_window);
    if (!place.kind) return;
    const RECT viewRect = ScreenRect(view->m_window);
    if (place.kind == PlaceFloating) view->m_floatRect = viewRect;
    TakeOut(view, place);
    if (request.targetWindow && ::IsWindow(request.targetWindow)) ::SetFocus(request.targetWindow);

    int targetKind = request.targetKind;
    if (targetKind == PlaceBack)
        targetKind = view->m_mode == ModeDocked && IsValidSide(view->m_dockSide) ? PlaceDocked : PlaceCentral;
    const int side = request.targetKind == PlaceBack ? view->m_dockSide : request.targetSide;

    SplitPane* target = &m_central;
    if (targetKind == PlaceDocked && IsValidSide(side)) {
        if (DockPane* pane = EnsureDockPane(side, request.newSize, request.newCornerFlags)) {
            target = pane->Split();
            view->m_dockSide = side;
        }
    } else if (targetKind == PlaceFloating) {
        FloatFrame* frame = FindFloatFrame(request.targetWindow);
        if (!frame && ::IsRectEmpty(&request.targetRect)) {
            // A new frame around the view where it was (or floated last).
            if (FloatAroundView(view->HasFloatRect() ? view->m_floatRect : viewRect, view)) {
                view->m_mode = ModeFloating;
                return;
            }
        } else if (!frame) {
            frame = NewFloatFrame(request.targetRect);
        }
        if (frame) {
            target = frame->Split();
            view->m_mode = ModeFloating;
        }
    }
    AddToSplitPane(*target, view);
}

// The frame's window is first the view's rectangle plus the frame's border and caption; what the
// split pane takes besides (a tab strip) is then added, so that the view lands exactly on the
// rectangle and hiding and showing it again leaves it the same size.
Frame::FloatFrame* Frame::FloatAroundView(const RECT& viewRect, ClientView* view) {
    FloatFrame* frame = NewFloatFrame(FloatFrame::WindowRectFor(viewRect));
    if (!frame) return nullptr;
    AddToSplitPane(*frame->Split(), view);
    const RECT got = ScreenRect(view->m_window);
    RECT rc = ScreenRect(*frame);
    rc.left += viewRect.left - got.left;
    rc.top += viewRect.top - got.top;
    rc.right += viewRect.right - got.right;
    rc.bottom += viewRect.bottom - got.bottom;
    if (!::EqualRect(&got, &viewRect))
        ::SetWindowPos(*frame, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    return frame;
}

// Takes a place's split pane, with its tree of panes and views, out of the place, which goes.
std::unique_ptr<SplitPane> Frame::ReleaseSplitPane(const Place& place) {
    std::unique_ptr<SplitPane> split =
        place.kind == PlaceDocked ? m_dockPanes[place.side]->ReleaseSplitPane() : place.floatFrame->ReleaseSplitPane();
    ::SetParent(*split, m_hWnd);  // out of the window that is destroyed next
    if (place.kind == PlaceDocked)
        DestroyDockPane(place.side);
    else
        DestroyFloatFrame(place.floatFrame);
    return split;
}

void Frame::MoveAllViews(const MoveRequest& request) {
    Place source = PlaceOfWindow(request.sourceWindow);
    if (!source.kind) return;
    const std::vector<HWND> windows = source.splitPane->Views();
    const RECT sourceRect = ScreenRect(source.window);

    auto moveEach = [&](int targetKind, int targetSide, HWND targetWindow) {
        for (HWND window : windows) {
            ClientView* view = FindView(window);
            if (!view) continue;
            MoveRequest one = request;
            one.view = window;
            one.targetKind = targetKind;
            one.targetSide = targetSide;
            one.targetWindow = targetWindow;
            const int mode = view->m_mode;  // a place moved as a whole keeps its views' kinds
            MoveOneView(one, view);
            view->m_mode = mode;
        }
    };

    switch (request.targetKind) {
    case PlaceBack:
        for (HWND window : windows) {
            ClientView* view = FindView(window);
            if (!view || (source.kind == PlaceFloating && view->m_mode == ModeFloating)) continue;
            MoveRequest one = request;
            one.view = window;
            if (view->m_mode == ModeDocked && IsValidSide(view->m_dockSide)) {
                one.targetKind = PlaceDocked;
                one.targetSide = view->m_dockSide;
                if (source.kind == PlaceFloating) m_sideFloatRects[view->m_dockSide] = sourceRect;
            } else {
                one.targetKind = PlaceCentral;
            }
            MoveOneView(one, view);
        }
        break;
    case PlaceCentral:
        moveEach(PlaceCentral, -1, nullptr);
        break;
    case PlaceDocked:
        if (!IsValidSide(request.targetSide) || (source.kind == PlaceDocked && source.side == request.targetSide))
            break;
        if (m_dockPanes[request.targetSide] || source.kind == PlaceCentral) {
            moveEach(PlaceDocked, request.targetSide, nullptr);
        } else {
            std::unique_ptr<SplitPane> split = ReleaseSplitPane(source);
            EnsureDockPane(request.targetSide, request.newSize, request.newCornerFlags, std::move(split));
            for (HWND window : windows)
                if (ClientView* view = FindView(window)) view->m_dockSide = request.targetSide;
        }
        break;
    case PlaceFloating:
        if (FindFloatFrame(request.targetWindow) || source.kind == PlaceCentral) {
            moveEach(PlaceFloating, -1, request.targetWindow);
        } else if (source.kind == PlaceDocked) {
            RECT rect = request.targetRect;
            if (::IsRectEmpty(&rect)) {
                const RECT& remembered = m_sideFloatRects[source.side];
                rect = remembered.left == -1 && remembered.right == -1
                           ? InflatedRect(sourceRect, kPlaceBorderX, kPlaceBorderY)
                           : remembered;
            }
            std::unique_ptr<SplitPane> split = ReleaseSplitPane(source);
            NewFloatFrame(rect, std::move(split));
        }
        break;
    default:
        break;
    }
    UpdateCaptions();
}

// ---- closing ---------------------------------------------------------------------------------

void Frame::ClosePlace(const Place& place, int closedFrom) {
    std::vector<ClientView*> closed;
    for (HWND window : place.splitPane->Views()) {
        ClientView* view = FindView(window);
        if (!view) continue;
        const RECT rect = ScreenRect(window);
        HideFrom(view, PlaceOfView(window));
        view->m_floatRect = rect;
        view->m_closedFrom = closedFrom;
        closed.push_back(view);
    }
    // A place whose split pane held nothing is still there: take it away as well.
    if (closedFrom == ClosedFromDock && m_dockPanes[place.side]) DestroyDockPane(place.side);
    if (closedFrom == ClosedFromFloat && FindFloatFrame(place.window)) DestroyFloatFrame(place.floatFrame);
    if (m_listener)
        for (ClientView* view : closed) m_listener->ViewClosed(view);
}

LRESULT Frame::OnCloseSide(UINT, WPARAM wParam, LPARAM, BOOL&) {
    const int side = static_cast<int>(wParam);
    if (DockPane* pane = GetDockPane(side)) ClosePlace(PlaceOfWindow(*pane), ClosedFromDock);
    return 0;
}

LRESULT Frame::OnCloseFloat(UINT, WPARAM wParam, LPARAM, BOOL&) {
    Place place = PlaceOfWindow(reinterpret_cast<HWND>(wParam));
    if (place.kind == PlaceFloating) ClosePlace(place, ClosedFromFloat);
    return 0;
}

LRESULT Frame::OnHideClosed(UINT, WPARAM wParam, LPARAM, BOOL&) {
    HWND window = reinterpret_cast<HWND>(wParam);
    ClientView* view = FindView(window);
    Place place = PlaceOfView(window);
    if (!view || !place.kind) return 0;
    HideFrom(view, place);
    if (m_listener) m_listener->ViewClosed(view);
    return 0;
}

// ---- callbacks from the places ---------------------------------------------------------------

void Frame::ViewActivated(HWND pane, HWND) {
    Place place = PlaceOfWindow(pane);
    if (place.kind) MakeActive(place.splitPane);
    UpdateCaptions();
}

void Frame::ViewDetach(HWND, HWND window) {
    Place place = PlaceOfView(window);
    if (place.kind != PlaceCentral && place.kind != PlaceDocked) return;
    MoveRequest request;
    request.sourceKind = place.kind;
    request.sourceSide = place.side;
    request.sourceWindow = place.window;
    request.targetKind = PlaceFloating;
    request.view = window;
    PostMove(request);
}

void Frame::ViewClose(HWND window) {
    if (::SendMessageW(window, WM_CLOSE, 0, 0) == 0) PostMessage(kHideMessage, reinterpret_cast<WPARAM>(window));
}

RECT Frame::DockSizingLimits(int side) {
    RECT rc = SizingLimits(m_layout, side);
    ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

void Frame::DockResized(int side, int delta) {
    if (ResizeSide(m_layout, side, delta)) UpdateLayout();
}

void Frame::FloatDockSide(int side) {
    DockPane* pane = GetDockPane(side);
    if (!pane) return;
    MoveRequest request;
    request.sourceKind = PlaceDocked;
    request.sourceSide = side;
    request.sourceWindow = *pane;
    request.targetKind = PlaceFloating;
    PostMove(request);
}

void Frame::DockFloatingFrame(HWND frame) {
    MoveRequest request;
    request.sourceKind = PlaceFloating;
    request.sourceWindow = frame;
    request.targetKind = PlaceBack;
    PostMove(request);
}

void Frame::CloseFloatingFrame(HWND frame) { PostMessage(kCloseFloatMessage, reinterpret_cast<WPARAM>(frame)); }

}  // namespace DockSplitTab
