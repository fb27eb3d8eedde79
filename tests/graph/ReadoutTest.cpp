#include <gtest/gtest.h>

#include "Readout.h"

namespace {
// A plot of 10000 x 5000 twips over one day and the values 0..50: x = 10000 per day from day 1000,
// y = 100 per unit.
const PlotMapping kMapping{PlotRect{0, 0, 10000, 5000}, 1000, 1001, ValueScale{0, 50, 5}};
GraphSample At(int x, float value) { return GraphSample{1000 + x / 10000.0, value}; }
}  // namespace

TEST(Readout, TheNearestSampleOnEitherSideOfTheMouseWithinTheRadius) {
    const std::vector<GraphSample> none;
    const std::vector<GraphSample> pair{At(1000, 10), At(1400, 10)};
    const std::vector<GraphSample> one{At(1000, 10)};
    const struct Case {
        const char* story;
        const std::vector<GraphSample>& fetched;
        std::vector<GraphSample> live;
        POINT mouse;
        bool found;
        POINT snapped;
    } cases[] = {
        {"nearer to the first", pair, {}, {1150, 1000}, true, {1000, 1000}},
        {"nearer to the second", pair, {}, {1250, 1050}, true, {1400, 1000}},
        {"midway: the earlier", pair, {}, {1200, 1000}, true, {1000, 1000}},
        {"before the first", pair, {}, {900, 1000}, true, {1000, 1000}},
        {"past the last, no live samples", pair, {}, {1650, 1000}, true, {1400, 1000}},
        {"joint: the last fetched is nearer", one, {At(1300, 12)}, {1100, 1100}, true, {1000, 1000}},
        {"joint: the first live is nearer", one, {At(1300, 12)}, {1200, 1100}, true, {1300, 1200}},
        {"between live samples", one, {At(1300, 12), At(1500, 14)}, {1420, 1400}, true, {1500, 1400}},
        {"past the last live sample", one, {At(1300, 12), At(1500, 14)}, {1700, 1400}, true, {1500, 1400}},
        {"live samples only, before the first", none, {At(1300, 12), At(1500, 14)}, {1250, 1200}, true, {1300, 1200}},
        {"320 twips away in a straight line", one, {}, {1192, 1256}, false, {}},
        {"300 twips away", one, {}, {1180, 1240}, true, {1000, 1000}},
        {"300 twips away on one axis", one, {}, {1000, 1300}, true, {1000, 1000}},
        {"no samples", none, {}, {1000, 1000}, false, {}},
        {"left of the plot", one, {}, {-1, 1000}, false, {}},
        {"above the plot", one, {}, {1000, 5001}, false, {}},
        // Mapped to the coordinate limit: squared, it must not wrap into a short distance.
        {"a sample far beyond the window", none, {GraphSample{1e5, 10}}, {9999, 1000}, false, {}},
    };
    for (const Case& c : cases) {
        POINT p = c.mouse;
        GraphSample sample{};
        ASSERT_EQ(FindNearestSample(c.fetched, c.live, kMapping, p, sample), c.found) << c.story;
        if (!c.found) continue;
        EXPECT_EQ(p.x, c.snapped.x) << c.story;
        EXPECT_EQ(p.y, c.snapped.y) << c.story;
        EXPECT_EQ(kMapping.TimeToX(sample.time), c.snapped.x) << c.story;
    }
}

TEST(Readout, ValueTextsByTypeUnitAndTickSize) {
    const struct Case {
        int type;
        float value, ticks;
        bool fahrenheit;
        const wchar_t* unitName;
        const wchar_t* text;
    } cases[] = {
        {1, 21.4f, 1, false, L"Celsius", L"+21.4 \u00B0C"},
        {1, 21.4f, 0.5f, false, L"Celsius", L"+21.40 \u00B0C"},
        {1, 21.4f, 1, true, L"Fahrenheit", L"+70.5 \u00B0F"},     // a tick of 1.8 degrees
        {1, 21.4f, 0.5f, true, L"Fahrenheit", L"+70.52 \u00B0F"}, // a tick of 0.9 degrees
        {2, -3.5f, 5, false, L"", L"-3.5 \u00B0C"},
        {3, 45.26f, 1, true, L"RH%", L"45.3 RH%"},
        {6, 812, 50, false, L"ppm CO2", L"812.0 ppm CO2"},
        {9, 5, 1, false, L"", L" 5.0 "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReadoutValueText(c.type, c.value, c.ticks, c.fahrenheit, c.unitName), c.text) << c.type;
}

TEST(Readout, TheWindowFlipsLeftAtTheRightEdgeWithItsLeaderLineFacingTheAnchor) {
    const RECT bounds{0, 0, 500, 400};
    const struct Case {
        POINT anchor;
        bool pointer;
        RECT rect;
        bool pointerLeft;
    } cases[] = {
        // Text 100 x 16: 106 x 20, and 10 more for the leader line.
        {{50, 200}, true, {50, 180, 166, 200}, true},
        {{384, 200}, true, {384, 180, 500, 200}, true},  // ends exactly at the edge
        {{385, 200}, true, {269, 180, 385, 200}, false},
        {{450, 200}, false, {344, 180, 450, 200}, false},
        {{50, 200}, false, {50, 180, 156, 200}, true},
    };
    for (const Case& c : cases) {
        const InfoPlacement placed = PlaceInfo(c.anchor, SIZE{100, 16}, c.pointer, bounds);
        EXPECT_TRUE(::EqualRect(&placed.rect, &c.rect)) << c.anchor.x << " " << c.pointer;
        EXPECT_EQ(placed.pointerLeft, c.pointerLeft) << c.anchor.x << " " << c.pointer;
    }

    // In a window of 116 x 20 the line runs from near the bottom corner on the anchor's side up
    // half the height, and the text keeps clear of it.
    const struct Layout {
        bool pointer, pointerLeft;
        InfoLayout expected;
    } layouts[] = {
        {true, true, {{12, 2}, true, {2, 17}, {9, 10}}},
        {true, false, {{3, 2}, true, {114, 17}, {107, 10}}},
        {false, true, {{3, 2}, false, {}, {}}},
    };
    auto same = [](POINT a, POINT b) { return a.x == b.x && a.y == b.y; };
    for (const Layout& l : layouts) {
        const InfoLayout got = LayOutInfo(116, 20, l.pointer, l.pointerLeft);
        EXPECT_TRUE(same(got.text, l.expected.text) && got.hasLine == l.expected.hasLine) << l.pointer << l.pointerLeft;
        if (got.hasLine) {
            EXPECT_TRUE(same(got.lineFrom, l.expected.lineFrom) && same(got.lineTo, l.expected.lineTo)) << l.pointerLeft;
        }
    }
}
