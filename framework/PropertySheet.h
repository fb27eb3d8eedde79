// Modal property sheets whose pages are dialogs of the resource instance.
//
// The platform creates a page's window the first time the page is shown; only created pages see
// the deactivation and apply notifications. A page T answers them by hiding the defaults below:
// OnKillActive (false keeps the page up) and OnApply (false keeps the sheet open on this page).
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <string>
#include <vector>

#include "Dialog.h"

template <class T>
class PropertyPage : public WindowBase {
public:
    PropertyPage() = default;
    PropertyPage(const PropertyPage&) = delete;
    PropertyPage& operator=(const PropertyPage&) = delete;

    // Whether the page's window has been made (the page was shown at least once).
    bool Created() const { return m_created; }

    bool OnKillActive() { return true; }
    bool OnApply() { return true; }

    // The page as the sheet takes it: template T::IDD, caption from the template.
    PROPSHEETPAGEW PageInfo() {
        PROPSHEETPAGEW page{};
        page.dwSize = sizeof(page);
        page.dwFlags = PSP_DEFAULT;
        page.hInstance = ResourceInstance();
        page.pszTemplate = MAKEINTRESOURCEW(T::IDD);
        page.pfnDlgProc = &PropertyPage::PageProc;
        page.lParam = reinterpret_cast<LPARAM>(this);
        return page;
    }

private:
    static INT_PTR CALLBACK PageProc(HWND hWnd, UINT msg, WPARAM w, LPARAM l) {
        auto* self = reinterpret_cast<PropertyPage*>(::GetWindowLongPtrW(hWnd, DWLP_USER));
        if (!self) {
            if (msg != WM_INITDIALOG) return FALSE;
            self = reinterpret_cast<PropertyPage*>(reinterpret_cast<const PROPSHEETPAGEW*>(l)->lParam);
            self->m_hWnd = hWnd;
            self->m_created = true;
            ::SetWindowLongPtrW(hWnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        }
        LRESULT result = 0;
        BOOL handled = self->template RouteMessage<T>(hWnd, msg, w, l, result);
        if (!handled && msg == WM_NOTIFY) {
            T* page = static_cast<T*>(self);
            switch (reinterpret_cast<const NMHDR*>(l)->code) {
            case PSN_KILLACTIVE:
                result = page->OnKillActive() ? FALSE : TRUE;
                handled = TRUE;
                break;
            case PSN_APPLY:
                result = page->OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
                handled = TRUE;
                break;
            default:
                break;
            }
        }
        if (msg == WM_NCDESTROY) {
            ::SetWindowLongPtrW(hWnd, DWLP_USER, 0);
            self->m_hWnd = nullptr;
        }
        return handled ? DialogProcResult(hWnd, msg, result) : FALSE;
    }

    bool m_created = false;
};

// A modal sheet with OK and Cancel only (no Apply button); the first page added is shown first.
class CPropertySheet {
public:
    explicit CPropertySheet(std::wstring caption) : m_caption(std::move(caption)) {}

    template <class T>
    void AddPage(PropertyPage<T>& page) { m_pages.push_back(page.PageInfo()); }

    // Runs the sheet owned by `owner`; true when it was closed with OK (every created page applied).
    bool DoModal(HWND owner);

private:
    std::wstring m_caption;
    std::vector<PROPSHEETPAGEW> m_pages;
};
