#include "GraphView.h"

#include <algorithm>
#include <climits>

#include "AppModule.h"
#include "LocalTime.h"
#include "SettingsStore.h"

namespace {
LOGFONTW ArialOfHeight(int height) {
    LOGFONTW lf{};
    lf.lfHeight = height;
    wcscpy_s(lf.lfFaceName, L"Arial");
    return lf;
}

// The client rectangle in twips, with `top` the visual bottom (the lower y) and `bottom` the top.
RECT LogicalClientRect(HDC dc, HWND hWnd) {
    RECT rc{};
    ::GetClientRect(hWnd, &rc);
    POINT corners[2] = {{rc.left, rc.top}, {rc.right, rc.bottom}};
    ::DPtoLP(dc, corners, 2);
    return RECT{std::min(corners[0].x, corners[1].x), std::min(corners[0].y, corners[1].y),
                std::max(corners[0].x, corners[1].x), std::max(corners[0].y, corners[1].y)};
}
}  // namespace

GraphSettings GraphSettings::Read(const wchar_t* key) {
    GraphSettings s;
    s.scale.min = ReadSettingFloat(key, L"ScaleMin", 0);
    s.scale.max = ReadSettingFloat(key, L"ScaleMax", 0);
    s.scale.ticks = ReadSettingFloat(key, L"ScaleTicks", 0);
    s.scaleMode = ReadSettingDword(key, L"ScaleMode", 0);
    s.majorXGrid = ReadSettingDword(key, L"MajorXGrid", 1);
    s.minorXGrid = ReadSettingDword(key, L"MinorXGrid", 1);
    s.majorYGrid = ReadSettingDword(key, L"MajorYGrid", 1);
    s.axisColor = static_cast<COLORREF>(ReadSettingDword(key, L"AxisColor", 0));
    s.gridMajorColor = static_cast<COLORREF>(ReadSettingDword(key, L"GridMajorColor", 0xC0C0C0));
    s.gridMinorColor = static_cast<COLORREF>(ReadSettingDword(key, L"GridMinorColor", 0xE6E6E6));
    s.traceColor = static_cast<COLORREF>(ReadSettingDword(key, L"TraceColor", 255));
    s.traceStyle = ReadSettingDword(key, L"TraceStyle", 255);
    // A stored index outside the table must not index past it.
    s.timeScale = ValidTimeScale(ReadSettingDword(key, L"TimeScale", kDefaultTimeScale));
    s.stickToEnd = ReadSettingDword(key, L"HScrollStickToEnd", 1) != 0;
    s.endLogDate = ReadSettingDouble(key, L"UTCEndLogDate", 0);
    return s;
}

void GraphSettings::Write(const wchar_t* key) const {
    WriteSettingDword(key, L"TimeScale", timeScale);
    WriteSettingDword(key, L"HScrollStickToEnd", stickToEnd ? 1 : 0);
    WriteSettingDouble(key, L"UTCEndLogDate", endLogDate);
    WriteSettingFloat(key, L"ScaleMin", scale.min);
    WriteSettingFloat(key, L"ScaleMax", scale.max);
    WriteSettingFloat(key, L"ScaleTicks", scale.ticks);
    WriteSettingDword(key, L"ScaleMode", scaleMode);
    WriteSettingDword(key, L"MajorXGrid", majorXGrid);
    WriteSettingDword(key, L"MinorXGrid", minorXGrid);
    WriteSettingDword(key, L"MajorYGrid", majorYGrid);
    WriteSettingDword(key, L"AxisColor", static_cast<int>(axisColor));
    WriteSettingDword(key, L"GridMajorColor", static_cast<int>(gridMajorColor));
    WriteSettingDword(key, L"GridMinorColor", static_cast<int>(gridMinorColor));
    WriteSettingDword(key, L"TraceColor", static_cast<int>(traceColor));
    WriteSettingDword(key, L"TraceStyle", traceStyle);
}

CGraphView::CGraphView(ClientViewListener* listener, IOstrelSensor* sensor) : m_sensor(sensor), m_listener(listener) {
    if (!sensor) return;
    // In this order; the first call that fails ends the reading, and what was read stays.
    long id = -1, type = 0, index = -1;
    if (FAILED(sensor->get_Id(&id))) return;
    m_sensorId = id;
    if (FAILED(sensor->get_Type(&type))) return;
    m_sensorType = type;
    if (FAILED(sensor->get_SettingsIndex(&index))) return;
    m_settingsIndex = index;
    Bstr text;
    if (FAILED(sensor->get_Name(text.Receive()))) return;
    m_name = text.Str();
    if (FAILED(sensor->get_Description(text.Receive()))) return;
    m_description = text.Str();
    if (FAILED(sensor->get_Enabled(&m_enabled))) return;
    double first = 0, last = 0;
    if (FAILED(sensor->GetLogPeriod(&first, &last))) return;
    m_firstLogTime = StartOfLocalDay(first);
    m_lastLogTime = last;
    m_settings.stickToEnd = true;
}

CGraphView::~CGraphView() = default;

std::wstring CGraphView::Name() const { return FormatText(L"D_%d", m_sensorId); }

std::wstring CGraphView::SettingsKey() const { return FormatText(L"D%d", m_settingsIndex); }

HWND CGraphView::CreateGraphWindow(HWND parent, int sensorId, int sensorType) {
    m_sensorId = sensorId;
    m_sensorType = sensorType;
    if (m_name.empty()) m_name = FormatText(L"Device %d", sensorId);
    m_caption = m_name;
    m_tooltip = m_name;
    HWND hWnd = Create(parent, nullptr, m_name.c_str(),
                       WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_BORDER | WS_HSCROLL);
    m_window = hWnd;
    return hWnd;
}

LRESULT CGraphView::OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
    m_labelFont = Font(ArialOfHeight(-200));
    m_titleFont = Font(ArialOfHeight(-400));
    m_settings = GraphSettings::Read(SettingsKey().c_str());
    double endTime = m_settings.endLogDate;

    if (m_sensor) {
        double time = 0;
        float value = 0;
        if (SUCCEEDED(m_sensor->GetLastValue(&time, &value))) {
            // A value of the last hour is the newest point; an older one only tells where to look.
            if (CurrentUtcDate() < time + 1.0 / 24)
                AddLiveSample(time, value, 0);
            else
                endTime = time;
        }
    }
    if (endTime != 0 && SetEndTime(endTime)) Refetch();
    return 0;
}

LRESULT CGraphView::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    std::wstring key = SettingsKey();
    if (m_removed) {
        DeleteSettingsKey(key.c_str());
    } else {
        m_settings.endLogDate = m_viewEnd;
        m_settings.Write(key.c_str());
    }
    bHandled = FALSE;
    return 0;
}

LRESULT CGraphView::OnPaint(UINT, WPARAM, LPARAM, BOOL&) {
    PaintDC dc(m_hWnd);
    ::SetMapMode(dc, MM_TWIPS);
    Draw(dc, LogicalClientRect(dc, m_hWnd), false);
    return 0;
}

bool CGraphView::Print(HDC dc, const RECT& rect, UINT) {
    ::SetMapMode(dc, MM_TWIPS);
    Draw(dc, rect, true);
    return true;
}

double CGraphView::AlignUp(double localTime) const { return ::AlignUp(localTime, CurrentTimeScale().alignStep); }

bool CGraphView::SetEndTime(double utc) {
    const TimeScale& scale = CurrentTimeScale();
    double oldEnd = m_viewEnd;
    m_viewEnd = AlignedViewEnd(utc, m_firstLogTime, m_lastLogTime, scale, UtcToLocalDate, LocalToUtcDate);
    m_viewStart = m_viewEnd - scale.span;
    RebuildCalendar();
    return m_viewEnd != oldEnd;
}

void CGraphView::Refetch() {
    m_fetched.clear();
    if (!m_sensor) return;  // nothing to fetch from, and nothing changed to repaint
    if (m_settings.stickToEnd && (m_lastLiveTime != 0 || m_lastLogTime == 0))
        SetEndTime(std::max(m_lastLiveTime, CurrentUtcDate()));
    Variant times, values;
    // A failed call ends the fetch silently: the graph keeps what it had.
    if (SUCCEEDED(m_sensor->GetData(m_viewStart, m_viewEnd, CurrentTimeScale().interval, times.Receive(),
                                    values.Receive()))) {
        TakeSamples(times, values);
        UpdateScrollBar();
        if (!m_fetched.empty()) AutoScale();
    }
    if (m_hWnd) Invalidate(TRUE);
}

void CGraphView::TakeSamples(const VARIANT& times, const VARIANT& values) {
    if (times.vt != (VT_ARRAY | VT_R8) || values.vt != (VT_ARRAY | VT_R4) || !times.parray || !values.parray) return;
    LONG count = SafeArray::Count(times.parray);
    if (count > 0 && count == SafeArray::Count(values.parray)) {
        SafeArrayData<double> t(times.parray);
        SafeArrayData<float> v(values.parray);
        if (t && v) {
            m_fetched.reserve(static_cast<size_t>(count));
            for (LONG i = 0; i < count; ++i) m_fetched.push_back(GraphSample{t[i], v[i]});
            m_dataMin = m_dataMax = v[0];
            for (LONG i = 1; i < count; ++i) {
                if (m_dataMin > v[i])
                    m_dataMin = v[i];
                else if (v[i] > m_dataMax)
                    m_dataMax = v[i];
            }
        }
    }
    m_live.clear();
}

void CGraphView::AddLiveSample(double time, float value, float signalLevel) {
    m_lastLiveTime = time;
    m_lastLiveValue = value;
    m_lastLiveSignal = signalLevel;
    if (!m_settings.stickToEnd) {
        // Scrolled into the past: the range grows, the view stays.
        UpdateScrollBar();
        m_live.clear();
        return;
    }
    bool changed = SetEndTime(m_lastLiveTime);
    if (m_fetched.empty() && m_live.empty()) m_dataMin = m_dataMax = value;
    if (changed || m_live.size() > 10) {
        Refetch();
        return;
    }
    m_live.push_back(GraphSample{time, value});
    m_dataMin = std::min(m_dataMin, value);
    m_dataMax = std::max(m_dataMax, value);
    AutoScale();
    if (m_hWnd) Invalidate(TRUE);
}

void CGraphView::AutoScale() {
    if (m_settings.scaleMode == 0) m_settings.scale = ::AutoScale(m_dataMin, m_dataMax);
}

void CGraphView::UpdateScrollBar() {
    double latest = m_lastLiveTime != 0 ? m_lastLiveTime : m_lastLogTime != 0 ? m_lastLogTime : CurrentUtcDate();
    m_lastLogTime = LocalToUtcDate(AlignUp(UtcToLocalDate(latest)));
    if (!m_hWnd) return;
    const TimeScale& scale = CurrentTimeScale();
    ::SetScrollRange(m_hWnd, SB_HORZ, 0, ScrollPositionOf(m_lastLogTime, m_firstLogTime, scale), TRUE);
    ::SetScrollPos(m_hWnd, SB_HORZ, ScrollPositionOf(m_viewEnd, m_firstLogTime, scale), TRUE);
}

LRESULT CGraphView::OnMouseWheel(UINT, WPARAM wParam, LPARAM, BOOL&) {
    // One line per message whatever the delta: towards earlier times for a negative one.
    short delta = GET_WHEEL_DELTA_WPARAM(wParam);
    if (delta < 0)
        Scroll(SB_LINELEFT);
    else if (delta > 0)
        Scroll(SB_LINERIGHT);
    return 0;
}

LRESULT CGraphView::OnTimeScale(WORD, WORD id, HWND, BOOL&) {
    int index = static_cast<int>(id) - ID_TIMESCALE_FIRST;
    if (index < 0 || index >= kTimeScaleCount || index == m_settings.timeScale) return 0;
    m_settings.timeScale = index;
    // The window keeps its end, re-aligned to the new step, and starts one new span earlier.
    SetEndTime(m_viewEnd);
    Refetch();
    return 0;
}

bool CGraphView::MoveToScrollPosition(int position) {
    if (!SetEndTime(ViewEndAtScrollPosition(position, m_firstLogTime, CurrentTimeScale()))) return false;
    Refetch();
    return true;
}

void CGraphView::Scroll(int request) {
    double oldEnd = m_viewEnd;
    SCROLLINFO info{sizeof(info), SIF_ALL};
    ::GetScrollInfo(m_hWnd, SB_HORZ, &info);
    int position = NextScrollPosition(request, info.nPos, info.nTrackPos, info.nMax);
    if (position < 0) return;
    m_settings.stickToEnd = position == info.nMax;
    if (!MoveToScrollPosition(position)) return;
    // Alignment and the log's bounds can leave the window where it was after a line: one more.
    if (request == SB_LINERIGHT && oldEnd >= m_viewEnd)
        MoveToScrollPosition(std::min(position + 2, info.nMax));
    else if (request == SB_LINELEFT && m_viewEnd >= oldEnd)
        MoveToScrollPosition(std::max(position - 2, info.nMin));
}

void CGraphView::Draw(HDC dc, const RECT& rect, bool withTitle) {
    m_plot = PlotInside(rect);
    if (withTitle) {
        SelectedObject keepFont(dc, m_titleFont);
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::SetTextAlign(dc, TA_LEFT | TA_TOP);
        ::TextOutW(dc, m_plot.left, m_plot.yHigh, m_name.c_str(), static_cast<int>(m_name.size()));
        SIZE size{};
        ::GetTextExtentPoint32W(dc, m_name.c_str(), static_cast<int>(m_name.size()), &size);
        m_plot.yHigh -= size.cy + kTitleGap;
    }
    if (m_plot.Width() <= 0 || m_plot.Height() <= 0) return;
    DrawAxes(dc);
    DrawTrace(dc, Mapping());
}

namespace {
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kGrey = RGB(0x80, 0x80, 0x80);
constexpr int kMinorTickLength = 50;
constexpr int kMajorTickLength = 100;
constexpr int kTimeLabelOffset = 100;
constexpr int kLabelGap = 5;
constexpr int kSeparatorWidth = 40;
constexpr int kMarkRadius = 30;

void Line(HDC dc, int x1, int y1, int x2, int y2) {
    ::MoveToEx(dc, x1, y1, nullptr);
    ::LineTo(dc, x2, y2);
}

// Draws `text` at (x, y) with the DC's alignment and returns its width.
int TextWidthOut(HDC dc, int x, int y, const std::wstring& text) {
    ::TextOutW(dc, x, y, text.c_str(), static_cast<int>(text.size()));
    SIZE size{};
    ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}
}  // namespace

void CGraphView::DrawAxes(HDC dc) {
    const PlotMapping mapping = Mapping();
    Pen axisPen(PS_SOLID, 1, m_settings.axisColor);
    Pen gridPen(PS_SOLID, 1, m_settings.gridMajorColor);
    SelectedObject keepFont(dc, m_labelFont);
    SelectedObject keepPen(dc, axisPen);
    ::SetBkMode(dc, TRANSPARENT);
    COLORREF oldTextColor = ::SetTextColor(dc, kBlack);
    ::SetTextAlign(dc, TA_RIGHT | TA_BASELINE);
    SIZE digits{};
    ::GetTextExtentPoint32W(dc, L"0123456789", 10, &digits);
    m_labelHeight = digits.cy;

    DrawValueAxis(dc, mapping, axisPen, gridPen);
    DrawTimeAxis(dc, mapping, axisPen);

    ::SelectObject(dc, axisPen);
    {
        SelectedObject keepBrush(dc, ::GetStockObject(NULL_BRUSH));
        ::Rectangle(dc, m_plot.left, m_plot.yLow, m_plot.right, m_plot.yHigh);
    }
    ::SetTextColor(dc, oldTextColor);
}

void CGraphView::DrawValueAxis(HDC dc, const PlotMapping& mapping, HPEN axisPen, HPEN gridPen) {
    ValueTicks(mapping, m_labelHeight, m_valueTicks);
    const int tickEnd = m_plot.left - kValueTickLength;
    for (const ValueTick& tick : m_valueTicks) {
        Line(dc, m_plot.left, tick.y, tickEnd, tick.y);
        if (tick.labelled) {
            std::wstring label = ValueLabel(m_sensorType, tick.value, m_settings.scale.ticks);
            ::TextOutW(dc, tickEnd, tick.y, label.c_str(), static_cast<int>(label.size()));
        }
    }
    if (m_settings.majorYGrid && !m_valueTicks.empty()) {
        ::SelectObject(dc, gridPen);
        for (const ValueTick& tick : m_valueTicks) Line(dc, m_plot.left, tick.y, m_plot.right, tick.y);
        ::SelectObject(dc, axisPen);
    }
}

void CGraphView::DrawTimeAxis(HDC dc, const PlotMapping& mapping, HPEN axisPen) {
    const TimeScale& scale = CurrentTimeScale();
    const bool byDays = scale.labelMode == 0;
    Pen minorGridPen, majorGridPen;
    if (m_settings.minorXGrid && scale.minorStep > 0) minorGridPen = Pen(PS_SOLID, 1, m_settings.gridMinorColor);
    if (m_settings.majorXGrid && scale.majorStep > 0) majorGridPen = Pen(PS_SOLID, 1, m_settings.gridMajorColor);
    Pen separatorPen(PS_SOLID, kSeparatorWidth, m_settings.gridMajorColor);

    // With hour or day labels in the first row, the dates or months form a second one below.
    int labelY = m_plot.yLow - kTimeLabelOffset;
    if (scale.majorStep > 0) labelY -= m_labelHeight;
    bool labelDrawn = false;
    int nextFreeTick = m_plot.left;
    int nextFreeLabel = m_plot.left;
    const std::vector<double>& starts = byDays ? m_calendar.Days() : m_calendar.Months();
    const double assumedLength = byDays ? 1 : 31;
    for (size_t i = 0; i < starts.size(); ++i) {
        double from = starts[i];
        double to = i + 1 < starts.size() ? starts[i + 1] : from + assumedLength;
        int x = mapping.TimeToX(from);
        if (x >= m_plot.right) break;
        if (byDays && mapping.TimeToX(to) < m_plot.left) continue;
        ::SelectObject(dc, axisPen);
        DrawTimeTicks(dc, mapping, from, to, scale.minorStep, kMinorTickLength, minorGridPen, nullptr, nullptr);
        ::SetTextColor(dc, kGrey);
        ::SetTextAlign(dc, TA_CENTER | TA_TOP);
        DrawTimeTicks(dc, mapping, from, to, scale.majorStep, kMajorTickLength, majorGridPen, separatorPen,
                      &nextFreeTick);
        if (x >= nextFreeLabel) {
            labelDrawn = true;
            ::SetTextColor(dc, kBlack);
            ::SetTextAlign(dc, TA_LEFT | TA_TOP);
            nextFreeLabel = x + TextWidthOut(dc, x, labelY, byDays ? FormatDate(from) : MonthLabel(from)) + kLabelGap;
        }
    }
    // A window inside one day or one month still tells which one it is.
    if (!labelDrawn && !starts.empty()) {
        ::SetTextColor(dc, kBlack);
        ::SetTextAlign(dc, TA_LEFT | TA_TOP);
        if (byDays) {
            int x = std::max(nextFreeLabel, mapping.TimeToX(starts.front()));
            Line(dc, x, m_plot.yLow, x, m_plot.yLow - kMajorTickLength);
            TextWidthOut(dc, x, labelY, FormatDate(starts.front()));
        } else {
            TextWidthOut(dc, m_plot.left, labelY, MonthLabel(starts.front()));
        }
    }
}

void CGraphView::DrawTimeTicks(HDC dc, const PlotMapping& mapping, double from, double to, double step, int length,
                               HPEN gridPen, HPEN separatorPen, int* nextFree) {
    if (step == 0 && !nextFree) return;
    if (step > 0) {
        const int tickEnd = m_plot.yLow - length;
        const int labelY = m_plot.yLow - kTimeLabelOffset;
        // Times as multiples of the step from the day or month start, free of summed rounding.
        for (int k = 0;; ++k) {
            double t = from + k * step;
            if (t > to) break;
            int x = mapping.TimeToX(t);
            if (x >= m_plot.right) break;
            if (x < m_plot.left) continue;
            Line(dc, x, m_plot.yLow, x, tickEnd);
            if (nextFree && x >= *nextFree) {
                *nextFree = x + TextWidthOut(dc, x, labelY, TimeTickLabel(t, step)) + kLabelGap;
                if (*nextFree >= m_plot.right) break;
            }
        }
        if (gridPen) {
            SelectedObject keepPen(dc, gridPen);
            for (int k = 0;; ++k) {
                double t = from + k * step;
                if (t >= to) break;
                int x = mapping.TimeToX(t);
                if (x >= m_plot.right) break;
                if (x >= m_plot.left) Line(dc, x, m_plot.yLow, x, m_plot.yHigh);
            }
        }
    }
    if (nextFree && separatorPen) {
        // The day or month boundary, drawn whether or not grid lines are wanted.
        SelectedObject keepPen(dc, separatorPen);
        int x = mapping.TimeToX(from);
        if (m_plot.left < x && x < m_plot.right) Line(dc, x, m_plot.yLow, x, m_plot.yHigh);
    }
}

void CGraphView::DrawTrace(HDC dc, const PlotMapping& mapping) {
    // Map every sample once and split the points into runs: a run of samples whose gaps stay
    // within the threshold is one polyline; a sample with gaps on both sides is a small circle.
    // The live samples continue the line of the fetched ones, under the same gap rule.
    const double gap = GapThreshold(CurrentTimeScale());
    m_tracePoints.clear();
    m_traceRuns.clear();
    RECT bounds{INT_MAX, INT_MAX, INT_MIN, INT_MIN};
    double prevTime = 0;
    auto take = [&](const GraphSample& s) {
        if (!m_tracePoints.empty() && IsTraceGap(s.time - prevTime, gap)) m_traceRuns.push_back(m_tracePoints.size());
        POINT p{mapping.TimeToX(s.time), mapping.ValueToY(s.value)};
        bounds = RECT{std::min(bounds.left, p.x), std::min(bounds.top, p.y), std::max(bounds.right, p.x),
                      std::max(bounds.bottom, p.y)};
        m_tracePoints.push_back(p);
        prevTime = s.time;
    };
    for (const GraphSample& s : m_fetched) take(s);
    for (const GraphSample& s : m_live) take(s);
    if (m_tracePoints.empty()) return;
    m_traceRuns.push_back(m_tracePoints.size());

    const int width = TraceWidth(m_settings.traceStyle);
    Pen tracePen(PS_SOLID, width, m_settings.traceColor);
    SavedDC keepState(dc);  // gives back the pen and the clip region
    ::SelectObject(dc, tracePen);
    // Drawing is restricted to the plot. Clipping costs as much as a third of the line itself, so
    // it is left out when no line, pen edge or circle can pass the plot's edges (a thin line may
    // run along the frame).
    bool marks = false;
    for (size_t i = 0, begin = 0; i < m_traceRuns.size(); begin = m_traceRuns[i++])
        if (m_traceRuns[i] - begin == 1) marks = true;
    const int reach = (width > 1 ? width / 2 + 1 : 0) + (marks ? kMarkRadius + 1 : 0);
    if (bounds.left < m_plot.left + reach || bounds.right > m_plot.right - reach ||
        bounds.top < m_plot.yLow + reach || bounds.bottom > m_plot.yHigh - reach)
        ::IntersectClipRect(dc, m_plot.left, m_plot.yLow, m_plot.right, m_plot.yHigh);

    size_t begin = 0;
    for (size_t end : m_traceRuns) {
        if (end - begin > 1) {
            ::Polyline(dc, m_tracePoints.data() + begin, static_cast<int>(end - begin));
        } else {
            POINT p = m_tracePoints[begin];
            ::Ellipse(dc, p.x - kMarkRadius, p.y - kMarkRadius, p.x + kMarkRadius, p.y + kMarkRadius);
        }
        begin = end;
    }
}
