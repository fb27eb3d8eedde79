#include "TabControl.h"

#include <utility>

#include "DragLoop.h"

namespace DockSplitTab {

namespace {
constexpr int kMaxCaption = 255;
}

HWND TabControl::Create(HWND parent, CallBackListener* dragListener) {
    m_dragListener = dragListener;
    HWND hWnd = ::CreateWindowExW(0, WC_TABCONTROLW, L"",
                                  WS_CHILD | WS_CLIPSIBLINGS | TCS_TOOLTIPS | TCS_FOCUSNEVER, 0, 0, 0, 0,
                                  parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (hWnd) SubclassWindow(hWnd);
    return hWnd;
}

int TabControl::Insert(int index, const TabItem& item) {
    std::wstring caption = item.caption.substr(0, kMaxCaption);
    TCITEMW tci{};
    tci.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM;
    tci.pszText = caption.data();
    tci.iImage = item.image;
    tci.lParam = reinterpret_cast<LPARAM>(item.view);
    const int at = static_cast<int>(::SendMessageW(m_hWnd, TCM_INSERTITEMW, index, reinterpret_cast<LPARAM>(&tci)));
    if (at < 0 || at > Count()) return -1;
    m_views.insert(m_views.begin() + at, item.view);
    Reindex(at);
    return at;
}

bool TabControl::Delete(int index) {
    if (index < 0 || index >= Count() || !::SendMessageW(m_hWnd, TCM_DELETEITEM, index, 0)) return false;
    m_indices.erase(m_views[index]);
    m_views.erase(m_views.begin() + index);
    Reindex(index);
    return true;
}

void TabControl::Reindex(int first) {
    for (int i = first, n = Count(); i < n; ++i) m_indices[m_views[i]] = i;
}

TabItem TabControl::Item(int index) const {
    wchar_t text[kMaxCaption + 1] = {};
    TCITEMW tci{};
    tci.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM;
    tci.pszText = text;
    tci.cchTextMax = kMaxCaption + 1;
    if (!::SendMessageW(m_hWnd, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&tci))) return {};
    return TabItem{text, tci.iImage, reinterpret_cast<HWND>(tci.lParam)};
}

bool TabControl::SetCaption(int index, const std::wstring& caption) {
    if (index < 0 || index >= Count()) return false;
    std::wstring text = caption.substr(0, kMaxCaption);
    TCITEMW tci{};
    tci.mask = TCIF_TEXT;
    tci.pszText = text.data();
    return ::SendMessageW(m_hWnd, TCM_SETITEMW, index, reinterpret_cast<LPARAM>(&tci)) != 0;
}

int TabControl::Find(HWND view) const {
    auto it = m_indices.find(view);
    return it == m_indices.end() ? -1 : it->second;
}

int TabControl::HitTest(POINT screen) const {
    TCHITTESTINFO hit{};
    hit.pt = screen;
    ::ScreenToClient(m_hWnd, &hit.pt);
    RECT rc = GetClientRect();
    if (!::IsWindowVisible(m_hWnd) || !::PtInRect(&rc, hit.pt)) return -1;
    return static_cast<int>(::SendMessageW(m_hWnd, TCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
}

void TabControl::SwapItems(int a, int b, bool keepSelection, bool notify) {
    const int n = Count();
    if (a == b || a < 0 || b < 0 || a >= n || b >= n) return;
    HWND selectedView = View(Selected());
    TabItem first = Item(a), second = Item(b);
    auto put = [this](int index, const TabItem& item) {
        std::wstring caption = item.caption;
        TCITEMW tci{};
        tci.mask = TCIF_TEXT | TCIF_IMAGE | TCIF_PARAM;
        tci.pszText = caption.data();
        tci.iImage = item.image;
        tci.lParam = reinterpret_cast<LPARAM>(item.view);
        ::SendMessageW(m_hWnd, TCM_SETITEMW, index, reinterpret_cast<LPARAM>(&tci));
    };
    put(a, second);
    put(b, first);
    std::swap(m_views[a], m_views[b]);
    m_indices[m_views[a]] = a;
    m_indices[m_views[b]] = b;
    if (keepSelection) Select(Find(selectedView));
    if (notify) {
        NMTABSWAP nm{{m_hWnd, static_cast<UINT_PTR>(::GetDlgCtrlID(m_hWnd)), TCN_KV_SWAPPED}, a, b};
        ::SendMessageW(::GetParent(m_hWnd), WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
    }
}

void TabControl::NotifyParent(UINT code) const {
    NMHDR nm{m_hWnd, static_cast<UINT_PTR>(::GetDlgCtrlID(m_hWnd)), code};
    ::SendMessageW(::GetParent(m_hWnd), WM_NOTIFY, nm.idFrom, reinterpret_cast<LPARAM>(&nm));
}

LRESULT TabControl::OnLButtonDown(UINT msg, WPARAM wParam, LPARAM lParam, BOOL&) {
    DefWindowProc(msg, wParam, lParam);  // the control selects the tab and tells the pane
    POINT press{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ::ClientToScreen(m_hWnd, &press);
    int index = HitTest(press);
    if (index >= 0 && m_dragListener) RunDragLoop(m_hWnd, press, View(index), *m_dragListener, false);
    return 0;
}

// The control's own handling of a double-click differs between platforms; the pane hears of it
// exactly once, here.
LRESULT TabControl::OnLButtonDblClk(UINT, WPARAM, LPARAM lParam, BOOL&) {
    POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ::ClientToScreen(m_hWnd, &pt);
    if (HitTest(pt) >= 0) NotifyParent(NM_DBLCLK);
    return 0;
}

LRESULT TabControl::OnContextMenu(UINT, WPARAM, LPARAM lParam, BOOL& bHandled) {
    POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    int index = lParam == -1 ? Selected() : HitTest(pt);
    if (index < 0) {
        bHandled = FALSE;
        return 0;
    }
    if (index != Selected()) {
        Select(index);
        NotifyParent(TCN_SELCHANGE);
    }
    HWND view = View(index);
    if (view) ::SendMessageW(view, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(view), lParam);
    return 0;
}

}  // namespace DockSplitTab
