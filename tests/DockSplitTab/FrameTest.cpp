#include <gtest/gtest.h>

#include "DockHost.h"
#include "SettingsStore.h"

using namespace DockSplitTab;

namespace {
bool operator==(const RECT& a, const RECT& b) { return ::EqualRect(&a, &b) != FALSE; }
RECT ScreenRect(HWND hWnd) {
    RECT rc{};
    ::GetWindowRect(hWnd, &rc);
    return rc;
}

// A shown 800 x 600 host with its frame.
class FrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(host.Open(800, 600, false));
        host.ShowWindow(SW_SHOWNOACTIVATE);
    }
    TestView* View(const wchar_t* name) { return host.NewView(name); }
    Frame& frame() { return host.Frame(); }
    bool InCentral(TestView* v) { return frame().Central().HoldsView(v->m_window); }
    bool AtSide(TestView* v, int side) {
        SplitPane* split = frame().DockSplitPane(side);
        return split && split->HoldsView(v->m_window);
    }
    Frame::FloatFrame* FloatOf(TestView* v) {
        for (Frame::FloatFrame* f : frame().FloatFrames())
            if (f->Split()->HoldsView(v->m_window)) return f;
        return nullptr;
    }

    DockHost host;
};
}  // namespace

TEST_F(FrameTest, ShowingASideTakesTheCentralAreaAndTheLastViewGivesItBack) {
    EXPECT_EQ(frame().Layout().centralWidth, 800);
    EXPECT_EQ(frame().Layout().centralHeight, 600);
    TestView* list = View(L"list");
    ASSERT_TRUE(frame().DockView(StateRecord{PlaceDocked, SideLeft, 180, {}}, list));
    EXPECT_EQ(frame().Layout().centralWidth, 620);
    RECT central = ScreenRect(frame().Central());
    RECT side = ScreenRect(*frame().GetDockPane(SideLeft));
    EXPECT_EQ(side.right - side.left, 180);
    EXPECT_EQ(central.left, side.right);
    EXPECT_EQ(list->m_mode, ModeDocked);

    // A second view joins the side as a tab; the positive size in its record resizes the side.
    TestView* log = View(L"log");
    ASSERT_TRUE(frame().DockView(StateRecord{PlaceDocked, SideLeft, 200, {}}, log));
    EXPECT_EQ(frame().Layout().sides[SideLeft].size, 200);
    EXPECT_EQ(frame().Layout().centralWidth, 600);

    EXPECT_FALSE(frame().DockView(StateRecord{PlaceDocked, -1, 100, {}}, View(L"nowhere")));
    EXPECT_FALSE(frame().DockViewAtSide(4, View(L"nowhere")));

    frame().HideView(list->m_window);
    EXPECT_NE(frame().GetDockPane(SideLeft), nullptr);
    frame().HideView(log->m_window);
    EXPECT_EQ(frame().GetDockPane(SideLeft), nullptr);
    EXPECT_FALSE(frame().Layout().sides[SideLeft].visible);
    EXPECT_EQ(frame().Layout().centralWidth, 800);
    EXPECT_TRUE(ScreenRect(frame().Central()) == ScreenRect(frame()));
}

TEST_F(FrameTest, ResizingTheFrameChangesOnlyTheCentralAreaAndNeverBelowTheMinimum) {
    frame().DockViewAtSide(SideRight, View(L"right"));  // 200 wide
    ::SetWindowPos(frame(), nullptr, 0, 0, 700, 500, SWP_NOZORDER);
    EXPECT_EQ(frame().Layout().centralWidth, 500);
    EXPECT_EQ(frame().Layout().sides[SideRight].size, 200);
    ::SetWindowPos(frame(), nullptr, 0, 0, 220, 500, SWP_NOZORDER);  // 20 beside the side
    EXPECT_EQ(frame().Layout().centralWidth, 500);
    ::SetWindowPos(frame(), nullptr, 0, 0, 700, 500, SWP_NOZORDER);  // nothing lost meanwhile
    EXPECT_EQ(frame().Layout().centralWidth, 500);
}

TEST_F(FrameTest, HiddenViewsComeBackWhereTheyWere) {
    TestView* docked = View(L"docked");
    TestView* floating = View(L"floating");
    TestView* central = View(L"central");
    frame().DockViewAtSide(SideBottom, docked);
    frame().FloatView(RECT{100, 100, 400, 300}, floating);
    frame().AddView(central);
    ASSERT_NE(FloatOf(floating), nullptr);
    const RECT floatedAt = ScreenRect(floating->m_window);

    for (TestView* v : {docked, floating, central}) {
        EXPECT_TRUE(frame().HideView(v->m_window));
        EXPECT_FALSE(frame().IsInLayout(v->m_window));
        EXPECT_FALSE(::IsWindowVisible(v->m_window));
        EXPECT_TRUE(::IsWindow(v->m_window));
    }
    EXPECT_FALSE(frame().HideView(central->m_window));
    EXPECT_EQ(docked->m_closedFrom, ClosedFromDock);
    EXPECT_EQ(docked->m_dockSide, SideBottom);
    EXPECT_EQ(floating->m_closedFrom, ClosedFromFloat);
    EXPECT_TRUE(floating->m_floatRect == floatedAt);
    EXPECT_EQ(frame().GetDockPane(SideBottom), nullptr);
    EXPECT_TRUE(frame().FloatFrames().empty());

    for (TestView* v : {docked, floating, central}) frame().ShowView(v);
    EXPECT_TRUE(AtSide(docked, SideBottom));
    EXPECT_TRUE(InCentral(central));
    Frame::FloatFrame* again = FloatOf(floating);
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(ScreenRect(floating->m_window) == floatedAt);
    EXPECT_TRUE(::IsWindowVisible(central->m_window));

    // Hiding and showing again, with or without a tab strip, neither grows nor moves it.
    const RECT frameAt = ScreenRect(*again);
    for (bool withStrip : {false, true}) {
        DockHost other(/*autoHideTabs=*/!withStrip);
        ASSERT_TRUE(other.Open(400, 300, true));
        TestView* view = other.NewView(L"cycled");
        other.Frame().FloatView(RECT{100, 100, 400, 300}, view);
        const RECT first = ScreenRect(view->m_window);
        for (int round = 0; round < 3; ++round) {
            ASSERT_FALSE(other.ToggleClientView(view->m_window));
            ASSERT_TRUE(other.ToggleClientView(view->m_window));
            EXPECT_TRUE(ScreenRect(view->m_window) == first) << "round " << round << " strip " << withStrip;
        }
    }
    EXPECT_TRUE(ScreenRect(*again) == frameAt);
}

TEST_F(FrameTest, TheDockCommandAlternatesBetweenFloatingAndTheCentralArea) {
    TestView* graph = View(L"graph");
    frame().AddView(graph);
    frame().DockCommand(graph->m_window);
    EXPECT_TRUE(InCentral(graph));  // not before the current message is done
    DockHost::Pump();
    EXPECT_NE(FloatOf(graph), nullptr);
    EXPECT_EQ(graph->m_mode, ModeFloating);
    EXPECT_EQ(frame().ActiveView(), graph->m_window);

    frame().DockCommand(graph->m_window);
    DockHost::Pump();
    EXPECT_TRUE(InCentral(graph));
    EXPECT_EQ(graph->m_mode, ModeCentral);
    EXPECT_TRUE(frame().FloatFrames().empty());

    // A docked view floats; a view floated by the frame (mode 1) gets no request the first time.
    TestView* list = View(L"list");
    frame().DockViewAtSide(SideLeft, list);
    frame().DockCommand(list->m_window);
    DockHost::Pump();
    EXPECT_NE(FloatOf(list), nullptr);
    EXPECT_EQ(frame().GetDockPane(SideLeft), nullptr);

    TestView* restored = View(L"restored");
    frame().FloatView(RECT{50, 50, 250, 250}, restored);
    frame().DockCommand(restored->m_window);
    DockHost::Pump();
    EXPECT_NE(FloatOf(restored), nullptr);
    EXPECT_EQ(restored->m_mode, ModeFloating);
    frame().DockCommand(restored->m_window);
    DockHost::Pump();
    EXPECT_TRUE(InCentral(restored));
}

TEST_F(FrameTest, AViewCloseThatTheViewRefusesLeavesItWhereItIs) {
    TestView* stubborn = View(L"stubborn");
    TestView* willing = View(L"willing");
    frame().DockViewAtSide(SideRight, stubborn);
    frame().AddView(willing);
    stubborn->refuseClose = 1;
    frame().ViewClose(stubborn->m_window);
    frame().ViewClose(willing->m_window);
    DockHost::Pump();
    EXPECT_EQ(stubborn->closeMessages, 1);
    EXPECT_TRUE(AtSide(stubborn, SideRight));
    EXPECT_FALSE(frame().IsInLayout(willing->m_window));
    ASSERT_EQ(host.closed.size(), 1u);
    EXPECT_EQ(host.closed[0], willing);
}

TEST_F(FrameTest, ClosingADockSideOrAFloatingFrameHidesAndReportsEveryView) {
    TestView* a = View(L"a");
    TestView* b = View(L"b");
    frame().DockViewAtSide(SideBottom, a);
    frame().DockViewAtSide(SideBottom, b);
    const RECT sideRect = ScreenRect(*frame().GetDockPane(SideBottom));
    // A press on the close button and a release outside it close nothing; inside, they do.
    Frame::DockPane* side = frame().GetDockPane(SideBottom);
    RECT button = side->CloseButtonRect();
    const LPARAM onButton = MAKELPARAM((button.left + button.right) / 2, (button.top + button.bottom) / 2);
    side->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, onButton);
    side->SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(button.left - 30, button.top));
    DockHost::Pump();
    ASSERT_EQ(frame().GetDockPane(SideBottom), side);
    side->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, onButton);
    side->SendMessage(WM_LBUTTONUP, 0, onButton);
    EXPECT_NE(frame().GetDockPane(SideBottom), nullptr);
    DockHost::Pump();
    EXPECT_EQ(frame().GetDockPane(SideBottom), nullptr);
    EXPECT_FALSE(frame().Layout().sides[SideBottom].visible);
    EXPECT_EQ(host.closed, (std::vector<ClientView*>{a, b}));
    EXPECT_EQ(b->m_closedFrom, ClosedFromDock);
    EXPECT_EQ(b->m_dockSide, SideBottom);
    RECT within{};  // where the view was on the side when it was hidden
    EXPECT_TRUE(::IntersectRect(&within, &b->m_floatRect, &sideRect) && within == b->m_floatRect);
    EXPECT_FALSE(::IsRectEmpty(&b->m_floatRect));

    host.closed.clear();
    TestView* c = View(L"c");
    frame().FloatView(RECT{10, 10, 300, 200}, c);
    Frame::FloatFrame* floating = FloatOf(c);
    ASSERT_NE(floating, nullptr);
    floating->SendMessage(WM_CLOSE);
    DockHost::Pump();
    EXPECT_TRUE(frame().FloatFrames().empty());
    EXPECT_EQ(host.closed, (std::vector<ClientView*>{c}));
    EXPECT_EQ(c->m_closedFrom, ClosedFromFloat);
    frame().ShowView(c);
    EXPECT_NE(FloatOf(c), nullptr);
}

TEST_F(FrameTest, ASideFloatsAsAWholeAndDocksBackByDoubleClick) {
    TestView* a = View(L"a");
    TestView* b = View(L"b");
    frame().DockViewAtSide(SideRight, a);
    frame().DockViewAtSide(SideRight, b);
    SplitPane* split = frame().DockSplitPane(SideRight);
    const RECT sideRect = ScreenRect(*frame().GetDockPane(SideRight));
    frame().FloatDockSide(SideRight);
    DockHost::Pump();
    EXPECT_EQ(frame().GetDockPane(SideRight), nullptr);
    ASSERT_EQ(frame().FloatFrames().size(), 1u);
    Frame::FloatFrame* floating = frame().FloatFrames()[0];
    EXPECT_EQ(floating->Split(), split);  // the whole split pane moved
    RECT expected = sideRect;
    ::InflateRect(&expected, 4, 12);
    EXPECT_TRUE(ScreenRect(*floating) == expected);
    EXPECT_EQ(a->m_mode, ModeDocked);

    frame().DockFloatingFrame(*floating);
    DockHost::Pump();
    EXPECT_TRUE(frame().FloatFrames().empty());
    EXPECT_TRUE(AtSide(a, SideRight));
    EXPECT_TRUE(AtSide(b, SideRight));
}

TEST_F(FrameTest, ADetachedTabFloatsAtTheViewsRectangle) {
    TestView* a = View(L"a");
    TestView* b = View(L"b");
    frame().AddView(a);
    frame().AddView(b);
    const RECT at = ScreenRect(b->m_window);
    NMHDR nm{frame().Central().CurrentPane()->Tabs(), 0, NM_DBLCLK};
    frame().Central().CurrentPane()->SendMessage(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
    DockHost::Pump();
    Frame::FloatFrame* floating = FloatOf(b);
    ASSERT_NE(floating, nullptr);
    EXPECT_TRUE(ScreenRect(b->m_window) == at);
    EXPECT_EQ(::GetWindow(*floating, GW_OWNER), host.m_hWnd);  // stays above the main window
    EXPECT_TRUE(InCentral(a));
}

TEST_F(FrameTest, SizingDragsOfTwoPixelsOrLessChangeNothing) {
    frame().DockViewAtSide(SideLeft, View(L"left"));
    frame().DockViewAtSide(SideBottom, View(L"bottom"));
    Frame::DockPane* left = frame().GetDockPane(SideLeft);
    Frame::DockPane* bottom = frame().GetDockPane(SideBottom);
    left->FinishSizing(POINT{200, 300}, POINT{202, 300});
    bottom->FinishSizing(POINT{300, 450}, POINT{300, 452});
    EXPECT_EQ(frame().Layout().sides[SideLeft].size, 200);
    EXPECT_EQ(frame().Layout().sides[SideBottom].size, 150);
    left->FinishSizing(POINT{200, 300}, POINT{230, 300});
    bottom->FinishSizing(POINT{300, 450}, POINT{300, 440});
    EXPECT_EQ(frame().Layout().sides[SideLeft].size, 230);
    EXPECT_EQ(frame().Layout().centralWidth, 570);
    EXPECT_EQ(frame().Layout().sides[SideBottom].size, 160);
    EXPECT_EQ(frame().Layout().centralHeight, 440);
    RECT side = ScreenRect(*left);
    EXPECT_EQ(side.right - side.left, 230);
    left->FinishSizing(POINT{200, 300}, POINT{760, 300});  // central would drop below 24
    EXPECT_EQ(frame().Layout().sides[SideLeft].size, 230);

    RECT limits = frame().DockSizingLimits(SideLeft);
    RECT client = ScreenRect(frame());
    EXPECT_EQ(limits.left, client.left + 10);
    EXPECT_EQ(limits.right, client.left + 230 + 570 - 10);
}

TEST_F(FrameTest, SaveStateWritesTheRecordOfEveryDockedAndFloatingView) {
    DeleteSettingsKey(L"State");
    const SettingsAccess store{ReadSettingBinary, WriteSettingBinary};
    TestView* list = View(L"list");
    TestView* floating = View(L"floating");
    TestView* central = View(L"central");
    frame().DockView(StateRecord{PlaceDocked, SideRight, 210, {}}, list);
    frame().FloatView(RECT{30, 40, 330, 240}, floating);
    frame().AddView(central);
    frame().SaveState(store);

    BYTE bytes[64] = {};
    DWORD size = sizeof(bytes);
    ASSERT_FALSE(ReadSettingBinary(L"State", L"Test_list", bytes, size));
    ASSERT_EQ(size, 28u);
    const BYTE docked[28] = {2, 0, 0, 0, 3, 0, 0, 0, 210, 0, 0, 0};
    EXPECT_EQ(0, memcmp(bytes, docked, 28));

    StateRecord record = ReadViewState(store, L"Test_floating");
    EXPECT_EQ(record.kind, PlaceFloating);
    EXPECT_TRUE(record.rect == ScreenRect(*FloatOf(floating)));
    // A view of the central area replaces its older record, which would float it again.
    const StateBytes older = EncodeState(StateRecord{PlaceFloating, 0, 0, {1, 2, 300, 200}});
    WriteSettingBinary(L"State", L"Test_central", older.data(), kStateRecordSize);
    frame().SaveState(store);
    EXPECT_EQ(ReadViewState(store, L"Test_central").kind, PlaceCentral);

    // Another length, or nothing at all, docks at the left with the side's size.
    const BYTE shortRecord[27] = {3};
    WriteSettingBinary(L"State", L"Test_short", shortRecord, sizeof(shortRecord));
    for (const wchar_t* name : {L"Test_short", L"Test_absent"}) {
        StateRecord fallback = ReadViewState(store, name);
        EXPECT_EQ(fallback.kind, PlaceDocked);
        EXPECT_EQ(fallback.side, SideLeft);
        EXPECT_EQ(fallback.size, -1);
    }

    // The records place the views again in a new frame.
    DockHost second;
    ASSERT_TRUE(second.Open(800, 600, false));
    TestView* list2 = second.NewView(L"list");
    TestView* floating2 = second.NewView(L"floating");
    TestView* central2 = second.NewView(L"central");
    for (TestView* v : {list2, floating2, central2}) second.Frame().RestoreSaved(store, v);
    EXPECT_TRUE(second.Frame().DockSplitPane(SideRight)->HoldsView(list2->m_window));
    EXPECT_TRUE(second.Frame().Central().HoldsView(central2->m_window));
    EXPECT_EQ(second.Frame().Layout().sides[SideRight].size, 210);
    ASSERT_EQ(second.Frame().FloatFrames().size(), 1u);
    EXPECT_TRUE(ScreenRect(*second.Frame().FloatFrames()[0]) == record.rect);
    DeleteSettingsKey(L"State");
}

TEST_F(FrameTest, AbsurdStoredRecordsPlaceViewsWithinTheFrameAndTheScreen) {
    DeleteSettingsKey(L"State");
    const SettingsAccess store{ReadSettingBinary, WriteSettingBinary};
    auto store28 = [](const wchar_t* name, StateRecord record) {
        WriteSettingBinary(L"State", name, EncodeState(record).data(), kStateRecordSize);
    };
    store28(L"Test_huge", StateRecord{PlaceDocked, SideLeft, 0x7FFFFFF0, {}});
    store28(L"Test_away", StateRecord{PlaceFloating, 0, 0, {-0x7FFFFFF0, 0x7FFFFF00, 0x7FFFFFF0, 0x7FFFFFFF}});
    store28(L"Test_inverted", StateRecord{PlaceFloating, 0, 0, {500, 500, 100, 100}});
    store28(L"Test_side9", StateRecord{PlaceDocked, 9, 100, {}});
    TestView* huge = View(L"huge");
    frame().RestoreSaved(store, huge);
    EXPECT_TRUE(AtSide(huge, SideLeft));
    EXPECT_EQ(frame().Layout().sides[SideLeft].size, 800 - kMinimumAreaSize - 1);
    EXPECT_EQ(frame().Layout().centralWidth, kMinimumAreaSize + 1);
    EXPECT_TRUE(ScreenRect(frame().Central()).right == ScreenRect(frame()).right);  // still in the frame

    TestView* away = View(L"away");
    frame().RestoreSaved(store, away);
    ASSERT_NE(FloatOf(away), nullptr);
    RECT onScreen{}, frameRect = ScreenRect(*FloatOf(away));
    RECT screen{0, 0, ::GetSystemMetrics(SM_CXVIRTUALSCREEN), ::GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    ::OffsetRect(&screen, ::GetSystemMetrics(SM_XVIRTUALSCREEN), ::GetSystemMetrics(SM_YVIRTUALSCREEN));
    EXPECT_TRUE(::IntersectRect(&onScreen, &frameRect, &screen) && onScreen == frameRect);

    for (const wchar_t* name : {L"inverted", L"side9"}) {
        TestView* view = View(name);
        frame().RestoreSaved(store, view);
        EXPECT_TRUE(AtSide(view, SideLeft)) << name;
    }
    // What is written back is what the frame showed, so the next start is sound again.
    frame().SaveState(store);
    EXPECT_EQ(ReadViewState(store, L"Test_huge").size, 800 - kMinimumAreaSize - 1);
    DeleteSettingsKey(L"State");
}

TEST_F(FrameTest, ActivationMovesTheActiveCaptionAndFallsBackWhenAPlaceGoes) {
    TestView* list = View(L"list");
    TestView* graph = View(L"graph");
    frame().AddView(graph);
    frame().DockViewAtSide(SideLeft, list);
    EXPECT_EQ(frame().ActivePane(), frame().DockSplitPane(SideLeft));
    EXPECT_EQ(frame().ActiveView(), list->m_window);
    frame().BringToFront(graph->m_window);
    EXPECT_EQ(frame().ActivePane(), &frame().Central());
    frame().BringToFront(list->m_window);
    frame().HideView(list->m_window);
    EXPECT_EQ(frame().ActivePane(), &frame().Central());
    EXPECT_EQ(frame().ActiveView(), graph->m_window);
    EXPECT_TRUE(host.IsClientViewShown(graph->m_window));
    EXPECT_TRUE(host.ToggleClientView(list->m_window));
    EXPECT_TRUE(AtSide(list, SideLeft));
}

TEST_F(FrameTest, TheShowHideCommandHidesTheFrontTabRaisesACoveredOneAndShowsAHiddenOne) {
    TestView* list = View(L"list");
    TestView* other = View(L"other");
    frame().DockViewAtSide(SideRight, list);
    frame().DockViewAtSide(SideRight, other);  // covers the list
    EXPECT_FALSE(frame().IsShown(list->m_window));
    EXPECT_TRUE(frame().ToggleFront(list));
    EXPECT_TRUE(frame().IsShown(list->m_window));
    EXPECT_FALSE(frame().ToggleFront(list));
    EXPECT_FALSE(frame().IsInLayout(list->m_window));
    EXPECT_TRUE(frame().ToggleFront(list));
    EXPECT_TRUE(AtSide(list, SideRight));
    EXPECT_TRUE(frame().IsShown(list->m_window));
    // The view's own "Hide" hides it even behind another tab.
    frame().BringToFront(other->m_window);
    EXPECT_FALSE(host.ToggleClientView(list->m_window));
    EXPECT_FALSE(frame().IsInLayout(list->m_window));
    EXPECT_FALSE(host.ActivateClientView(list->m_window));
}

TEST_F(FrameTest, ViewsAddedWithoutActivatingWaitBehindTheFrontTabInOrder) {
    TestView* list = View(L"list");
    frame().DockViewAtSide(SideLeft, list);
    std::vector<TestView*> graphs;
    for (const wchar_t* name : {L"g0", L"g1", L"g2", L"g3", L"g4"}) {
        graphs.push_back(View(name));
        graphs.back()->m_tooltip = name;
        frame().AddView(graphs.back(), /*activate=*/false);
    }
    EXPECT_EQ(frame().ActiveView(), list->m_window);
    Pane* pane = frame().Central().CurrentPane();
    ASSERT_EQ(pane->TabCount(), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(pane->ViewAt(i), graphs[i]->m_window);
        EXPECT_TRUE(frame().IsInLayout(graphs[i]->m_window));
        EXPECT_EQ(::IsWindowVisible(graphs[i]->m_window) != FALSE, i == 0) << i;
    }
    // Tabs behind a removed one are still found at their new places.
    frame().HideView(graphs[1]->m_window);
    EXPECT_TRUE(frame().BringToFront(graphs[3]->m_window));
    EXPECT_EQ(pane->SelectedView(), graphs[3]->m_window);
    EXPECT_EQ(pane->Item(graphs[4]->m_window).caption, L"g4");
    // A renamed view's tab tip follows its caption when it showed the caption.
    EXPECT_TRUE(frame().SetViewCaption(graphs[4]->m_window, L"Cellar"));
    EXPECT_EQ(pane->Item(graphs[4]->m_window).caption, L"Cellar");
    EXPECT_EQ(pane->Tooltip(graphs[4]->m_window), L"Cellar");
    EXPECT_FALSE(::IsWindowVisible(graphs[0]->m_window));
    frame().AddView(graphs[1]);
    EXPECT_EQ(frame().ActiveView(), graphs[1]->m_window);
    EXPECT_EQ(pane->ViewAt(4), graphs[1]->m_window);
}

// Whether a tab strip draws anything when asked to paint into a bitmap.
static bool StripDraws(HWND strip) {
    RECT rc{};
    ::GetClientRect(strip, &rc);
    ClientDC screen(strip);
    MemoryDC dc(screen);
    Bitmap bitmap(::CreateCompatibleBitmap(screen, rc.right, rc.bottom));
    SelectedObject selected(dc, bitmap);
    const COLORREF marker = RGB(255, 0, 255);
    ::FillRect(dc, &rc, Brush(marker));
    ::SendMessageW(strip, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(static_cast<HDC>(dc)), PRF_CLIENT);
    for (int x = 0; x < rc.right; x += 2)
        for (int y = 0; y < rc.bottom; y += 2)
            if (::GetPixel(dc, x, y) != marker) return true;
    return false;
}

TEST_F(FrameTest, ABatchOfAdditionsDrawsTheTabStripsOnlyWhenItCloses) {
    HWND strip = frame().Central().CurrentPane()->Tabs();
    {
        Frame::AddBatch outer(frame());
        {
            Frame::AddBatch inner(frame());
            frame().AddView(View(L"one"), false);
        }
        frame().AddView(View(L"two"), false);
        EXPECT_FALSE(StripDraws(strip));
        // A pane split off while the batch is open is held and released with the others.
        SplitPane& central = frame().Central();
        RECT rc{};
        ::GetWindowRect(*central.CurrentPane(), &rc);
        const POINT right{rc.right - 10, (rc.top + rc.bottom) / 2};
        HWND two = central.CurrentPane()->ViewAt(1);
        central.DragStart(*central.CurrentPane(), two, right.x, right.y, 0);
        central.DragOver(*central.CurrentPane(), two, right.x, right.y, 0);
        central.DragDrop(*central.CurrentPane(), two, right.x, right.y, 0);
        ASSERT_EQ(central.PaneCount(), 2);
        EXPECT_FALSE(StripDraws(central.PaneOf(two)->Tabs()));
    }
    EXPECT_TRUE(::IsWindowVisible(strip));
    EXPECT_TRUE(StripDraws(strip));
    EXPECT_TRUE(StripDraws(frame().Central().PaneOf(frame().Central().Views()[1])->Tabs()));
}

TEST_F(FrameTest, TheSizingEdgeFollowsTheMouseAndAppliesOnRelease) {
    frame().DockViewAtSide(SideLeft, View(L"left"));
    Frame::DockPane* side = frame().GetDockPane(SideLeft);
    // Queued before the press: the sizing loop runs inside the press's handler.
    auto drag = [&](std::initializer_list<std::pair<UINT, int>> events) {
        const RECT edge = side->SizingEdgeRect();
        const int x = (edge.left + edge.right) / 2, y = (edge.top + edge.bottom) / 2;
        for (auto [msg, dx] : events)
            side->PostMessage(msg, msg == WM_KEYDOWN ? VK_ESCAPE : 0, MAKELPARAM(x + dx, y));
        side->SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        DockHost::Pump();
        return frame().Layout().sides[SideLeft].size;
    };
    EXPECT_EQ(drag({{WM_MOUSEMOVE, 2}, {WM_LBUTTONUP, 2}}), 200);
    EXPECT_EQ(drag({{WM_MOUSEMOVE, -2}, {WM_LBUTTONUP, -2}}), 200);
    EXPECT_EQ(drag({{WM_MOUSEMOVE, 20}, {WM_MOUSEMOVE, 40}, {WM_LBUTTONUP, 40}}), 240);
    EXPECT_EQ(frame().Layout().centralWidth, 560);
    EXPECT_EQ(drag({{WM_MOUSEMOVE, 40}, {WM_KEYDOWN, 0}, {WM_LBUTTONUP, 40}}), 240);  // Escape drops it
    EXPECT_EQ(drag({{WM_MOUSEMOVE, -30}, {WM_LBUTTONUP, -30}}), 210);
    EXPECT_EQ(::GetCapture(), nullptr);
}

TEST_F(FrameTest, AViewWindowThatGoesAwayOnCloseLeavesTheLayout) {
    HWND plain = ::CreateWindowExW(0, L"STATIC", L"plain", WS_CHILD, 0, 0, 10, 10, host, nullptr, nullptr, nullptr);
    ClientView view(plain, L"plain");
    frame().DockViewAtSide(SideTop, &view);
    frame().ViewClose(plain);  // the default handling of the close destroys the window
    EXPECT_FALSE(::IsWindow(plain));
    DockHost::Pump();
    EXPECT_FALSE(frame().IsInLayout(plain));
    EXPECT_EQ(frame().GetDockPane(SideTop), nullptr);
    EXPECT_EQ(host.closed, (std::vector<ClientView*>{&view}));
}

TEST_F(FrameTest, EveryPlacesTabsShowTheViewsImages) {
    HIMAGELIST images = ImageList_Create(16, 16, ILC_COLOR32, 2, 0);
    frame().SetImageList(images);
    TestView* docked = View(L"docked");
    docked->m_image = 1;
    frame().DockViewAtSide(SideTop, docked);
    frame().FloatView(RECT{0, 0, 200, 200}, View(L"floating"));
    for (SplitPane* split : {&frame().Central(), frame().DockSplitPane(SideTop), frame().FloatFrames()[0]->Split()})
        EXPECT_EQ(reinterpret_cast<HIMAGELIST>(split->CurrentPane()->Tabs().SendMessage(TCM_GETIMAGELIST)), images);
    EXPECT_EQ(frame().DockSplitPane(SideTop)->CurrentPane()->Item(docked->m_window).image, 1);
    host.DestroyWindow();
    ImageList_Destroy(images);
}

namespace {
POINT Middle(const RECT& rc) { return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2}; }
POINT Offset(POINT p, int dx, int dy) { return POINT{p.x + dx, p.y + dy}; }
RECT Moved(RECT rc, int dx, int dy) {
    ::OffsetRect(&rc, dx, dy);
    return rc;
}

// A drag as the drag loop reports it: start at `from`, one move to `to`, then the outline it
// showed there and, with `drop`, the release (and the move request run).
RECT DragTo(Frame& frame, HWND window, HWND view, POINT from, POINT to, UINT keys = 0, bool drop = true) {
    frame.DragStart(window, view, from.x, from.y, keys);
    frame.DragOver(window, view, to.x, to.y, keys);
    const RECT shown = frame.DragOutline();
    if (drop) {
        frame.DragDrop(window, view, to.x, to.y, keys);
        DockHost::Pump();
    }
    return shown;
}
}  // namespace

TEST_F(FrameTest, ADockedTabGoesToAFloatingFrameOverASideToANewTopSideOrFloatsWithCtrl) {
    TestView* list = View(L"list");
    TestView* log = View(L"log");
    TestView* bottom = View(L"bottom");
    TestView* other = View(L"other");
    frame().DockViewAtSide(SideLeft, list);
    frame().DockViewAtSide(SideLeft, log);
    frame().DockViewAtSide(SideBottom, bottom);
    const RECT bottomRect = ScreenRect(*frame().GetDockPane(SideBottom));
    frame().FloatView(Moved(RECT{0, 0, 300, 200}, bottomRect.left + 300, bottomRect.top - 20), other);
    Frame::FloatFrame* floating = FloatOf(other);
    ASSERT_NE(floating, nullptr);
    auto tabPane = [&](TestView* v) { return frame().DockSplitPane(SideLeft)->PaneOf(v->m_window)->m_hWnd; };

    // A point inside both the floating frame and the bottom side goes to the floating frame.
    const POINT both{bottomRect.left + 450, bottomRect.top + 60};
    const POINT from = Middle(ScreenRect(list->m_window));
    EXPECT_TRUE(DragTo(frame(), tabPane(list), list->m_window, from, both) == ScreenRect(*floating));
    EXPECT_EQ(FloatOf(list), floating);
    EXPECT_TRUE(AtSide(log, SideLeft));
    EXPECT_FALSE(frame().IsDragging());
    EXPECT_TRUE(frame().DragOutline() == RECT{});

    // Just above the frame with no top side: a new top side, beside the visible left side.
    const RECT frameRect = ScreenRect(frame());
    const POINT above{frameRect.left + 400, frameRect.top - 5};
    const RECT shown = DragTo(frame(), tabPane(log), log->m_window, Middle(ScreenRect(log->m_window)), above,
                              MK_CONTROL, /*drop=*/false);
    frame().DragCancel(tabPane(log), log->m_window);
    const RECT proposed = DragTo(frame(), tabPane(log), log->m_window, Middle(ScreenRect(log->m_window)), above);
    EXPECT_TRUE(AtSide(log, SideTop));
    EXPECT_EQ(frame().GetDockPane(SideLeft), nullptr);  // its last view left
    EXPECT_TRUE(proposed == Moved(RECT{0, 0, 800, 150}, frameRect.left, frameRect.top)) << proposed.left;
    // The same drag with Ctrl showed the floating outline, not the side.
    EXPECT_FALSE(shown == proposed);
    EXPECT_EQ(shown.bottom, above.y);  // a docked tab's outline hangs from its bottom tab strip
}

TEST_F(FrameTest, ASideDraggedToNoTargetFloatsAndAFloatingFrameOnlyMoves) {
    TestView* a = View(L"a");
    TestView* b = View(L"b");
    frame().DockViewAtSide(SideRight, a);
    frame().DockViewAtSide(SideRight, b);
    Frame::DockPane* side = frame().GetDockPane(SideRight);
    const RECT sideRect = ScreenRect(*side);
    const POINT caption{sideRect.left + 40, sideRect.top + 5};
    const POINT central = Middle(ScreenRect(frame().Central()));  // docked views never go there
    const RECT outline = DragTo(frame(), *side, nullptr, caption, central);
    const RECT expected = Moved(sideRect, central.x - caption.x, central.y - caption.y);
    EXPECT_TRUE(outline == expected);
    EXPECT_EQ(frame().GetDockPane(SideRight), nullptr);
    ASSERT_EQ(frame().FloatFrames().size(), 1u);
    Frame::FloatFrame* floating = frame().FloatFrames()[0];
    EXPECT_TRUE(ScreenRect(*floating) == expected);
    EXPECT_EQ(FloatOf(b), floating);

    // Its views are docked views: over the central area the floating frame finds no place and
    // only moves, keeping its views and its place among the windows.
    const RECT before = ScreenRect(*floating);
    const POINT grip{before.left + 30, before.top + 8};
    DragTo(frame(), *floating, nullptr, grip, Offset(grip, -60, 40));
    ASSERT_EQ(frame().FloatFrames().size(), 1u);
    EXPECT_TRUE(ScreenRect(*floating) == Moved(before, -60, 40));
    EXPECT_EQ(FloatOf(a), floating);

    // Dropped on the left edge it docks there as a whole, with the rectangle it floated at
    // remembered for the next float of that side.
    const RECT frameRect = ScreenRect(frame());
    const RECT movedTo = ScreenRect(*floating);
    DragTo(frame(), *floating, nullptr, POINT{movedTo.left + 30, movedTo.top + 8},
           POINT{frameRect.left + 3, (frameRect.top + frameRect.bottom) / 2});
    EXPECT_TRUE(frame().FloatFrames().empty());
    EXPECT_TRUE(AtSide(a, SideLeft) && AtSide(b, SideLeft));
}

TEST_F(FrameTest, ACancelledDragChangesNothingAndAFloatedTabJoinsTheCentralPaneUnderTheCursor) {
    TestView* list = View(L"list");
    TestView* graph = View(L"graph");
    TestView* left = View(L"left");
    TestView* right = View(L"right");
    frame().DockViewAtSide(SideLeft, list);
    frame().AddView(left);
    frame().AddView(right);
    SplitPane& central = frame().Central();
    const RECT area = ScreenRect(*central.CurrentPane());
    const POINT rightHalf{area.right - 10, (area.top + area.bottom) / 2};
    central.DragStart(*central.CurrentPane(), right->m_window, rightHalf.x, rightHalf.y, 0);
    central.DragOver(*central.CurrentPane(), right->m_window, rightHalf.x, rightHalf.y, 0);
    central.DragDrop(*central.CurrentPane(), right->m_window, rightHalf.x, rightHalf.y, 0);
    ASSERT_EQ(central.PaneCount(), 2);

    const RECT listAt = ScreenRect(list->m_window);
    HWND listPane = *frame().DockSplitPane(SideLeft)->PaneOf(list->m_window);
    const RECT frameRect = ScreenRect(frame());
    DragTo(frame(), listPane, list->m_window, Middle(listAt), POINT{frameRect.left + 400, frameRect.top - 5}, 0,
           /*drop=*/false);
    EXPECT_FALSE(frame().DragOutline() == RECT{});
    frame().DragCancel(listPane, list->m_window);
    DockHost::Pump();
    EXPECT_FALSE(frame().IsDragging());
    EXPECT_TRUE(frame().DragOutline() == RECT{});
    EXPECT_TRUE(AtSide(list, SideLeft));
    EXPECT_TRUE(ScreenRect(list->m_window) == listAt);
    EXPECT_EQ(frame().GetDockPane(SideTop), nullptr);

    // A view of the central area that floated goes back to the pane under the cursor.
    frame().FloatView(RECT{500, 500, 700, 650}, graph);
    graph->m_mode = ModeCentral;
    Frame::FloatFrame* floating = FloatOf(graph);
    ASSERT_NE(floating, nullptr);
    const POINT target = Middle(ScreenRect(right->m_window));
    const RECT shown = DragTo(frame(), *floating->Split()->PaneOf(graph->m_window), graph->m_window,
                              Middle(ScreenRect(graph->m_window)), target);
    EXPECT_TRUE(shown == ScreenRect(*central.PaneOf(right->m_window)));
    EXPECT_TRUE(frame().FloatFrames().empty());
    EXPECT_EQ(central.PaneOf(graph->m_window), central.PaneOf(right->m_window));
}

TEST_F(FrameTest, ASideDraggedToAnotherSideTakesItsRememberedFloatRectangleAlong) {
    TestView* a = View(L"a");
    frame().DockViewAtSide(SideRight, a);
    frame().FloatDockSide(SideRight);
    DockHost::Pump();
    ASSERT_EQ(frame().FloatFrames().size(), 1u);
    const RECT floatedAt = ScreenRect(*frame().FloatFrames()[0]);
    frame().DockFloatingFrame(*frame().FloatFrames()[0]);  // back, remembering where it floated
    DockHost::Pump();
    ASSERT_TRUE(AtSide(a, SideRight));

    Frame::DockPane* right = frame().GetDockPane(SideRight);
    const RECT sideRect = ScreenRect(*right);
    const RECT frameRect = ScreenRect(frame());
    DragTo(frame(), *right, nullptr, POINT{sideRect.left + 40, sideRect.top + 5},
           POINT{frameRect.left + 4, (frameRect.top + frameRect.bottom) / 2});
    ASSERT_TRUE(AtSide(a, SideLeft));
    frame().FloatDockSide(SideLeft);
    DockHost::Pump();
    ASSERT_EQ(frame().FloatFrames().size(), 1u);
    EXPECT_TRUE(ScreenRect(*frame().FloatFrames()[0]) == floatedAt);
}

TEST_F(FrameTest, AFloatingFramesCaptionDragsThroughTheDragLoopAndDocksItsViews) {
    TestView* list = View(L"list");
    frame().FloatView(RECT{200, 200, 400, 400}, list);  // a docked view, floating
    Frame::FloatFrame* floating = FloatOf(list);
    ASSERT_NE(floating, nullptr);
    const RECT at = ScreenRect(*floating);
    const RECT frameRect = ScreenRect(frame());
    auto clientLParam = [&](POINT p) {
        ::ScreenToClient(*floating, &p);
        return MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
    };
    const POINT press{at.left + 30, at.top + 8};
    ::PostMessageW(*floating, WM_MOUSEMOVE, MK_LBUTTON, clientLParam(Offset(press, 20, 20)));
    const POINT edge{frameRect.left + 4, (frameRect.top + frameRect.bottom) / 2};
    ::PostMessageW(*floating, WM_MOUSEMOVE, MK_LBUTTON, clientLParam(edge));
    ::PostMessageW(*floating, WM_LBUTTONUP, 0, clientLParam(edge));
    floating->SendMessage(WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(press.x, press.y));
    DockHost::Pump();
    EXPECT_TRUE(AtSide(list, SideLeft));
    EXPECT_TRUE(frame().FloatFrames().empty());
}
