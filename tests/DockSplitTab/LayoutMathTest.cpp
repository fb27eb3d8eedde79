#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "DragTarget.h"
#include "LayoutMath.h"
#include "Splitter.h"

using namespace DockSplitTab;

namespace {
bool operator==(const RECT& a, const RECT& b) { return ::EqualRect(&a, &b) != FALSE; }
std::string Str(const RECT& r) {
    char text[64];
    snprintf(text, sizeof(text), "{%ld,%ld,%ld,%ld}", r.left, r.top, r.right, r.bottom);
    return text;
}

// Top 30, bottom 40, left 50, right 60 around a 200 x 100 central area.
DockLayout AllSides() {
    DockLayout layout;
    layout.centralWidth = 200;
    layout.centralHeight = 100;
    const int sizes[SideCount] = {40, 30, 50, 60};
    for (int side = 0; side < SideCount; ++side) layout.sides[side] = {sizes[side], true, 0};
    return layout;
}
}  // namespace

TEST(DockLayoutRule, EverySideWithEveryCornerCombination) {
    struct {
        int side, flags;
        RECT expected;
    } cases[] = {
        {SideTop, 0, {50, 0, 250, 30}},       {SideTop, 1, {50, 0, 310, 30}},
        {SideTop, 2, {0, 0, 250, 30}},        {SideTop, 3, {0, 0, 310, 30}},
        {SideBottom, 0, {50, 130, 250, 170}}, {SideBottom, 1, {0, 130, 250, 170}},
        {SideBottom, 2, {50, 130, 310, 170}}, {SideBottom, 3, {0, 130, 310, 170}},
        {SideLeft, 0, {0, 30, 50, 130}},      {SideLeft, 1, {0, 0, 50, 130}},
        {SideLeft, 2, {0, 30, 50, 170}},      {SideLeft, 3, {0, 0, 50, 170}},
        {SideRight, 0, {250, 30, 310, 130}},  {SideRight, 1, {250, 30, 310, 170}},
        {SideRight, 2, {250, 0, 310, 130}},   {SideRight, 3, {250, 0, 310, 170}},
    };
    for (const auto& c : cases) {
        DockLayout layout = AllSides();
        layout.sides[c.side].cornerFlags = c.flags;
        RECT got = DockSideRect(layout, c.side);
        EXPECT_TRUE(got == c.expected) << "side " << c.side << " flags " << c.flags << " got " << Str(got);
    }
    EXPECT_TRUE(CentralRect(AllSides()) == (RECT{50, 30, 250, 130}));
}

TEST(DockLayoutRule, HiddenNeighboursLeaveTheCornersToTheSide) {
    DockLayout layout = AllSides();
    layout.sides[SideLeft].visible = false;
    layout.sides[SideRight].visible = false;
    layout.sides[SideTop].cornerFlags = 0;
    EXPECT_TRUE(DockSideRect(layout, SideTop) == (RECT{0, 0, 200, 30}));
    EXPECT_TRUE(DockSideRect(layout, SideBottom) == (RECT{0, 130, 200, 170}));
    EXPECT_TRUE(CentralRect(layout) == (RECT{0, 30, 200, 130}));

    layout = AllSides();
    layout.sides[SideTop].visible = false;
    layout.sides[SideBottom].visible = false;
    layout.sides[SideLeft].cornerFlags = 3;
    EXPECT_TRUE(DockSideRect(layout, SideLeft) == (RECT{0, 0, 50, 100}));
    EXPECT_TRUE(DockSideRect(layout, SideRight) == (RECT{250, 0, 310, 100}));
}

TEST(DockLayoutRule, FrameResizeKeepsTheCentralAreaAboveTheMinimum) {
    DockLayout layout = AllSides();
    ResizeFrame(layout, -170, 30);
    EXPECT_EQ(layout.centralWidth, 30);
    EXPECT_EQ(layout.centralHeight, 130);
    ResizeFrame(layout, -6, -106);  // both would end at 24: not above the minimum
    EXPECT_EQ(layout.centralWidth, 30);
    EXPECT_EQ(layout.centralHeight, 130);
    ResizeFrame(layout, -5, -105);
    EXPECT_EQ(layout.centralWidth, 25);
    EXPECT_EQ(layout.centralHeight, 25);
    for (int side = 0; side < SideCount; ++side) EXPECT_EQ(layout.sides[side].size, AllSides().sides[side].size);
}

TEST(DockLayoutRule, ShowingASideTakesItsSizeAndHidingGivesItBack) {
    DockLayout layout;
    layout.centralWidth = 300;
    layout.centralHeight = 200;
    layout.sides[SideLeft] = {80, false, 3};
    layout.sides[SideBottom] = {50, false, 0};
    ShowSide(layout, SideLeft);
    ShowSide(layout, SideBottom);
    EXPECT_EQ(layout.centralWidth, 220);
    EXPECT_EQ(layout.centralHeight, 150);
    ShowSide(layout, SideLeft);  // already shown: nothing taken twice
    EXPECT_EQ(layout.centralWidth, 220);
    HideSide(layout, SideLeft);
    HideSide(layout, SideBottom);
    EXPECT_EQ(layout.centralWidth, 300);
    EXPECT_EQ(layout.centralHeight, 200);
    EXPECT_FALSE(layout.sides[SideLeft].visible);

    layout.centralWidth = 100;  // 100 - 80 would not stay above 24
    ShowSide(layout, SideLeft);
    EXPECT_TRUE(layout.sides[SideLeft].visible);
    EXPECT_EQ(layout.centralWidth, 100);
}

TEST(DockLayoutRule, SideSizeChangesKeepBothAreasAtTheMinimum) {
    DockLayout layout;
    layout.centralWidth = 150;
    layout.sides[SideRight] = {50, true, 3};
    EXPECT_TRUE(ResizeSide(layout, SideRight, 100));
    EXPECT_EQ(layout.sides[SideRight].size, 150);
    EXPECT_EQ(layout.centralWidth, 50);
    EXPECT_FALSE(ResizeSide(layout, SideRight, 27));  // central would be 23
    EXPECT_TRUE(ResizeSide(layout, SideRight, 26));   // central exactly 24
    EXPECT_EQ(layout.centralWidth, 24);
    EXPECT_FALSE(ResizeSide(layout, SideRight, -153));  // side would be 23
    EXPECT_EQ(layout.sides[SideRight].size, 176);
    EXPECT_FALSE(ResizeSide(layout, 4, 10));

    layout.sides[SideTop] = {40, false, 0};  // a hidden side changes alone
    EXPECT_TRUE(ResizeSide(layout, SideTop, 20));
    EXPECT_EQ(layout.sides[SideTop].size, 60);
    EXPECT_EQ(layout.centralHeight, kMinimumAreaSize);
}

TEST(DockLayoutRule, SizingEdgeLimitsAndDragDeltas) {
    DockLayout layout = AllSides();
    RECT left = SizingLimits(layout, SideLeft);
    EXPECT_EQ(left.left, 10);
    EXPECT_EQ(left.right, 240);  // central down to 10
    RECT bottom = SizingLimits(layout, SideBottom);
    EXPECT_EQ(bottom.top, 40);
    EXPECT_EQ(bottom.bottom, 160);

    struct {
        int side;
        POINT press, release;
        int delta;
    } cases[] = {
        {SideLeft, {100, 50}, {102, 50}, 0},   {SideLeft, {100, 50}, {98, 80}, 0},
        {SideLeft, {100, 50}, {103, 50}, 3},   {SideLeft, {100, 50}, {90, 50}, -10},
        {SideRight, {300, 50}, {310, 50}, -10}, {SideTop, {0, 30}, {0, 45}, 15},
        {SideBottom, {0, 200}, {0, 190}, 10},  {SideBottom, {0, 200}, {0, 202}, 0},
    };
    for (const auto& c : cases) EXPECT_EQ(SizingDragDelta(c.side, c.press, c.release), c.delta) << c.side;
}

TEST(DropZone, TabStripThenNearestEdgeWithEarlierEdgesWinningTies) {
    const RECT strip{0, 0, 200, 24}, client{0, 24, 200, 124};
    struct {
        POINT pt;
        int zone;
    } cases[] = {
        {{50, 10}, ZoneTabs},     {{100, 30}, ZoneTop},    {{100, 120}, ZoneBottom},
        {{5, 74}, ZoneLeft},      {{195, 74}, ZoneRight},  {{24, 48}, ZoneTop},      // top ties left: top
        {{100, 74}, ZoneBottom},  // top ties bottom: bottom
        {{50, 74}, ZoneBottom},   // bottom ties left: bottom
        {{150, 74}, ZoneBottom},  // bottom ties right: bottom
        {{250, 50}, ZoneNone},    {{100, 124}, ZoneNone},
    };
    for (const auto& c : cases) EXPECT_EQ(FindDropZone(strip, client, c.pt), c.zone) << c.pt.x << "," << c.pt.y;

    const RECT noStrip{}, whole{0, 0, 200, 100};
    EXPECT_EQ(FindDropZone(noStrip, whole, POINT{50, 10}), ZoneTop);
}

TEST(DropZone, OutlineIsTheClientPartOrAHalfOfIt) {
    const RECT client{0, 24, 200, 124};
    EXPECT_TRUE(ZoneOutline(client, ZoneTabs) == client);
    EXPECT_TRUE(ZoneOutline(client, ZoneTop) == (RECT{0, 24, 200, 62}));
    EXPECT_TRUE(ZoneOutline(client, ZoneBottom) == (RECT{0, 62, 200, 124}));
    EXPECT_TRUE(ZoneOutline(client, ZoneLeft) == (RECT{0, 24, 100, 124}));
    EXPECT_TRUE(ZoneOutline(client, ZoneRight) == (RECT{100, 24, 200, 124}));
    RECT none = ZoneOutline(client, ZoneNone);
    EXPECT_TRUE(::IsRectEmpty(&none));
}

TEST(SplitOrder, NewPaneTakesTheSideOfTheZone) {
    struct {
        int zone;
        bool vertical, newFirst;
    } cases[] = {
        {ZoneLeft, true, true}, {ZoneRight, true, false}, {ZoneTop, false, true}, {ZoneBottom, false, false}};
    for (const auto& c : cases) {
        SplitOrder order = SplitOrderForZone(c.zone);
        EXPECT_EQ(order.verticalBar, c.vertical) << c.zone;
        EXPECT_EQ(order.newPaneFirst, c.newFirst) << c.zone;
    }
}

TEST(TabStrip, HeightGrowsWithTheFontAscent) {
    struct {
        int ascent, height;
    } cases[] = {{11, 24}, {12, 25}, {13, 26}, {16, 29}, {22, 36}};
    for (const auto& c : cases) EXPECT_EQ(TabStripHeight(c.ascent), c.height) << c.ascent;
}

TEST(StateRecord, SevenLittleEndianIntegers) {
    StateBytes docked = EncodeState(StateRecord{PlaceDocked, SideRight, 180, {}});
    const BYTE dockedBytes[kStateRecordSize] = {2, 0, 0, 0, 3, 0, 0, 0, 0xB4, 0, 0, 0};
    EXPECT_EQ(0, memcmp(docked.data(), dockedBytes, kStateRecordSize));

    StateBytes floating = EncodeState(StateRecord{PlaceFloating, 0, 0, {-10, 20, 300, 0x12345}});
    const BYTE floatingBytes[kStateRecordSize] = {3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xF6, 0xFF, 0xFF, 0xFF,
                                                  20, 0, 0, 0, 0x2C, 1, 0, 0, 0x45, 0x23, 1, 0};
    EXPECT_EQ(0, memcmp(floating.data(), floatingBytes, kStateRecordSize));

    StateRecord back = DecodeState(floating.data(), kStateRecordSize);
    EXPECT_EQ(back.kind, PlaceFloating);
    EXPECT_TRUE(back.rect == (RECT{-10, 20, 300, 0x12345}));
}

TEST(StateRecord, AnotherLengthCountsAsAbsent) {
    StateBytes bytes = EncodeState(StateRecord{PlaceFloating, 0, 0, {1, 2, 3, 4}});
    for (DWORD size : {0u, 27u, 29u}) {
        StateRecord r = DecodeState(bytes.data(), size);
        EXPECT_EQ(r.kind, PlaceDocked) << size;
        EXPECT_EQ(r.side, SideLeft) << size;
        EXPECT_EQ(r.size, -1) << size;
    }
    EXPECT_EQ(DecodeState(nullptr, kStateRecordSize).kind, PlaceDocked);
}

TEST(Splitter, PartsBesideTheBarAndProportionalPosition) {
    SplitterRects r = ComputeSplitterRects(RECT{0, 0, 100, 50}, true, 40, 4);
    EXPECT_TRUE(r.first == (RECT{0, 0, 40, 50}));
    EXPECT_TRUE(r.bar == (RECT{40, 0, 44, 50}));
    EXPECT_TRUE(r.second == (RECT{44, 0, 100, 50}));
    r = ComputeSplitterRects(RECT{0, 0, 100, 50}, false, 200, 4);  // kept inside
    EXPECT_TRUE(r.bar == (RECT{0, 46, 100, 50}));
    EXPECT_TRUE(r.second == (RECT{0, 50, 100, 50}));
    EXPECT_EQ(ProportionalSplitterPos(40, 100, 250), 100);
    EXPECT_EQ(ProportionalSplitterPos(40, 0, 250), 40);
}

TEST(StoredValues, SizesAndRectanglesAreBoundedAndSumsDoNotWrap) {
    DockLayout layout;
    layout.centralWidth = 800;
    layout.centralHeight = 600;
    EXPECT_EQ(BoundSideSize(layout, SideLeft, 0x7FFFFFF0, 1920), 775);
    EXPECT_EQ(BoundSideSize(layout, SideBottom, 5, 1080), kMinimumAreaSize);
    EXPECT_EQ(BoundSideSize(layout, SideTop, 250, 1080), 250);
    EXPECT_EQ(BoundSideSize(layout, SideLeft, -1, 1920), -1);  // keep the current size
    layout.sides[SideRight] = {300, true, 0};
    layout.centralWidth = 500;
    EXPECT_EQ(BoundSideSize(layout, SideRight, 0x7FFFFFF0, 1920), 775);  // its own share counts
    DockLayout unsized;  // no frame size yet: the screen bounds it
    EXPECT_EQ(BoundSideSize(unsized, SideLeft, 0x7FFFFFF0, 1920), 1895);

    EXPECT_FALSE(ResizeSide(layout, SideRight, 0x7FFFFFF0));
    EXPECT_FALSE(ResizeSide(layout, SideRight, -0x7FFFFFF0));
    EXPECT_EQ(layout.sides[SideRight].size, 300);
    EXPECT_EQ(layout.centralWidth, 500);
    ResizeFrame(layout, 0x7FFFFFF0, 0x7FFFFFF0);
    EXPECT_EQ(layout.centralWidth, kMaximumAreaSize);
    ResizeFrame(layout, -0x7FFFFFF0, 0);
    EXPECT_EQ(layout.centralWidth, kMaximumAreaSize);

    const RECT screen{0, 0, 1920, 1080};
    EXPECT_TRUE(FitFloatRect(RECT{100, 100, 400, 300}, screen) == (RECT{100, 100, 400, 300}));
    EXPECT_TRUE(FitFloatRect(RECT{-0x7FFFFFF0, 5, 0x7FFFFFF0, 200}, screen) == (RECT{0, 5, 1920, 200}));
    EXPECT_TRUE(FitFloatRect(RECT{5000, -900, 5300, -700}, screen) == (RECT{1620, 0, 1920, 200}));
    EXPECT_TRUE(FitFloatRect(RECT{10, 10, 11, 11}, screen) == (RECT{10, 10, 34, 34}));
    for (RECT inverted : {RECT{300, 10, 100, 200}, RECT{0x7FFFFFFF, 0, -0x7FFFFFFF, 10}}) {
        RECT fitted = FitFloatRect(inverted, screen);
        EXPECT_TRUE(::IsRectEmpty(&fitted)) << Str(fitted);
    }
}

TEST(DragOutline, FollowsTheCursorOnItsTabStripEdgeAtTheSameFractionOfTheWidth) {
    const RECT outline{0, 0, 300, 200}, anchor{100, 100, 500, 400};
    struct {
        POINT p;
        bool tabsOnTop;
        RECT expected;
    } cases[] = {
        {{200, 50}, true, {125, 50, 425, 250}},     // a quarter across the view: a quarter across the outline
        {{200, 50}, false, {125, -150, 425, 50}},   // tabs at the bottom: the bottom edge at the cursor
        {{100, 50}, true, {100, 50, 400, 250}},
        {{600, 50}, true, {600, 50, 900, 250}},     // beside the view: left edge at the cursor
        {{99, 50}, true, {99, 50, 399, 250}},
        {{500, 50}, true, {500, 50, 800, 250}},     // the right edge is outside
    };
    for (auto c : cases)
        EXPECT_EQ(Str(PlaceOutlineAt(outline, anchor, c.p, c.tabsOnTop)), Str(c.expected)) << c.p.x << "," << c.p.y;
    // A view of no width puts the left edge at the cursor; wide rectangles do not overflow.
    EXPECT_EQ(Str(PlaceOutlineAt(outline, RECT{100, 100, 100, 400}, POINT{100, 0}, true)), "{100,0,400,200}");
    EXPECT_EQ(Str(PlaceOutlineAt(RECT{0, 0, 2000000000, 10}, RECT{0, 0, 2000000000, 10}, POINT{1000000000, 5}, true)),
              "{0,5,2000000000,15}");
}

TEST(NewDockSide, TheBandAtTheFrameEdgeProposesTheFirstFreeSideNearP) {
    const RECT frame{100, 100, 900, 700};
    const std::array<bool, SideCount> none{}, top{false, true, false, false}, left{false, false, true, false};
    struct {
        POINT p;
        const std::array<bool, SideCount>& panes;
        int side;
    } cases[] = {
        {{500, 95}, none, SideTop},      // just above the frame
        {{500, 88}, none, SideTop},      // 12 pixels out: still in the band
        {{500, 87}, none, -1},           // beyond it
        {{500, 111}, none, SideTop},     // 11 pixels in
        {{500, 112}, none, -1},          // inside the deflated frame
        {{500, 695}, none, SideBottom},
        {{105, 400}, none, SideLeft},
        {{895, 400}, none, SideRight},
        {{105, 120}, none, SideTop},     // a corner: top first
        {{105, 120}, top, SideLeft},     // top taken: the next free side near P
        {{500, 95}, top, -1},            // top taken and no other edge near
        {{105, 400}, left, -1},
    };
    for (auto c : cases) EXPECT_EQ(NewSideAt(frame, c.p, c.panes), c.side) << c.p.x << "," << c.p.y;
    // A frame whose deflated rectangle is below 25 x 25 never proposes a side.
    EXPECT_EQ(NewSideAt(RECT{0, 0, 48, 48}, POINT{24, 2}, none), -1);
    EXPECT_EQ(NewSideAt(RECT{0, 0, 49, 200}, POINT{24, 2}, none), SideTop);  // 25 wide is enough
    EXPECT_EQ(NewSideAt(RECT{0, 0, 200, 48}, POINT{100, 2}, none), -1);
}

TEST(NewDockSide, CornerFlagsGiveUpCornersOfVisiblePerpendicularSidesOnlyFromInside) {
    auto with = [](std::initializer_list<int> visible) {
        DockLayout layout;
        for (int side : visible) layout.sides[side].visible = true;
        return layout;
    };
    struct {
        DockLayout layout;
        int side;
        bool inside;
        int flags;
    } cases[] = {
        {with({SideLeft, SideRight}), SideTop, true, 0},
        {with({SideLeft, SideRight}), SideTop, false, 3},
        {with({SideLeft}), SideTop, true, 1},
        {with({SideLeft}), SideBottom, true, 2},
        {with({SideRight}), SideBottom, true, 1},
        {with({SideTop}), SideLeft, true, 2},
        {with({SideBottom}), SideLeft, true, 1},
        {with({SideTop}), SideRight, true, 1},
        {with({SideBottom}), SideRight, true, 2},
        {with({SideBottom}), SideTop, true, 3},  // a parallel side takes no corner
    };
    for (auto c : cases) EXPECT_EQ(NewSideCornerFlags(c.layout, c.side, c.inside), c.flags) << c.side;

    // The proposed rectangle: the top side's stored size, beside a visible left side or over it.
    DockLayout layout;
    layout.centralWidth = 600;
    layout.centralHeight = 600;
    layout.sides[SideLeft] = {200, true, 3};
    layout.sides[SideTop] = {150, false, 3};
    EXPECT_EQ(Str(NewSideRect(layout, SideTop, NewSideCornerFlags(layout, SideTop, true))), "{200,0,800,150}");
    EXPECT_EQ(Str(NewSideRect(layout, SideTop, NewSideCornerFlags(layout, SideTop, false))), "{0,0,800,150}");
}

TEST(DragDecision, KindFlagsCtrlAndTheOrderOfPlaces) {
    DockLayout layout;
    layout.centralWidth = 800;
    layout.centralHeight = 600;
    auto probe = [](int flags) {
        DragProbe p;
        p.kindFlags = flags;
        p.frame = RECT{100, 100, 900, 700};
        return p;
    };
    const POINT inner{500, 400}, above{500, 95};
    struct Row {
        const char* story;
        DragProbe probe;
        POINT p;
        int target, side;
    };
    std::vector<Row> rows;
    auto add = [&](const char* story, DragProbe p, POINT at, int target, int side = -1) {
        rows.push_back({story, p, at, target, side});
    };
    DragProbe everywhere = probe(KindDocked);
    everywhere.sideUnderP = SideBottom;
    everywhere.centralTakesP = true;
    everywhere.overFloatFrame = true;
    add("a floating frame beats a side under the same point", everywhere, inner, TargetFloatFrame);
    everywhere.overFloatFrame = false;
    add("docked views go to an existing side", everywhere, inner, TargetSide, SideBottom);
    everywhere.kindFlags = KindCentral;
    add("central views never dock at a side", everywhere, inner, TargetCentral);
    DragProbe central = probe(KindDocked);
    central.centralTakesP = true;
    add("docked views never go to the central area", central, inner, TargetFloating);
    central.kindFlags = KindCentral | KindDocked;
    add("a mixture only floats", central, inner, TargetFloating);
    DragProbe floated = probe(KindFloated);
    floated.overFloatFrame = true;
    add("floated views only float", floated, inner, TargetFloating);
    add("a docked view above the frame proposes a new top side", probe(KindDocked), above, TargetNewSide, SideTop);
    DragProbe ctrl = probe(KindDocked);
    ctrl.ctrl = true;
    add("Ctrl floats the same drag", ctrl, above, TargetFloating);
    add("central views propose no new side", probe(KindCentral), above, TargetFloating);
    DragProbe ownSide = probe(KindDocked);
    ownSide.sourceKind = PlaceDocked;
    ownSide.sourceSide = SideTop;
    ownSide.sideUnderP = SideTop;
    ownSide.inSourceDockPane = true;
    add("a side over itself has no side target", ownSide, POINT{500, 105}, TargetFloating);
    ownSide.wholePlace = true;
    add("a dragged side with no target has none", ownSide, POINT{500, 105}, TargetNone);
    DragProbe frame = probe(KindDocked);
    frame.wholePlace = true;
    frame.sourceKind = PlaceFloating;
    frame.captionHoldsP = true;
    frame.sideUnderP = SideLeft;
    add("a floating frame's own caption under P: no target", frame, inner, TargetNone);
    frame.captionHoldsP = false;
    add("a floating frame of docked views docks", frame, inner, TargetSide, SideLeft);

    for (const Row& row : rows) {
        const DragDecision d = DecideDragTarget(row.probe, layout, row.p);
        EXPECT_EQ(d.target, row.target) << row.story;
        EXPECT_EQ(d.side, row.side) << row.story;
    }
    // From outside the frame, a new side spans both corners; from inside it gives up the corners
    // of visible perpendicular sides.
    layout.sides[SideLeft].visible = true;
    EXPECT_EQ(DecideDragTarget(probe(KindDocked), layout, above).newCornerFlags, 3);
    EXPECT_EQ(DecideDragTarget(probe(KindDocked), layout, POINT{500, 105}).newCornerFlags, 1);
}
