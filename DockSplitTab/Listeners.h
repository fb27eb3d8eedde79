// The interfaces between the levels of the layout. Calls go one level up through these: a tab
// strip to its pane, a pane to its split pane, a split pane to the frame, the frame to its user.
// The order of the operations is fixed; none of the interfaces owns the object behind it.
#pragma once
#include <windows.h>

namespace DockSplitTab {

class ClientView;

// Callbacks from panes to their owner. `window` is the window a drag started in (a pane, a dock
// pane, a floating frame), `view` the dragged view's window or none for a whole place.
class CallBackListener {
public:
    virtual void ViewActivated(HWND pane, HWND view) = 0;
    virtual void ViewDetach(HWND pane, HWND view) = 0;
    virtual void ViewClose(HWND view) = 0;
    virtual void DragStart(HWND window, HWND view, int x, int y, UINT keys) = 0;
    virtual void DragOver(HWND window, HWND view, int x, int y, UINT keys) = 0;
    virtual void DragDrop(HWND window, HWND view, int x, int y, UINT keys) = 0;
    virtual void DragCancel(HWND window, HWND view) = 0;

protected:
    ~CallBackListener() = default;
};

// What dock panes and floating frames ask of the frame.
class FloatDockFrameListener : public CallBackListener {
public:
    // The screen rectangle within which the side's sizing edge may move.
    virtual RECT DockSizingLimits(int side) = 0;
    virtual void DockResized(int side, int delta) = 0;
    virtual void FloatDockSide(int side) = 0;
    virtual void DockFloatingFrame(HWND frame) = 0;
    virtual void CloseFloatingFrame(HWND frame) = 0;

protected:
    ~FloatDockFrameListener() = default;
};

// The frame's user hears of views that left the layout by a close.
class FrameListener {
public:
    virtual void ViewClosed(ClientView* view) = 0;

protected:
    ~FrameListener() = default;
};

}  // namespace DockSplitTab
