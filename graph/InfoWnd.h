// The read-out window: a small pale-yellow child of a graph window showing one line of text beside
// a point, with a short leader line pointing at it when asked.
#pragma once
#include <windows.h>
#include <string>

#include "Gdi.h"
#include "Window.h"

class CInfoWnd : public Window<CInfoWnd> {
public:
    DECLARE_WND_CLASS_EX(L"KV_InfoWnd", 0, -1)

    // `pointer`: draw a leader line to the anchor.
    explicit CInfoWnd(bool pointer) : m_pointer(pointer) {}

    // Created hidden, at an empty rectangle.
    HWND CreateInfoWindow(HWND parent);

    BEGIN_MSG_MAP(CInfoWnd)
        MESSAGE_HANDLER(WM_CREATE, OnCreate)
        MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
        MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
    END_MSG_MAP()

    // Shows `text` beside the anchor (x, y), both in the parent's client coordinates, to the left
    // of it when it would cross the right edge of `bounds`.
    void Show(int x, int y, const std::wstring& text, const RECT& bounds);
    void Hide();
    // Hides the window unless `pt` is its anchor.
    void HideIfMoved(POINT pt);

    bool Hidden() const { return m_hidden; }
    bool PointerLeft() const { return m_pointerLeft; }
    POINT Anchor() const { return m_anchor; }
    const std::wstring& Text() const { return m_text; }

private:
    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnEraseBackground(UINT, WPARAM wParam, LPARAM, BOOL&);
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);
    // The read-out sits over the graph: the graph follows the mouse as if it were not there.
    LRESULT OnMouseMove(UINT msg, WPARAM wParam, LPARAM lParam, BOOL&) {
        ::SendMessageW(::GetParent(m_hWnd), msg, wParam, lParam);
        return 0;
    }

    const bool m_pointer;
    bool m_pointerLeft = true;
    bool m_hidden = true;
    POINT m_anchor{};
    std::wstring m_text;
    RECT m_bounds{};
    Font m_font;  // the status-bar font; none: the DC's default
    Brush m_background;
    // Measures the text in that font: a screen-compatible DC made once, as a window DC per move
    // costs a round trip to the window system. Declared after the font, so it goes first.
    MemoryDC m_measureDC{nullptr};
};
