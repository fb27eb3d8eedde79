// Toolbars and rebars built from toolbar resources (a bitmap and a list of command ids that share
// one resource id), and the command bar: a toolbar that stands in for the window's menu bar.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <set>
#include <vector>

#include "Gdi.h"

// The toolbar resource: button size and the command of each button (0 = separator).
struct ToolBarResource {
    int width = 0;
    int height = 0;
    std::vector<UINT> commands;

    bool Load(HINSTANCE instance, UINT id);
    // Images are numbered in button order, separators skipped: the image of `command`, or -1.
    int ImageOf(UINT command) const;
};

// The mask colour of toolbar bitmaps: light grey is the button face.
inline constexpr COLORREF kToolBarMaskColor = RGB(192, 192, 192);

namespace detail {
inline void DestroyImageList(HIMAGELIST h) { ::ImageList_Destroy(h); }
}  // namespace detail

// Owns an image list; a toolbar does not free the list it shows.
using ImageList = Unique<HIMAGELIST, detail::DestroyImageList>;

// Creates a toolbar with the buttons and images of toolbar resource `resourceId`; `images` takes
// the image list, which must outlive the toolbar.
HWND CreateToolBarFromResource(HWND parent, UINT resourceId, DWORD style, UINT controlId, ImageList& images);

// Adds `child` as a rebar band with id `bandId`, on a new row when `newRow`.
bool AddReBarBand(HWND rebar, HWND child, UINT bandId, bool newRow);

// The first popup menu in `menu` whose text carries the mnemonic `letter` ("&File" -> 'F').
int FindMnemonic(HMENU menu, wchar_t letter);

class CommandBar {
public:
    CommandBar() = default;
    ~CommandBar();
    CommandBar(const CommandBar&) = delete;
    CommandBar& operator=(const CommandBar&) = delete;

    // Creates the bar as a toolbar child of `parent`; `owner` receives the menu's commands and
    // WM_INITMENUPOPUP / WM_MENUSELECT messages.
    HWND Create(HWND parent, HWND owner, DWORD style);
    // Takes over `menu` (one button per popup), in place of the menu it had, which it destroys.
    // The bar owns the menu from then on.
    bool AttachMenu(HMENU menu);
    // Gives the menu's items (and those of menus attached later) the images of toolbar resource
    // `imagesId`.
    void LoadImages(UINT imagesId);
    // The owner forwards WM_MEASUREITEM and WM_DRAWITEM of menus here: the bar draws the images.
    bool MeasureItem(MEASUREITEMSTRUCT& item) const;
    bool DrawItem(const DRAWITEMSTRUCT& item) const;

    HWND Handle() const { return m_hWnd; }
    HMENU Menu() const { return m_menu; }

    // Opens popup `index` under its button and tracks it; left and right arrows and the mouse
    // moving over another button switch popups. Returns when the menu closes.
    void TrackPopup(int index);
    // Keyboard access, for the owner's message filter: Alt+letter opens the popup with that
    // mnemonic, F10 or Alt pressed and released alone the first popup. True when consumed.
    bool PreTranslateMessage(const MSG& msg);

private:
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    static LRESULT CALLBACK MenuHook(int code, WPARAM, LPARAM);
    void SetItemImages(HMENU menu);

    HWND m_hWnd = nullptr;
    HWND m_owner = nullptr;
    HMENU m_menu = nullptr;
    ToolBarResource m_imageCommands;
    ImageList m_images;
    std::set<UINT> m_imageItems;  // the menu items whose bitmap the bar draws
    int m_tracked = -1;
    int m_next = -1;
    bool m_altAlone = false;
    static thread_local CommandBar* s_tracking;
    static thread_local HHOOK s_hook;
};
