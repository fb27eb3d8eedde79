#include "GraphView.h"

#include <algorithm>
#include <climits>

#include <windowsx.h>

#include "AppModule.h"
#include "Clipboard.h"
#include "ExportFileDlg.h"
#include "ExportJob.h"
#include "GraphPropertyPages.h"
#include "LocalTime.h"
#include "PropertiesDlg.h"
#include "Protocol.h"
#include "SettingsStore.h"
#include "Units.h"

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
    return DeviceToLogicalRect(dc, rc);
}
}  // namespace

GraphSettings GraphSettings::Read(const wchar_t* key) {
    GraphSettings s;
    const SettingsBatch settings(key);
    s.scale.min = settings.ReadFloat(L"ScaleMin", 0);
    s.scale.max = settings.ReadFloat(L"ScaleMax", 0);
    s.scale.ticks = settings.ReadFloat(L"ScaleTicks", 0);
    s.scaleMode = settings.ReadDword(L"ScaleMode", 0);
    s.majorXGrid = settings.ReadDword(L"MajorXGrid", 1);
    s.minorXGrid = settings.ReadDword(L"MinorXGrid", 1);
    s.majorYGrid = settings.ReadDword(L"MajorYGrid", 1);
    s.axisColor = static_cast<COLORREF>(settings.ReadDword(L"AxisColor", 0));
    s.gridMajorColor = static_cast<COLORREF>(settings.ReadDword(L"GridMajorColor", 0xC0C0C0));
    s.gridMinorColor = static_cast<COLORREF>(settings.ReadDword(L"GridMinorColor", 0xE6E6E6));
    s.traceColor = static_cast<COLORREF>(settings.ReadDword(L"TraceColor", 255));
    s.traceStyle = settings.ReadDword(L"TraceStyle", 255);
    // A stored index outside the table must not index past it.
    s.timeScale = ValidTimeScale(settings.ReadDword(L"TimeScale", kDefaultTimeScale));
    s.stickToEnd = settings.ReadDword(L"HScrollStickToEnd", 1) != 0;
    s.endLogDate = settings.ReadDouble(L"UTCEndLogDate", 0);
    // Stored values are input: a date no graph could show would stop the window's calendar, and a
    // scale of no numbers would reach the drawing's integer conversions.
    if (!Protocol::IsSaneTime(s.endLogDate)) s.endLogDate = 0;
    if (!Protocol::IsSaneValue(s.scale.min) || !Protocol::IsSaneValue(s.scale.max) ||
        !Protocol::IsSaneValue(s.scale.ticks)) {
        s.scale = ValueScale{};
        s.scaleMode = 0;
    }
    return s;
}

void GraphSettings::Write(const wchar_t* key) const {
    const SettingsBatch settings(key);
    settings.WriteDword(L"TimeScale", timeScale);
    settings.WriteDword(L"HScrollStickToEnd", stickToEnd ? 1 : 0);
    settings.WriteDouble(L"UTCEndLogDate", endLogDate);
    settings.WriteFloat(L"ScaleMin", scale.min);
    settings.WriteFloat(L"ScaleMax", scale.max);
    settings.WriteFloat(L"ScaleTicks", scale.ticks);
    settings.WriteDword(L"ScaleMode", scaleMode);
    settings.WriteDword(L"MajorXGrid", majorXGrid);
    settings.WriteDword(L"MinorXGrid", minorXGrid);
    settings.WriteDword(L"MajorYGrid", majorYGrid);
    settings.WriteDword(L"AxisColor", static_cast<int>(axisColor));
    settings.WriteDword(L"GridMajorColor", static_cast<int>(gridMajorColor));
    settings.WriteDword(L"GridMinorColor", static_cast<int>(gridMinorColor));
    settings.WriteDword(L"TraceColor", static_cast<int>(traceColor));
    settings.WriteDword(L"TraceStyle", traceStyle);
}

CGraphView::CGraphView(ClientViewListener* listener, IOstrelSensor* sensor)
    : m_sensor(sensor), m_listener(listener), m_now(CurrentUtcDate) {
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
    // A bound outside the sane range of times counts as none.
    if (Protocol::IsSaneTime(first)) m_firstLogTime = StartOfLocalDay(first);
    if (Protocol::IsSaneTime(last)) m_lastLogTime = last;
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
    m_readout.CreateInfoWindow(m_hWnd);
    ::SetMapMode(m_twipsDC, MM_TWIPS);
    m_settings = GraphSettings::Read(SettingsKey().c_str());
    double endTime = m_settings.endLogDate;

    if (m_sensor) {
        double time = 0;
        float value = 0;
        if (SUCCEEDED(m_sensor->GetLastValue(&time, &value)) && Protocol::IsSaneTime(time) &&
            Protocol::IsSaneValue(value)) {
            // A value of the last hour is the newest point; an older one only tells where to look.
            if (m_now() < time + 1.0 / 24)
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
        m_settings.endLogDate = Protocol::IsSaneTime(m_viewEnd) ? m_viewEnd : 0;
        m_settings.Write(key.c_str());
    }
    bHandled = FALSE;
    return 0;
}

LRESULT CGraphView::OnPaint(UINT, WPARAM, LPARAM, BOOL&) {
    BringUpToDate();  // before BeginPaint, so that what the fetch invalidates is painted now
    PaintDC dc(m_hWnd);
    ::SetMapMode(dc, MM_TWIPS);
    Draw(dc, LogicalClientRect(dc, m_hWnd), false);
    // A shown read-out follows the drawing (after a scroll or zoom the cursor is over other times).
    if (!m_readout.Hidden()) UpdateReadout();
    return 0;
}

bool CGraphView::Print(HDC dc, const RECT& rect, UINT) {
    BringUpToDate();
    ::SetMapMode(dc, MM_TWIPS);
    Draw(dc, rect, true);
    return true;
}

double CGraphView::AlignUp(double localTime) const { return ::AlignUp(localTime, CurrentTimeScale().alignStep); }

bool CGraphView::SetEndTime(double utc) {
    if (!Protocol::IsSaneTime(utc)) return false;
    const TimeScale& scale = CurrentTimeScale();
    double oldEnd = m_viewEnd;
    m_viewEnd = AlignedViewEnd(utc, m_firstLogTime, m_lastLogTime, scale, UtcToLocalDate, LocalToUtcDate);
    m_viewStart = m_viewEnd - scale.span;
    RebuildCalendar();
    return m_viewEnd != oldEnd;
}

// The log holds the live samples too: one fetch when the window next shows them serves however many
// measurements arrive before, and an event flood costs no server call per event.
void CGraphView::RefetchBeforeDrawing() {
    if (!m_hWnd) {
        Refetch();
        return;
    }
    // The live samples are in the log too; the fetched ones stay shown until the fetch succeeds.
    m_live.clear();
    SamplesChanged();
    m_refetchDue = true;
    Invalidate(TRUE);
}

void CGraphView::BringUpToDate() {
    if (m_refetchDue) Refetch();
}

void CGraphView::Refetch() {
    m_refetchDue = false;
    if (!m_sensor) return;  // nothing to fetch from, and nothing changed to repaint
    if (m_settings.stickToEnd && (m_lastLiveTime != 0 || m_lastLogTime == 0))
        SetEndTime(std::max(m_lastLiveTime, m_now()));
    Variant times, values;
    // A failed call (the server gone, say) ends the fetch silently: the graph keeps what it had.
    if (SUCCEEDED(m_sensor->GetData(FetchFrom(m_viewStart), FetchTo(m_viewEnd), CurrentTimeScale().interval,
                                    times.Receive(), values.Receive()))) {
        TakeSamples(times, values);
        UpdateScrollBar();
        if (!m_fetched.empty()) AutoScale();
    }
    if (m_hWnd) Invalidate(TRUE);
}

void CGraphView::TakeSamples(const VARIANT& times, const VARIANT& values) {
    // The answer replaces what was fetched; an answer of the right types the live samples too.
    m_fetched.clear();
    SamplesChanged();
    if (times.vt != (VT_ARRAY | VT_R8) || values.vt != (VT_ARRAY | VT_R4) || !times.parray || !values.parray) return;
    LONG count = SafeArray::Count(times.parray);
    if (count > 0 && count == SafeArray::Count(values.parray)) {
        SafeArrayData<double> t(times.parray);
        SafeArrayData<float> v(values.parray);
        if (t && v) {
            // Records whose time or value is out of the sane range are no measurements: left out.
            m_fetched.reserve(static_cast<size_t>(count));
            for (LONG i = 0; i < count; ++i) {
                if (!Protocol::IsSaneTime(t[i]) || !Protocol::IsSaneValue(v[i])) continue;
                const float value = v[i];
                if (m_fetched.empty())
                    m_dataMin = m_dataMax = value;
                else if (m_dataMin > value)
                    m_dataMin = value;
                else if (value > m_dataMax)
                    m_dataMax = value;
                m_fetched.push_back(GraphSample{t[i], value});
            }
        }
    }
    m_live.clear();
    SamplesChanged();
}

void CGraphView::AddLiveSample(double time, float value, float signalLevel) {
    // A time beyond the sane range would move the window where no calendar ends, and a value of no
    // number would reach the scale and from there the registry.
    if (!Protocol::IsSaneTime(time) || !Protocol::IsSaneValue(value) || !Protocol::IsSaneValue(signalLevel)) return;
    m_lastLiveTime = time;
    m_lastLiveValue = value;
    m_lastLiveSignal = signalLevel;
    if (!m_settings.stickToEnd) {
        // Scrolled into the past: the range grows, the view stays.
        UpdateScrollBar();
        m_live.clear();
        SamplesChanged();
        return;
    }
    bool changed = SetEndTime(m_lastLiveTime);
    if (m_fetched.empty() && m_live.empty()) m_dataMin = m_dataMax = value;
    if (changed || m_refetchDue || m_live.size() > 10) {
        RefetchBeforeDrawing();
        return;
    }
    m_live.push_back(GraphSample{time, value});
    SamplesChanged();
    m_dataMin = std::min(m_dataMin, value);
    m_dataMax = std::max(m_dataMax, value);
    AutoScale();
    if (m_hWnd) Invalidate(TRUE);
}

void CGraphView::AutoScale() {
    if (m_settings.scaleMode == 0) m_settings.scale = ::AutoScale(m_dataMin, m_dataMax);
}

void CGraphView::UpdateScrollBar() {
    double latest = m_lastLiveTime != 0 ? m_lastLiveTime : m_lastLogTime != 0 ? m_lastLogTime : m_now();
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

bool CGraphView::ShowSensorProperties() {
    CPropertiesDlg dialog;
    dialog.m_strId = SensorIdText(m_sensorId, m_sensorType);
    dialog.m_strName = m_name;
    dialog.m_strDescription = m_description;
    dialog.m_nEnabled = m_enabled != VARIANT_FALSE ? 1 : 0;
    const bool ok = dialog.DoModal(::GetActiveWindow()) == IDOK;
    if (ok) ApplyProperties(dialog.m_strName, dialog.m_strDescription, dialog.m_nEnabled != 0);
    AutoScale();
    if (m_hWnd) Invalidate(TRUE);
    return ok;
}

void CGraphView::ApplyProperties(const std::wstring& name, const std::wstring& description, bool enabled) {
    m_name = name;
    m_caption = name;
    if (m_hWnd) SetWindowText(name.c_str());
    m_description = description;
    m_enabled = enabled ? VARIANT_TRUE : VARIANT_FALSE;
    // In this order; the first refusal skips the rest, and the server keeps its old values there.
    bool failed = false;
    std::wstring failure;
    if (m_sensor) {
        try {
            ThrowIfFailed(m_sensor->put_Name(Bstr(m_name)));
            ThrowIfFailed(m_sensor->put_Description(Bstr(m_description)));
            ThrowIfFailed(m_sensor->put_Enabled(m_enabled));
        } catch (const ComError& e) {
            failed = true;
            failure = e.ErrorMessage();
        }
    }
    if (m_listener) m_listener->ClientViewRenamed(m_hWnd, m_name);
    if (failed)
        ::MessageBoxW(m_hWnd, failure.c_str(), LoadResString(IDR_MAINFRAME).c_str(), MB_OK | MB_ICONEXCLAMATION);
}

void CGraphView::RemoveSensor() {
    if (!m_sensor) return;
    const std::wstring question = FormatResString(IDS_CONFIRM_REMOVE, m_name.c_str(), m_name.c_str());
    const std::wstring caption = LoadResString(IDS_LIST_OF_SENSORS);
    if (::MessageBoxW(m_hWnd, question.c_str(), caption.c_str(), MB_YESNO) != IDYES) return;
    // A refusal leaves the sensor listed by the server: the graph, its row and its settings stay.
    if (HRESULT hr = m_sensor->Remove(); FAILED(hr)) {
        ::MessageBoxW(m_hWnd, ComErrorText(hr).c_str(), caption.c_str(), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    m_removed = true;
    // Destroys this object when the layout holds the graph.
    if (m_listener) m_listener->CloseClientView(m_hWnd);
}

CGraphView::ContextMenu CGraphView::LoadContextMenu() const {
    ContextMenu result;
    result.menu.Reset(::LoadMenuW(ResourceInstance(), MAKEINTRESOURCEW(IDR_GRAPH_MENU)));
    HMENU popup = result.menu ? ::GetSubMenu(result.menu.Get(), 0) : nullptr;
    if (!popup) return result;
    // Only a view that floats after being moved out can be docked again.
    if (m_mode != DockSplitTab::ModeFloating) ::DeleteMenu(popup, ID_VIEW_DOCK, MF_BYCOMMAND);
    ::CheckMenuItem(popup, ID_TIMESCALE_FIRST + ValidTimeScale(m_settings.timeScale), MF_BYCOMMAND | MF_CHECKED);
    result.popup = popup;
    return result;
}

LRESULT CGraphView::OnContextMenu(UINT, WPARAM, LPARAM lParam, BOOL&) {
    const ContextMenu menu = LoadContextMenu();
    if (menu.popup)
        ::TrackPopupMenu(menu.popup, TPM_RIGHTBUTTON, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam), 0, m_hWnd, nullptr);
    return 0;
}

void CGraphView::UpdateReadout() {
    if (!::IsWindowVisible(m_hWnd)) return;
    POINT cursor{};
    if (!::GetCursorPos(&cursor) || !::ScreenToClient(m_hWnd, &cursor)) return;
    const RECT client = GetClientRect();
    // Outside the window the read-out stays as it is; the next move inside updates it.
    if (!::PtInRect(&client, cursor)) return;

    POINT p = cursor;
    ::DPtoLP(m_twipsDC, &p, 1);
    GraphSample sample{};
    if (!FindNearestSample(m_fetched, m_live, Mapping(), p, sample)) {
        m_readout.HideIfMoved(cursor);
        return;
    }
    ::LPtoDP(m_twipsDC, &p, 1);
    if (!::PtInRect(&client, p)) {
        m_readout.HideIfMoved(cursor);
        return;
    }
    const std::wstring unitName = m_units ? m_units->GetUnitName(m_sensorType) : std::wstring();
    const std::wstring text = FormatDateTime(sample.time) + L"; " +
                              ReadoutValueText(m_sensorType, sample.value, m_settings.scale.ticks,
                                               g_bFahrenheit != 0, unitName);
    m_readout.Show(p.x, p.y, text, client);
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
    MapTrace(Mapping());
    DrawTrace(dc);
}

namespace {
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kGrey = RGB(0x80, 0x80, 0x80);
constexpr int kSeparatorWidth = 40;
constexpr int kMarkRadius = 30;

void Texts(HDC dc, const std::vector<AxisLabel>& labels, UINT align, COLORREF color) {
    if (labels.empty()) return;
    ::SetTextAlign(dc, align);
    ::SetTextColor(dc, color);
    for (const AxisLabel& l : labels)
        ::ExtTextOutW(dc, l.x, l.y, 0, nullptr, l.text.data(), static_cast<UINT>(l.text.size()), nullptr);
}
}  // namespace

void CGraphView::LayOutAxes(HDC dc, const AxesKey& key) {
    m_axesKey = key;
    m_axesValid = true;
    m_axisPen = Pen(PS_SOLID, 1, key.axisColor);
    m_gridPen = Pen(PS_SOLID, 1, key.gridMajorColor);
    m_minorGridPen = Pen(PS_SOLID, 1, key.gridMinorColor);
    m_separatorPen = Pen(PS_SOLID, kSeparatorWidth, key.gridMajorColor);

    const PlotMapping mapping = Mapping();
    m_axisLines.clear();
    m_gridLines.clear();
    m_valueLabels.clear();
    ValueTicks(mapping, m_labelHeight, m_valueTicks);
    const int tickEnd = m_plot.left - kValueTickLength;
    for (const ValueTick& tick : m_valueTicks) {
        m_axisLines.push_back(POINT{m_plot.left, tick.y});
        m_axisLines.push_back(POINT{tickEnd, tick.y});
        if (key.majorYGrid) {
            m_gridLines.push_back(POINT{m_plot.left, tick.y});
            m_gridLines.push_back(POINT{m_plot.right, tick.y});
        }
        if (!tick.labelled) continue;
        m_valueLabels.push_back(
            AxisLabel{tickEnd, tick.y, ValueLabel(m_sensorType, tick.value, key.scale.ticks, key.fahrenheit)});
    }

    const TimeScale& scale = CurrentTimeScale();
    RebuildCalendar();
    auto width = [dc](const std::wstring& text) {
        SIZE size{};
        ::GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        return static_cast<int>(size.cx);
    };
    LayOutTimeAxis(mapping, scale, m_calendar, key.minorXGrid && scale.minorStep > 0,
                   key.majorXGrid && scale.majorStep > 0, m_labelHeight, width, m_timeAxis);
    m_axisLines.insert(m_axisLines.end(), m_timeAxis.ticks.begin(), m_timeAxis.ticks.end());
    m_gridLines.insert(m_gridLines.end(), m_timeAxis.majorGrid.begin(), m_timeAxis.majorGrid.end());
    size_t most = std::max({m_axisLines.size(), m_gridLines.size(), m_timeAxis.minorGrid.size(),
                            m_timeAxis.separators.size()});
    m_pairCounts.assign(most / 2, 2);
}

void CGraphView::DrawAxes(HDC dc) {
    SelectedObject keepFont(dc, m_labelFont);
    SIZE digits{};
    ::GetTextExtentPoint32W(dc, L"0123456789", 10, &digits);
    m_labelHeight = digits.cy;
    const AxesKey key{m_plot,
                      m_viewStart,
                      m_viewEnd,
                      m_settings.scale,
                      m_settings.timeScale,
                      m_sensorType,
                      g_bFahrenheit != 0,
                      m_settings.majorXGrid,
                      m_settings.minorXGrid,
                      m_settings.majorYGrid,
                      m_settings.axisColor,
                      m_settings.gridMajorColor,
                      m_settings.gridMinorColor,
                      digits.cx,
                      digits.cy,
                      ::GetDeviceCaps(dc, LOGPIXELSX),
                      ::GetDeviceCaps(dc, LOGPIXELSY)};
    if (!m_axesValid || !(key == m_axesKey)) LayOutAxes(dc, key);

    // Each pen's lines in one call: the grids first (the major over the minor), then the
    // separators, the ticks and the labels.
    SelectedObject keepPen(dc, m_minorGridPen);
    auto lines = [&](const std::vector<POINT>& pairs, HPEN pen) {
        if (pairs.empty()) return;
        ::SelectObject(dc, pen);
        ::PolyPolyline(dc, pairs.data(), m_pairCounts.data(), static_cast<DWORD>(pairs.size() / 2));
    };
    lines(m_timeAxis.minorGrid, m_minorGridPen);
    lines(m_gridLines, m_gridPen);
    lines(m_timeAxis.separators, m_separatorPen);
    lines(m_axisLines, m_axisPen);

    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF oldTextColor = ::GetTextColor(dc);
    Texts(dc, m_valueLabels, TA_RIGHT | TA_BASELINE, kBlack);
    Texts(dc, m_timeAxis.tickLabels, TA_CENTER | TA_TOP, kGrey);
    Texts(dc, m_timeAxis.dateLabels, TA_LEFT | TA_TOP, kBlack);
    ::SetTextColor(dc, oldTextColor);
    ::SetBkMode(dc, oldMode);

    ::SelectObject(dc, m_axisPen);
    SelectedObject keepBrush(dc, ::GetStockObject(NULL_BRUSH));
    ::Rectangle(dc, m_plot.left, m_plot.yLow, m_plot.right, m_plot.yHigh);
}

void CGraphView::MapTrace(const PlotMapping& mapping) {
    // Map every sample once and split the points into runs: a run of samples whose gaps stay
    // within the threshold is one polyline; a sample with gaps on both sides is a small circle.
    // The live samples continue the line of the fetched ones, under the same gap rule.
    const double gap = GapThreshold(CurrentTimeScale());
    if (m_traceValid && m_traceVersion == m_samplesVersion && m_traceMapping == mapping && m_traceGap == gap) return;
    m_traceValid = true;
    m_traceVersion = m_samplesVersion;
    m_traceMapping = mapping;
    m_traceGap = gap;
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
    m_traceBounds = bounds;
    m_traceMarks = false;
    if (m_tracePoints.empty()) return;
    m_traceRuns.push_back(m_tracePoints.size());
    for (size_t i = 0, begin = 0; i < m_traceRuns.size(); begin = m_traceRuns[i++])
        if (m_traceRuns[i] - begin == 1) m_traceMarks = true;
}

void CGraphView::DrawTrace(HDC dc) {
    if (m_tracePoints.empty()) return;
    if (!m_tracePen || m_tracePenStyle != m_settings.traceStyle || m_tracePenColor != m_settings.traceColor) {
        m_tracePen = Pen(PS_SOLID, TraceWidth(m_settings.traceStyle), m_settings.traceColor);
        m_tracePenStyle = m_settings.traceStyle;
        m_tracePenColor = m_settings.traceColor;
    }
    const int width = TraceWidth(m_settings.traceStyle);
    SavedDC keepState(dc);  // gives back the pen and the clip region
    ::SelectObject(dc, m_tracePen);
    // Drawing is restricted to the plot. Clipping costs as much as a third of the line itself, so
    // it is left out when no line, pen edge or circle can pass the plot's edges (a thin line may
    // run along the frame).
    const int reach = (width > 1 ? width / 2 + 1 : 0) + (m_traceMarks ? kMarkRadius + 1 : 0);
    const RECT& bounds = m_traceBounds;
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

void CGraphView::CopyToClipboard() {
    auto fail = [this](const wchar_t* text) {
        ::MessageBoxW(m_hWnd, text, LoadResString(IDR_MAINFRAME).c_str(), MB_OK | MB_ICONEXCLAMATION);
    };
    OpenedClipboard clipboard(m_hWnd);
    if (!clipboard.IsOpen()) return fail(L"Cannot open the Clipboard");
    if (!::EmptyClipboard()) return fail(L"Cannot empty the Clipboard");
    ClientDC client(m_hWnd);
    static const wchar_t kDescription[] = L"Kestrova\0Graph\0";  // the literal adds the last zero
    EnhMetaFileRecorder recorder(client, kDescription);
    if (!recorder) return fail(L"Unable to set Clipboard data");
    BringUpToDate();
    ::SetMapMode(recorder, MM_TWIPS);
    ::SetMapMode(client, MM_TWIPS);
    Draw(recorder, LogicalClientRect(client, m_hWnd), true);
    EnhMetaFile picture = recorder.Close();
    if (!picture || !::SetClipboardData(CF_ENHMETAFILE, picture.Get())) return fail(L"Unable to set Clipboard data");
    picture.Release();  // the clipboard owns it now
}

void CGraphView::ExportGraph() {
    if (!m_sensor) return;
    CExportFileDlg dialog;
    dialog.m_dtStart = m_firstLogTime;
    dialog.m_dtEnd = m_lastLogTime;
    dialog.m_dInterval = 0;
    const HWND self = m_hWnd;
    if (dialog.DoModal(::GetActiveWindow()) != IDOK) return;
    // While the dialog was open the sensor may have been removed, and its graph closed with it (a
    // floating frame stays usable): then this object is gone too.
    if (!::IsWindow(self) || !m_sensor || m_removed) return;
    HRESULT hr = S_OK;
    {
        WaitCursor wait;
        CExportJob job(dialog.m_strFileName, m_sensor.Get(), dialog.m_dtStart, dialog.m_dtEnd, dialog.m_dInterval);
        job.fahrenheit = g_bFahrenheit != 0;
        job.units = m_units;
        hr = RunExport(job, dialog.m_nFileType);
    }
    if (FAILED(hr)) ::MessageBoxW(m_hWnd, ComErrorText(hr).c_str(), L"", MB_OK);
}

namespace {
// The settings the graph properties sheet edits, from the graph's settings to the sheet's values
// and back.
template <class To, class From>
void CopySheetFields(To& to, const From& from) {
    to.scale = from.scale;
    to.scaleMode = from.scaleMode;
    to.traceColor = from.traceColor;
    to.traceStyle = from.traceStyle;
    to.majorXGrid = from.majorXGrid;
    to.minorXGrid = from.minorXGrid;
    to.majorYGrid = from.majorYGrid;
}
}  // namespace

LRESULT CGraphView::OnGraphProperties(WORD, WORD, HWND, BOOL&) {
    GraphSheetValues values;
    CopySheetFields(values, m_settings);
    if (RunGraphPropertySheet(::GetActiveWindow(), m_sensorType, g_bFahrenheit != 0, values))
        CopySheetFields(m_settings, values);
    Invalidate(TRUE);
    return 0;
}
