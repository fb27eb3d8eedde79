#include "SensorViews.h"

#include "DeviceListView.h"
#include "MyAppModule.h"
#include "ViewTableLock.h"

using DockSplitTab::ClientView;

CSensorViews::CSensorViews(DockSplitTab::Frame& dock, CDeviceListView& list, ClientViewListener* listener,
                           std::function<void(const std::wstring&)> showMessage)
    : m_dock(dock), m_list(list), m_listener(listener), m_showMessage(std::move(showMessage)) {}

CSensorViews::~CSensorViews() {
    CViewTableLock lock;
    // A relay someone else still holds must not report to this object any more.
    for (auto& entry : m_relays) entry.second->Detach();
    m_graphs.clear();
    m_clientViews.clear();
    m_relays.clear();
}

HRESULT CSensorViews::CreateOstrelServer(IOstrelServer** server) {
    return ::CoCreateInstance(CLSID_OstrelServer, nullptr, CLSCTX_ALL, IID_IOstrelServer,
                              reinterpret_cast<void**>(server));
}

void CSensorViews::ConnectToServer(HWND parent) {
    m_parent = parent;
    ThrowIfFailed(m_serverFactory(m_server.Receive()));
    if (m_sink.Advised()) throw ComError(E_FAIL);
    // A failed subscription leaves the server set, without events.
    ThrowIfFailed(m_sink.Advise(m_server.Get()));
    FillFromServer();
    if (!m_server) throw ComError(m_linkError);  // gone during the fill
    if (m_linkLost) {
        m_linkLost = false;
        m_linkError = S_OK;
        LinkChanged();
    }
}

void CSensorViews::FillFromServer() {
    if (!m_server) return;
    ComPtr<IOstrelSensors> sensors;
    if (Gone(m_server->get_Sensors(sensors.Receive()))) return;
    if (!sensors) return;
    long count = 0;
    HRESULT hr = sensors->get_Count(&count);
    if (FAILED(hr)) {
        Gone(hr);
        return;
    }
    // The tab strips draw once, when every sensor has its tab.
    DockSplitTab::Frame::AddBatch batch(m_dock);
    for (long index = 1; index <= count; ++index) {
        ComPtr<IOstrelSensor> sensor;
        long id = -1, type = 0;
        if (FAILED(hr = sensors->get_Item(index, sensor.Receive())) ||
            (sensor && (FAILED(hr = sensor->get_Id(&id)) || FAILED(hr = sensor->get_Type(&type))))) {
            Gone(hr);
            return;
        }
        if (!sensor) continue;
        if (CGraphView* graph = FindGraph(id, type))
            Relink(*graph, sensor.Get());
        else
            FindOrCreateGraph(id, type, sensor.Get());
        if (!m_server) return;  // gone meanwhile
    }
}

void CSensorViews::Relink(CGraphView& graph, IOstrelSensor* sensor) {
    auto relay = m_relays.find(&graph);
    if (relay == m_relays.end() || !relay->second->Attach(sensor)) return;
    graph.Refetch();
    m_list.UpdateDevice(&graph);
}

bool CSensorViews::Gone(HRESULT hr) {
    if (!IsServerGone(hr)) return false;
    DropServer(hr);
    return true;
}

void CSensorViews::DropServer(HRESULT reason) {
    if (m_linkLost && !m_server) return;  // known already
    m_sink.Abandon();
    m_server = nullptr;
    for (auto& entry : m_relays) entry.second->Detach();
    m_linkLost = true;
    m_linkError = reason;
    m_retry.Start();
    LinkChanged();
}

namespace {
// Marks a check of the link as running while it lives.
struct Busy {
    bool& flag;
    explicit Busy(bool& f) : flag(f) { flag = true; }
    ~Busy() { flag = false; }
};
}  // namespace

void CSensorViews::CheckLink() {
    if (m_checking) return;
    if (!m_server) {
        if (m_linkLost && m_retry.Tick()) Reconnect();
        return;
    }
    Busy busy(m_checking);
    Bstr version;
    Gone(m_server->get_Version(version.Receive()));
}

bool CSensorViews::Reconnect() {
    if (m_server) return true;
    if (m_checking) return false;  // a check runs further up this thread's stack
    Busy busy(m_checking);
    try {
        ConnectToServer(m_parent);
        return true;
    } catch (const ComError& e) {
        // A session without events is no link: it goes, and a later try makes a whole one.
        m_sink.Abandon();
        m_server = nullptr;
        m_linkError = e.Error();
        LinkChanged();
        return false;
    }
}

void CSensorViews::Disconnect() {
    m_sink.Unadvise();
    if (m_server) m_server->Disconnect();
    m_server = nullptr;
    for (auto& entry : m_relays) entry.second->Detach();
}

CGraphView* CSensorViews::FindGraph(int id, int type) {
    CViewTableLock lock;
    auto it = m_graphs.find(ViewKey(id, type));
    return it == m_graphs.end() ? nullptr : it->second;
}

CGraphView* CSensorViews::FindOrCreateGraph(int id, int type, IOstrelSensor* sensor) {
    CViewTableLock lock;
    if (CGraphView* graph = FindGraph(id, type)) return graph;
    if (m_making.count(ViewKey(id, type))) return nullptr;  // being made further up this thread's stack
    return MakeGraph(id, type, sensor, {});
}

CGraphView* CSensorViews::MakeGraph(int id, int type, IOstrelSensor* sensor, std::vector<NewValue> samples) {
    const int key = ViewKey(id, type);
    m_making[key] = std::move(samples);
    // Whatever happens below, the key is no longer being made afterwards.
    struct Done {
        std::map<int, std::vector<NewValue>>& making;
        int key;
        ~Done() { making.erase(key); }
    } done{m_making, key};

    ComPtr<IOstrelSensor> found(sensor);
    // Beyond a server that went, the result code says nothing more.
    if (!found && m_server && Gone(m_server->GetSensor(id, type, found.Receive()))) return nullptr;
    if (!found) return nullptr;
    ComPtr<SensorRelay> relay = SensorRelay::Make(found.Get(), [this](HRESULT hr) { DropServer(hr); });
    auto graph = std::make_unique<CGraphView>(m_listener, relay.Get());
    CGraphView* raw = graph.get();
    raw->SetUnitTexts(&g_Module);
    if (!raw->CreateGraphWindow(m_parent, id, type)) return nullptr;
    if (m_linkLost && !m_server) relay->Detach();  // the server went while the graph read its sensor
    m_relays[raw] = std::move(relay);
    m_clientViews[raw->m_window] = std::move(graph);
    m_dock.AddView(raw);
    m_list.AddDevice(raw);

    // The measurements that came with the request and during the making, in their order. Events
    // that arrive while these are delivered still queue behind them.
    for (auto it = m_making.find(key); !it->second.empty(); it = m_making.find(key)) {
        NewValue value = it->second.front();
        it->second.erase(it->second.begin());
        Deliver(*raw, value);
    }
    m_graphs[key] = raw;
    return raw;
}

void CSensorViews::Deliver(CGraphView& graph, const NewValue& value) {
    graph.AddLiveSample(value.time, value.value, value.signal);
    m_list.UpdateDevice(&graph);
}

ClientView* CSensorViews::TableView(HWND view) {
    CViewTableLock lock;
    auto it = m_clientViews.find(view);
    return it == m_clientViews.end() ? nullptr : it->second.get();
}

ClientView* CSensorViews::AddView(std::unique_ptr<ClientView> view) {
    CViewTableLock lock;
    ClientView* raw = view.get();
    m_clientViews[raw->m_window] = std::move(view);
    return raw;
}

void CSensorViews::CloseView(ClientView* view) {
    CViewTableLock lock;
    auto it = m_clientViews.find(view->m_window);
    if (it == m_clientViews.end()) return;
    std::unique_ptr<ClientView> closed = std::move(it->second);
    m_clientViews.erase(it);
    if (auto* graph = dynamic_cast<CGraphView*>(closed.get())) {
        m_relays.erase(graph);
        m_list.RemoveDevice(graph);
        const int key = ViewKey(graph->SensorId(), graph->SensorType());
        auto entry = m_graphs.find(key);
        if (entry != m_graphs.end() && entry->second == graph) m_graphs.erase(entry);
        if (graph->Removed()) m_removed.insert(key);
    }
    if (::IsWindow(closed->m_window)) ::DestroyWindow(closed->m_window);
}

void CSensorViews::OnNewValue(unsigned long type, const VARIANT& data) {
    ++m_eventsReceived;
    NewValue value;
    if (!ReadNewValue(type, data, value)) return;
    CViewTableLock lock;
    if (CGraphView* graph = FindGraph(value.id, value.type)) {
        Deliver(*graph, value);
        return;
    }
    if (m_removed.count(ViewKey(value.id, value.type))) return;
    auto making = m_making.find(ViewKey(value.id, value.type));
    if (making != m_making.end()) {
        making->second.push_back(value);
        return;
    }
    MakeGraph(value.id, value.type, nullptr, {value});
}

void CSensorViews::OnMessage(const std::wstring& text) {
    if (m_showMessage) m_showMessage(text);
}
