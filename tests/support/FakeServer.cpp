#include "FakeServer.h"

#include <olectl.h>

namespace {
SAFEARRAY* VectorArray(VARTYPE type, const void* data, size_t count, size_t size) {
    SAFEARRAY* array = ::SafeArrayCreateVector(type, 0, static_cast<ULONG>(count));
    void* target = nullptr;
    if (array && SUCCEEDED(::SafeArrayAccessData(array, &target))) {
        memcpy(target, data, count * size);
        ::SafeArrayUnaccessData(array);
    }
    return array;
}

HRESULT CopyString(const std::wstring& text, BSTR* out) {
    *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return S_OK;
}
}  // namespace

ComPtr<FakeSensor> FakeSensor::Make(long id, long type, long settingsIndex, const wchar_t* name) {
    ComPtr<FakeSensor> sensor;
    sensor.Attach(new FakeSensor);
    sensor->id = id;
    sensor->type = type;
    sensor->settingsIndex = settingsIndex;
    sensor->name = name;
    return sensor;
}

void FakeSensor::SetData(const std::vector<double>& t, const std::vector<float>& v) {
    times.Clear();
    values.Clear();
    times.vt = VT_ARRAY | VT_R8;
    times.parray = VectorArray(VT_R8, t.data(), t.size(), sizeof(double));
    values.vt = VT_ARRAY | VT_R4;
    values.parray = VectorArray(VT_R4, v.data(), v.size(), sizeof(float));
}

STDMETHODIMP FakeSensor::get_Name(BSTR* value) {
    if (duringNameRead) duringNameRead();
    if (3 >= failFrom) return E_FAIL;
    return CopyString(name, value);
}

STDMETHODIMP FakeSensor::put_Name(BSTR value) { return Put(0, name, std::wstring(value ? value : L"")); }

STDMETHODIMP FakeSensor::get_Description(BSTR* value) {
    if (4 >= failFrom) return E_FAIL;
    return CopyString(description, value);
}

STDMETHODIMP FakeSensor::put_Description(BSTR value) {
    return Put(1, description, std::wstring(value ? value : L""));
}

STDMETHODIMP FakeSensor::Remove() {
    if (FAILED(removeResult)) return removeResult;
    removed = true;
    return S_OK;
}

STDMETHODIMP FakeSensor::GetData(double from, double to, double interval, VARIANT* t, VARIANT* v) {
    ++dataCalls;
    lastFrom = from;
    lastTo = to;
    lastInterval = interval;
    ::VariantInit(t);
    ::VariantInit(v);
    if (FAILED(dataResult)) return dataResult;
    ::VariantCopy(t, &times);
    ::VariantCopy(v, &values);
    return S_OK;
}

STDMETHODIMP FakeSensor::GetLogPeriod(double* first, double* last) {
    if (6 >= failFrom) return E_FAIL;
    *first = firstLog;
    *last = lastLog;
    return S_OK;
}

STDMETHODIMP FakeSensor::GetLastValue(double* time, float* value) {
    if (FAILED(lastValueResult)) return lastValueResult;
    *time = lastTime;
    *value = lastValue;
    return S_OK;
}

ComPtr<FakeServer> FakeServer::Make() {
    ComPtr<FakeServer> server;
    server.Attach(new FakeServer);
    return server;
}

bool FakeServer::QueryMore(REFIID iid, void** object) {
    if (IsEqualIID(iid, IID_IConnectionPointContainer)) {
        *object = static_cast<IConnectionPointContainer*>(this);
        return true;
    }
    return false;
}

// The collection: the server's sensors, read by index from 1.
class FakeSensors : public FakeObject<IOstrelSensors> {
public:
    explicit FakeSensors(FakeServer* server) : m_server(server) { m_server->AddRef(); }
    STDMETHODIMP get_Parent(IOstrelServer** server) override {
        *server = m_server;
        m_server->AddRef();
        return S_OK;
    }
    STDMETHODIMP get_Item(LONG index, IOstrelSensor** sensor) override {
        *sensor = nullptr;
        if (index < 1 || index > static_cast<LONG>(m_server->sensors.size())) return E_INVALIDARG;
        FakeSensor* item = m_server->sensors[static_cast<size_t>(index - 1)].Get();
        if (item) {
            item->AddRef();
            *sensor = item;
        }
        return S_OK;
    }
    STDMETHODIMP get_Count(LONG* number) override {
        if (FAILED(m_server->goneResult)) return m_server->goneResult;
        if (FAILED(m_server->countResult)) return m_server->countResult;
        *number = static_cast<LONG>(m_server->sensors.size());
        return S_OK;
    }

private:
    ~FakeSensors() override { m_server->Release(); }
    FakeServer* m_server;
};

STDMETHODIMP FakeServer::get_Sensors(IOstrelSensors** list) {
    *list = nullptr;
    if (FAILED(goneResult)) return goneResult;
    *list = noCollection ? nullptr : new FakeSensors(this);
    return S_OK;
}

STDMETHODIMP FakeServer::GetSensor(LONG id, LONG type, IOstrelSensor** sensor) {
    ++getSensorCalls;
    *sensor = nullptr;
    if (FAILED(goneResult)) return goneResult;
    auto quantity = [](long t) { return (t + 1) / 2; };  // 1,2 -> 1; 3,4 -> 2; 5,6 -> 3
    for (auto& candidate : sensors) {
        if (candidate && candidate->id == id && quantity(candidate->type) == quantity(type) &&
            (!candidate->removed || listsRemoved)) {
            candidate->AddRef();
            *sensor = candidate.Get();
            return S_OK;
        }
    }
    return S_FALSE;
}

STDMETHODIMP FakeServer::get_Version(BSTR* version) {
    *version = nullptr;
    if (FAILED(goneResult)) return goneResult;
    *version = ::SysAllocString(L"Fake logger 0.1");
    return S_OK;
}

STDMETHODIMP FakeServer::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
    *point = nullptr;
    if (!IsEqualIID(iid, DIID__IOstrelServerEvents)) return CONNECT_E_NOCONNECTION;
    *point = this;
    AddRef();
    return S_OK;
}

STDMETHODIMP FakeServer::GetConnectionPointContainer(IConnectionPointContainer** container) {
    *container = this;
    AddRef();
    return S_OK;
}

STDMETHODIMP FakeServer::Advise(IUnknown* sink, DWORD* cookie) {
    if (FAILED(goneResult)) return goneResult;
    if (FAILED(adviseResult)) return adviseResult;
    HRESULT hr = sink->QueryInterface(DIID__IOstrelServerEvents, subscriber.ReceiveVoid());
    if (FAILED(hr)) return hr;
    *cookie = 7;
    return S_OK;
}

STDMETHODIMP FakeServer::Unadvise(DWORD cookie) {
    if (cookie != 7) return CONNECT_E_NOCONNECTION;
    subscriber = nullptr;
    return S_OK;
}

HRESULT FakeServer::FireNewValue(unsigned long type, const VARIANT& data) {
    if (!subscriber) return E_FAIL;
    VARIANT args[2];
    args[1].vt = VT_UI4;
    args[1].ulVal = type;
    args[0] = data;  // read only by the sink
    DISPPARAMS params{args, nullptr, 2, 0};
    return subscriber->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
}

HRESULT FakeServer::FireMessage(const wchar_t* text) {
    if (!subscriber) return E_FAIL;
    Bstr message(text);
    VARIANT arg;
    arg.vt = VT_BSTR;
    arg.bstrVal = message;
    DISPPARAMS params{&arg, nullptr, 1, 0};
    return subscriber->Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
}

EventData::EventData(long id, double time, float value, float signal, int elements, LONG lowerBound) {
    SAFEARRAYBOUND bound{static_cast<ULONG>(elements), lowerBound};
    data.vt = VT_ARRAY | VT_VARIANT;
    data.parray = ::SafeArrayCreate(VT_VARIANT, 1, &bound);
    for (LONG i = 0; i < elements; ++i) {
        VARIANT element;
        ::VariantInit(&element);
        switch (i) {
        case 0: element.vt = VT_I4; element.lVal = id; break;
        case 1: element.vt = VT_I4; element.lVal = id & ~1; break;
        case 2: element.vt = VT_DATE; element.date = time; break;
        case 3: element.vt = VT_R4; element.fltVal = value; break;
        default: element.vt = VT_R4; element.fltVal = signal; break;
        }
        LONG index = lowerBound + i;
        ::SafeArrayPutElement(data.parray, &index, &element);
    }
}

HRESULT MakeEmptyFakeServer(IOstrelServer** server) {
    *server = new FakeServer;
    return S_OK;
}
