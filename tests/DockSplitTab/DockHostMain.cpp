// Shows a layout frame with a few plain views: two docked (left and bottom), three in the
// central area, one of them split off to the right of the others.
#include "DockHost.h"

using namespace DockSplitTab;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);
    DockHost host;
    host.quitOnDestroy = true;
    if (!host.Open(900, 600, true)) return 2;
    Frame& frame = host.Frame();

    TestView* sensors = host.NewView(L"Sensors", RGB(235, 245, 255));
    frame.DockViewAtSide(SideLeft, sensors);
    frame.DockViewAtSide(SideBottom, host.NewView(L"Messages", RGB(255, 250, 230)));
    frame.DockViewAtSide(SideBottom, host.NewView(L"Events", RGB(255, 240, 240)));
    frame.AddView(host.NewView(L"Living room", RGB(255, 255, 255)));
    frame.AddView(host.NewView(L"Cellar", RGB(240, 255, 240)));
    TestView* office = host.NewView(L"Office", RGB(250, 240, 255));
    frame.AddView(office);

    // Split the office graph off to the right half, as a user's tab drag would.
    SplitPane& central = frame.Central();
    RECT rc{};
    ::GetWindowRect(*central.CurrentPane(), &rc);
    const POINT to{rc.right - 10, (rc.top + rc.bottom) / 2};
    central.DragStart(*central.CurrentPane(), office->m_window, to.x, to.y, 0);
    central.DragOver(*central.CurrentPane(), office->m_window, to.x, to.y, 0);
    central.DragDrop(*central.CurrentPane(), office->m_window, to.x, to.y, 0);
    frame.BringToFront(office->m_window);
    frame.BringToFront(sensors->m_window);  // one active caption, one inactive

    MSG msg{};
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}
