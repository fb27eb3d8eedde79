#include "DeviceListView.h"

#include <windowsx.h>

#include <algorithm>

#include "Gdi.h"
#include "GraphView.h"
#include "Handle.h"
#include "LocalTime.h"
#include "Protocol.h"
#include "SensorListText.h"
#include "SettingsStore.h"
#include "CommonControls.h"

HBITMAP CDeviceListView::s_hSortUpBitmap = nullptr;
HBITMAP CDeviceListView::s_hSortDownBitmap = nullptr;

namespace {
constexpr DWORD kListStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_BORDER | WS_VSCROLL |
                             WS_HSCROLL | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS;
static_assert(kListStyle == 0x56B0000D);
// A double border; files dropped on the list are let in by the shell but not handled.
constexpr DWORD kListExStyle = WS_EX_DLGMODALFRAME | WS_EX_ACCEPTFILES;

constexpr int kIconWidth = 12;
constexpr size_t kMaxValueText = 254;

// The columns, their stored widths and the defaults for a first run.
constexpr wchar_t kWidthsKey[] = L"DeviceList";
struct Column {
    UINT heading;
    int defaultWidth;
    const wchar_t* widthValue;
};
constexpr Column kColumns[] = {
    {IDS_COLUMN_NAME, 50, L"a"},
    {IDS_COLUMN_TIME, 80, L"b"},
    {IDS_COLUMN_VALUE, 50, L"c"},
};


HBITMAP LoadSortMark(HINSTANCE module, UINT id) {
    return static_cast<HBITMAP>(::LoadImageW(module, MAKEINTRESOURCEW(id), IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS));
}

// Temperatures of either type show the chosen temperature symbol; the others their unit name.
std::wstring RowValueText(const CGraphView& view, const UnitTexts& units) {
    int type = view.SensorType();
    std::wstring unit = Protocol::Quantity(type) == Protocol::kTemperature ? units.GetUnitSymbol(Protocol::kTemperature)
                                                                             : units.GetUnitName(type);
    std::wstring text = ValueText(type, view.LastLiveValue(), unit);
    if (text.size() > kMaxValueText) text.resize(kMaxValueText);
    return text;
}

void SetCellText(HWND list, int row, int column, const std::wstring& text) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    ::SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}
}  // namespace

std::wstring ListItemText(HWND list, int row, int column) {
    std::wstring buffer(256, L'\0');
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        int length = static_cast<int>(::SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item)));
        if (length < item.cchTextMax - 1) return std::wstring(item.pszText, static_cast<size_t>(std::max(length, 0)));
        buffer.resize(buffer.size() * 2);
    }
}

POINT MenuPointOnMonitor(POINT pt) {
    if (::MonitorFromPoint(pt, MONITOR_DEFAULTTONULL)) return pt;
    MONITORINFO info{};
    info.cbSize = sizeof(info);
    if (::GetMonitorInfoW(::MonitorFromPoint(pt, MONITOR_DEFAULTTONEAREST), &info))
        pt.x = std::clamp(pt.x, info.rcWork.left, info.rcWork.right - 1);
    return pt;
}

CDeviceListView::CDeviceListView(ClientViewListener* listener, const UnitTexts& units)
    : m_pListener(listener), m_units(units) {
    if (!s_hSortUpBitmap) LoadSortBitmaps();
}

// The shell's own sort marks where it has them, ours for whichever it lacks.
void CDeviceListView::LoadSortBitmaps() {
    Library loaded;
    HMODULE shell = ::GetModuleHandleW(L"shell32.dll");
    if (!shell) {
        loaded.Reset(::LoadLibraryW(L"shell32.dll"));
        shell = loaded.Get();
    }
    if (shell) {
        s_hSortUpBitmap = LoadSortMark(shell, 133);
        s_hSortDownBitmap = LoadSortMark(shell, 134);
    }
    if (!s_hSortUpBitmap) s_hSortUpBitmap = LoadSortMark(ResourceInstance(), IDB_SORT_UP);
    if (!s_hSortDownBitmap) s_hSortDownBitmap = LoadSortMark(ResourceInstance(), IDB_SORT_DOWN);
}

HWND CDeviceListView::CreateListWindow(HWND parent) {
    return Create(parent, nullptr, LoadResString(IDS_LIST_OF_SENSORS).c_str(), kWindowStyle);
}

LRESULT CDeviceListView::OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
    m_list.m_hWnd = ::CreateWindowExW(kListExStyle, WC_LISTVIEWW, nullptr, kListStyle, 0, 0, 0, 0, m_hWnd,
                                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)),
                                      ::GetModuleHandleW(nullptr), nullptr);
    if (!m_list.m_hWnd) return -1;

    m_imageList = ::ImageList_LoadImageW(ResourceInstance(), MAKEINTRESOURCEW(IDB_SIGNAL_ICONS), kIconWidth, 0,
                                         RGB(255, 255, 255), IMAGE_BITMAP, 0);
    // From here the list owns the image list and destroys it with itself.
    if (m_imageList) m_list.SendMessage(LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(m_imageList));

    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
        std::wstring heading = LoadResString(kColumns[i].heading);
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = StoredColumnWidth(ReadSettingDword(kWidthsKey, kColumns[i].widthValue, kColumns[i].defaultWidth),
                                      kColumns[i].defaultWidth);
        column.pszText = heading.data();
        column.iSubItem = i;
        m_list.SendMessage(LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    return 0;
}

LRESULT CDeviceListView::OnDestroy(UINT, WPARAM, LPARAM, BOOL&) {
    if (m_list.IsWindow()) {
        for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i)
            WriteSettingDword(kWidthsKey, kColumns[i].widthValue,
                              StoredColumnWidth(static_cast<int>(m_list.SendMessage(LVM_GETCOLUMNWIDTH, i)),
                                                kColumns[i].defaultWidth));
    }
    // The control goes with this window; no call may reach a handle that could be reused.
    m_list.m_hWnd = nullptr;
    m_imageList = nullptr;
    return 0;
}

LRESULT CDeviceListView::OnSize(UINT, WPARAM, LPARAM lParam, BOOL&) {
    ::SetWindowPos(m_list, nullptr, 0, 0, LOWORD(lParam), HIWORD(lParam), SWP_SHOWWINDOW);
    return 0;
}

LRESULT CDeviceListView::OnSetFocus(UINT, WPARAM, LPARAM, BOOL&) {
    ::SetFocus(m_list);
    return 0;
}

// ---- rows -----------------------------------------------------------------------------------------

void CDeviceListView::AddDevice(CGraphView* view) {
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = 0;
    item.pszText = const_cast<wchar_t*>(view->SensorName().c_str());
    item.iImage = SignalIconIndex(view->LastLiveTime(), view->LastLiveSignal());
    item.lParam = reinterpret_cast<LPARAM>(view);
    int row = static_cast<int>(m_list.SendMessage(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0) return;
    if (view->LastLiveTime() != 0) SetMeasurementTexts(row, *view);
    if (m_nSortDirection != 0) Sort();
}

void CDeviceListView::UpdateDevice(CGraphView* view) {
    int row = FindDeviceRow(view);
    if (row < 0 || view->LastLiveTime() == 0) return;
    SetImage(row, SignalIconIndex(view->LastLiveTime(), view->LastLiveSignal()));
    SetMeasurementTexts(row, *view);
    // A name does not change with a measurement: only time and value orders need sorting again.
    if (m_nSortDirection != 0 && m_nSortColumn > 0) Sort();
}

void CDeviceListView::RemoveDevice(CGraphView* view) {
    int row = FindDeviceRow(view);
    if (row >= 0) m_list.SendMessage(LVM_DELETEITEM, row);
}

void CDeviceListView::UpdateDeviceName(CGraphView* view) {
    if (!IsWindow()) return;
    int row = FindDeviceRow(view);
    if (row >= 0) SetCellText(m_list, row, 0, view->SensorName());
}

int CDeviceListView::FindDeviceRow(CGraphView* view) const {
    if (!m_list.IsWindow()) return -1;
    LVFINDINFOW find{};
    find.flags = LVFI_PARAM;
    find.lParam = reinterpret_cast<LPARAM>(view);
    return static_cast<int>(m_list.SendMessage(LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

void CDeviceListView::SetMeasurementTexts(int row, const CGraphView& view) {
    SetCellText(m_list, row, 1, FormatDateTime(view.LastLiveTime()));
    SetCellText(m_list, row, 2, RowValueText(view, m_units));
}

void CDeviceListView::SetImage(int row, int image) {
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iImage = image;
    m_list.SendMessage(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

CGraphView* CDeviceListView::RowView(int row) const {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (row < 0 || !m_list.SendMessage(LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return nullptr;
    return reinterpret_cast<CGraphView*>(item.lParam);
}

CGraphView* CDeviceListView::SelectedView() const {
    return RowView(static_cast<int>(m_list.SendMessage(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)));
}

// ---- sorting --------------------------------------------------------------------------------------

LRESULT CDeviceListView::OnColumnClick(int, LPNMHDR header, BOOL&) {
    int column = reinterpret_cast<NMLISTVIEW*>(header)->iSubItem;
    int previous = m_nSortColumn;
    if (column == m_nSortColumn) {
        m_nSortDirection = m_nSortDirection == 0 ? 1 : m_nSortDirection > 0 ? -1 : 0;
    } else {
        m_nSortColumn = column;
        m_nSortDirection = 1;
    }
    UpdateSortArrow(previous);
    // Also when the direction became 0: every pair then compares equal and the rows stay put.
    Sort();
    return 0;
}

// The control may move rows about while it sorts, so that a row index handed to the comparison
// need not name the row it read its text from (it does not under Wine). The graph views in the item
// data do name their rows: the comparison goes by them, with each row's text read once before.
void CDeviceListView::Sort() {
    SortKeys keys{m_nSortColumn, m_nSortDirection, {}};
    if (m_nSortDirection != 0) {
        int rows = static_cast<int>(m_list.SendMessage(LVM_GETITEMCOUNT));
        for (int row = 0; row < rows; ++row)
            keys.texts[reinterpret_cast<LPARAM>(RowView(row))] = ListItemText(m_list, row, m_nSortColumn);
    }
    m_list.SendMessage(LVM_SORTITEMS, reinterpret_cast<WPARAM>(&keys), reinterpret_cast<LPARAM>(&CompareItems));
}

int CALLBACK CDeviceListView::CompareItems(LPARAM view1, LPARAM view2, LPARAM sortKeys) {
    auto* keys = reinterpret_cast<SortKeys*>(sortKeys);
    if (keys->direction == 0) return 0;
    int r = CompareColumnTexts(keys->column, keys->texts[view1], keys->texts[view2]);
    return keys->direction > 0 ? r : -r;
}

void CDeviceListView::UpdateSortArrow(int previousColumn) {
    if (g_nCommonControlsVersion < kComCtlSortBitmaps) return;
    if (previousColumn >= 0 && previousColumn != m_nSortColumn) SetSortMark(previousColumn, 0);
    SetSortMark(m_nSortColumn, m_nSortDirection);
}

void CDeviceListView::SetSortMark(int column, int direction) {
    HWND header = reinterpret_cast<HWND>(m_list.SendMessage(LVM_GETHEADER));
    HDITEMW item{};
    item.mask = HDI_FORMAT;
    if (!::SendMessageW(header, HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item))) return;
    item.fmt = SortMarkFormat(item.fmt, g_nCommonControlsVersion, direction);
    if (g_nCommonControlsVersion < kComCtlSortArrows && direction != 0) {
        item.mask |= HDI_BITMAP;
        item.hbm = direction > 0 ? s_hSortUpBitmap : s_hSortDownBitmap;
    }
    ::SendMessageW(header, HDM_SETITEMW, column, reinterpret_cast<LPARAM>(&item));
}

// ---- menu and commands ----------------------------------------------------------------------------

LRESULT CDeviceListView::OnContextMenu(UINT, WPARAM, LPARAM lParam, BOOL&) {
    POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    // The keyboard form carries no point (-1, -1) and so names no row.
    if (pt.x == -1 && pt.y == -1) return 0;
    LVHITTESTINFO hit{};
    hit.pt = pt;
    ::ScreenToClient(m_list, &hit.pt);
    CGraphView* view = RowView(static_cast<int>(m_list.SendMessage(LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit))));
    if (!view) return 0;

    MenuHandle menu(::LoadMenuW(ResourceInstance(), MAKEINTRESOURCEW(IDR_SENSOR_MENU)));
    HMENU popup = ::GetSubMenu(menu.Get(), 0);
    if (!popup) return 0;
    if (m_pListener->IsClientViewAttached(view->m_hWnd))
        ::CheckMenuItem(popup, ID_VIEW_HIDE, MF_BYCOMMAND | MF_CHECKED);
    pt = MenuPointOnMonitor(pt);
    ::TrackPopupMenu(popup, TPM_RIGHTBUTTON, pt.x, pt.y, 0, m_hWnd, nullptr);
    return 0;
}

// Editing and removing a sensor are operations of its graph view, which does not offer them
// yet: until it does, these two commands find the selected row's graph and stop there.
LRESULT CDeviceListView::OnSensorProperties(WORD, WORD, HWND, BOOL&) {
    CGraphView* view = SelectedView();
    if (view) view->ShowSensorProperties();
    return 0;
}

LRESULT CDeviceListView::OnRemoveSensor(WORD, WORD, HWND, BOOL&) {
    CGraphView* view = SelectedView();
    if (view) view->RemoveSensor();  // may delete the view
    return 0;
}

LRESULT CDeviceListView::OnShowGraph(WORD, WORD, HWND, BOOL&) {
    if (CGraphView* view = SelectedView()) m_pListener->ToggleClientView(view->m_hWnd);
    return 0;
}

LRESULT CDeviceListView::OnDoubleClick(int, LPNMHDR, BOOL&) {
    if (CGraphView* view = SelectedView()) m_pListener->ActivateClientView(view->m_hWnd);
    return 0;
}

void CDeviceListView::SetStale(bool stale) {
    if (stale == m_stale) return;
    m_stale = stale;
    if (m_list) ::InvalidateRect(m_list, nullptr, TRUE);
}

LRESULT CDeviceListView::OnCustomDraw(int, LPNMHDR header, BOOL&) {
    if (!m_stale) return CDRF_DODEFAULT;
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
    switch (draw->nmcd.dwDrawStage) {
    case CDDS_PREPAINT:
        return CDRF_NOTIFYITEMDRAW;
    case CDDS_ITEMPREPAINT:
        // Asked per cell as well: Wine's list draws no cell text after an item-only answer.
        draw->clrText = ::GetSysColor(COLOR_GRAYTEXT);
        return CDRF_NOTIFYSUBITEMDRAW;
    case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
        draw->clrText = ::GetSysColor(COLOR_GRAYTEXT);
        return CDRF_DODEFAULT;
    default:
        return CDRF_DODEFAULT;
    }
}
