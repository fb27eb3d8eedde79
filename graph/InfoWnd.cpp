#include "InfoWnd.h"

#include "Readout.h"

namespace {
constexpr COLORREF kInfoBackground = RGB(255, 255, 220);
}

HWND CInfoWnd::CreateInfoWindow(HWND parent) {
    const RECT empty{};
    return Create(parent, &empty, nullptr, WS_CHILD);
}

LRESULT CInfoWnd::OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof(metrics);
    if (::SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        m_font = Font(metrics.lfStatusFont);
    if (m_font) ::SelectObject(m_measureDC, m_font.Get());  // for the DC's whole life
    m_background = Brush(kInfoBackground);
    return 0;
}

LRESULT CInfoWnd::OnEraseBackground(UINT, WPARAM wParam, LPARAM, BOOL&) {
    HDC dc = reinterpret_cast<HDC>(wParam);
    const RECT rc = GetClientRect();
    // The DC's own pen (black) outlines it: a one-pixel frame.
    SelectedObject brush(dc, m_background.Get());
    ::Rectangle(dc, rc.left, rc.top, rc.right, rc.bottom);
    return 1;
}

LRESULT CInfoWnd::OnPaint(UINT, WPARAM, LPARAM, BOOL&) {
    PaintDC dc(m_hWnd);
    const RECT rc = GetClientRect();
    const InfoLayout layout = LayOutInfo(rc.right, rc.bottom, m_pointer, m_pointerLeft);
    ::SetBkMode(dc, TRANSPARENT);
    SelectedObject font(dc, m_font.Get());
    if (layout.hasLine) {
        ::MoveToEx(dc, layout.lineFrom.x, layout.lineFrom.y, nullptr);
        ::LineTo(dc, layout.lineTo.x, layout.lineTo.y);
    }
    ::TextOutW(dc, layout.text.x, layout.text.y, m_text.c_str(), static_cast<int>(m_text.size()));
    return 0;
}

void CInfoWnd::Show(int x, int y, const std::wstring& text, const RECT& bounds) {
    if (!m_hWnd) return;
    const bool moved = x != m_anchor.x || y != m_anchor.y;
    // The mouse path shows the same sample again and again: nothing to do then.
    if (!m_hidden && !moved && text == m_text && ::EqualRect(&bounds, &m_bounds)) return;
    if (!m_hidden && moved) Hide();
    m_hidden = false;
    m_anchor = POINT{x, y};
    m_text = text;
    m_bounds = bounds;

    SIZE size{};
    ::GetTextExtentPoint32W(m_measureDC, m_text.c_str(), static_cast<int>(m_text.size()), &size);
    const InfoPlacement placement = PlaceInfo(m_anchor, size, m_pointer, bounds);
    m_pointerLeft = placement.pointerLeft;
    Invalidate();
    const RECT& r = placement.rect;
    ::SetWindowPos(m_hWnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                   SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
}

void CInfoWnd::Hide() {
    if (!m_hWnd || m_hidden) return;
    ShowWindow(SW_HIDE);
    m_hidden = true;
}

void CInfoWnd::HideIfMoved(POINT pt) {
    if (pt.x != m_anchor.x || pt.y != m_anchor.y) Hide();
}
