#include "GraphView.h"

#include <algorithm>

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

void CGraphView::Draw(HDC dc, const RECT& rect, bool withTitle) {
    PlotRect plot = PlotInside(rect);
    if (withTitle) {
        SelectedObject keepFont(dc, m_titleFont);
        ::SetTextColor(dc, RGB(0, 0, 0));
        ::SetTextAlign(dc, TA_LEFT | TA_TOP);
        ::TextOutW(dc, plot.left, plot.yHigh, m_name.c_str(), static_cast<int>(m_name.size()));
        SIZE size{};
        ::GetTextExtentPoint32W(dc, m_name.c_str(), static_cast<int>(m_name.size()), &size);
        plot.yHigh -= size.cy + kTitleGap;
    }
    if (plot.Width() <= 0 || plot.Height() <= 0) return;
    // The plot frame. The value and time axes and the trace are drawn inside it.
    Pen axis(PS_SOLID, 1, m_settings.axisColor);
    SelectedObject keepPen(dc, axis);
    SelectedObject keepBrush(dc, ::GetStockObject(NULL_BRUSH));
    ::Rectangle(dc, plot.left, plot.yLow, plot.right, plot.yHigh);
}
