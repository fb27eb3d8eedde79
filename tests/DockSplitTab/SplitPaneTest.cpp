#include <gtest/gtest.h>

#include <vector>

#include "DockHost.h"

using namespace DockSplitTab;

namespace {
// Stands in for the frame above a split pane: records the calls that reach it.
struct RecordingOwner : CallBackListener {
    std::vector<std::string> calls;
    void ViewActivated(HWND, HWND) override {}
    void ViewDetach(HWND, HWND) override { calls.push_back("detach"); }
    void ViewClose(HWND) override { calls.push_back("close"); }
    void DragStart(HWND, HWND, int, int, UINT) override { calls.push_back("start"); }
    void DragOver(HWND, HWND, int, int, UINT) override { calls.push_back("over"); }
    void DragDrop(HWND, HWND, int, int, UINT) override { calls.push_back("drop"); }
    void DragCancel(HWND, HWND) override { calls.push_back("cancel"); }
};

// A split pane filling a shown 400 x 300 window, with views A, B, C in its root pane.
class SplitPaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.Open(400, 300, false));
        host.ShowWindow(SW_SHOWNOACTIVATE);
        ASSERT_TRUE(split.Create(host, &owner, /*tabsOnTop=*/true, /*autoHide=*/false));
        ::SetWindowPos(split, nullptr, 0, 0, 400, 300, SWP_NOZORDER);
        for (const wchar_t* name : {L"A", L"B", L"C"}) {
            TestView* view = host.NewView(name);
            split.AddView(name, view->m_window, L"", -1);
            views.push_back(view->m_window);
            testViews.push_back(view);
        }
    }
    void TearDown() override { split.DestroyWindow(); }

    // A screen point in a pane's client part: near the edge of `zone`, or in the tab strip.
    POINT PointIn(Pane* pane, int zone) const {
        RECT rc = zone == ZoneTabs ? pane->TabStripRect() : pane->ClientPart();
        ::MapWindowPoints(*pane, nullptr, reinterpret_cast<POINT*>(&rc), 2);
        POINT mid{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
        switch (zone) {
        case ZoneTop: return POINT{mid.x, rc.top + 5};
        case ZoneBottom: return POINT{mid.x, rc.bottom - 5};
        case ZoneLeft: return POINT{rc.left + 5, mid.y};
        case ZoneRight: return POINT{rc.right - 5, mid.y};
        case ZoneTabs: return POINT{rc.right - 5, mid.y};  // beyond the last tab
        default: return mid;
        }
    }
    void Drag(HWND view, POINT to, UINT keys = 0, bool drop = true) {
        Pane* from = split.PaneOf(view);
        split.DragStart(*from, view, to.x, to.y, keys);
        split.DragOver(*from, view, to.x, to.y, keys);
        if (drop) split.DragDrop(*from, view, to.x, to.y, keys);
    }

    DockHost host;
    RecordingOwner owner;
    SplitPane split;
    std::vector<HWND> views;
    std::vector<TestView*> testViews;
};
}  // namespace

TEST_F(SplitPaneTest, EachZoneSplitsWithTheNewPaneOnItsSideAndCollapsesBack) {
    struct {
        int zone;
        bool vertical, newFirst;
    } cases[] = {{ZoneLeft, true, true}, {ZoneRight, true, false}, {ZoneTop, false, true}, {ZoneBottom, false, false}};
    for (const auto& c : cases) {
        Pane* root = split.PaneOf(views[0]);
        ASSERT_EQ(split.RootChild(), root->m_hWnd);
        Drag(views[2], PointIn(root, c.zone), 0, /*drop=*/false);
        RECT outline = split.LocalOutline();
        RECT expected = ZoneOutline(root->ClientPart(), c.zone);
        ::MapWindowPoints(*root, nullptr, reinterpret_cast<POINT*>(&expected), 2);
        EXPECT_TRUE(::EqualRect(&outline, &expected)) << c.zone;
        split.DragDrop(*root, views[2], 0, 0, 0);
        EXPECT_TRUE(::IsRectEmpty(&(outline = split.LocalOutline())));

        SplitDock* splitter = split.ParentSplitter(*root);
        ASSERT_NE(splitter, nullptr) << c.zone;
        EXPECT_EQ(split.RootChild(), splitter->m_hWnd);
        EXPECT_EQ(splitter->IsVertical(), c.vertical) << c.zone;
        Pane* added = split.PaneOf(views[2]);
        ASSERT_NE(added, root);
        EXPECT_EQ(splitter->GetSplitterPane(c.newFirst ? 0 : 1), added->m_hWnd) << c.zone;
        EXPECT_EQ(splitter->GetSplitterPane(c.newFirst ? 1 : 0), root->m_hWnd) << c.zone;
        EXPECT_EQ(root->TabCount(), 2);
        EXPECT_EQ(::GetParent(views[2]), added->m_hWnd);
        EXPECT_TRUE(::IsWindowVisible(views[2]));

        // Back onto the root pane's tab strip: the emptied pane collapses after the message.
        Drag(views[2], PointIn(root, ZoneTabs));
        EXPECT_EQ(split.PaneOf(views[2]), root);
        DockHost::Pump();
        EXPECT_EQ(split.PaneCount(), 1) << c.zone;
        EXPECT_EQ(split.RootChild(), root->m_hWnd);
        RECT rc{};
        ::GetWindowRect(*root, &rc);
        EXPECT_EQ(rc.right - rc.left, 400);
        EXPECT_EQ(rc.bottom - rc.top, 300);
    }
    EXPECT_TRUE(owner.calls.empty());
}

TEST_F(SplitPaneTest, NestedSplitsCollapseIntoTheParentSlot) {
    Pane* root = split.PaneOf(views[0]);
    Drag(views[1], PointIn(root, ZoneRight));
    Pane* right = split.PaneOf(views[1]);
    Drag(views[2], PointIn(right, ZoneBottom));
    Pane* bottomRight = split.PaneOf(views[2]);
    EXPECT_EQ(split.PaneCount(), 3);
    EXPECT_EQ(split.Views(), (std::vector<HWND>{views[0], views[1], views[2]}));

    // Emptying the upper right pane lets the lower one take the right slot of the root splitter.
    split.RemoveView(views[1]);
    EXPECT_EQ(split.PaneCount(), 2);
    SplitDock* rootSplitter = split.ParentSplitter(*root);
    ASSERT_NE(rootSplitter, nullptr);
    EXPECT_EQ(rootSplitter->GetSplitterPane(1), bottomRight->m_hWnd);
    EXPECT_EQ(::GetParent(*bottomRight), rootSplitter->m_hWnd);
    EXPECT_FALSE(::IsWindowVisible(views[1]));
    EXPECT_TRUE(::IsWindow(views[1]));  // the view itself is not destroyed with its pane
}

TEST_F(SplitPaneTest, TheRootPaneIsNeverCollapsed) {
    Pane* root = split.PaneOf(views[0]);
    Drag(views[0], PointIn(root, ZoneLeft));
    Pane* left = split.PaneOf(views[0]);
    // Emptying the root pane (the right part now) collapses it: it is no longer the root child.
    split.RemoveView(views[1]);
    split.RemoveView(views[2]);
    DockHost::Pump();
    EXPECT_EQ(split.PaneCount(), 1);
    EXPECT_EQ(split.RootChild(), left->m_hWnd);
    // The last view leaving the root child leaves an empty pane in place.
    split.RemoveView(views[0]);
    EXPECT_EQ(split.PaneCount(), 1);
    EXPECT_EQ(split.RootChild(), left->m_hWnd);
    EXPECT_TRUE(split.IsEmpty());
    EXPECT_EQ(split.ActiveView(), nullptr);
}

TEST_F(SplitPaneTest, DragsWithoutALocalZoneGoToTheOwner) {
    Pane* root = split.PaneOf(views[0]);
    // Ctrl held: never a local zone.
    Drag(views[1], PointIn(root, ZoneRight), MK_CONTROL);
    EXPECT_EQ(owner.calls, (std::vector<std::string>{"start", "over", "drop"}));
    EXPECT_EQ(split.PaneCount(), 1);

    // Outside every pane, then back over a zone: the owner's drag is cancelled.
    owner.calls.clear();
    RECT rc{};
    ::GetWindowRect(split, &rc);
    split.DragStart(*root, views[1], 0, 0, 0);
    split.DragOver(*root, views[1], rc.right + 50, rc.top, 0);
    POINT zone = PointIn(root, ZoneBottom);
    split.DragOver(*root, views[1], zone.x, zone.y, 0);
    split.DragCancel(*root, views[1]);
    EXPECT_EQ(owner.calls, (std::vector<std::string>{"start", "over", "cancel"}));
    EXPECT_EQ(split.PaneCount(), 1);
}

TEST_F(SplitPaneTest, TheOnlyTabOfAPaneOnItsOwnPaneIsHandedUp) {
    Pane* root = split.PaneOf(views[0]);
    Drag(views[2], PointIn(root, ZoneRight));
    Pane* alone = split.PaneOf(views[2]);
    owner.calls.clear();
    Drag(views[2], PointIn(alone, ZoneLeft));
    EXPECT_EQ(owner.calls, (std::vector<std::string>{"start", "over", "drop"}));
    EXPECT_EQ(split.PaneOf(views[2]), alone);
    EXPECT_EQ(split.PaneCount(), 2);
}

TEST_F(SplitPaneTest, DraggingATabAlongTheStripReordersTabsKeepingTheSelection) {
    Pane* pane = split.PaneOf(views[0]);
    ASSERT_TRUE(pane->SelectView(views[0]));
    RECT last{};
    TabCtrl_GetItemRect(pane->Tabs(), 2, &last);
    POINT over{(last.left + last.right) / 2, (last.top + last.bottom) / 2};
    ::ClientToScreen(pane->Tabs(), &over);
    pane->DragStart(pane->Tabs(), views[0], over.x - 100, over.y, 0);
    pane->DragOver(pane->Tabs(), views[0], over.x, over.y, 0);
    pane->DragDrop(pane->Tabs(), views[0], over.x, over.y, 0);
    EXPECT_EQ(pane->ViewAt(0), views[1]);
    EXPECT_EQ(pane->ViewAt(1), views[2]);
    EXPECT_EQ(pane->ViewAt(2), views[0]);
    EXPECT_EQ(pane->SelectedView(), views[0]);
    EXPECT_EQ(pane->Item(views[0]).caption, L"A");
    EXPECT_TRUE(owner.calls.empty());
}

TEST(Pane, TabStripShowsWithEnoughTabsAndTakesItsHeight) {
    DockHost host;
    ASSERT_TRUE(host.Open(300, 200, false));
    for (bool autoHide : {false, true}) {
        SplitPane split;
        ASSERT_TRUE(split.Create(host, nullptr, /*tabsOnTop=*/false, autoHide));
        ::SetWindowPos(split, nullptr, 0, 0, 300, 200, SWP_NOZORDER);
        TestView* first = host.NewView(L"one");
        TestView* second = host.NewView(L"two");
        split.AddView(L"one", first->m_window, L"", -1);
        Pane* pane = split.CurrentPane();
        EXPECT_EQ(pane->TabStripShown(), !autoHide);
        split.AddView(L"two", second->m_window, L"", -1);
        EXPECT_TRUE(pane->TabStripShown());
        RECT strip = pane->TabStripRect();
        EXPECT_EQ(strip.bottom, 200);  // tabs at the bottom
        HFONT font = reinterpret_cast<HFONT>(pane->Tabs().SendMessage(WM_GETFONT));
        ClientDC dc(pane->Tabs());
        SelectedObject keep(dc, font);
        TEXTMETRICW tm{};
        ::GetTextMetricsW(dc, &tm);
        EXPECT_EQ(strip.bottom - strip.top, TabStripHeight(tm.tmAscent));
        RECT view{};
        ::GetWindowRect(second->m_window, &view);
        EXPECT_EQ(view.bottom - view.top, 200 - (strip.bottom - strip.top));
        split.RemoveView(first->m_window);
        EXPECT_EQ(pane->TabStripShown(), !autoHide);
        EXPECT_EQ(pane->SelectedView(), second->m_window);
        split.DestroyWindow();
    }
}

namespace {
// Queues what the mouse and keyboard would send to `hWnd` during a drag that starts at its client
// origin: `events` (messages with their wParam), mouse messages at client (x, 10), x growing.
void QueueDrag(HWND hWnd, std::initializer_list<std::pair<UINT, WPARAM>> events) {
    int x = 20;
    for (auto [msg, wParam] : events) {
        LPARAM lParam = msg == WM_KEYDOWN ? 1 : MAKELPARAM(x, 10);
        ::PostMessageW(hWnd, msg, wParam, lParam);
        x += 10;
    }
}
}  // namespace

TEST(DragLoop, EscapeCancelsShiftAndCtrlDoNotAndReleaseDrops) {
    DockHost host;
    ASSERT_TRUE(host.Open(300, 200, false));
    host.ShowWindow(SW_SHOWNOACTIVATE);
    RecordingOwner owner;
    POINT press{0, 0};
    ::ClientToScreen(host, &press);

    QueueDrag(host, {{WM_MOUSEMOVE, MK_LBUTTON}, {WM_KEYDOWN, VK_SHIFT}, {WM_KEYDOWN, VK_CONTROL},
                     {WM_MOUSEMOVE, MK_LBUTTON}, {WM_KEYDOWN, VK_ESCAPE}, {WM_MOUSEMOVE, MK_LBUTTON}});
    EXPECT_FALSE(RunDragLoop(host, press, nullptr, owner, false));
    EXPECT_EQ(owner.calls, (std::vector<std::string>{"start", "over", "over", "cancel"}));
    EXPECT_EQ(::GetCapture(), nullptr);
    DockHost::Pump();

    owner.calls.clear();
    QueueDrag(host, {{WM_MOUSEMOVE, MK_LBUTTON}, {WM_LBUTTONUP, 0}});
    EXPECT_TRUE(RunDragLoop(host, press, nullptr, owner, true));
    EXPECT_EQ(owner.calls, (std::vector<std::string>{"start", "over", "drop"}));

    // Moved within the drag rectangle and released: nothing at all.
    owner.calls.clear();
    ::PostMessageW(host, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(1, 1));
    ::PostMessageW(host, WM_LBUTTONUP, 0, MAKELPARAM(1, 1));
    EXPECT_FALSE(RunDragLoop(host, press, nullptr, owner, false));
    EXPECT_TRUE(owner.calls.empty());
}

TEST_F(SplitPaneTest, ARightClickOnATabSelectsItAndLetsItsViewShowItsMenu) {
    Pane* pane = split.PaneOf(views[0]);
    RECT first{};
    TabCtrl_GetItemRect(pane->Tabs(), 0, &first);
    POINT at{first.left + 5, first.top + 5};
    ::ClientToScreen(pane->Tabs(), &at);
    ASSERT_EQ(pane->SelectedView(), views[2]);
    pane->Tabs().SendMessage(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(pane->Tabs().m_hWnd), MAKELPARAM(at.x, at.y));
    EXPECT_EQ(pane->SelectedView(), views[0]);
    EXPECT_TRUE(::IsWindowVisible(views[0]));
    EXPECT_FALSE(::IsWindowVisible(views[2]));
    EXPECT_EQ(testViews[0]->contextMenus, 1);
    EXPECT_EQ(testViews[2]->contextMenus, 0);
}

TEST(Pane, PanesMadeBySplittingAlwaysShowTheirTabsAndTabsCarryTheirTooltips) {
    DockHost host;
    ASSERT_TRUE(host.Open(300, 200, false));
    host.ShowWindow(SW_SHOWNOACTIVATE);
    SplitPane split;  // a dock side's: tabs at the bottom, only with two or more
    ASSERT_TRUE(split.Create(host, nullptr, /*tabsOnTop=*/false, /*autoHide=*/true));
    ::SetWindowPos(split, nullptr, 0, 0, 300, 200, SWP_NOZORDER);
    TestView* a = host.NewView(L"a");
    TestView* b = host.NewView(L"b");
    split.AddView(L"a", a->m_window, L"tip of a", -1);
    split.AddView(L"b", b->m_window, L"tip of b", -1);
    Pane* root = split.CurrentPane();
    RECT rc = root->ClientPart();
    POINT right{rc.right - 5, (rc.top + rc.bottom) / 2};
    ::ClientToScreen(*root, &right);
    split.DragStart(*root, b->m_window, right.x, right.y, 0);
    split.DragOver(*root, b->m_window, right.x, right.y, 0);
    split.DragDrop(*root, b->m_window, right.x, right.y, 0);
    Pane* added = split.PaneOf(b->m_window);
    ASSERT_NE(added, root);
    EXPECT_FALSE(root->TabStripShown());  // the root pane keeps its split pane's auto-hide
    EXPECT_TRUE(added->TabStripShown());

    NMTTDISPINFOW info{};
    info.hdr = NMHDR{nullptr, 0, TTN_GETDISPINFOW};
    added->SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&info));
    ASSERT_NE(info.lpszText, nullptr);
    EXPECT_STREQ(info.lpszText, L"tip of b");
    split.DestroyWindow();
}
