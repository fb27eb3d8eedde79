// A view placed in the layout: a window with its caption, tooltip and image, and where it was.
#pragma once
#include <windows.h>
#include <string>

namespace DockSplitTab {

class SplitPane;

// How a view was placed last: a view of the central area, of the dock sides, or floated.
enum ViewMode { ModeCentral = 0, ModeDocked = 1, ModeFloating = 2 };
// Where a hidden view was hidden from.
enum ClosedFrom { ClosedNone = 0, ClosedFromDock = 2, ClosedFromFloat = 3 };

class ClientView {
public:
    ClientView() = default;
    ClientView(HWND window, std::wstring caption, std::wstring tooltip = {}, int image = -1)
        : m_window(window), m_caption(std::move(caption)), m_tooltip(std::move(tooltip)), m_image(image) {}
    virtual ~ClientView() = default;

    // The name under which the view's place is saved.
    virtual std::wstring Name() const { return m_caption; }
    virtual bool CanPrint() const { return false; }
    virtual bool Print(HDC, const RECT&, UINT /*options*/) { return false; }

    int m_mode = ModeCentral;
    SplitPane* m_pane = nullptr;
    HWND m_window = nullptr;
    std::wstring m_caption;
    std::wstring m_tooltip;
    int m_image = -1;
    RECT m_floatRect{-1, -1, -1, -1};  // all -1: never floated
    int m_dockSide = -1;
    int m_closedFrom = ClosedNone;

    bool HasFloatRect() const {
        return !(m_floatRect.left == -1 && m_floatRect.top == -1 && m_floatRect.right == -1 &&
                 m_floatRect.bottom == -1);
    }
};

}  // namespace DockSplitTab
