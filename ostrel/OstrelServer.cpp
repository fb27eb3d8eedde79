#include "OstrelServer.h"

#include <algorithm>

#include "ServerModule.h"

namespace {
constexpr long kMaxRounds = 1000000;
const wchar_t kVersion[] = L"Ostrel stand-in logger server 1.0";
}  // namespace

COstrelServer::COstrelServer(CServerModule& module) : m_module(module) { m_module.AddSession(this); }

COstrelServer::~COstrelServer() { m_module.RemoveSession(this); }

void* COstrelServer::QueryOther(REFIID iid) {
    if (iid == IID_IConnectionPointContainer) return static_cast<IConnectionPointContainer*>(this);
    if (iid == IID_IConnectionPoint) return static_cast<IConnectionPoint*>(this);
    return nullptr;
}

STDMETHODIMP COstrelServer::get_DataFolder(BSTR* folder) {
    if (!folder) return E_POINTER;
    *folder = ::SysAllocString(m_module.GetLogger().Folder().c_str());
    return *folder ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP COstrelServer::MeasureNow(long rounds) {
    if (rounds < 0 || rounds > kMaxRounds) return E_INVALIDARG;
    HRESULT result = S_OK;
    for (long i = 0; i < rounds; ++i) {
        HRESULT hr = m_module.GetLogger().Measure(UtcNow());
        if (FAILED(hr) && SUCCEEDED(result)) result = hr;
    }
    return result;
}

STDMETHODIMP COstrelServer::Broadcast(BSTR text, long times) {
    if (times < 0 || times > kMaxRounds) return E_INVALIDARG;
    std::wstring message = text ? std::wstring(text, ::SysStringLen(text)) : std::wstring();
    for (long i = 0; i < times; ++i) m_module.OnStatus(message);
    return S_OK;
}

STDMETHODIMP COstrelServer::Disconnect() {
    m_channels.clear();
    return S_OK;
}

STDMETHODIMP COstrelServer::GetSensor(long id, long type, IOstrelSensor** sensor) {
    if (!sensor) return E_POINTER;
    *sensor = nullptr;
    auto found = m_module.GetLogger().Find(id, type);
    if (!found) return S_FALSE;  // no such sensor: a null object
    *sensor = SensorObject(found).Detach();
    return S_OK;
}

STDMETHODIMP COstrelServer::get_Sensors(IOstrelSensors** sensors) {
    if (!sensors) return E_POINTER;
    std::vector<ComPtr<COstrelSensor>> items;
    for (const auto& sensor : m_module.GetLogger().Sensors()) items.push_back(SensorObject(sensor));
    *sensors = MakeObject<COstrelSensors>(this, std::move(items)).Detach();
    return S_OK;
}

STDMETHODIMP COstrelServer::AddSensor(long type, BSTR name, IOstrelSensor** sensor) {
    if (!sensor) return E_POINTER;
    *sensor = nullptr;
    if (::SysStringLen(name) > kMaxNameLength) return E_INVALIDARG;
    std::shared_ptr<Sensor> added;
    HRESULT hr = m_module.GetLogger().Add(type, name ? std::wstring(name, ::SysStringLen(name)) : L"", &added);
    if (FAILED(hr)) return hr;
    *sensor = SensorObject(added).Detach();
    return S_OK;
}

STDMETHODIMP COstrelServer::get_Version(BSTR* version) {
    if (!version) return E_POINTER;
    *version = ::SysAllocString(kVersion);
    return *version ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP COstrelServer::EnumConnectionPoints(IEnumConnectionPoints** points) {
    if (points) *points = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP COstrelServer::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    if (!point) return E_POINTER;
    *point = nullptr;
    if (iid != DIID__IOstrelServerEvents) return CONNECT_E_NOCONNECTION;
    *point = this;
    AddRef();
    return S_OK;
}

STDMETHODIMP COstrelServer::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = DIID__IOstrelServerEvents;
    return S_OK;
}

STDMETHODIMP COstrelServer::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container) return E_POINTER;
    *container = this;
    AddRef();
    return S_OK;
}

STDMETHODIMP COstrelServer::Advise(IUnknown* sink, DWORD* cookie) {
    if (!sink || !cookie) return E_POINTER;
    *cookie = 0;
    ComPtr<IDispatch> dispatch;
    if (FAILED(sink->QueryInterface(DIID__IOstrelServerEvents, dispatch.ReceiveVoid())) &&
        FAILED(sink->QueryInterface(IID_IDispatch, dispatch.ReceiveVoid())))
        return CONNECT_E_CANNOTCONNECT;
    DWORD newCookie = m_module.NewCookie();
    std::unique_ptr<EventChannel> channel;
    HRESULT hr = EventChannel::Create(dispatch.Get(), m_module.m_hWnd, CServerModule::WM_CHANNEL_FAILED, newCookie,
                                      &channel);
    if (FAILED(hr)) return hr;
    m_channels[newCookie] = std::move(channel);
    *cookie = newCookie;
    return S_OK;
}

STDMETHODIMP COstrelServer::Unadvise(DWORD cookie) {
    auto it = m_channels.find(cookie);
    if (it == m_channels.end()) return CONNECT_E_NOCONNECTION;
    auto channel = std::move(it->second);
    m_channels.erase(it);
    return S_OK;
}

STDMETHODIMP COstrelServer::EnumConnections(IEnumConnections** connections) {
    if (connections) *connections = nullptr;
    return E_NOTIMPL;
}

void COstrelServer::Post(const ServerEvent& event) {
    for (auto& [cookie, channel] : m_channels) channel->Post(event);
}

void COstrelServer::CutOff() {
    ComPtr<COstrelServer> keep(this);  // disconnecting may release the last reference
    m_channels.clear();
    std::vector<ComPtr<IUnknown>> handedOut;
    for (COstrelSensors* c : m_collections) handedOut.emplace_back(static_cast<IOstrelSensors*>(c));
    for (auto& [sensor, object] : m_sensorObjects) handedOut.emplace_back(static_cast<IOstrelSensor*>(object.Get()));
    for (auto& object : handedOut) ::CoDisconnectObject(object.Get(), 0);
    ::CoDisconnectObject(static_cast<IOstrelServer*>(this), 0);
    handedOut.clear();
    m_sensorObjects.clear();
}

void COstrelServer::RemoveCollection(COstrelSensors* collection) {
    m_collections.erase(std::remove(m_collections.begin(), m_collections.end(), collection), m_collections.end());
}

ComPtr<COstrelSensor> COstrelServer::SensorObject(const std::shared_ptr<Sensor>& sensor) {
    auto& object = m_sensorObjects[sensor.get()];
    if (!object) object = MakeObject<COstrelSensor>(m_module.GetLogger(), sensor);
    return object;
}
