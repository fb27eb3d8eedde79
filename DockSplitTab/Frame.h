// The layout's root window: a central area, four dock sides around it and floating frames, each
// holding one split pane in which the views sit as tabs.
#pragma once
#include <array>
#include <list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ClientView.h"
#include "DragLoop.h"
#include "DragTarget.h"
#include "LayoutMath.h"
#include "Listeners.h"
#include "SplitPane.h"

namespace DockSplitTab {

// Where the saved places of the views are read and written (the program's settings store).
// `read` returns true when it failed, and sets `size` to the number of bytes read.
struct SettingsAccess {
    bool (*read)(const wchar_t* settingsKey, const wchar_t* valueName, void* buffer, DWORD& size);
    void (*write)(const wchar_t* settingsKey, const wchar_t* valueName, const void* bytes, DWORD size);
};

// The saved place of the view named `name`, with the fallback for an absent or malformed value.
StateRecord ReadViewState(const SettingsAccess& settings, const std::wstring& name);

// A request to move a view (or all views of a place), run after the current message.
struct MoveRequest {
    int sourceKind = PlaceCentral;  // 1 central, 2 dock side, 3 floating frame
    int sourceSide = -1;
    int targetKind = PlaceBack;     // 0 back to the last place, 1, 2, 3 as above
    int targetSide = -1;
    RECT targetRect{};              // screen; empty: none given
    int newSize = 0;                // for a new dock side: its size and corner flags (0/-1: keep)
    int newCornerFlags = -1;
    HWND sourceWindow = nullptr;
    HWND targetWindow = nullptr;
    HWND view = nullptr;            // none: every view of the source
};

class Frame : public Window<Frame>, public FloatDockFrameListener {
public:
    DECLARE_WND_CLASS_EX(L"KV_Frame", 0, COLOR_APPWORKSPACE)

    // Holds the split pane of a dock side or a floating frame; the pane moves with its whole tree
    // when a new place takes over a place's views at once.
    class SplitPaneWrapper {
    public:
        SplitPane* Split() const { return m_splitPane.get(); }
    protected:
        // Takes over `adopt` (a place's whole tree moving in) or makes a new empty split pane,
        // as a child of `host`.
        bool HoldSplitPane(HWND host, CallBackListener* listener, bool autoHideTabs,
                           std::unique_ptr<SplitPane> adopt);

        std::unique_ptr<SplitPane> m_splitPane;
    };
    class DockPane;
    class FloatFrame;

    // While one is open, the central area's tab strips are drawn only once it closes instead of
    // after every added view: a strip redraws all its tabs, so adding N views one by one with the
    // messages running in between would cost N redraws of up to N tabs.
    class AddBatch {
    public:
        explicit AddBatch(Frame& frame) : m_frame(frame) { m_frame.HoldCentralDrawing(true); }
        ~AddBatch() { m_frame.HoldCentralDrawing(false); }
        AddBatch(const AddBatch&) = delete;
        AddBatch& operator=(const AddBatch&) = delete;
    private:
        Frame& m_frame;
    };

    Frame();
    ~Frame() override;

    HWND Create(HWND owner, FrameListener* listener, bool autoHideTabs);
    // The images the views' image indices refer to (not owned): given to every place's tabs.
    void SetImageList(HIMAGELIST images);

    // Adds a view to the central area's current pane; with `activate` it becomes the front tab and
    // the active view, without it it waits behind the front tab (the first one is shown anyway).
    void AddView(ClientView* view, bool activate = true);
    bool DockView(const StateRecord& record, ClientView* view);
    bool DockViewAtSide(int side, ClientView* view);
    bool FloatView(const RECT& rect, ClientView* view);
    // Places a view by its saved record: docked, floating, in the central area, or else docked at
    // the left. The record's sizes and rectangle are bounded to the frame and the screen.
    void RestoreView(const StateRecord& record, ClientView* view);
    // RestoreView with the view's record read from `settings`: a view's first placement.
    void RestoreSaved(const SettingsAccess& settings, ClientView* view);
    void ShowView(ClientView* view);
    bool HideView(HWND view);
    bool IsInLayout(HWND view) const { return m_views.count(view) != 0; }
    bool IsSelected(HWND view) const;
    // In the layout and the front tab of its pane.
    bool IsShown(HWND view) const { return IsInLayout(view) && IsSelected(view); }
    // A view's "Hide": in the layout, it is hidden (false); else it comes back where it was last
    // (true when it is in the layout again).
    bool ToggleView(ClientView* view);
    // A show/hide command for one view: the front tab is hidden, a covered one brought to the
    // front, a hidden one shown where it was last. Returns whether it is the front tab afterwards.
    bool ToggleFront(ClientView* view);
    // False when the view is not in the layout; else selects its tab if it is not the front one.
    bool ActivateView(HWND view);
    bool BringToFront(HWND view);
    HWND ActiveView() const;
    ClientView* FindView(HWND view) const;
    // Shows `caption` on the view's tab, and on its dock side's or floating frame's caption when it
    // is the front view there; false when no pane holds the view.
    bool SetViewCaption(HWND view, const std::wstring& caption);
    void SaveState(const SettingsAccess& settings) const;
    void DockCommand(HWND view);

    // State for the program's main window and for tests.
    const DockLayout& Layout() const { return m_layout; }
    SplitPane& Central() { return m_central; }
    DockPane* GetDockPane(int side) const { return IsValidSide(side) ? m_dockPanes[side].get() : nullptr; }
    SplitPane* DockSplitPane(int side) const;
    std::vector<FloatFrame*> FloatFrames() const;
    SplitPane* ActivePane() const { return m_activePane; }
    // The outline shown while a view or place is dragged across places (screen), empty when none.
    RECT DragOutline() const { return m_dragOutline.IsVisible() ? m_dragOutline.Rect() : RECT{}; }
    bool IsDragging() const { return m_drag != nullptr; }

    // CallBackListener
    void ViewActivated(HWND pane, HWND view) override;
    void ViewDetach(HWND pane, HWND view) override;
    void ViewClose(HWND view) override;
    void DragStart(HWND window, HWND view, int x, int y, UINT keys) override;
    void DragOver(HWND window, HWND view, int x, int y, UINT keys) override;
    void DragDrop(HWND window, HWND view, int x, int y, UINT keys) override;
    void DragCancel(HWND window, HWND view) override;
    // FloatDockFrameListener
    RECT DockSizingLimits(int side) override;
    void DockResized(int side, int delta) override;
    void FloatDockSide(int side) override;
    void DockFloatingFrame(HWND frame) override;
    void CloseFloatingFrame(HWND frame) override;

    // Messages the frame posts itself or receives from its dock panes.
    static constexpr UINT kMoveMessage = WM_APP + 0x50;       // wParam: request id
    static constexpr UINT kHideMessage = WM_APP + 0x51;       // wParam: view window (closed)
    static constexpr UINT kCloseSideMessage = WM_APP + 0x52;  // wParam: side
    static constexpr UINT kCloseFloatMessage = WM_APP + 0x53; // wParam: floating frame window

    BEGIN_MSG_MAP(Frame)
        MESSAGE_HANDLER(WM_CREATE, OnCreate)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        MESSAGE_HANDLER(kMoveMessage, OnMoveRequest)
        MESSAGE_HANDLER(kHideMessage, OnHideClosed)
        MESSAGE_HANDLER(kCloseSideMessage, OnCloseSide)
        MESSAGE_HANDLER(kCloseFloatMessage, OnCloseFloat)
    END_MSG_MAP()

private:
    // Where a view or a place is.
    struct Place {
        int kind = 0;  // 0 nowhere, else PlaceCentral, PlaceDocked, PlaceFloating
        int side = -1;
        FloatFrame* floatFrame = nullptr;
        SplitPane* splitPane = nullptr;
        HWND window = nullptr;  // the dock pane's or floating frame's window
    };

    // A drag of a tab, a dock side's caption or a floating frame's caption across places.
    struct DragTracker {
        int sourceKind = PlaceCentral;
        int sourceSide = -1;
        HWND sourceWindow = nullptr;
        HWND view = nullptr;  // none: the whole place
        int kindFlags = 0;
        POINT start{};
        RECT startOutline{};  // the floating outline when the drag started at `start`
        RECT floatOutline{};  // the same, moved with the cursor
        DragDecision decision;
        HWND targetWindow = nullptr;
        RECT proposed{};
        int newSize = 0;
    };

    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnMoveRequest(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnHideClosed(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnCloseSide(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnCloseFloat(UINT, WPARAM, LPARAM, BOOL&);

    Place PlaceOfView(HWND view) const;
    Place PlaceOfWindow(HWND window) const;
    FloatFrame* FindFloatFrame(HWND window) const;
    void UpdateLayout();
    // Counted, so that batches may nest.
    void HoldCentralDrawing(bool hold);
    void PostMove(const MoveRequest& request);
    void ExecuteMove(const MoveRequest& request);
    void MoveOneView(const MoveRequest& request, ClientView* view);
    void MoveAllViews(const MoveRequest& request);
    std::unique_ptr<SplitPane> ReleaseSplitPane(const Place& place);

    DockPane* EnsureDockPane(int side, int size, int cornerFlags, std::unique_ptr<SplitPane> adopt = nullptr);
    FloatFrame* NewFloatFrame(const RECT& rect, std::unique_ptr<SplitPane> adopt = nullptr);
    // A new floating frame in which `view` covers `viewRect` (screen).
    FloatFrame* FloatAroundView(const RECT& viewRect, ClientView* view);
    void AddToSplitPane(SplitPane& pane, ClientView* view);
    // Takes a view out of its place (hidden, child of the frame window); an emptied dock side or
    // floating frame goes away.
    void TakeOut(ClientView* view, const Place& place);
    void DissolveIfEmpty(const Place& place);
    void DestroyDockPane(int side);
    void DestroyFloatFrame(FloatFrame* frame);
    void MakeActive(SplitPane* pane);
    void ForgetActive(SplitPane* pane);
    void UpdateCaptions();
    // Hides every view of a place and tells the listener of each.
    void ClosePlace(const Place& place, int closedFrom);
    void HideFrom(ClientView* view, const Place& place);
    RECT ScreenRect(HWND hWnd) const;
    // The place whose window (or one of its descendants) is `window`.
    Place PlaceContaining(HWND window) const;
    DragProbe Probe(const DragTracker& drag, POINT p, UINT keys, FloatFrame*& overFrame, Pane*& centralPane) const;
    FloatFrame* TopmostFloatFrameAt(POINT p, HWND except) const;
    RECT StartOutline(const Place& source, HWND view, POINT p) const;

    SplitPane m_central;
    SplitPane* m_activePane = nullptr;
    SplitPane* m_previousActivePane = nullptr;
    std::array<std::unique_ptr<DockPane>, SideCount> m_dockPanes;
    DockLayout m_layout;
    std::array<RECT, SideCount> m_sideFloatRects;  // where each side's views floated last
    std::map<HWND, ClientView*> m_views;
    std::list<std::unique_ptr<FloatFrame>> m_floatFrames;
    std::map<UINT, MoveRequest> m_moveRequests;
    UINT m_nextRequest = 1;
    int m_batches = 0;
    FrameListener* m_listener = nullptr;
    bool m_autoHideTabs = false;
    HIMAGELIST m_images = nullptr;
    std::unique_ptr<DragTracker> m_drag;
    Outline m_dragOutline;
};

// One dock side: a caption bar with a close button, a sizing edge towards the central area, and
// the side's split pane.
class Frame::DockPane : public Window<Frame::DockPane>, public Frame::SplitPaneWrapper {
public:
    DECLARE_WND_CLASS_EX(L"KV_DockClient", CS_DBLCLKS, COLOR_3DFACE)
    ~DockPane() override {
        if (m_hWnd) DestroyWindow();
    }

    HWND Create(HWND frame, int side, FloatDockFrameListener* listener, bool autoHideTabs,
                std::unique_ptr<SplitPane> adopt);
    int Side() const { return m_side; }
    void SetCaption(const std::wstring& caption, bool active);
    // The caption bar, close button, sizing edge and split pane's area, in client coordinates.
    RECT CaptionRect() const;
    RECT CloseButtonRect() const;
    RECT SizingEdgeRect() const;
    RECT ContentRect() const;
    std::unique_ptr<SplitPane> ReleaseSplitPane() { return std::move(m_splitPane); }
    // The end of a sizing drag: the side changes when the edge moved more than 2 pixels.
    void FinishSizing(POINT press, POINT release);

    BEGIN_MSG_MAP(Frame::DockPane)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
        MESSAGE_HANDLER(WM_SETCURSOR, OnSetCursor)
        MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
        MESSAGE_HANDLER(WM_LBUTTONDBLCLK, OnLButtonDblClk)
        MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
        MESSAGE_HANDLER(WM_MOUSELEAVE, OnMouseLeave)
        MESSAGE_HANDLER(WM_LBUTTONUP, OnLButtonUp)
        MESSAGE_HANDLER(WM_CAPTURECHANGED, OnCaptureChanged)
        MESSAGE_HANDLER(WM_CLOSE, OnClose)
    END_MSG_MAP()

private:
    LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSetCursor(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnLButtonDown(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnLButtonDblClk(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnMouseMove(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnMouseLeave(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnLButtonUp(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnCaptureChanged(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnClose(UINT, WPARAM, LPARAM, BOOL&);

    void RunSizingLoop(POINT press);
    void SetButtonState(bool hot, bool pressed);

    int m_side = SideLeft;
    FloatDockFrameListener* m_listener = nullptr;
    std::wstring m_caption;
    bool m_active = false;
    bool m_hot = false;
    bool m_pressed = false;
    bool m_buttonCaptured = false;
    bool m_trackingLeave = false;
};

// A floating top-level tool window holding a split pane.
class Frame::FloatFrame : public Window<Frame::FloatFrame>, public Frame::SplitPaneWrapper {
public:
    DECLARE_WND_CLASS_EX(L"KV_FloatFrame", CS_DBLCLKS, COLOR_3DFACE)
    ~FloatFrame() override {
        if (m_hWnd) DestroyWindow();
    }

    HWND Create(HWND frame, const RECT& rect, FloatDockFrameListener* listener, bool autoHideTabs,
                std::unique_ptr<SplitPane> adopt);
    std::unique_ptr<SplitPane> ReleaseSplitPane() { return std::move(m_splitPane); }
    // The window rectangle of a floating frame whose client area is `client` (screen).
    static RECT WindowRectFor(const RECT& client);

    BEGIN_MSG_MAP(Frame::FloatFrame)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_NCLBUTTONDOWN, OnNcLButtonDown)
        MESSAGE_HANDLER(WM_NCLBUTTONDBLCLK, OnNcLButtonDblClk)
        MESSAGE_HANDLER(WM_CLOSE, OnClose)
        MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
        MESSAGE_HANDLER(WM_SETFOCUS, OnSetFocus)
    END_MSG_MAP()

private:
    LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnNcLButtonDown(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnNcLButtonDblClk(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnClose(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnContextMenu(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSetFocus(UINT, WPARAM, LPARAM, BOOL&);

    FloatDockFrameListener* m_listener = nullptr;
};

}  // namespace DockSplitTab
