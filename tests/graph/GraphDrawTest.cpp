// The graph's drawing, read back from the records of an enhanced metafile drawn in twips.
#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstddef>
#include <map>
#include <memory>
#include <vector>

#include "AppModule.h"
#include "FakeServer.h"
#include "GraphView.h"
#include "LocalTime.h"
#include "SettingsStore.h"
#include "Units.h"

namespace {
struct PenInfo {
    int width = 1;
    COLORREF color = 0;
};
struct Text {
    POINT at;
    std::wstring text;
    COLORREF color;
    UINT align;
};
struct Line {
    POINT from, to;
    PenInfo pen;
    int Length() const { return std::abs(to.x - from.x) + std::abs(to.y - from.y); }
    bool Vertical() const { return from.x == to.x; }
    bool Horizontal() const { return from.y == to.y; }
};
struct Poly {
    std::vector<POINT> points;
    PenInfo pen;
};
struct Mark {
    RECT box;  // normalised: left < right, top < bottom
    PenInfo pen;
};

// What a drawing put into a metafile: texts, single lines, polylines and ellipses with the pen
// each was drawn with.
struct Scene {
    std::vector<Text> texts;
    std::vector<Line> lines;
    std::vector<Poly> polys;
    std::vector<Mark> marks;
    std::vector<RECT> rectangles;
    std::vector<int> createdPenWidths;
    int clips = 0;

    const Text* Find(const std::wstring& s) const {
        for (const Text& t : texts)
            if (t.text == s) return &t;
        return nullptr;
    }
    std::vector<const Line*> Lines(int width, COLORREF color) const {
        std::vector<const Line*> out;
        for (const Line& l : lines)
            if (l.pen.width == width && l.pen.color == color) out.push_back(&l);
        return out;
    }
};

Scene Parse(HENHMETAFILE emf) {
    Scene scene;
    UINT size = ::GetEnhMetaFileBits(emf, 0, nullptr);
    std::vector<BYTE> bits(size);
    ::GetEnhMetaFileBits(emf, size, bits.data());
    std::map<DWORD, PenInfo> objects;
    PenInfo pen;
    std::vector<PenInfo> saved;
    COLORREF textColor = 0;
    UINT align = 0;
    POINT position{};
    for (size_t offset = 0; offset + sizeof(EMR) <= bits.size();) {
        const auto* record = reinterpret_cast<const EMR*>(bits.data() + offset);
        if (record->nSize < sizeof(EMR)) break;
        switch (record->iType) {
        case EMR_CREATEPEN: {
            const auto* r = reinterpret_cast<const EMRCREATEPEN*>(record);
            objects[r->ihPen] = PenInfo{r->lopn.lopnWidth.x, r->lopn.lopnColor};
            scene.createdPenWidths.push_back(r->lopn.lopnWidth.x);
            break;
        }
        case EMR_EXTCREATEPEN: {
            const auto* r = reinterpret_cast<const EMREXTCREATEPEN*>(record);
            objects[r->ihPen] = PenInfo{static_cast<int>(r->elp.elpWidth), r->elp.elpColor};
            scene.createdPenWidths.push_back(static_cast<int>(r->elp.elpWidth));
            break;
        }
        case EMR_SELECTOBJECT: {
            DWORD index = reinterpret_cast<const EMRSELECTOBJECT*>(record)->ihObject;
            if (index & 0x80000000u) {
                if (index == (0x80000000u | BLACK_PEN)) pen = PenInfo{1, 0};
            } else if (objects.count(index)) {
                pen = objects[index];
            }
            break;
        }
        case EMR_INTERSECTCLIPRECT: ++scene.clips; break;
        case EMR_SAVEDC: saved.push_back(pen); break;
        case EMR_RESTOREDC:
            if (!saved.empty()) {
                pen = saved.back();
                saved.pop_back();
            }
            break;
        case EMR_SETTEXTCOLOR: textColor = reinterpret_cast<const EMRSETTEXTCOLOR*>(record)->crColor; break;
        case EMR_SETTEXTALIGN: align = reinterpret_cast<const EMRSELECTOBJECT*>(record)->ihObject; break;
        case EMR_MOVETOEX: {
            const auto p = reinterpret_cast<const EMRMOVETOEX*>(record)->ptl;
            position = POINT{p.x, p.y};
            break;
        }
        case EMR_LINETO: {
            const auto p = reinterpret_cast<const EMRLINETO*>(record)->ptl;
            scene.lines.push_back(Line{position, POINT{p.x, p.y}, pen});
            position = POINT{p.x, p.y};
            break;
        }
        case EMR_POLYLINE: {
            const auto* r = reinterpret_cast<const EMRPOLYLINE*>(record);
            Poly poly{{}, pen};
            for (DWORD i = 0; i < r->cptl; ++i) poly.points.push_back(POINT{r->aptl[i].x, r->aptl[i].y});
            scene.polys.push_back(poly);
            break;
        }
        case EMR_POLYPOLYLINE:
        case EMR_POLYPOLYLINE16: {
            // Lines drawn in one call: each polyline of two points is a line.
            // The counts and points follow the header (read through pointers: the declared
            // one-element arrays would let the compiler assume a single polyline).
            const auto* r = reinterpret_cast<const EMRPOLYPOLYLINE*>(record);
            const auto* counts =
                reinterpret_cast<const DWORD*>(bits.data() + offset + offsetof(EMRPOLYPOLYLINE, aPolyCounts));
            const BYTE* points = reinterpret_cast<const BYTE*>(counts + r->nPolys);
            auto point = [&](DWORD i) {
                if (record->iType == EMR_POLYPOLYLINE) {
                    const POINTL p = reinterpret_cast<const POINTL*>(points)[i];
                    return POINT{p.x, p.y};
                }
                const POINTS p = reinterpret_cast<const POINTS*>(points)[i];
                return POINT{p.x, p.y};
            };
            for (DWORD poly = 0, first = 0; poly < r->nPolys; first += counts[poly++])
                for (DWORD i = first + 1; i < first + counts[poly]; ++i)
                    scene.lines.push_back(Line{point(i - 1), point(i), pen});
            break;
        }
        case EMR_POLYLINE16: {
            const auto* r = reinterpret_cast<const EMRPOLYLINE16*>(record);
            Poly poly{{}, pen};
            for (DWORD i = 0; i < r->cpts; ++i) poly.points.push_back(POINT{r->apts[i].x, r->apts[i].y});
            scene.polys.push_back(poly);
            break;
        }
        case EMR_ELLIPSE: {
            RECTL b = reinterpret_cast<const EMRELLIPSE*>(record)->rclBox;
            scene.marks.push_back(Mark{RECT{std::min(b.left, b.right), std::min(b.top, b.bottom),
                                            std::max(b.left, b.right), std::max(b.top, b.bottom)},
                                       pen});
            break;
        }
        case EMR_RECTANGLE: {
            RECTL b = reinterpret_cast<const EMRRECTANGLE*>(record)->rclBox;
            scene.rectangles.push_back(RECT{b.left, b.top, b.right, b.bottom});
            break;
        }
        case EMR_EXTTEXTOUTW: {
            const auto* r = reinterpret_cast<const EMREXTTEXTOUTW*>(record);
            const auto* chars = reinterpret_cast<const wchar_t*>(bits.data() + offset + r->emrtext.offString);
            scene.texts.push_back(Text{POINT{r->emrtext.ptlReference.x, r->emrtext.ptlReference.y},
                                       std::wstring(chars, r->emrtext.nChars), textColor, align});
            break;
        }
        default: break;
        }
        offset += record->nSize;
    }
    return scene;
}

// Draws `graph` into a metafile in twips at `rect` and reads the records back.
Scene Record(CGraphView& graph, RECT rect, bool withTitle = false) {
    HDC dc = ::CreateEnhMetaFileW(nullptr, nullptr, nullptr, nullptr);
    ::SetMapMode(dc, MM_TWIPS);
    graph.Draw(dc, rect, withTitle);
    HENHMETAFILE emf = ::CloseEnhMetaFile(dc);
    Scene scene = Parse(emf);
    ::DeleteEnhMetaFile(emf);
    return scene;
}

// A UTC OLE date for a local (Europe/Berlin) wall-clock time.
double Local(int year, int month, int day, int hour = 0, int minute = 0) {
    SYSTEMTIME s{static_cast<WORD>(year), static_cast<WORD>(month), 0, static_cast<WORD>(day),
                 static_cast<WORD>(hour), static_cast<WORD>(minute), 0, 0};
    double local = 0;
    ::SystemTimeToVariantTime(&s, &local);
    return LocalToUtcDate(local);
}

// The tests' "now": 9 December 2026, noon UTC.
constexpr double kNow = 46364.5;
double TestClock() { return kNow; }

constexpr RECT kRect{0, 0, 10000, 5900};  // plot 800..9800 x 700..5700
constexpr double kMinute = 1.0 / 1440;
constexpr COLORREF kGrid = 0xC0C0C0;
constexpr COLORREF kMinorGrid = 0xE6E6E6;
constexpr COLORREF kGrey = 0x808080;

// Graph windows on a fake sensor whose log runs from `first` to `last`.
class GraphDrawTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteProductKey();
        g_bFahrenheit = 0;
        m_parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 800, 600, nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override {
        for (auto& g : m_graphs) ::DestroyWindow(*g);
        m_graphs.clear();
        ::DestroyWindow(m_parent);
        DeleteProductKey();
        g_bFahrenheit = 0;
    }

    // A graph at time scale `scale` whose window ends at `end`, holding `times` and `values`.
    CGraphView& Graph(int type, int scale, double first, double last, double end, std::vector<double> times = {},
                      std::vector<float> values = {}) {
        m_sensor = FakeSensor::Make(11, type, 20, L"Cellar");
        m_sensor->firstLog = first;
        m_sensor->lastLog = last;
        m_sensor->lastValueResult = E_FAIL;
        m_sensor->SetData(times, values);
        m_graphs.push_back(std::make_unique<CGraphView>(nullptr, m_sensor.Get()));
        CGraphView& graph = *m_graphs.back();
        graph.SetClock(TestClock);
        EXPECT_TRUE(graph.CreateGraphWindow(m_parent, 11, type));
        graph.Settings().timeScale = scale;
        graph.Settings().stickToEnd = false;
        graph.SetEndTime(end);
        if (!times.empty()) graph.Refetch();
        return graph;
    }

    HWND m_parent = nullptr;
    ComPtr<FakeSensor> m_sensor;
    std::vector<std::unique_ptr<CGraphView>> m_graphs;
};
}  // namespace

TEST_F(GraphDrawTest, ValueAxisLabelsSitOnTheirTicksInTheDisplayUnit) {
    double end = Local(2026, 1, 14, 12);
    CGraphView& graph = Graph(1, 3, end - 5, end, end, {end - 0.5, end - 0.4}, {20.3f, 22.1f});
    // Auto scale 18..25 in steps of 1 over the plot's 5000 twips.
    const int ys[] = {700, 1414, 2128, 2842, 3557, 4271, 4985, 5700};
    const wchar_t* celsius[] = {L"+18", L"+19", L"+20", L"+21", L"+22", L"+23", L"+24", L"+25"};
    const wchar_t* fahrenheit[] = {L"+64", L"+66", L"+68", L"+70", L"+72", L"+73", L"+75", L"+77"};
    for (int unit = 0; unit < 2; ++unit) {
        g_bFahrenheit = unit;
        Scene scene = Record(graph, kRect);
        for (int i = 0; i < 8; ++i) {
            const Text* label = scene.Find(unit ? fahrenheit[i] : celsius[i]);
            ASSERT_TRUE(label) << i;
            EXPECT_EQ(label->at.x, 700);
            EXPECT_EQ(label->at.y, ys[i]);
            EXPECT_EQ(label->align, static_cast<UINT>(TA_RIGHT | TA_BASELINE));
            EXPECT_EQ(label->color, 0u);
        }
        // A tick of 100 twips left of the plot and a grid line across it for each value.
        int ticks = 0, gridLines = 0;
        for (const Line& l : scene.lines) {
            if (l.Horizontal() && l.from.x == 800 && l.to.x == 700) ++ticks;
            if (l.Horizontal() && l.from.x == 800 && l.to.x == 9800 && l.pen.color == kGrid) ++gridLines;
        }
        EXPECT_EQ(ticks, 8);
        EXPECT_EQ(gridLines, 8);
        ASSERT_EQ(scene.rectangles.size(), 1u);
        EXPECT_EQ(scene.rectangles[0].left, 800);
        EXPECT_NEAR(scene.rectangles[0].right, 9800, 1);  // some recorders store the last pixel inside
    }

    // Half-degree ticks show one decimal, in Fahrenheit too (0.9 < 1).
    graph.Settings().scaleMode = 1;
    graph.Settings().scale = ValueScale{20, 22, 0.5f};
    Scene half = Record(graph, kRect);
    EXPECT_TRUE(half.Find(L"+68.0 "));
    EXPECT_TRUE(half.Find(L"+68.9 "));
    g_bFahrenheit = 0;
    EXPECT_TRUE(Record(graph, kRect).Find(L"+20.5 "));

    // Without a grid the value lines go; the ticks stay.
    graph.Settings().majorYGrid = 0;
    Scene noGrid = Record(graph, kRect);
    for (const Line& l : noGrid.lines) EXPECT_FALSE(l.Horizontal() && l.to.x == 9800);
}

TEST_F(GraphDrawTest, OverlappingValueLabelsAreSkippedTheirTicksKept) {
    double end = Local(2026, 1, 14, 12);
    CGraphView& graph = Graph(5, 3, end - 5, end, end, {end - 0.5, end - 0.4}, {400, 1200});
    EXPECT_FLOAT_EQ(graph.Settings().scale.ticks, 5);
    Scene scene = Record(graph, kRect);
    int ticks = 0;
    for (const Line& l : scene.lines)
        if (l.Horizontal() && l.from.x == 800 && l.to.x == 700) ++ticks;
    EXPECT_EQ(ticks, 161);  // 400, 405, ..., 1200
    std::vector<int> labelYs;
    for (const Text& t : scene.texts)
        if (t.align == static_cast<UINT>(TA_RIGHT | TA_BASELINE)) labelYs.push_back(t.at.y);
    ASSERT_GE(labelYs.size(), 5u);
    EXPECT_LT(labelYs.size(), 40u);
    EXPECT_EQ(labelYs.front(), 700);
    EXPECT_TRUE(scene.Find(L"400.0"));
    for (size_t i = 1; i < labelYs.size(); ++i) EXPECT_GE(labelYs[i] - labelYs[i - 1], 150) << i;

    // A scale without ticks draws no value axis, but the frame and the time axis.
    graph.Settings().scaleMode = 1;
    graph.Settings().scale = ValueScale{0, 0, 0};
    Scene bare = Record(graph, kRect);
    for (const Line& l : bare.lines) EXPECT_FALSE(l.Horizontal()) << l.from.y;
    EXPECT_EQ(bare.rectangles.size(), 1u);
    EXPECT_FALSE(bare.texts.empty());
    // A stored manual scale with equal ends, or ticks too small to advance, still ends.
    graph.Settings().scale = ValueScale{1e8f, 1e8f + 16, 1};
    Scene tiny = Record(graph, kRect);
    EXPECT_EQ(tiny.rectangles.size(), 1u);
    graph.Settings().scale = ValueScale{12, 12, 1};
    EXPECT_EQ(Record(graph, kRect).rectangles.size(), 1u);
}

TEST_F(GraphDrawTest, RectanglesTooSmallForAPlotGetOnlyTheTitle) {
    double end = Local(2026, 1, 14, 12);
    CGraphView& graph = Graph(1, 3, end - 5, end, end, {end - 0.5, end - 0.4}, {20, 21});
    EXPECT_TRUE(Record(graph, RECT{0, 0, 1000, 5000}).texts.empty());
    EXPECT_TRUE(Record(graph, RECT{0, 0, 5000, 900}).lines.empty());
    EXPECT_EQ(Record(graph, RECT{0, 0, 1001, 901}).rectangles.size(), 1u);

    Scene titled = Record(graph, RECT{0, 0, 10000, 1200}, true);
    ASSERT_EQ(titled.texts.size(), 1u);
    EXPECT_EQ(titled.texts[0].text, L"Cellar");
    EXPECT_EQ(titled.texts[0].at.x, 800);
    EXPECT_EQ(titled.texts[0].at.y, 1000);
    EXPECT_TRUE(titled.rectangles.empty());
    Scene printed = Record(graph, kRect, true);
    ASSERT_EQ(printed.rectangles.size(), 1u);
    EXPECT_LT(std::max(printed.rectangles[0].top, printed.rectangles[0].bottom), 5700 - 200 - 300);
    EXPECT_EQ(Record(graph, kRect).Find(L"Cellar"), nullptr);  // the screen shows no title
}

TEST_F(GraphDrawTest, TwoHourWindowLabelsQuarterHoursAndItsDateAtTheLeft) {
    double end = Local(2026, 3, 10, 12);
    CGraphView& graph = Graph(1, 0, end - 5, end, end);
    graph.Settings().scale = ValueScale{18, 25, 1};
    Scene scene = Record(graph, kRect);
    // Quarter hours 1125 twips apart, centred on their ticks in grey.
    const wchar_t* labels[] = {L"10:00", L"10:15", L"10:30", L"10:45", L"11:00", L"11:15", L"11:30", L"11:45"};
    for (int i = 0; i < 8; ++i) {
        const Text* t = scene.Find(labels[i]);
        ASSERT_TRUE(t) << i;
        EXPECT_NEAR(t->at.x, 800 + 1125 * i, 1);
        EXPECT_EQ(t->at.y, 600);
        EXPECT_EQ(t->color, kGrey);
        EXPECT_EQ(t->align, static_cast<UINT>(TA_CENTER | TA_TOP));
    }
    EXPECT_FALSE(scene.Find(L"12:00"));
    // Minor ticks every 5 minutes (50 twips), major ones every 15 (100 twips).
    int minor = 0, major = 0;
    for (const Line& l : scene.lines) {
        if (!l.Vertical() || l.from.y != 700 || l.pen.color != 0) continue;
        if (l.to.y == 650) ++minor;
        if (l.to.y == 600) ++major;
    }
    EXPECT_EQ(minor, 24);
    EXPECT_EQ(major, 8 + 1);  // and the date's tick
    // No midnight inside: the date in the second row at the plot's left edge, with a tick.
    const Text* date = scene.Find(L"3/10/2026");
    ASSERT_TRUE(date);
    EXPECT_EQ(date->at.x, 800);
    EXPECT_LT(date->at.y, 600 - 150);
    EXPECT_EQ(date->color, 0u);
    EXPECT_EQ(date->align, static_cast<UINT>(TA_LEFT | TA_TOP));
    EXPECT_EQ(scene.Lines(40, kGrid).size(), 0u);
    // Grid lines at every step inside the plot: the major ones at quarter hours, the minor ones
    // between them; none where the frame or a major line covers them.
    std::vector<int> minorXs, majorXs;
    for (const Line* l : scene.Lines(1, kMinorGrid)) minorXs.push_back(l->from.x);
    for (const Line* l : scene.Lines(1, kGrid))
        if (l->Vertical()) majorXs.push_back(l->from.x);
    EXPECT_EQ(minorXs.size(), 16u);
    EXPECT_EQ(majorXs.size(), 7u);
    for (int x : minorXs) {
        EXPECT_NE(x, 800);
        EXPECT_EQ(std::count(majorXs.begin(), majorXs.end(), x), 0) << x;
    }
    EXPECT_EQ(std::count(majorXs.begin(), majorXs.end(), 800), 0);
}

// The last hour of the year is still the old year's, in a zone with daylight saving in summer.
TEST_F(GraphDrawTest, TheHourBeforeNewYearKeepsItsLabels) {
    double end = Local(2026, 1, 1, 1);
    CGraphView& graph = Graph(1, 0, end - 5, end, end);
    graph.Settings().scale = ValueScale{18, 25, 1};
    Scene scene = Record(graph, kRect);
    const wchar_t* labels[] = {L"23:15", L"23:30", L"23:45"};
    for (int i = 0; i < 3; ++i) {
        const Text* t = scene.Find(labels[i]);
        ASSERT_TRUE(t) << i;
        EXPECT_NEAR(t->at.x, 800 + 1125 * (i + 1), 1);
    }
    const Text* date = scene.Find(L"1/1/2026");
    ASSERT_TRUE(date);
    EXPECT_NEAR(date->at.x, 800 + 1125 * 4, 1);
}

TEST_F(GraphDrawTest, CrowdedHourLabelsAreSkippedTheirTicksKept) {
    double end = Local(2026, 3, 10, 12);
    CGraphView& graph = Graph(1, 0, end - 5, end, end);
    graph.Settings().scale = ValueScale{18, 25, 1};
    Scene scene = Record(graph, RECT{0, 0, 3200, 5900});  // 275 twips per quarter hour
    int major = 0;
    for (const Line& l : scene.lines)
        if (l.Vertical() && l.from.y == 700 && l.to.y == 600 && l.pen.color == 0) ++major;
    EXPECT_EQ(major, 8 + 1);
    std::vector<int> xs;
    for (const Text& t : scene.texts)
        if (t.color == kGrey) xs.push_back(t.at.x);
    EXPECT_TRUE(scene.Find(L"10:00"));
    EXPECT_FALSE(scene.Find(L"10:15"));
    ASSERT_GE(xs.size(), 2u);
    EXPECT_LE(xs.size(), 4u);
    for (size_t i = 1; i < xs.size(); ++i) EXPECT_GE(xs[i] - xs[i - 1], 500);
}

TEST_F(GraphDrawTest, HourLabelsJumpAtTheDaylightSavingChange) {
    // 29 March 2026 loses an hour at 02:00: ticks stay two real hours apart.
    double end = Local(2026, 3, 30);
    CGraphView& graph = Graph(1, 3, end - 30, end, end);
    graph.Settings().scale = ValueScale{18, 25, 1};
    Scene scene = Record(graph, RECT{0, 0, 19000, 5900});
    const Text* three = scene.Find(L" 3");
    const Text* five = scene.Find(L" 5");
    ASSERT_TRUE(three && five);
    EXPECT_NEAR(five->at.x - three->at.x, 18000 / 12, 1);
    EXPECT_FALSE(scene.Find(L" 2"));
    EXPECT_FALSE(scene.Find(L" 4"));
}

TEST_F(GraphDrawTest, TwoDayWindowSeparatesDaysAndDatesThem) {
    double end = Local(2026, 3, 12, 12);  // 10 March 12:00 .. 12 March 12:00
    CGraphView& graph = Graph(1, 4, end - 30, end, end);
    graph.Settings().scale = ValueScale{18, 25, 1};
    Scene scene = Record(graph, kRect);
    auto separators = scene.Lines(40, kGrid);
    ASSERT_EQ(separators.size(), 2u);
    EXPECT_NEAR(separators[0]->from.x, 3050, 1);  // 11 March 00:00
    EXPECT_NEAR(separators[1]->from.x, 7550, 1);  // 12 March 00:00
    EXPECT_EQ(separators[0]->from.y, 700);
    EXPECT_EQ(separators[0]->to.y, 5700);
    const Text* first = scene.Find(L"3/11/2026");
    const Text* second = scene.Find(L"3/12/2026");
    ASSERT_TRUE(first && second);
    EXPECT_NEAR(first->at.x, 3050, 1);
    EXPECT_NEAR(second->at.x, 7550, 1);
    EXPECT_LT(first->at.y, 600);
    EXPECT_FALSE(scene.Find(L"3/10/2026"));  // its midnight lies left of the plot
    // Even hours, labelled by the hour; the first label of 11 March is its midnight.
    int hours = 0;
    for (const Text& t : scene.texts)
        if (t.color == kGrey) ++hours;
    EXPECT_GT(hours, 5);
    EXPECT_EQ(std::count_if(scene.texts.begin(), scene.texts.end(),
                            [](const Text& t) { return t.text == L" 0" && t.at.y == 600; }),
              2);

    // With both time grids off the vertical lines inside the plot are the separators alone.
    graph.Settings().majorXGrid = 0;
    graph.Settings().minorXGrid = 0;
    Scene bare = Record(graph, kRect);
    int vertical = 0;
    for (const Line& l : bare.lines)
        if (l.Vertical() && l.to.y == 5700) ++vertical;
    EXPECT_EQ(vertical, 2);
    EXPECT_EQ(bare.Lines(1, kMinorGrid).size(), 0u);
}

TEST_F(GraphDrawTest, OneYearShowsMonthsAndSeparatorsWithoutTicks) {
    double end = Local(2026, 3, 10);
    CGraphView& graph = Graph(1, 11, end - 800, end, end);
    graph.Settings().scale = ValueScale{18, 25, 1};
    // Wide enough for a month label within February's width.
    Scene scene = Record(graph, RECT{0, 0, 14000, 5900});
    const wchar_t* months[] = {L"04-2025", L"05-2025", L"06-2025", L"07-2025", L"08-2025", L"09-2025",
                               L"10-2025", L"11-2025", L"12-2025", L"01-2026", L"02-2026"};
    for (const wchar_t* m : months) {
        const Text* t = scene.Find(m);
        ASSERT_TRUE(t) << m;
        EXPECT_EQ(t->at.y, 600);  // no day row above: the months take the first row
        EXPECT_EQ(t->color, 0u);
    }
    EXPECT_FALSE(scene.Find(L"03-2025"));
    // The nine days of March shown are narrower than its label, which would run past the plot.
    EXPECT_FALSE(scene.Find(L"03-2026"));
    EXPECT_EQ(scene.Lines(40, kGrid).size(), 12u);
    for (const Line& l : scene.lines) EXPECT_FALSE(l.Vertical() && l.from.y == 700 && l.to.y < 700);
}

TEST_F(GraphDrawTest, TheCalendarListsEveryLocalMidnightAcrossDaylightSaving) {
    // Steps of whole UTC days from 23:30 local on 28 March jump over 29 March, the day that loses
    // an hour; its midnight is added as it is, not an hour off.
    double start = Local(2026, 3, 28, 23, 30);
    Calendar calendar;
    calendar.Rebuild(start, start + 3);
    std::vector<double> expected = {Local(2026, 3, 28), Local(2026, 3, 29), Local(2026, 3, 30), Local(2026, 3, 31),
                                    Local(2026, 4, 1)};
    ASSERT_EQ(calendar.Days().size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(calendar.Days()[i], expected[i], 1e-6) << i;
    ASSERT_EQ(calendar.Months().size(), 2u);
    EXPECT_NEAR(calendar.Months()[0], Local(2026, 3, 1), 1e-6);
    EXPECT_NEAR(calendar.Months()[1], Local(2026, 4, 1), 1e-6);

    // The 25-hour day in October is listed once.
    double autumn = Local(2026, 10, 24, 0, 30);
    calendar.Rebuild(autumn, autumn + 3);
    ASSERT_EQ(calendar.Days().size(), 3u);
    EXPECT_NEAR(calendar.Days()[1], Local(2026, 10, 25), 1e-6);
    EXPECT_NEAR(calendar.Days()[2], Local(2026, 10, 26), 1e-6);
    ASSERT_EQ(calendar.Months().size(), 1u);
    EXPECT_NEAR(calendar.Months()[0], Local(2026, 10, 1), 1e-6);

    // Windows at times no day step can move through have no calendar, and the rebuild ends.
    for (double t : {1e17, 1e300, DBL_MAX, double(INFINITY), -double(INFINITY), double(NAN)}) {
        calendar.Rebuild(t, t + 31);
        EXPECT_TRUE(calendar.Days().empty() && calendar.Months().empty()) << t;
    }
}

TEST_F(GraphDrawTest, TimeLabelsKeepApartByTheirExtentsAndToTheLocalCalendar) {
    // Widths in the proportions of the label font: a blank is half a digit.
    auto width = [](const std::wstring& text) {
        int w = 0;
        for (wchar_t c : text) w += c == L' ' ? 50 : 100;
        return w;
    };
    PlotMapping m;
    Calendar calendar;
    TimeAxisLayout layout;
    // One day on a plot 2040 twips wide: even hours 170 twips apart. " 8" (150) and "10" (200)
    // centred on their ticks would overlap.
    m.viewEnd = Local(2026, 3, 11);
    m.viewStart = m.viewEnd - 1;
    m.plot = PlotRect{800, 700, 2840, 5700};
    calendar.Rebuild(m.viewStart, m.viewEnd);
    LayOutTimeAxis(m, g_timeScales[3], calendar, true, true, 230, width, layout);
    ASSERT_GE(layout.tickLabels.size(), 4u);
    for (size_t i = 1; i < layout.tickLabels.size(); ++i) {
        const AxisLabel& a = layout.tickLabels[i - 1];
        const AxisLabel& b = layout.tickLabels[i];
        int aw = width(a.text), bw = width(b.text);
        EXPECT_GE(b.x - bw / 2, a.x + (aw - aw / 2) + 5) << a.text << "|" << b.text;
    }

    // Two months over the October change: the 5-day labels of October stay on its local days.
    m.viewEnd = Local(2026, 11, 20);
    m.viewStart = m.viewEnd - 62;
    m.plot = PlotRect{800, 700, 30800, 5700};
    calendar.Rebuild(m.viewStart, m.viewEnd);
    LayOutTimeAxis(m, g_timeScales[9], calendar, true, true, 230, width, layout);
    for (int day : {1, 6, 11, 16, 21, 26, 31}) {
        const int x = m.TimeToX(Local(2026, 10, day));
        auto at = std::find_if(layout.tickLabels.begin(), layout.tickLabels.end(),
                               [&](const AxisLabel& l) { return l.x == x; });
        ASSERT_NE(at, layout.tickLabels.end()) << day;
        EXPECT_EQ(at->text, FormatText(L"%2d", day));
    }
    // Every local midnight has its daily minor tick, none an hour off.
    for (const double day : calendar.Days()) {
        const int x = m.TimeToX(day);
        if (x <= m.plot.left || x >= m.plot.right) continue;
        EXPECT_TRUE(std::any_of(layout.ticks.begin(), layout.ticks.end(), [&](const POINT& p) { return p.x == x; }));
    }
    for (size_t i = 0; i < layout.ticks.size(); i += 2) {
        double local = UtcToLocalDate(m.XToTime(layout.ticks[i].x));
        EXPECT_NEAR(local - std::round(local), 0, 0.003) << i;  // a twip is 3 minutes here
    }
}

TEST_F(GraphDrawTest, TraceJoinsSamplesAcrossOneMissingAndBreaksAtTwo) {
    // Samples on whole minutes every 10 minutes (1-day scale: gaps up to 20 minutes join).
    double end = Local(2026, 1, 14, 12);
    std::vector<double> times;
    std::vector<float> values;
    auto at = [&](int minutes) { return Local(2026, 1, 13, 12) + 0 * kMinute + minutes * kMinute; };
    for (int m : {0, 10, 20, 40, 50, 80, 90, 100, 200}) {
        SYSTEMTIME s;
        double t = at(m);
        ::VariantTimeToSystemTime(t, &s);
        ::SystemTimeToVariantTime(&s, &t);  // whole seconds, as the server sends them
        times.push_back(t);
        values.push_back(20.0f + m / 100.0f);
    }
    CGraphView& graph = Graph(1, 3, end - 5, end, end, times, values);
    graph.Settings().scaleMode = 1;
    graph.Settings().scale = ValueScale{18, 24, 1};
    Scene scene = Record(graph, kRect);
    // 0..50 (one missing at 30) is one line; 80..100 after a 30-minute gap another; 200 alone.
    ASSERT_EQ(scene.polys.size(), 2u);
    EXPECT_EQ(scene.polys[0].points.size(), 5u);
    EXPECT_EQ(scene.polys[1].points.size(), 3u);
    EXPECT_EQ(scene.polys[0].points[0].x, 800);
    EXPECT_EQ(scene.polys[0].points[0].y, 700 + 1666);  // 20.0 on 18..24
    EXPECT_EQ(scene.polys[0].pen.color, 0x0000FFu);
    EXPECT_EQ(scene.polys[0].pen.width, 1);
    ASSERT_EQ(scene.marks.size(), 1u);
    const Mark& mark = scene.marks[0];
    int x = 800 + static_cast<int>(200.0 / 1440 * 9000);
    EXPECT_NEAR(mark.box.left, x - 30, 1);
    EXPECT_NEAR(mark.box.right - mark.box.left, 60, 1);
    EXPECT_NEAR(mark.box.bottom - mark.box.top, 60, 1);
    EXPECT_EQ(mark.box.top, 700 + 3333 - 30);  // 22.0

    // A trace that can reach past the plot is clipped to it: here the first point lies on the
    // left edge with a circle drawn elsewhere, and values below the scale leave the plot.
    EXPECT_EQ(scene.clips, 1);
    graph.Settings().scale = ValueScale{21, 24, 1};
    Scene below = Record(graph, kRect);
    EXPECT_EQ(below.clips, 1);
    EXPECT_LT(below.polys[0].points[0].y, 700);
    graph.Settings().scale = ValueScale{18, 24, 1};

    // The pen width follows TraceStyle: 1..9 times 30 twips, anything else the thinnest line.
    for (auto [style, width] : {std::pair{0, 1}, {255, 1}, {3, 90}, {9, 270}}) {
        graph.Settings().traceStyle = style;
        Scene styled = Record(graph, kRect);
        ASSERT_FALSE(styled.polys.empty());
        EXPECT_EQ(styled.polys[0].pen.width, width) << style;
        EXPECT_EQ(styled.marks[0].pen.width, width) << style;
    }
}

TEST_F(GraphDrawTest, LiveSamplesContinueTheFetchedLine) {
    const double now = kNow;
    m_sensor = FakeSensor::Make(12, 1, 21, L"Attic");
    m_sensor->firstLog = now - 5;
    m_sensor->lastLog = now;
    m_sensor->lastValueResult = E_FAIL;
    m_graphs.push_back(std::make_unique<CGraphView>(nullptr, m_sensor.Get()));
    CGraphView& graph = *m_graphs.back();
    graph.SetClock(TestClock);
    ASSERT_TRUE(graph.CreateGraphWindow(m_parent, 12, 1));
    graph.Settings().timeScale = 0;  // 2 hours: joined up to 5 minutes apart
    graph.SetEndTime(now);
    double base = graph.ViewEnd() - 10 * kMinute;
    m_sensor->SetData({base - 2 * kMinute, base}, {20, 21});
    graph.Refetch();
    graph.AddLiveSample(base + 4 * kMinute, 22, 0);
    graph.AddLiveSample(base + 6 * kMinute, 21, 0);
    ASSERT_EQ(graph.LiveSamples().size(), 2u);
    Scene scene = Record(graph, kRect);
    ASSERT_EQ(scene.polys.size(), 1u);
    EXPECT_EQ(scene.polys[0].points.size(), 4u);
    EXPECT_TRUE(scene.marks.empty());
    EXPECT_EQ(scene.clips, 0);  // a thin line well inside the plot needs no clipping
}

TEST_F(GraphDrawTest, ScrollingMovesByAlignmentStepsAndZoomKeepsTheEnd) {
    double first = Local(2026, 1, 1);
    double last = Local(2026, 1, 11);
    CGraphView& graph = Graph(1, 3, first, last, last, {last - 0.5}, {20});
    // One day, aligned to 2 hours: positions count hours since 2 January 00:00.
    int maximum = 0, minimum = 0;
    ::GetScrollRange(graph, SB_HORZ, &minimum, &maximum);
    EXPECT_EQ(maximum, 9 * 24);
    EXPECT_EQ(::GetScrollPos(graph, SB_HORZ), 9 * 24);
    auto scroll = [&](int code) { ::SendMessageW(graph, WM_HSCROLL, MAKEWPARAM(code, 0), 0); };
    int fetches = m_sensor->dataCalls;
    scroll(SB_LINELEFT);
    EXPECT_NEAR(graph.ViewEnd(), last - 2.0 / 24, 1e-6);
    EXPECT_EQ(::GetScrollPos(graph, SB_HORZ), 9 * 24 - 2);
    EXPECT_FALSE(graph.StickToEnd());
    EXPECT_EQ(m_sensor->dataCalls, fetches + 1);
    scroll(SB_PAGELEFT);
    EXPECT_NEAR(graph.ViewEnd(), last - 8.0 / 24, 1e-6);
    scroll(SB_LINERIGHT);
    EXPECT_NEAR(graph.ViewEnd(), last - 6.0 / 24, 1e-6);
    scroll(SB_LEFT);
    EXPECT_NEAR(graph.ViewEnd(), first + 1, 1e-6);
    EXPECT_NEAR(graph.ViewStart(), first, 1e-6);
    fetches = m_sensor->dataCalls;
    scroll(SB_LINELEFT);  // already at the start: nothing moves, nothing is fetched
    EXPECT_EQ(m_sensor->dataCalls, fetches);
    scroll(SB_RIGHT);
    EXPECT_NEAR(graph.ViewEnd(), last, 1e-6);
    EXPECT_TRUE(graph.StickToEnd());
    scroll(SB_ENDSCROLL);
    EXPECT_TRUE(graph.StickToEnd());

    // The wheel: backwards is earlier, one line whatever the delta.
    ::SendMessageW(graph, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-360)), 0);
    EXPECT_NEAR(graph.ViewEnd(), last - 2.0 / 24, 1e-6);
    ::SendMessageW(graph, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
    EXPECT_NEAR(graph.ViewEnd(), last, 1e-6);

    // Zoom keeps the end, re-aligned to the new step, and shows one new span before it.
    scroll(SB_LINELEFT);  // 10 January 22:00
    ::SendMessageW(graph, WM_COMMAND, 2006, 0);
    EXPECT_EQ(graph.TimeScaleIndex(), 6);
    EXPECT_NEAR(graph.ViewEnd(), last, 1e-6);  // aligned up to 12 hours
    EXPECT_NEAR(graph.ViewStart(), last - 7, 1e-6);
    ::SendMessageW(graph, WM_COMMAND, 2003, 0);
    EXPECT_NEAR(graph.ViewEnd(), last, 1e-6);
    EXPECT_NEAR(graph.ViewStart(), last - 1, 1e-6);
    // Two years' worth of span is bounded by the first day: the end moves later.
    ::SendMessageW(graph, WM_COMMAND, 2011, 0);
    EXPECT_NEAR(graph.ViewEnd(), last, 1e-6);  // the log is shorter than a year
    fetches = m_sensor->dataCalls;
    ::SendMessageW(graph, WM_COMMAND, 2011, 0);  // the current scale: nothing happens
    EXPECT_EQ(m_sensor->dataCalls, fetches);
}

TEST_F(GraphDrawTest, LiveSamplesInThePastOnlyGrowTheScrollRange) {
    const double now = kNow;
    double first = StartOfLocalDay(now - 10);
    CGraphView& graph = Graph(1, 3, first, now - 1, now - 1, {now - 1.5}, {20});
    graph.SetEndTime(now - 3);
    graph.Refetch();
    double end = graph.ViewEnd();
    int before = 0, after = 0, minimum = 0;
    ::GetScrollRange(graph, SB_HORZ, &minimum, &before);
    ::ValidateRect(graph, nullptr);
    graph.AddLiveSample(now + 0.5, 21, 0);
    ::GetScrollRange(graph, SB_HORZ, &minimum, &after);
    EXPECT_GT(after, before);
    EXPECT_EQ(graph.ViewEnd(), end);
    EXPECT_TRUE(graph.LiveSamples().empty());
    EXPECT_FALSE(::GetUpdateRect(graph, nullptr, FALSE));  // no repaint

    // Back at the end the graph follows: the window moves to the newest sample.
    ::SendMessageW(graph, WM_HSCROLL, MAKEWPARAM(SB_RIGHT, 0), 0);
    EXPECT_TRUE(graph.StickToEnd());
    EXPECT_GE(graph.ViewEnd(), now + 0.5 - 1.0 / 1440);  // aligned: at most a minute earlier
}
