// The tab strip of a pane: the platform tab control, subclassed so that pressing a tab starts a
// drag of its view, a right-click selects the tab and lets the view show its menu, and a
// double-click is reported to the pane.
#pragma once
#include <string>

#include "Listeners.h"
#include "Subclass.h"

namespace DockSplitTab {

// Sent to the parent after two tabs were exchanged (the indices follow the header).
constexpr UINT TCN_KV_SWAPPED = static_cast<UINT>(-564);
struct NMTABSWAP {
    NMHDR hdr;
    int first;
    int second;
};

struct TabItem {
    std::wstring caption;
    int image = -1;
    HWND view = nullptr;
};

class TabControl : public SubclassedWindow<TabControl> {
public:
    // Creates the control as a child of `parent`; drags of its tabs go to `dragListener`.
    HWND Create(HWND parent, CallBackListener* dragListener);

    int Count() const { return static_cast<int>(::SendMessageW(m_hWnd, TCM_GETITEMCOUNT, 0, 0)); }
    int Selected() const { return static_cast<int>(::SendMessageW(m_hWnd, TCM_GETCURSEL, 0, 0)); }
    void Select(int index) { ::SendMessageW(m_hWnd, TCM_SETCURSEL, index, 0); }
    int Insert(int index, const TabItem& item);
    bool Delete(int index) { return ::SendMessageW(m_hWnd, TCM_DELETEITEM, index, 0) != 0; }
    TabItem Item(int index) const;
    HWND View(int index) const;
    int Find(HWND view) const;
    // The tab under a screen point, or -1.
    int HitTest(POINT screen) const;
    // Exchanges two tabs' captions, images and views; the selected view stays selected when
    // `keepSelection` is set.
    void SwapItems(int a, int b, bool keepSelection, bool notify);

    BEGIN_MSG_MAP(TabControl)
        MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
        MESSAGE_HANDLER(WM_LBUTTONDBLCLK, OnLButtonDblClk)
        MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
    END_MSG_MAP()

private:
    LRESULT OnLButtonDown(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnLButtonDblClk(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnContextMenu(UINT, WPARAM, LPARAM, BOOL&);
    void NotifyParent(UINT code) const;

    CallBackListener* m_dragListener = nullptr;
};

}  // namespace DockSplitTab
