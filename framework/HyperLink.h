// A hyperlink control: a static control, subclassed, that shows its text underlined in the link
// colour (another colour once visited), shows the hand cursor and opens its target on a click or
// on Enter or Space when it has the focus.
#pragma once
#include <windows.h>
#include <string>

#include "Gdi.h"

class HyperLink {
public:
    HyperLink() = default;
    ~HyperLink();
    HyperLink(const HyperLink&) = delete;
    HyperLink& operator=(const HyperLink&) = delete;

    // Takes over the static control; with an empty target the control's text is the target.
    bool SubclassWindow(HWND control);
    void SetHyperLink(const std::wstring& target) { m_target = target; }
    const std::wstring& Target() const { return m_target; }
    bool Visited() const { return m_visited; }
    // Opens the target with the shell; true when it was opened.
    bool Navigate();

    static constexpr COLORREF kLinkColor = RGB(0, 0, 255);
    static constexpr COLORREF kVisitedColor = RGB(128, 0, 128);

private:
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    void Paint(HDC dc);
    void Detach();

    HWND m_hWnd = nullptr;
    std::wstring m_target;
    Font m_font;
    bool m_visited = false;
};
