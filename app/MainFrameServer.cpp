// The main frame's link to the logger server: connection, the sensors' graphs and the events.
#include "AboutDlg.h"
#include "MainFrame.h"
#include "ViewTableLock.h"

using DockSplitTab::ClientView;

HRESULT CMainFrame::CreateOstrelServer(IOstrelServer** server) {
    return ::CoCreateInstance(CLSID_OstrelServer, nullptr, CLSCTX_ALL, IID_IOstrelServer,
                              reinterpret_cast<void**>(server));
}

void CMainFrame::ConnectToServer() {
    ThrowIfFailed(m_serverFactory(m_server.Receive()));
    if (m_sink.Advised()) throw ComError(E_FAIL);
    // A failed subscription leaves the server set, without events.
    ThrowIfFailed(m_sink.Advise(m_server.Get()));
    FillFromServer();
}

void CMainFrame::FillFromServer() {
    if (!m_server) return;
    ComPtr<IOstrelSensors> sensors;
    m_server->get_Sensors(sensors.Receive());
    if (!sensors) return;
    long count = 0;
    if (FAILED(sensors->get_Count(&count))) return;
    for (long index = 1; index <= count; ++index) {
        ComPtr<IOstrelSensor> sensor;
        if (FAILED(sensors->get_Item(index, sensor.Receive()))) return;
        if (!sensor) continue;
        long id = -1, type = 0;
        if (FAILED(sensor->get_Id(&id)) || FAILED(sensor->get_Type(&type))) return;
        FindOrCreateGraph(id, type, sensor.Get());
    }
}

CGraphView* CMainFrame::FindGraph(int id, int type) {
    CViewTableLock lock;
    auto it = m_graphs.find(ViewKey(id, type));
    return it == m_graphs.end() ? nullptr : it->second;
}

ClientView* CMainFrame::FindClientViewByWindow(HWND window) { return TableView(window); }

CGraphView* CMainFrame::FindOrCreateGraph(int id, int type, IOstrelSensor* sensor) {
    CViewTableLock lock;
    if (CGraphView* graph = FindGraph(id, type)) return graph;
    ComPtr<IOstrelSensor> found(sensor);
    if (!found && m_server) m_server->GetSensor(id, type, found.Receive());  // the result code says nothing more
    if (!found) return nullptr;

    // The graph is in the table before its window makes server calls, during which further events
    // for the same sensor may arrive.
    auto graph = std::make_unique<CGraphView>(this, found.Get());
    CGraphView* raw = graph.get();
    const int key = ViewKey(id, type);
    m_graphs[key] = raw;
    if (!raw->CreateGraphWindow(m_hWnd, id, type)) {
        m_graphs.erase(key);
        return nullptr;
    }
    m_clientViews[raw->m_window] = std::move(graph);
    m_dock.AddView(raw);
    m_list.AddDevice(raw);
    return raw;
}

void CMainFrame::OnNewValue(unsigned long type, const VARIANT& data) {
    NewValue value;
    if (!ReadNewValue(type, data, value)) return;
    if (CGraphView* graph = FindOrCreateGraph(value.id, value.type, nullptr)) {
        graph->AddLiveSample(value.time, value.value, value.signal);
        m_list.UpdateDevice(graph);
    }
}

// The server's text stays in the status bar for a second after the last one.
void CMainFrame::OnMessage(const std::wstring& text) {
    if (m_hWndStatusBar)
        ::SendMessageW(m_hWndStatusBar, SB_SETTEXTW, 0 | SBT_NOBORDERS, reinterpret_cast<LPARAM>(text.c_str()));
    ::KillTimer(m_hWnd, kStatusTimer);
    ::SetTimer(m_hWnd, kStatusTimer, kStatusTimeout, nullptr);
}

LRESULT CMainFrame::OnTimer(UINT, WPARAM wParam, LPARAM, BOOL& bHandled) {
    if (wParam != kStatusTimer) {
        bHandled = FALSE;
        return 0;
    }
    ::KillTimer(m_hWnd, kStatusTimer);
    if (m_hWndStatusBar)
        ::SendMessageW(m_hWndStatusBar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(LoadResString(IDS_READY).c_str()));
    return 0;
}

// Unsubscribe, say goodbye and let the server go; errors change nothing here.
LRESULT CMainFrame::OnDestroy(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    m_sink.Unadvise();
    if (m_server) m_server->Disconnect();
    m_server = nullptr;
    bHandled = FALSE;
    return 0;
}

LRESULT CMainFrame::OnAppAbout(WORD, WORD, HWND, BOOL&) {
    CAboutDlg about;
    try {
        if (!m_server) ConnectToServer();
        Bstr version;
        ThrowIfFailed(m_server->get_Version(version.Receive()));
        about.m_serverLine = version.Str();
    } catch (const ComError& e) {
        about.m_serverLine =
            FormatResString(IDS_CONNECT_FAILED, e.ErrorMessage().c_str(), static_cast<unsigned>(e.Error()));
    }
    about.DoModal(::GetActiveWindow());
    return 0;
}
