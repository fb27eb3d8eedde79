// Owners of GDI objects and device contexts.
#pragma once
#include <windows.h>
#include <algorithm>
#include <utility>

#include "Unique.h"

namespace detail {
template <class H>
void DeleteGdiObject(H h) {
    ::DeleteObject(h);
}
}  // namespace detail

// Owns a GDI object (pen, brush, font, bitmap, region); deletes it when it goes out of scope.
// Deselect it first: SelectedObject below does that on every path.
template <class H>
class GdiObject : public Unique<H, detail::DeleteGdiObject<H>> {
public:
    using Unique<H, detail::DeleteGdiObject<H>>::Unique;
    operator H() const { return this->Get(); }
};

namespace detail {
inline void DestroyIconHandle(HICON icon) { ::DestroyIcon(icon); }
inline void DestroyMenuHandle(HMENU menu) { ::DestroyMenu(menu); }
}  // namespace detail
// Owns a menu loaded or created by the program (with its popups).
using MenuHandle = Unique<HMENU, detail::DestroyMenuHandle>;
// Owns an icon that was not loaded as shared (shared icons must not be destroyed).
using Icon = Unique<HICON, detail::DestroyIconHandle>;

class Pen : public GdiObject<HPEN> {
public:
    Pen() = default;
    Pen(int style, int width, COLORREF color) : GdiObject(::CreatePen(style, width, color)) {}
};

class Brush : public GdiObject<HBRUSH> {
public:
    Brush() = default;
    explicit Brush(COLORREF color) : GdiObject(::CreateSolidBrush(color)) {}
};

class Font : public GdiObject<HFONT> {
public:
    Font() = default;
    explicit Font(const LOGFONTW& lf) : GdiObject(::CreateFontIndirectW(&lf)) {}
};

using Bitmap = GdiObject<HBITMAP>;
using Region = GdiObject<HRGN>;

// A rectangle of device units in the DC's logical units, normalised (left <= right, top <= bottom).
inline RECT DeviceToLogicalRect(HDC dc, const RECT& device) {
    POINT corners[2] = {{device.left, device.top}, {device.right, device.bottom}};
    ::DPtoLP(dc, corners, 2);
    return RECT{std::min(corners[0].x, corners[1].x), std::min(corners[0].y, corners[1].y),
                std::max(corners[0].x, corners[1].x), std::max(corners[0].y, corners[1].y)};
}

// Selects an object into a DC for the guard's lifetime and selects the previous one back.
class SelectedObject {
public:
    SelectedObject(HDC dc, HGDIOBJ obj) : m_dc(dc), m_old(obj ? ::SelectObject(dc, obj) : nullptr) {}
    ~SelectedObject() {
        if (m_old) ::SelectObject(m_dc, m_old);
    }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// Saves the whole DC state (mapping mode, colours, selected objects) and restores it.
class SavedDC {
public:
    explicit SavedDC(HDC dc) : m_dc(dc), m_state(::SaveDC(dc)) {}
    ~SavedDC() {
        if (m_state) ::RestoreDC(m_dc, m_state);
    }
    SavedDC(const SavedDC&) = delete;
    SavedDC& operator=(const SavedDC&) = delete;

private:
    HDC m_dc;
    int m_state;
};

// BeginPaint / EndPaint.
class PaintDC {
public:
    explicit PaintDC(HWND hWnd) : m_hWnd(hWnd), m_dc(::BeginPaint(hWnd, &m_ps)) {}
    ~PaintDC() { ::EndPaint(m_hWnd, &m_ps); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    operator HDC() const { return m_dc; }
    const PAINTSTRUCT& Info() const { return m_ps; }

private:
    HWND m_hWnd;
    PAINTSTRUCT m_ps{};
    HDC m_dc;
};

// GetDC / ReleaseDC.
class ClientDC {
public:
    explicit ClientDC(HWND hWnd) : m_hWnd(hWnd), m_dc(::GetDC(hWnd)) {}
    ~ClientDC() {
        if (m_dc) ::ReleaseDC(m_hWnd, m_dc);
    }
    ClientDC(const ClientDC&) = delete;
    ClientDC& operator=(const ClientDC&) = delete;
    operator HDC() const { return m_dc; }

private:
    HWND m_hWnd;
    HDC m_dc;
};

// CreateCompatibleDC / DeleteDC.
class MemoryDC {
public:
    explicit MemoryDC(HDC reference) : m_dc(::CreateCompatibleDC(reference)) {}
    ~MemoryDC() {
        if (m_dc) ::DeleteDC(m_dc);
    }
    MemoryDC(const MemoryDC&) = delete;
    MemoryDC& operator=(const MemoryDC&) = delete;
    operator HDC() const { return m_dc; }

private:
    HDC m_dc;
};
