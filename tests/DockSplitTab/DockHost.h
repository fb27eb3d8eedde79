// A top-level window hosting a layout frame with plain views, standing in for the program's main
// window: it answers the frame's listener and the views' requests, and records what it heard.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "ClientViewListener.h"
#include "Frame.h"

// A plain view: paints its caption on a colour; answers a close with `refuseClose` (nonzero
// refuses), so that the frame hides it instead of the window going away.
class TestView : public Window<TestView>, public DockSplitTab::ClientView {
public:
    DECLARE_WND_CLASS_EX(L"KV_TestView", CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, COLOR_WINDOW)

    TestView(const wchar_t* caption, COLORREF color);
    ~TestView() override;
    HWND Create(HWND parent);
    std::wstring Name() const override { return L"Test_" + m_caption; }

    BEGIN_MSG_MAP(TestView)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
        MESSAGE_HANDLER(WM_CLOSE, OnClose)
        MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
    END_MSG_MAP()

    LRESULT refuseClose = 0;
    int closeMessages = 0;
    int contextMenus = 0;

private:
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnClose(UINT, WPARAM, LPARAM, BOOL&) {
        ++closeMessages;
        return refuseClose;
    }
    LRESULT OnContextMenu(UINT, WPARAM, LPARAM, BOOL&) {
        ++contextMenus;
        return 0;
    }
    COLORREF m_color;
};

class DockHost : public Window<DockHost>, public DockSplitTab::FrameListener, public ClientViewListener {
public:
    DECLARE_WND_CLASS_EX(L"KV_DockHost", 0, COLOR_3DFACE)

    explicit DockHost(bool autoHideTabs = true) : m_autoHideTabs(autoHideTabs) {}
    ~DockHost() override;
    // Creates the window (shown or not) with its frame at the given client size.
    bool Open(int width, int height, bool show);
    TestView* NewView(const wchar_t* caption, COLORREF color = RGB(255, 255, 255));
    DockSplitTab::Frame& Frame() { return m_frame; }
    // Runs the posted messages (the frame's move requests, hides and closes).
    static void Pump();

    void ViewClosed(DockSplitTab::ClientView* view) override { closed.push_back(view); }

    DockSplitTab::ClientView* FindClientView(HWND view) override { return m_frame.FindView(view); }
    bool ToggleClientView(HWND view) override { return m_frame.ToggleView(ViewOf(view)); }
    bool IsClientViewShown(HWND view) override { return m_frame.IsShown(view); }
    bool ActivateClientView(HWND view) override { return m_frame.ActivateView(view); }
    bool IsClientViewAttached(HWND view) override { return m_frame.IsInLayout(view); }
    void DockClientView(HWND view) override { m_frame.DockCommand(view); }
    void ClientViewRenamed(HWND view, const std::wstring& caption) override { m_frame.SetViewCaption(view, caption); }
    void CloseClientView(HWND view) override {
        if (DockSplitTab::ClientView* held = m_frame.FindView(view); held && m_frame.HideView(view)) ViewClosed(held);
    }

    BEGIN_MSG_MAP(DockHost)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    END_MSG_MAP()

    std::vector<DockSplitTab::ClientView*> closed;
    bool quitOnDestroy = false;

private:
    LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
    TestView* ViewOf(HWND view) const;

    DockSplitTab::Frame m_frame;
    bool m_autoHideTabs;
    std::vector<std::unique_ptr<TestView>> m_views;
};
