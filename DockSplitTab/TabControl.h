// The tab strip of a pane: the platform tab control, subclassed so that pressing a tab starts a
// drag of its view, a right-click selects the tab and lets the view show its menu, and a
// double-click is reported to the pane.
#pragma once
#include <string>
#include <unordered_map>
#include <vector>

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

    // The views of the tabs are kept beside the control as well, in tab order, so that finding a
    // view's tab costs no walk through the tabs: all changes of the items go through here.
    int Count() const { return static_cast<int>(m_views.size()); }
    int Selected() const { return static_cast<int>(::SendMessageW(m_hWnd, TCM_GETCURSEL, 0, 0)); }
    void Select(int index) { ::SendMessageW(m_hWnd, TCM_SETCURSEL, index, 0); }
    int Insert(int index, const TabItem& item);
    bool Delete(int index);
    TabItem Item(int index) const;
    bool SetCaption(int index, const std::wstring& caption);
    HWND View(int index) const { return index >= 0 && index < Count() ? m_views[index] : nullptr; }
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
    // Renumbers the tabs from `first` on after an insertion or deletion.
    void Reindex(int first);

    CallBackListener* m_dragListener = nullptr;
    std::vector<HWND> m_views;
    std::unordered_map<HWND, int> m_indices;
};

}  // namespace DockSplitTab
