#include "ToolBar.h"

#include <cwctype>
#include <string>

#include "AppModule.h"

thread_local CommandBar* CommandBar::s_tracking = nullptr;
thread_local HHOOK CommandBar::s_hook = nullptr;

bool ToolBarResource::Load(HINSTANCE instance, UINT id) {
    HRSRC found = ::FindResourceW(instance, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(241));
    if (!found) return false;
    HGLOBAL loaded = ::LoadResource(instance, found);
    const auto* data = static_cast<const WORD*>(loaded ? ::LockResource(loaded) : nullptr);
    DWORD size = ::SizeofResource(instance, found);
    if (!data || size < 8 || data[0] != 1) return false;
    WORD count = data[3];
    if (size < 8u + count * 2u) return false;
    width = data[1];
    height = data[2];
    commands.assign(data + 4, data + 4 + count);
    return true;
}

int ToolBarResource::ImageOf(UINT command) const {
    int image = 0;
    for (UINT c : commands) {
        if (c == 0) continue;
        if (c == command) return image;
        ++image;
    }
    return -1;
}

HWND CreateToolBarFromResource(HWND parent, UINT resourceId, DWORD style, UINT controlId, ImageList& images) {
    ToolBarResource resource;
    if (!resource.Load(ResourceInstance(), resourceId)) return nullptr;
    HWND toolbar = ::CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr, style, 0, 0, 100, 100, parent,
                                     reinterpret_cast<HMENU>(static_cast<UINT_PTR>(controlId)),
                                     ::GetModuleHandleW(nullptr), nullptr);
    if (!toolbar) return nullptr;
    ::SendMessageW(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    images.Reset(::ImageList_LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(resourceId), resource.width, 0,
                                        kToolBarMaskColor, IMAGE_BITMAP, LR_CREATEDIBSECTION));
    if (images.Get()) ::SendMessageW(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images.Get()));
    std::vector<TBBUTTON> buttons;
    for (UINT command : resource.commands) {
        TBBUTTON button{};
        if (command == 0) {
            button.fsStyle = BTNS_SEP;
        } else {
            button.iBitmap = resource.ImageOf(command);
            button.idCommand = static_cast<int>(command);
            button.fsState = TBSTATE_ENABLED;
            button.fsStyle = BTNS_BUTTON;
        }
        buttons.push_back(button);
    }
    ::SendMessageW(toolbar, TB_ADDBUTTONSW, buttons.size(), reinterpret_cast<LPARAM>(buttons.data()));
    ::SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);
    return toolbar;
}

bool AddReBarBand(HWND rebar, HWND child, UINT bandId, bool newRow) {
    RECT last{};
    int count = static_cast<int>(::SendMessageW(child, TB_BUTTONCOUNT, 0, 0));
    if (count > 0) ::SendMessageW(child, TB_GETITEMRECT, count - 1, reinterpret_cast<LPARAM>(&last));
    DWORD size = static_cast<DWORD>(::SendMessageW(child, TB_GETBUTTONSIZE, 0, 0));
    REBARBANDINFOW band{};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE | RBBIM_STYLE | RBBIM_ID | RBBIM_SIZE | RBBIM_IDEALSIZE;
    band.fStyle = RBBS_CHILDEDGE | (newRow ? RBBS_BREAK : 0);
    band.hwndChild = child;
    band.wID = bandId;
    band.cxMinChild = last.right;
    band.cyMinChild = HIWORD(size);
    band.cx = band.cxIdeal = last.right;
    return ::SendMessageW(rebar, RB_INSERTBANDW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&band)) != 0;
}

int FindMnemonic(HMENU menu, wchar_t letter) {
    wchar_t wanted = static_cast<wchar_t>(std::towupper(letter));
    int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[128] = {};
        ::GetMenuStringW(menu, i, text, 128, MF_BYPOSITION);
        for (const wchar_t* p = text; *p; ++p) {
            if (*p != L'&') continue;
            if (p[1] == L'&') {
                ++p;
                continue;
            }
            if (static_cast<wchar_t>(std::towupper(p[1])) == wanted) return i;
            break;
        }
    }
    return -1;
}

CommandBar::~CommandBar() {
    if (m_menu) ::DestroyMenu(m_menu);
}

HWND CommandBar::Create(HWND parent, HWND owner, DWORD style) {
    m_owner = owner;
    m_hWnd = ::CreateWindowExW(0, TOOLBARCLASSNAMEW, nullptr, style | TBSTYLE_FLAT | TBSTYLE_LIST, 0, 0, 100, 100,
                               parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
    if (!m_hWnd) return nullptr;
    ::SendMessageW(m_hWnd, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    ::SendMessageW(m_hWnd, TB_SETBITMAPSIZE, 0, MAKELPARAM(0, 0));
    ::SetWindowSubclass(m_hWnd, SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
    return m_hWnd;
}

bool CommandBar::AttachMenu(HMENU menu) {
    if (!m_hWnd || !menu) return false;
    if (m_menu) ::DestroyMenu(m_menu);
    m_menu = menu;
    // A menu that replaces another takes the place of its buttons, and its items get the images.
    while (::SendMessageW(m_hWnd, TB_DELETEBUTTON, 0, 0)) {}
    if (m_images.Get()) SetItemImages(menu);
    int count = ::GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[128] = {};
        ::GetMenuStringW(menu, i, text, 128, MF_BYPOSITION);
        TBBUTTON button{};
        button.iBitmap = I_IMAGENONE;
        button.idCommand = i + 1;  // never a real command: a button only opens its popup
        button.fsState = TBSTATE_ENABLED;
        button.fsStyle = BTNS_BUTTON | BTNS_AUTOSIZE | BTNS_SHOWTEXT;
        button.iString = reinterpret_cast<INT_PTR>(text);
        ::SendMessageW(m_hWnd, TB_ADDBUTTONSW, 1, reinterpret_cast<LPARAM>(&button));
    }
    ::SendMessageW(m_hWnd, TB_AUTOSIZE, 0, 0);
    return true;
}

void CommandBar::LoadImages(UINT imagesId) {
    if (!m_menu || !m_imageCommands.Load(ResourceInstance(), imagesId)) return;
    m_images.Reset(::ImageList_LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(imagesId), m_imageCommands.width, 0,
                                          kToolBarMaskColor, IMAGE_BITMAP, LR_CREATEDIBSECTION));
    if (m_images.Get()) SetItemImages(m_menu);
}

// Items with a toolbar image get a bitmap drawn by the owner (HBMMENU_CALLBACK), so that the image
// list's mask makes the face colour transparent on every menu background. In a popup that shows
// any image every item gets one (empty for items without an image): the popup then measures all
// its items alike, and Wine no longer cuts the text of the items without one.
void CommandBar::SetItemImages(HMENU menu) {
    int count = ::GetMenuItemCount(menu);
    bool anyImage = false;
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = ::GetSubMenu(menu, i))
            SetItemImages(sub);
        else if (m_imageCommands.ImageOf(::GetMenuItemID(menu, i)) >= 0)
            anyImage = true;
    }
    if (!anyImage) return;
    for (int i = 0; i < count; ++i) {
        UINT id = ::GetMenuItemID(menu, i);
        if (::GetSubMenu(menu, i) || id == 0 || id == static_cast<UINT>(-1)) continue;  // submenus, separators
        MENUITEMINFOW mii{};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_BITMAP;
        mii.hbmpItem = HBMMENU_CALLBACK;
        ::SetMenuItemInfoW(menu, i, TRUE, &mii);
        m_imageItems.insert(id);
    }
}

bool CommandBar::MeasureItem(MEASUREITEMSTRUCT& item) const {
    if (item.CtlType != ODT_MENU || !m_imageItems.count(item.itemID)) return false;
    item.itemWidth = static_cast<UINT>(m_imageCommands.width);
    item.itemHeight = static_cast<UINT>(m_imageCommands.height);
    return true;
}

bool CommandBar::DrawItem(const DRAWITEMSTRUCT& item) const {
    if (item.CtlType != ODT_MENU || !m_imageItems.count(item.itemID)) return false;
    int image = m_imageCommands.ImageOf(item.itemID);
    if (image < 0) return true;  // an item without an image keeps the image column empty
    int x = item.rcItem.left;
    int y = item.rcItem.top + (item.rcItem.bottom - item.rcItem.top - m_imageCommands.height) / 2;
    if (item.itemState & (ODS_GRAYED | ODS_DISABLED)) {
        HICON icon = ::ImageList_GetIcon(m_images.Get(), image, ILD_NORMAL);
        ::DrawStateW(item.hDC, nullptr, nullptr, reinterpret_cast<LPARAM>(icon), 0, x, y, 0, 0, DST_ICON | DSS_DISABLED);
        ::DestroyIcon(icon);
    } else {
        ::ImageList_Draw(m_images.Get(), image, item.hDC, x, y, ILD_TRANSPARENT);
    }
    return true;
}

void CommandBar::TrackPopup(int index) {
    if (!m_menu || s_tracking) return;
    int count = ::GetMenuItemCount(m_menu);
    s_tracking = this;
    s_hook = ::SetWindowsHookExW(WH_MSGFILTER, MenuHook, nullptr, ::GetCurrentThreadId());
    while (index >= 0 && index < count) {
        HMENU popup = ::GetSubMenu(m_menu, index);
        if (!popup) break;
        m_tracked = index;
        m_next = -1;
        RECT rc{};
        ::SendMessageW(m_hWnd, TB_GETITEMRECT, index, reinterpret_cast<LPARAM>(&rc));
        ::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&rc), 2);
        ::SendMessageW(m_hWnd, TB_PRESSBUTTON, index + 1, TRUE);
        TPMPARAMS exclude{sizeof(exclude), rc};
        ::TrackPopupMenuEx(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_VERTICAL | TPM_LEFTBUTTON, rc.left, rc.bottom,
                           m_owner, &exclude);
        ::SendMessageW(m_hWnd, TB_PRESSBUTTON, index + 1, FALSE);
        index = m_next;
    }
    if (s_hook) ::UnhookWindowsHookEx(s_hook);
    s_hook = nullptr;
    s_tracking = nullptr;
    m_tracked = -1;
}

LRESULT CALLBACK CommandBar::MenuHook(int code, WPARAM w, LPARAM l) {
    CommandBar* bar = s_tracking;
    if (code == MSGF_MENU && bar) {
        auto* msg = reinterpret_cast<MSG*>(l);
        int count = ::GetMenuItemCount(bar->m_menu);
        int next = -1;
        if (msg->message == WM_KEYDOWN && msg->wParam == VK_LEFT)
            next = (bar->m_tracked + count - 1) % count;
        else if (msg->message == WM_KEYDOWN && msg->wParam == VK_RIGHT)
            next = (bar->m_tracked + 1) % count;
        else if (msg->message == WM_MOUSEMOVE) {
            POINT pt = msg->pt;
            ::ScreenToClient(bar->m_hWnd, &pt);
            int hit = static_cast<int>(::SendMessageW(bar->m_hWnd, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&pt)));
            if (hit >= 0 && hit < count && hit != bar->m_tracked) next = hit;
        }
        if (next >= 0) {
            bar->m_next = next;
            ::SendMessageW(bar->m_owner, WM_CANCELMODE, 0, 0);
            return TRUE;
        }
    }
    return ::CallNextHookEx(nullptr, code, w, l);
}

LRESULT CALLBACK CommandBar::SubclassProc(HWND hWnd, UINT msg, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR data) {
    auto* bar = reinterpret_cast<CommandBar*>(data);
    switch (msg) {
    case WM_LBUTTONDOWN: {
        POINT pt{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
        int hit = static_cast<int>(::SendMessageW(hWnd, TB_HITTEST, 0, reinterpret_cast<LPARAM>(&pt)));
        if (hit >= 0) {
            bar->TrackPopup(hit);
            return 0;
        }
        break;
    }
    case WM_NCDESTROY:
        ::RemoveWindowSubclass(hWnd, SubclassProc, 1);
        bar->m_hWnd = nullptr;
        break;
    }
    return ::DefSubclassProc(hWnd, msg, w, l);
}

bool CommandBar::PreTranslateMessage(const MSG& msg) {
    if (!m_menu || !m_hWnd) return false;
    switch (msg.message) {
    case WM_SYSKEYDOWN:
        if (msg.wParam == VK_MENU) {
            // Only a press that is not a repeat can start "Alt alone".
            m_altAlone = !(msg.lParam & (1 << 30));
            return false;
        }
        m_altAlone = false;
        if (msg.wParam == VK_F10 && !(::GetKeyState(VK_SHIFT) & 0x8000)) {
            TrackPopup(0);
            return true;
        }
        if ((msg.lParam & (1 << 29)) && !(::GetKeyState(VK_CONTROL) & 0x8000)) {
            int index = FindMnemonic(m_menu, static_cast<wchar_t>(msg.wParam));
            if (index >= 0) {
                TrackPopup(index);
                return true;
            }
        }
        return false;
    case WM_SYSKEYUP:
        if (msg.wParam == VK_MENU && m_altAlone) {
            m_altAlone = false;
            TrackPopup(0);
            return true;
        }
        return false;
    case WM_KEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        m_altAlone = false;
        return false;
    default:
        return false;
    }
}
