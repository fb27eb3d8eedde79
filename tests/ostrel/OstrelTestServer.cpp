#include "OstrelTestServer.h"

#include "Protocol.h"

int RunOstrelServer(const std::wstring& arguments) {
    ChildProcess server(BuildFolder() + L"OstrelServer.exe", arguments);
    return server.Started() ? server.Wait(60000) : -1;
}

namespace {
struct ServiceHandle {
    SC_HANDLE h;
    ~ServiceHandle() {
        if (h) ::CloseServiceHandle(h);
    }
};

bool WaitForServiceState(SC_HANDLE service, DWORD state) {
    const ULONGLONG deadline = ::GetTickCount64() + 30000;
    SERVICE_STATUS status{};
    while (::QueryServiceStatus(service, &status) && status.dwCurrentState != state) {
        if (::GetTickCount64() > deadline) return false;
        ::Sleep(20);
    }
    return status.dwCurrentState == state;
}
}  // namespace

bool RestartRpcService() {
    ServiceHandle manager{::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT)};
    if (!manager.h) return false;
    ServiceHandle service{::OpenServiceW(manager.h, L"RpcSs", SERVICE_STOP | SERVICE_START | SERVICE_QUERY_STATUS)};
    if (!service.h) return false;
    SERVICE_STATUS status{};
    if (::ControlService(service.h, SERVICE_CONTROL_STOP, &status) && !WaitForServiceState(service.h, SERVICE_STOPPED))
        return false;
    if (!::StartServiceW(service.h, 0, nullptr) && ::GetLastError() != ERROR_SERVICE_ALREADY_RUNNING) return false;
    return WaitForServiceState(service.h, SERVICE_RUNNING);
}

OstrelTestServer::OstrelTestServer(const std::wstring& options) {
    RunOstrelServer(L"/Stop");
    std::wstring folder = m_folder.Path().substr(0, m_folder.Path().size() - 1);
    m_registered = RunOstrelServer(L"/RegServer /DataFolder \"" + folder + L"\" " + options) == 0;
}

OstrelTestServer::~OstrelTestServer() {
    Stop();
    RunOstrelServer(L"/RegServer");
}

ComPtr<IOstrelServer> OstrelTestServer::Connect(HRESULT* result) const {
    ComPtr<IOstrelServer> server;
    HRESULT hr = ::CoCreateInstance(CLSID_OstrelServer, nullptr, CLSCTX_ALL, IID_IOstrelServer, server.ReceiveVoid());
    if (result) *result = hr;
    return server;
}

int OstrelTestServer::Stop() const { return RunOstrelServer(L"/Stop"); }

STDMETHODIMP TestEventSink::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == DIID__IOstrelServerEvents) {
        *object = static_cast<IDispatch*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP TestEventSink::GetTypeInfoCount(UINT* count) {
    if (count) *count = 0;
    return S_OK;
}

STDMETHODIMP TestEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
    ReceivedEvent e;
    e.dispid = id;
    if (id == Protocol::kDispidOnNewValue && params && params->cArgs == 2) {
        VARIANT& type = params->rgvarg[1];
        VARIANT& data = params->rgvarg[0];
        e.type = type.vt == VT_UI4 ? type.ulVal : 0;
        e.dataType = data.vt;
        if (data.vt == (VT_ARRAY | VT_VARIANT)) {
            e.elements = SafeArray::Count(data.parray);
            SafeArrayData<VARIANT> items(data.parray);
            if (items && e.elements >= 4) {
                e.sensorId = items[0].vt == VT_I4 ? items[0].lVal : -1;
                e.time = items[2].vt == VT_DATE ? items[2].date : -1;
                e.value = items[3].vt == VT_R4 ? items[3].fltVal : -1;
                if (e.elements >= 5) e.signal = items[4].vt == VT_R4 ? items[4].fltVal : 1;
            }
        }
    } else if (id == Protocol::kDispidOnMessage && params && params->cArgs == 1 && params->rgvarg[0].vt == VT_BSTR) {
        BSTR text = params->rgvarg[0].bstrVal;
        e.text = text ? std::wstring(text, ::SysStringLen(text)) : std::wstring();
    }
    events.push_back(e);
    return S_OK;
}

size_t TestEventSink::Count(DISPID dispid) const {
    size_t n = 0;
    for (const auto& e : events) n += e.dispid == dispid;
    return n;
}

size_t TestEventSink::CountText(const std::wstring& text) const {
    size_t n = 0;
    for (const auto& e : events) n += e.dispid == Protocol::kDispidOnMessage && e.text == text;
    return n;
}

Subscription::Subscription(IOstrelServer* server, IDispatch* sink) {
    ComPtr<IConnectionPointContainer> container;
    m_result = server->QueryInterface(IID_IConnectionPointContainer, container.ReceiveVoid());
    if (SUCCEEDED(m_result)) m_result = container->FindConnectionPoint(DIID__IOstrelServerEvents, m_point.Receive());
    if (SUCCEEDED(m_result)) m_result = m_point->Advise(sink, &m_cookie);
}

Subscription::~Subscription() { Unadvise(); }

void Subscription::Unadvise() {
    if (m_point && m_cookie) m_point->Unadvise(m_cookie);
    m_cookie = 0;
}

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    while (!done()) {
        ULONGLONG now = ::GetTickCount64();
        if (now >= deadline) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 50)),
                                    QS_ALLINPUT);
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return true;
}
