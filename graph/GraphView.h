// The graph window of one sensor: its time window onto the sensor's log, the samples fetched from
// the logger server and those that arrived since, its settings, and its place in the layout.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

#include "ClientView.h"
#include "Com.h"
#include "Gdi.h"
#include "GraphMath.h"
#include "InfoWnd.h"
#include "ClientViewListener.h"
#include "ProgramMessages.h"
#include "Readout.h"
#include "resource.h"
#include "Ostrel.h"
#include "TimeAxis.h"
#include "TimeScale.h"
#include "Units.h"
#include "Window.h"

// The settings of one graph, stored under "D<settings index>".
struct GraphSettings {
    ValueScale scale;            // "ScaleMin", "ScaleMax", "ScaleTicks"
    int scaleMode = 0;           // 0 = automatic
    int majorXGrid = 1;
    int minorXGrid = 1;
    int majorYGrid = 1;
    COLORREF axisColor = 0x000000;
    COLORREF gridMajorColor = 0xC0C0C0;
    COLORREF gridMinorColor = 0xE6E6E6;
    COLORREF traceColor = 0x0000FF;
    int traceStyle = 255;
    int timeScale = kDefaultTimeScale;
    bool stickToEnd = true;      // "HScrollStickToEnd"
    double endLogDate = 0;       // "UTCEndLogDate"

    // All fifteen values of key `key` with their defaults. An end date outside the sane range of
    // times reads as none; a scale with a value that is no number or beyond any measurement reads
    // as the automatic scale.
    static GraphSettings Read(const wchar_t* key);
    void Write(const wchar_t* key) const;
};

class CGraphView : public Window<CGraphView>, public DockSplitTab::ClientView {
public:
    DECLARE_WND_CLASS_EX(L"KV_GraphView", CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW, COLOR_WINDOW)

    // Reads the sensor's id, type, settings index, name, description, enabled flag and log period;
    // the first failing call ends the reading.
    CGraphView(ClientViewListener* listener, IOstrelSensor* sensor);
    ~CGraphView() override;

    // The clock that tells the current UTC time (an OLE date); the system's unless set. Set it before
    // the window is created: creation asks it.
    void SetClock(std::function<double()> now) { m_now = std::move(now); }

    // The unit names of humidity and CO2 for the read-out; none: those values carry no unit. Set
    // it before the window is created.
    void SetUnitTexts(const UnitTexts* units) { m_units = units; }

    // Takes the id and type, names an unnamed sensor "Device <id>" and creates the window.
    HWND CreateGraphWindow(HWND parent, int sensorId, int sensorType);

    BEGIN_MSG_MAP(CGraphView)
        MESSAGE_HANDLER(WM_CREATE, OnCreate)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        MESSAGE_HANDLER(WM_CLOSE, OnClose)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
        MESSAGE_HANDLER(WM_HSCROLL, OnHorzScroll)
        MESSAGE_HANDLER(WM_MOUSEWHEEL, OnMouseWheel)
        MESSAGE_HANDLER(WM_MOUSEMOVE, OnUpdateReadout)
        MESSAGE_HANDLER(WM_KILLFOCUS, OnUpdateReadout)
        MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
        MESSAGE_HANDLER(WM_HELPHITTEST, OnHelpHitTest)
        COMMAND_ID_HANDLER(ID_VIEW_HIDE, OnHide)
        COMMAND_ID_HANDLER(ID_VIEW_DOCK, OnDock)
        COMMAND_ID_HANDLER(ID_SENSOR_PROPERTIES, OnSensorProperties)
        COMMAND_ID_HANDLER(ID_GRAPH_PROPERTIES, OnGraphProperties)
        COMMAND_ID_HANDLER(ID_EDIT_COPY, OnCopy)
        COMMAND_ID_HANDLER(ID_FILE_EXPORT, OnExport)
        COMMAND_RANGE_HANDLER(ID_TIMESCALE_FIRST, ID_TIMESCALE_LAST, OnTimeScale)
    END_MSG_MAP()

    // ClientView
    std::wstring Name() const override;  // "D_<sensor id>"
    bool CanPrint() const override { return true; }
    bool Print(HDC dc, const RECT& rect, UINT options) override;

    // The time window: aligned, bounded by the log; true when its end moved. A time outside the
    // sane range is refused: the window stays.
    bool SetEndTime(double utc);
    double AlignUp(double localTime) const;
    // Fetches the window's samples from the server afresh.
    void Refetch();
    // Fetches now when live samples asked for a fetch that waits for the next drawing.
    void BringUpToDate();
    bool RefetchDue() const { return m_refetchDue; }
    // A measurement from the server's events (or the newest logged value at creation). One whose
    // time, value or signal level is out of the sane range is ignored.
    void AddLiveSample(double time, float value, float signalLevel);
    void AutoScale();
    void UpdateScrollBar();
    // Paints the graph into any device context in the twips mapping, at `rect` (logical units,
    // normalised so that `top` is the lower y): the title when asked, then the grid lines, the
    // axes with their labels, the frame and the trace. The screen, the clipboard and the printer all
    // draw through it. The axes' layout and the trace's points are kept from one drawing to the next
    // while the plot, window, scale, samples, settings and the device's text metrics stay the same.
    void Draw(HDC dc, const RECT& rect, bool withTitle);
    // The day and month starts of the current window.
    void RebuildCalendar() { m_calendar.Rebuild(m_viewStart, m_viewEnd); }
    const Calendar& CurrentCalendar() const { return m_calendar; }
    // The plot rectangle of the last drawing and the mapping onto it.
    const PlotRect& Plot() const { return m_plot; }
    PlotMapping Mapping() const { return PlotMapping{m_plot, m_viewStart, m_viewEnd, m_settings.scale}; }
    // A scroll request (SB_LINELEFT ... SB_RIGHT) as the scroll bar or the wheel sends it.
    void Scroll(int request);

    int SensorId() const { return m_sensorId; }
    int SensorType() const { return m_sensorType; }
    int SettingsIndex() const { return m_settingsIndex; }
    const std::wstring& SensorName() const { return m_name; }
    const std::wstring& Description() const { return m_description; }
    bool Enabled() const { return m_enabled != VARIANT_FALSE; }
    double LastLiveTime() const { return m_lastLiveTime; }
    float LastLiveValue() const { return m_lastLiveValue; }
    float LastLiveSignal() const { return m_lastLiveSignal; }
    int TimeScaleIndex() const { return m_settings.timeScale; }
    IOstrelSensor* Sensor() const { return m_sensor.Get(); }
    // Asks for a file, a date range within the log and an interval, and exports the sensor's log;
    // a failure is shown in a message box.
    void ExportGraph();
    // Puts the graph with its title on the clipboard as an enhanced metafile of the window's
    // physical size (twips); a failure is shown in a message box and the clipboard closed again.
    void CopyToClipboard();
    ClientViewListener* Listener() const { return m_listener; }

    double ViewStart() const { return m_viewStart; }
    double ViewEnd() const { return m_viewEnd; }
    double FirstLogTime() const { return m_firstLogTime; }
    double LastLogTime() const { return m_lastLogTime; }
    bool StickToEnd() const { return m_settings.stickToEnd; }
    const std::vector<GraphSample>& FetchedSamples() const { return m_fetched; }
    const std::vector<GraphSample>& LiveSamples() const { return m_live; }
    float DataMin() const { return m_dataMin; }
    float DataMax() const { return m_dataMax; }
    const GraphSettings& Settings() const { return m_settings; }
    GraphSettings& Settings() { return m_settings; }
    const TimeScale& CurrentTimeScale() const { return g_timeScales[ValidTimeScale(m_settings.timeScale)]; }

    // The sensor properties dialog; on OK the name, description and enabled flag change here, on
    // the server, on the tab and in the sensor list. Either way the scale is renewed and the window
    // repainted. True when the user pressed OK. A failing server call skips the ones after it and
    // is shown to the user; the changes here stay.
    bool ShowSensorProperties();
    // Asks the user, has the server remove the sensor and its log, and closes the graph for good:
    // this object is gone afterwards unless the layout did not hold it (a hidden graph stays until
    // the end). A refused removal is shown to the user and changes nothing. Nothing happens
    // without a sensor object.
    void RemoveSensor();
    // The context menu's popup (its owner holds the whole menu): "Dock" only for a view that floats
    // after a move, the current time scale checked. Empty when the resource cannot be loaded.
    struct ContextMenu {
        MenuHandle menu;
        HMENU popup = nullptr;
    };
    ContextMenu LoadContextMenu() const;
    // Shows the sample under the cursor in the read-out, or hides it when there is none.
    void UpdateReadout();
    const CInfoWnd& Readout() const { return m_readout; }

    // The user removed the sensor: its settings key is deleted instead of written at the end.
    void MarkRemoved() { m_removed = true; }
    bool Removed() const { return m_removed; }

    // The settings key's name, "D<settings index>".
    std::wstring SettingsKey() const;

private:
    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnClose(UINT, WPARAM, LPARAM, BOOL&) { return 0; }  // only the layout closes a graph
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnHorzScroll(UINT, WPARAM wParam, LPARAM, BOOL&) {
        Scroll(LOWORD(wParam));
        return 0;
    }
    LRESULT OnMouseWheel(UINT, WPARAM wParam, LPARAM, BOOL&);
    LRESULT OnTimeScale(WORD, WORD id, HWND, BOOL&);
    LRESULT OnSensorProperties(WORD, WORD, HWND, BOOL&) {
        ShowSensorProperties();
        return 0;
    }
    // Takes the dialog's values here, then to the server, the tab and the list.
    void ApplyProperties(const std::wstring& name, const std::wstring& description, bool enabled);
    LRESULT OnUpdateReadout(UINT, WPARAM, LPARAM, BOOL& handled) {
        UpdateReadout();
        handled = FALSE;  // losing the focus goes on to default processing too
        return 0;
    }
    LRESULT OnContextMenu(UINT, WPARAM, LPARAM lParam, BOOL&);
    LRESULT OnHide(WORD, WORD, HWND, BOOL&) {
        if (m_listener) m_listener->ToggleClientView(m_hWnd);
        return 0;
    }
    LRESULT OnDock(WORD, WORD, HWND, BOOL&) {
        if (m_listener) m_listener->DockClientView(m_hWnd);
        return 0;
    }
    LRESULT OnGraphProperties(WORD, WORD, HWND, BOOL&);
    LRESULT OnCopy(WORD, WORD, HWND, BOOL&) {
        CopyToClipboard();
        return 0;
    }
    LRESULT OnExport(WORD, WORD, HWND, BOOL&) {
        ExportGraph();
        return 0;
    }
    LRESULT OnHelpHitTest(UINT, WPARAM, LPARAM, BOOL&) { return kHelpContextGraph; }

    // Moves the window to scroll position `position` and fetches; false when it did not move.
    bool MoveToScrollPosition(int position);

    // What the axes' layout depends on besides the calendar: when any of it changes, the layout is
    // made again.
    struct AxesKey {
        PlotRect plot;
        double viewStart, viewEnd;
        ValueScale scale;
        int timeScale, sensorType;
        bool fahrenheit;
        int majorXGrid, minorXGrid, majorYGrid;
        COLORREF axisColor, gridMajorColor, gridMinorColor;
        int digitsWidth, digitsHeight;  // the label font's digits on this device
        int dpiX, dpiY;
        bool operator==(const AxesKey&) const = default;
    };
    void LayOutAxes(HDC dc, const AxesKey& key);
    void DrawAxes(HDC dc);
    // Maps the samples to the trace's points and runs, unless they are mapped already.
    void MapTrace(const PlotMapping& mapping);
    void DrawTrace(HDC dc);
    // The samples changed: the trace is mapped again at the next drawing.
    void SamplesChanged() { ++m_samplesVersion; }
    void RefetchBeforeDrawing();

    // Takes the server's times and values when they are arrays of the right types.
    void TakeSamples(const VARIANT& times, const VARIANT& values);

    ComPtr<IOstrelSensor> m_sensor;
    ClientViewListener* m_listener;
    int m_sensorId = -1;
    int m_sensorType = 0;
    int m_settingsIndex = -1;
    VARIANT_BOOL m_enabled = VARIANT_TRUE;
    bool m_removed = false;
    std::wstring m_name;
    std::wstring m_description;

    double m_viewStart = 0;
    double m_viewEnd = 0;
    double m_firstLogTime = 0;
    double m_lastLogTime = 0;

    std::vector<GraphSample> m_fetched;
    std::vector<GraphSample> m_live;
    bool m_refetchDue = false;
    float m_dataMin = 0;
    float m_dataMax = 0;
    double m_lastLiveTime = 0;
    float m_lastLiveValue = 0;
    float m_lastLiveSignal = 0;

    GraphSettings m_settings;
    Font m_labelFont;
    Font m_titleFont;
    std::function<double()> m_now;
    const UnitTexts* m_units = nullptr;
    CInfoWnd m_readout{true};
    // A screen-compatible DC in the twips mapping, kept for the read-out's conversions on every mouse
    // move: a window DC per move costs a round trip to the window system.
    MemoryDC m_twipsDC{nullptr};

    // Drawing state: the plot of the last drawing, the calendar of the window, and what drawings
    // keep while their inputs stay: the axes' layout and pens, the trace's points and pen.
    PlotRect m_plot;
    Calendar m_calendar;
    int m_labelHeight = 0;
    bool m_axesValid = false;
    AxesKey m_axesKey{};
    std::vector<ValueTick> m_valueTicks;
    std::vector<POINT> m_axisLines;  // axis pen: value ticks and time ticks, in pairs
    std::vector<POINT> m_gridLines;  // major grid pen: value grid and major time grid, in pairs
    std::vector<AxisLabel> m_valueLabels;
    TimeAxisLayout m_timeAxis;
    std::vector<DWORD> m_pairCounts;  // 2 for each pair, for PolyPolyline
    Pen m_axisPen, m_gridPen, m_minorGridPen, m_separatorPen;

    unsigned m_samplesVersion = 0;
    bool m_traceValid = false;
    unsigned m_traceVersion = 0;
    PlotMapping m_traceMapping;
    double m_traceGap = 0;
    std::vector<POINT> m_tracePoints;
    std::vector<size_t> m_traceRuns;  // end index of each run of joined points
    RECT m_traceBounds{};
    bool m_traceMarks = false;  // a run of one point: a circle
    Pen m_tracePen;
    int m_tracePenStyle = -1;
    COLORREF m_tracePenColor = 0;
};
