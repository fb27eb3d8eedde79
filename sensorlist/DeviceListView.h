// The sensor list: one row per graph view with the sensor's name, the time and value of its last
// measurement and a signal-level icon. The rows keep no data of their own; each row's item data is
// its graph view, and the texts are copied from the graph whenever the row is added or refreshed.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <string>
#include <unordered_map>

#include "ClientViewListener.h"
#include "ProgramMessages.h"
#include "Units.h"
#include "Window.h"
#include "resource.h"

class CGraphView;

class CDeviceListView : public Window<CDeviceListView> {
public:
    DECLARE_WND_CLASS_EX(L"KV_DeviceListView", CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, COLOR_WINDOW)

    BEGIN_MSG_MAP(CDeviceListView)
        MESSAGE_HANDLER(WM_CREATE, OnCreate)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_SETFOCUS, OnSetFocus)
        MESSAGE_HANDLER(WM_CLOSE, OnClose)
        MESSAGE_HANDLER(WM_CONTEXTMENU, OnContextMenu)
        MESSAGE_HANDLER(WM_HELPHITTEST, OnHelpHitTest)
        COMMAND_ID_HANDLER(ID_SENSOR_PROPERTIES, OnSensorProperties)
        COMMAND_ID_HANDLER(ID_VIEW_HIDE, OnShowGraph)
        COMMAND_ID_HANDLER(ID_SENSOR_REMOVE, OnRemoveSensor)
        NOTIFY_HANDLER(kListId, LVN_COLUMNCLICK, OnColumnClick)
        NOTIFY_HANDLER(kListId, NM_DBLCLK, OnDoubleClick)
        NOTIFY_HANDLER(kListId, NM_CUSTOMDRAW, OnCustomDraw)
    END_MSG_MAP()

    static constexpr DWORD kWindowStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    static constexpr int kListId = 0;

    // `listener` is the main frame; it is not owned. The first list made loads the sort marks.
    CDeviceListView(ClientViewListener* listener, const UnitTexts& units);

    // Creates the window as a child of `parent` with the default rectangle.
    HWND CreateListWindow(HWND parent);

    // Inserts the graph's row at the top (re-sorted when the list is sorted).
    void AddDevice(CGraphView* view);
    // Refreshes the row's time, value and icon after a measurement or a change of unit; a graph
    // without a measurement or without a row changes nothing.
    void UpdateDevice(CGraphView* view);
    void RemoveDevice(CGraphView* view);
    // Shows the graph's current name; the list is not re-sorted for it.
    void UpdateDeviceName(CGraphView* view);
    // The graph's row, or -1.
    int FindDeviceRow(CGraphView* view) const;
    // Rows drawn in grey while no measurements can arrive (the logger server gone).
    void SetStale(bool stale);
    bool Stale() const { return m_stale; }

    HWND List() const { return m_list; }
    int SortColumn() const { return m_nSortColumn; }
    int SortDirection() const { return m_nSortDirection; }

    // The sort marks of header controls older than 6.00, shared by every list and never freed.
    static HBITMAP SortUpBitmap() { return s_hSortUpBitmap; }
    static HBITMAP SortDownBitmap() { return s_hSortDownBitmap; }

private:
    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSetFocus(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnClose(UINT, WPARAM, LPARAM, BOOL&) { return 0; }  // the list lives as long as the frame
    LRESULT OnContextMenu(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnHelpHitTest(UINT, WPARAM, LPARAM, BOOL&) { return kHelpContextSensorList; }
    LRESULT OnSensorProperties(WORD, WORD, HWND, BOOL&);
    LRESULT OnShowGraph(WORD, WORD, HWND, BOOL&);
    LRESULT OnRemoveSensor(WORD, WORD, HWND, BOOL&);
    LRESULT OnColumnClick(int, LPNMHDR, BOOL&);
    LRESULT OnDoubleClick(int, LPNMHDR, BOOL&);
    LRESULT OnCustomDraw(int, LPNMHDR, BOOL&);

    // Time and value texts of a row whose graph has had a measurement.
    void SetMeasurementTexts(int row, const CGraphView& view);
    void SetImage(int row, int image);
    CGraphView* RowView(int row) const;
    CGraphView* SelectedView() const;
    void Sort();
    void UpdateSortArrow(int previousColumn);
    void SetSortMark(int column, int direction);
    // The sort column's text of every row by its item data, and the order wanted.
    struct SortKeys {
        int column;
        int direction;
        std::unordered_map<LPARAM, std::wstring> texts;
    };
    static int CALLBACK CompareItems(LPARAM view1, LPARAM view2, LPARAM sortKeys);
    static void LoadSortBitmaps();

    WindowBase m_list;  // destroyed with this window, together with the image list it was given
    int m_nSortDirection = 0;
    int m_nSortColumn = 0;
    ClientViewListener* m_pListener;
    const UnitTexts& m_units;
    HIMAGELIST m_imageList = nullptr;
    bool m_stale = false;

    static HBITMAP s_hSortUpBitmap;
    static HBITMAP s_hSortDownBitmap;
};

// The text of a list-view cell, however long.
std::wstring ListItemText(HWND list, int row, int column);

// Where a context menu for the screen point `pt` opens: a point off every monitor has its x
// brought within the horizontal extent of the nearest monitor's work area.
POINT MenuPointOnMonitor(POINT pt);
