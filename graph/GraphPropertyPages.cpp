#include "GraphPropertyPages.h"

#include "AppModule.h"

// ---- Y Axis page ------------------------------------------------------------------------------

LRESULT CTempAxisPropertyPage::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    m_shown = ScaleToDisplay(m_stored, ScaleShownInFahrenheit(m_nSensorType, m_bFahrenheit));
    ::SetDlgItemTextW(m_hWnd, IDC_MIN, FormatText(L"%5.1f", m_shown.min).c_str());
    ::SetDlgItemTextW(m_hWnd, IDC_MAX, FormatText(L"%5.1f", m_shown.max).c_str());
    ::SetDlgItemTextW(m_hWnd, IDC_TICKS, FormatText(L"%5.1f", m_shown.ticks).c_str());
    if (m_nManual == 0) {
        EnableFields(false);
        ::CheckDlgButton(m_hWnd, IDC_AUTO, BST_CHECKED);
    } else {
        ::CheckDlgButton(m_hWnd, IDC_MANUAL, BST_CHECKED);
    }
    return TRUE;
}

void CTempAxisPropertyPage::EnableFields(bool enable) const {
    for (int id : {IDC_MIN, IDC_MAX, IDC_TICKS}) ::EnableWindow(GetDlgItem(id), enable);
}

LRESULT CTempAxisPropertyPage::OnAuto(WORD, WORD, HWND, BOOL&) {
    m_nManual = 0;
    EnableFields(false);
    return 0;
}

LRESULT CTempAxisPropertyPage::OnManual(WORD, WORD, HWND, BOOL&) {
    m_nManual = 1;
    EnableFields(true);
    return 0;
}

void CTempAxisPropertyPage::ReadField(int id, float& value) const {
    wchar_t text[32] = {};
    ::GetDlgItemTextW(m_hWnd, id, text, 32);
    if (ReadScaleField(text, value)) return;
    ::MessageBeep(MB_OK);
    ::SetFocus(GetDlgItem(id));
}

bool CTempAxisPropertyPage::Check() {
    ReadField(IDC_MIN, m_shown.min);
    ReadField(IDC_MAX, m_shown.max);
    ReadField(IDC_TICKS, m_shown.ticks);
    const UINT message = CheckScaleValues(m_nSensorType, m_bFahrenheit, m_nManual, m_shown);
    if (message == 0) return true;
    ::MessageBoxW(m_hWnd, FormatResString(message, -40, 80).c_str(), LoadResString(IDS_Y_SCALE_ERROR).c_str(), MB_OK);
    return false;
}

bool CTempAxisPropertyPage::OnApply() {
    if (!Check()) return false;
    m_stored = ScaleFromDisplay(m_shown, ScaleShownInFahrenheit(m_nSensorType, m_bFahrenheit));
    return true;
}

// ---- Trace page -------------------------------------------------------------------------------

void CColorButton::DrawItem(const DRAWITEMSTRUCT& item) const {
    RECT rc = item.rcItem;
    ::DrawEdge(item.hDC, &rc, (item.itemState & ODS_SELECTED) ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    RECT inner = item.rcItem;
    ::InflateRect(&inner, -5, -5);
    const COLORREF old = ::SetBkColor(item.hDC, m_clr);
    ::ExtTextOutW(item.hDC, 0, 0, ETO_OPAQUE, &inner, nullptr, 0, nullptr);
    ::SetBkColor(item.hDC, old);
}

bool CColorButton::ChooseColor(HWND owner) {
    // One table of custom colours for every chooser of the run, not saved.
    static COLORREF s_customColors[16] = {
        RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
        RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
        RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255),
        RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255), RGB(255, 255, 255)};
    CHOOSECOLORW choose{};
    choose.lStructSize = sizeof(choose);
    choose.hwndOwner = owner;
    choose.rgbResult = m_clr;
    choose.lpCustColors = s_customColors;
    choose.Flags = CC_RGBINIT | CC_ANYCOLOR;
    if (!::ChooseColorW(&choose)) return false;
    m_clr = choose.rgbResult;
    if (m_hWnd) ::InvalidateRect(m_hWnd, nullptr, TRUE);
    return true;
}

void CTraceComboBox::DrawItem(const DRAWITEMSTRUCT& item) {
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    ::FillRect(item.hDC, &item.rcItem, ::GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    const int index = static_cast<int>(item.itemID);  // -1 for the empty selection field
    if (index < 0) return;  // no selection shows no line (a pen of width 0 would draw one pixel wide)
    const int width = index + 1;
    HPEN pen = ::CreatePen(PS_SOLID, width, ::GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    HGDIOBJ old = ::SelectObject(item.hDC, pen);
    const int y = (item.rcItem.top + item.rcItem.bottom) / 2;
    ::MoveToEx(item.hDC, item.rcItem.left + 4, y, nullptr);
    ::LineTo(item.hDC, item.rcItem.right - 2, y);
    ::SelectObject(item.hDC, old);
    ::DeleteObject(pen);
}

LRESULT CTracePropertyPage::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    m_colorButton.m_hWnd = GetDlgItem(IDC_COLOR);
    m_styleCombo.m_hWnd = GetDlgItem(IDC_STYLE);
    // No item strings: the items' data are the width texts, for accessibility tools.
    static const wchar_t* const kWidths[] = {L"1", L"2", L"3", L"4"};
    for (const wchar_t* width : kWidths)
        ::SendMessageW(m_styleCombo.m_hWnd, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(width));
    ::SendMessageW(m_styleCombo.m_hWnd, CB_SETCURSEL, m_nStyle >= 0 && m_nStyle <= 3 ? m_nStyle : -1, 0);
    return TRUE;
}

LRESULT CTracePropertyPage::OnDrawItem(UINT, WPARAM, LPARAM l, BOOL& handled) {
    const auto& item = *reinterpret_cast<const DRAWITEMSTRUCT*>(l);
    if (item.hwndItem == m_colorButton.m_hWnd) {
        m_colorButton.DrawItem(item);
    } else if (item.hwndItem == m_styleCombo.m_hWnd) {
        CTraceComboBox::DrawItem(item);
    } else {
        handled = FALSE;
        return 0;
    }
    return TRUE;
}

LRESULT CTracePropertyPage::OnColor(WORD, WORD, HWND, BOOL&) {
    m_colorButton.ChooseColor(m_hWnd);
    return 0;
}

bool CTracePropertyPage::OnApply() {
    const auto selection = static_cast<int>(::SendMessageW(m_styleCombo.m_hWnd, CB_GETCURSEL, 0, 0));
    m_nStyle = selection >= 0 && selection <= 3 ? selection : -1;
    return true;
}

// ---- Gridlines page ---------------------------------------------------------------------------

LRESULT CGridPropertyPage::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    auto state = [](int value) { return static_cast<UINT>(value >= 0 && value <= 2 ? value : 0); };
    ::CheckDlgButton(m_hWnd, IDC_MAJOR_X, state(m_nMajorX));
    ::CheckDlgButton(m_hWnd, IDC_MINOR_X, state(m_nMinorX));
    ::CheckDlgButton(m_hWnd, IDC_Y, state(m_nY));
    return TRUE;
}

bool CGridPropertyPage::OnApply() {
    auto checked = [this](int id) { return ::IsDlgButtonChecked(m_hWnd, id) == BST_UNCHECKED ? 0 : 1; };
    m_nMajorX = checked(IDC_MAJOR_X);
    m_nMinorX = checked(IDC_MINOR_X);
    m_nY = checked(IDC_Y);
    return true;
}

// ---- the sheet --------------------------------------------------------------------------------

bool RunGraphPropertySheet(HWND owner, int sensorType, bool fahrenheit, GraphSheetValues& values) {
    CTempAxisPropertyPage axis;
    axis.m_nSensorType = sensorType;
    axis.m_bFahrenheit = fahrenheit;
    axis.m_stored = values.scale;
    axis.m_nManual = values.scaleMode;
    CTracePropertyPage trace;
    trace.m_colorButton.m_clr = values.traceColor;
    trace.m_nStyle = values.traceStyle;
    CGridPropertyPage grid;
    grid.m_nMajorX = values.majorXGrid;
    grid.m_nMinorX = values.minorXGrid;
    grid.m_nY = values.majorYGrid;

    CPropertySheet sheet(LoadResString(IDS_GRAPH_PROPERTIES));
    sheet.AddPage(axis);
    sheet.AddPage(trace);
    sheet.AddPage(grid);
    if (!sheet.DoModal(owner)) return false;

    // Pages never opened give back what they were given.
    values.scale = axis.m_stored;
    values.scaleMode = axis.m_nManual;
    values.traceColor = trace.m_colorButton.m_clr;
    values.traceStyle = trace.m_nStyle;
    values.majorXGrid = grid.m_nMajorX;
    values.minorXGrid = grid.m_nMinorX;
    values.majorYGrid = grid.m_nY;
    return true;
}
