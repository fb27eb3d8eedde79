// A tabbed pane: a tab strip with one tab per view, and the selected view's window over the rest.
#pragma once
#include <map>
#include <string>

#include "Gdi.h"
#include "Listeners.h"
#include "TabControl.h"
#include "Window.h"

namespace DockSplitTab {

class Pane : public Window<Pane>, public CallBackListener {
public:
    DECLARE_WND_CLASS_EX(L"KV_Client", CS_DBLCLKS, -1)

    // `owner` is the split pane; the flags come from it.
    HWND Create(HWND parent, CallBackListener* owner, bool tabsOnTop, bool autoHide, HIMAGELIST images);

    // Adds a tab for `view` at the end and makes the view a child of the pane; selects it when
    // `select` is set or it is the only tab, else it waits hidden behind the selected one.
    void AddView(const TabItem& item, const std::wstring& tooltip, bool select = true);
    // Deletes the view's tab and hides its window; another tab is selected.
    bool RemoveView(HWND view);
    // Selects the view's tab, shows the view and gives it the focus.
    bool SelectView(HWND view);

    int TabCount() const { return m_tabs.Count(); }
    HWND SelectedView() const;
    bool HoldsView(HWND view) const { return m_tabs.Find(view) >= 0; }
    TabItem Item(HWND view) const;
    std::wstring Tooltip(HWND view) const;
    void SetTooltip(HWND view, const std::wstring& tooltip);
    HWND ViewAt(int index) const { return m_tabs.View(index); }
    bool TabStripShown() const { return m_stripShown; }
    // Both in pane coordinates; a hidden strip is empty.
    RECT TabStripRect() const;
    RECT ClientPart() const;
    TabControl& Tabs() { return m_tabs; }
    // Holds the tab strip's drawing (while many tabs are added, each would redraw the whole strip)
    // or lets it draw again, at once.
    void HoldStripDrawing(bool hold);

    // Tab reordering inside the strip; the rest of a drag goes to the split pane.
    void ViewActivated(HWND pane, HWND view) override;
    void ViewDetach(HWND pane, HWND view) override;
    void ViewClose(HWND view) override;
    void DragStart(HWND window, HWND view, int x, int y, UINT keys) override;
    void DragOver(HWND window, HWND view, int x, int y, UINT keys) override;
    void DragDrop(HWND window, HWND view, int x, int y, UINT keys) override;
    void DragCancel(HWND window, HWND view) override;

    BEGIN_MSG_MAP(Pane)
        MESSAGE_HANDLER(WM_CREATE, OnCreate)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
        MESSAGE_HANDLER(WM_SETFOCUS, OnSetFocus)
        MESSAGE_HANDLER(WM_MOUSEACTIVATE, OnMouseActivate)
        NOTIFY_CODE_HANDLER(TCN_SELCHANGE, OnSelChange)
        NOTIFY_CODE_HANDLER(NM_DBLCLK, OnDoubleClick)
        NOTIFY_CODE_HANDLER(TTN_GETDISPINFOW, OnTooltipText)
    END_MSG_MAP()

private:
    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSetFocus(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnMouseActivate(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSelChange(int, LPNMHDR, BOOL&);
    LRESULT OnDoubleClick(int, LPNMHDR, BOOL&);
    LRESULT OnTooltipText(int, LPNMHDR, BOOL&);

    void UpdateLayout();
    bool StripShownFor(int count) const { return m_autoHide ? count > 1 : count >= 1; }
    void ShowSelectedView(bool focus);
    void HandToOwner(bool start, HWND window, HWND view, int x, int y, UINT keys);

    TabControl m_tabs;
    Font m_font;  // the icon-title font, for the tab texts
    CallBackListener* m_owner = nullptr;
    bool m_tabsOnTop = true;
    bool m_autoHide = false;
    bool m_stripShown = false;
    int m_stripHeight = 0;  // from the strip's font, measured once
    HIMAGELIST m_images = nullptr;  // the split pane's, not owned
    std::map<HWND, std::wstring> m_tooltips;

    // Tab reordering in progress.
    int m_dragIndex = -1;
    POINT m_dragPress{};
    HCURSOR m_dragCursor = nullptr;
    bool m_ownerTracking = false;
};

}  // namespace DockSplitTab
