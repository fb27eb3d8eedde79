// The graph properties sheet: the value scale (Y Axis page), the trace colour and width (Trace
// page) and the grid lines (Gridlines page) of one graph, edited on a copy of its settings.
#pragma once
#include <windows.h>

#include "GraphMath.h"
#include "ScaleEntry.h"
#include "PropertySheet.h"
#include "resource.h"

// ---- the pages --------------------------------------------------------------------------------

class CTempAxisPropertyPage : public PropertyPage<CTempAxisPropertyPage> {
public:
    enum { IDD = IDD_GRAPH_YAXIS, IDC_AUTO = 1014, IDC_MANUAL = 1015, IDC_MIN = 1016, IDC_MAX = 1017, IDC_TICKS = 1018 };

    int m_nSensorType = 1;
    bool m_bFahrenheit = false;  // the temperature unit option, read when the sheet is built
    ValueScale m_stored;         // storage units (Celsius for temperature)
    ValueScale m_shown;          // what the fields show and the checks use
    int m_nManual = 0;

    BEGIN_MSG_MAP(CTempAxisPropertyPage)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        COMMAND_HANDLER(IDC_AUTO, BN_CLICKED, OnAuto)
        COMMAND_HANDLER(IDC_MANUAL, BN_CLICKED, OnManual)
    END_MSG_MAP()

    bool OnKillActive() { return Check(); }
    bool OnApply();

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnAuto(WORD, WORD, HWND, BOOL&);
    LRESULT OnManual(WORD, WORD, HWND, BOOL&);
    void EnableFields(bool enable) const;
    void ReadField(int id, float& value) const;
    bool Check();
};

// An owner-drawn push button that shows a colour: a raised edge (sunken while pressed) around the
// colour, inset by 5 pixels.
class CColorButton {
public:
    HWND m_hWnd = nullptr;
    COLORREF m_clr = RGB(255, 0, 0);
    void DrawItem(const DRAWITEMSTRUCT& item) const;
    // Lets the user pick the colour in the platform's chooser, owned by `owner`; true when chosen.
    bool ChooseColor(HWND owner);
};

// An owner-drawn list of trace widths: item i shows a line i + 1 pixels wide.
class CTraceComboBox {
public:
    HWND m_hWnd = nullptr;
    static void DrawItem(const DRAWITEMSTRUCT& item);
};

class CTracePropertyPage : public PropertyPage<CTracePropertyPage> {
public:
    enum { IDD = IDD_GRAPH_TRACE, IDC_COLOR = 1021, IDC_STYLE = 1022 };

    CColorButton m_colorButton;
    CTraceComboBox m_styleCombo;
    int m_nStyle = -1;  // 0..3, anything else: none chosen

    BEGIN_MSG_MAP(CTracePropertyPage)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
        MESSAGE_HANDLER(WM_DRAWITEM, OnDrawItem)
        COMMAND_HANDLER(IDC_COLOR, BN_CLICKED, OnColor)
    END_MSG_MAP()

    bool OnApply();

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDrawItem(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnColor(WORD, WORD, HWND, BOOL&);
};

class CGridPropertyPage : public PropertyPage<CGridPropertyPage> {
public:
    enum { IDD = IDD_GRAPH_GRID, IDC_MAJOR_X = 1024, IDC_Y = 1025, IDC_MINOR_X = 1026 };

    int m_nMajorX = 1;
    int m_nMinorX = 1;
    int m_nY = 1;

    BEGIN_MSG_MAP(CGridPropertyPage)
        MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    END_MSG_MAP()

    bool OnApply();

private:
    LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
};

// ---- the sheet --------------------------------------------------------------------------------

// The values of a graph that the sheet edits.
struct GraphSheetValues {
    ValueScale scale;
    int scaleMode = 0;
    COLORREF traceColor = RGB(255, 0, 0);
    int traceStyle = -1;
    int majorXGrid = 0, minorXGrid = 0, majorYGrid = 0;
};

// Runs the sheet (caption string 133) owned by `owner` for a graph of sensor type `sensorType`.
// On OK `values` takes what the pages hold and the result is true; on Cancel it is left alone.
bool RunGraphPropertySheet(HWND owner, int sensorType, bool fahrenheit, GraphSheetValues& values);
