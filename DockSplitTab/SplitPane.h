// One place of the layout: a tree of splitters whose leaves are tabbed panes. Views are added to
// the current pane; dragging a tab onto a pane's tab strip or one of its halves moves or splits.
#pragma once
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "DragLoop.h"
#include "Pane.h"
#include "Splitter.h"

namespace DockSplitTab {

// The splitters of a split pane share one window class; the bar's direction is set per object.
class SplitDock : public SplitterImpl<SplitDock> {
public:
    DECLARE_WND_CLASS_EX(L"KV_SplitDock", 0, COLOR_3DFACE)
    explicit SplitDock(bool vertical) : SplitterImpl<SplitDock>(vertical) {}
};

// true: a vertical bar between a left and a right part; false: a horizontal bar.
template <bool t_bVertical>
class SplitterT : public SplitDock {
public:
    SplitterT() : SplitDock(t_bVertical) {}
};

class SplitPane : public Window<SplitPane>, public CallBackListener {
public:
    DECLARE_WND_CLASS_EX(L"KV_Splitter", 0, COLOR_3DFACE)

    SplitPane() = default;
    ~SplitPane() override;

    // Creates the window with one empty pane. `images` (not owned) is given to every tab strip.
    HWND Create(HWND parent, CallBackListener* owner, bool tabsOnTop, bool autoHide,
                HIMAGELIST images = nullptr);

    // `select` clear: the view's tab waits behind the current pane's selected one (unless it is
    // the pane's first).
    void AddView(const wchar_t* caption, HWND view, const wchar_t* tooltip, int image, bool select = true);
    bool RemoveView(HWND view);
    bool ActivateView(HWND view);
    HWND ActiveView() const;
    bool HoldsView(HWND view) const { return m_viewPanes.count(view) != 0; }
    bool IsSelected(HWND view) const;
    // The pane under a screen point, or none.
    Pane* AcceptsDropPoint(POINT screen) const;
    // Every view, tree order (left or top part first), tab order within a pane.
    std::vector<HWND> Views() const;
    bool IsEmpty() const { return m_viewPanes.empty(); }
    void SetOwner(CallBackListener* owner) { m_owner = owner; }
    // The images of the tabs (not owned), for this split pane's panes now and later.
    void SetImageList(HIMAGELIST images);
    // Holds the drawing of every pane's tab strip (panes made meanwhile too), or releases it.
    void HoldStripDrawing(bool hold);

    Pane* CurrentPane() const { return m_activePane; }
    Pane* PaneOf(HWND view) const;
    HWND RootChild() const { return m_rootChild; }
    int PaneCount() const { return static_cast<int>(m_panes.size()); }
    // The splitter holding `child`, or none when it is the root child.
    SplitDock* ParentSplitter(HWND child) const;
    // The shown local drop outline (screen), empty when none.
    RECT LocalOutline() const { return m_outline.IsVisible() ? m_outline.Rect() : RECT{}; }

    void ViewActivated(HWND pane, HWND view) override;
    void ViewDetach(HWND pane, HWND view) override;
    void ViewClose(HWND view) override;
    void DragStart(HWND window, HWND view, int x, int y, UINT keys) override;
    void DragOver(HWND window, HWND view, int x, int y, UINT keys) override;
    void DragDrop(HWND window, HWND view, int x, int y, UINT keys) override;
    void DragCancel(HWND window, HWND view) override;

    BEGIN_MSG_MAP(SplitPane)
        MESSAGE_HANDLER(WM_CREATE, OnCreate)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_SETFOCUS, OnSetFocus)
        MESSAGE_HANDLER(WM_CLOSE, OnClose)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        MESSAGE_HANDLER(kCollapseMessage, OnCollapse)
    END_MSG_MAP()

    // Posted with an emptied pane's window: collapse it after the current message.
    static constexpr UINT kCollapseMessage = WM_APP + 0x40;

private:
    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSetFocus(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnClose(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnCollapse(UINT, WPARAM, LPARAM, BOOL&);

    Pane* NewPane(HWND parent, bool autoHide);
    Pane* FindPane(HWND hWnd) const;
    SplitDock* FindSplitter(HWND hWnd) const;
    void MoveTab(HWND view, Pane* from, Pane* to);
    void Split(Pane* target, int zone, HWND view);
    void Collapse(Pane* pane);
    // Puts `child` where `old` was: the root child, or `old`'s slot of its parent splitter.
    void Replace(HWND old, HWND child);
    void CollectViews(HWND node, std::vector<HWND>& views) const;
    Pane* FirstPane(HWND node) const;
    void ResetDrag();

    CallBackListener* m_owner = nullptr;
    bool m_tabsOnTop = true;
    bool m_autoHide = false;
    HIMAGELIST m_images = nullptr;
    bool m_stripDrawingHeld = false;
    HWND m_rootChild = nullptr;
    Pane* m_activePane = nullptr;
    std::map<HWND, std::unique_ptr<SplitterT<true>>> m_verticalSplitters;
    std::map<HWND, std::unique_ptr<SplitterT<false>>> m_horizontalSplitters;
    std::map<HWND, std::unique_ptr<Pane>> m_panes;
    std::map<HWND, Pane*> m_viewPanes;

    // The local drag in progress.
    Pane* m_dragSource = nullptr;
    Pane* m_dropTarget = nullptr;
    int m_dropZone = 0;
    bool m_ownerTracking = false;
    Outline m_outline;
};

}  // namespace DockSplitTab
