// A window split in two parts by a draggable bar: a vertical bar (left and right parts) or a
// horizontal one (top and bottom). The bar's thickness comes from the system's sizing-frame
// metric; dragging it moves the parts at once (full-window drag); when the splitter is resized
// the bar keeps its proportion. A new splitter puts the bar in the middle.
#pragma once
#include "Gdi.h"
#include "Window.h"

// The rectangles of the two parts and the bar inside `area`, for a bar whose leading edge is at
// `pos` (relative to the area's start). The position is clamped so that the bar stays inside.
struct SplitterRects {
    RECT first;
    RECT bar;
    RECT second;
};
SplitterRects ComputeSplitterRects(const RECT& area, bool vertical, int pos, int barThickness);
// The bar position that keeps its proportion when the splitter's extent changes.
int ProportionalSplitterPos(int pos, int oldExtent, int newExtent);

template <class T>
class SplitterImpl : public Window<T> {
public:
    explicit SplitterImpl(bool vertical) : m_vertical(vertical) {}

    bool IsVertical() const { return m_vertical; }
    int BarThickness() const { return ::GetSystemMetrics(m_vertical ? SM_CXSIZEFRAME : SM_CYSIZEFRAME); }

    // Index 0 is the left or top pane, 1 the right or bottom one.
    HWND GetSplitterPane(int index) const { return m_panes[index & 1]; }
    void SetSplitterPane(int index, HWND hWnd) {
        m_panes[index & 1] = hWnd;
        UpdateSplitterLayout();
    }
    void SetSplitterPanes(HWND first, HWND second) {
        m_panes[0] = first;
        m_panes[1] = second;
        UpdateSplitterLayout();
    }
    int GetSplitterPos() const { return m_pos; }
    void SetSplitterPos(int pos) {
        m_pos = pos;
        m_setPos = pos;
        m_setExtent = Extent();
        UpdateSplitterLayout();
    }
    // Puts the bar in the middle of the splitter.
    void SetSplitterPosMiddle() { SetSplitterPos((Extent() - BarThickness()) / 2); }
    RECT GetBarRect() const { return Rects().bar; }

    void UpdateSplitterLayout() {
        if (!this->m_hWnd) return;
        SplitterRects r = Rects();
        m_pos = (m_vertical ? r.bar.left : r.bar.top);
        const RECT* parts[2] = {&r.first, &r.second};
        for (int i = 0; i < 2; ++i) {
            if (!m_panes[i]) continue;
            const RECT& rc = *parts[i];
            ::SetWindowPos(m_panes[i], nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top,
                           SWP_NOZORDER | SWP_NOACTIVATE);
        }
        ::InvalidateRect(this->m_hWnd, &r.bar, TRUE);
    }

    BEGIN_MSG_MAP(SplitterImpl)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
        MESSAGE_HANDLER(WM_SETCURSOR, OnSetCursor)
        MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
        MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
        MESSAGE_HANDLER(WM_LBUTTONUP, OnLButtonUp)
        MESSAGE_HANDLER(WM_CAPTURECHANGED, OnCaptureChanged)
        MESSAGE_HANDLER(WM_KEYDOWN, OnKeyDown)
    END_MSG_MAP()

private:
    int Extent() const {
        RECT rc = this->GetClientRect();
        return m_vertical ? rc.right - rc.left : rc.bottom - rc.top;
    }
    SplitterRects Rects() const {
        int pos = m_pos < 0 ? (Extent() - BarThickness()) / 2 : m_pos;
        return ComputeSplitterRects(this->GetClientRect(), m_vertical, pos, BarThickness());
    }
    bool OverBar(LPARAM lParam) const {
        RECT bar = GetBarRect();
        POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        return ::PtInRect(&bar, pt) != FALSE;
    }
    int Coordinate(LPARAM lParam) const {
        return m_vertical ? static_cast<short>(LOWORD(lParam)) : static_cast<short>(HIWORD(lParam));
    }

    LRESULT OnSize(UINT, WPARAM wParam, LPARAM, BOOL&) {
        if (wParam == SIZE_MINIMIZED) return 0;
        // Scaled from the position last set, so that repeated resizing does not drift.
        if (m_setPos >= 0 && m_setExtent > 0) m_pos = ProportionalSplitterPos(m_setPos, m_setExtent, Extent());
        UpdateSplitterLayout();
        return 0;
    }
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL&) { return 1; }
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&) {
        PaintDC dc(this->m_hWnd);
        RECT bar = GetBarRect();
        ::FillRect(dc, &bar, ::GetSysColorBrush(COLOR_3DFACE));
        ::DrawEdge(dc, &bar, EDGE_RAISED, m_vertical ? (BF_LEFT | BF_RIGHT) : (BF_TOP | BF_BOTTOM));
        return 0;
    }
    LRESULT OnSetCursor(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
        POINT pt{};
        ::GetCursorPos(&pt);
        ::ScreenToClient(this->m_hWnd, &pt);
        RECT bar = GetBarRect();
        if (reinterpret_cast<HWND>(wParam) == this->m_hWnd && ::PtInRect(&bar, pt)) {
            ::SetCursor(::LoadCursorW(nullptr, m_vertical ? IDC_SIZEWE : IDC_SIZENS));
            return TRUE;
        }
        bHandled = FALSE;
        return 0;
    }
    LRESULT OnLButtonDown(UINT, WPARAM, LPARAM lParam, BOOL&) {
        if (!OverBar(lParam)) return 0;
        m_dragOffset = Coordinate(lParam) - m_pos;
        m_dragStartPos = m_pos;
        m_dragging = true;
        ::SetCapture(this->m_hWnd);
        return 0;
    }
    LRESULT OnMouseMove(UINT, WPARAM, LPARAM lParam, BOOL&) {
        if (m_dragging) {
            int pos = Coordinate(lParam) - m_dragOffset;
            if (pos != m_pos) SetSplitterPos(pos);
        }
        return 0;
    }
    LRESULT OnLButtonUp(UINT, WPARAM, LPARAM, BOOL&) {
        if (m_dragging) {
            m_dragging = false;
            ::ReleaseCapture();
        }
        return 0;
    }
    LRESULT OnCaptureChanged(UINT, WPARAM, LPARAM, BOOL&) {
        m_dragging = false;
        return 0;
    }
    // Escape during a drag puts the bar back where it was.
    LRESULT OnKeyDown(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
        if (m_dragging && wParam == VK_ESCAPE) {
            ::ReleaseCapture();
            SetSplitterPos(m_dragStartPos);
            return 0;
        }
        bHandled = FALSE;
        return 0;
    }

    bool m_vertical;
    HWND m_panes[2] = {nullptr, nullptr};
    int m_pos = -1;  // leading edge of the bar; -1: not placed yet (middle)
    int m_setPos = -1;    // the position last set, and the extent it was set for
    int m_setExtent = 0;
    bool m_dragging = false;
    int m_dragOffset = 0;
    int m_dragStartPos = 0;
};
