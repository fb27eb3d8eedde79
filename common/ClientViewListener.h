// What a view of the program asks of the main window that holds it in its layout.
#pragma once
#include <windows.h>
#include <string>

namespace DockSplitTab {
class ClientView;
}

// What a view may ask of the program's main window.
class ClientViewListener {
public:
    virtual DockSplitTab::ClientView* FindClientView(HWND view) = 0;
    // Hides a view in the layout or shows a hidden one; true when it was hidden before.
    virtual bool ToggleClientView(HWND view) = 0;
    virtual bool IsClientViewShown(HWND view) = 0;
    virtual bool ActivateClientView(HWND view) = 0;
    virtual bool IsClientViewAttached(HWND view) = 0;
    virtual void DockClientView(HWND view) = 0;
    // The view's caption changed to `caption`: the tab of the pane holding it shows the new one,
    // and so does whatever else names the view (a graph's row in the sensor list).
    virtual void ClientViewRenamed(HWND view, const std::wstring& caption) = 0;
    // Closes the view for good, as a closed tab, and returns once that is done. A view that the
    // layout does not hold (hidden) stays.
    virtual void CloseClientView(HWND view) = 0;

protected:
    ~ClientViewListener() = default;
};
