// The drag loop shared by tabs and dock-pane captions, and the outline shown while dragging.
#pragma once
#include <windows.h>

#include "Listeners.h"

namespace DockSplitTab {

// Runs after a mouse press at screen point `press` in `hWnd`: captures the mouse, waits until it
// leaves the system's drag rectangle (a release before that ends it quietly), then reports the
// drag of `view` (none for a whole place) to `listener`: drag start on the first move, drag over
// on every move, drag drop on release, drag cancel when the capture ends otherwise (any key but
// Shift and Ctrl ends it). `lockUpdates` freezes the drawing of `hWnd` meanwhile. Returns whether
// a drop was reported.
bool RunDragLoop(HWND hWnd, POINT press, HWND view, CallBackListener& listener, bool lockUpdates);

// The screen position of a mouse message (relative to the window that has the capture).
POINT MessageScreenPoint(const MSG& msg);

// A plain rectangle on top of everything, in screen coordinates: hollow (a frame of `thickness`
// pixels) for drop outlines, solid for sizing bars. Owns its window.
class Outline {
public:
    Outline() = default;
    ~Outline();
    Outline(const Outline&) = delete;
    Outline& operator=(const Outline&) = delete;

    void Show(HWND owner, const RECT& screen, bool hollow, int thickness = 3);
    void Hide();
    bool IsVisible() const;
    RECT Rect() const { return m_rect; }

private:
    HWND m_hWnd = nullptr;
    RECT m_rect{};
    bool m_hollow = false;
    int m_thickness = 0;
};

}  // namespace DockSplitTab
