// In-process stand-ins for the logger server's objects, for the failure shapes and event paths
// that the real server does not produce on demand.
#pragma once
#include <windows.h>
#include <ocidl.h>

#include <functional>
#include <string>
#include <vector>

#include "Com.h"
#include "Ostrel.h"

// IUnknown with a reference count and an IDispatch that offers no type information.
template <class I>
class FakeObject : public I {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, __uuidof(I)))
            *object = static_cast<I*>(this);
        else if (!QueryMore(iid, object))
            return E_NOINTERFACE;
        this->AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override {
        ULONG left = --m_refs;
        if (!left) delete this;
        return left;
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
        return E_NOTIMPL;
    }

protected:
    virtual ~FakeObject() = default;
    virtual bool QueryMore(REFIID, void**) { return false; }

private:
    ULONG m_refs = 1;
};

// A sensor whose answers the test sets. `failFrom` makes the calls from that one on fail, in the
// order a graph reads them: 0 get_Id, 1 get_Type, 2 get_SettingsIndex, 3 get_Name,
// 4 get_Description, 5 get_Enabled, 6 GetLogPeriod.
class FakeSensor : public FakeObject<IOstrelSensor> {
public:
    static ComPtr<FakeSensor> Make(long id, long type, long settingsIndex, const wchar_t* name);

    long id = 0, type = 1, settingsIndex = 0;
    std::wstring name, description;
    VARIANT_BOOL enabled = VARIANT_TRUE;
    double firstLog = 0, lastLog = 0;
    double lastTime = 0;
    float lastValue = 0;
    HRESULT lastValueResult = S_OK;
    int failFrom = 99;
    // Runs inside get_Name, as a server delivers events inside any call.
    std::function<void()> duringNameRead;
    // What GetData answers: copies of these two.
    Variant times, values;
    HRESULT dataResult = S_OK;
    int dataCalls = 0;
    double lastFrom = 0, lastTo = 0, lastInterval = -1;
    // Makes put_Name (0), put_Description (1) and put_Enabled (2) fail from that one on, each
    // with this result.
    int putFailFrom = 99;
    HRESULT putResult = E_ACCESSDENIED;
    // What Remove answers; once it succeeded the server no longer lists the sensor.
    HRESULT removeResult = S_OK;
    bool removed = false;

    // Times and values as the server sends them, with their types changeable for tests.
    void SetData(const std::vector<double>& t, const std::vector<float>& v);

    STDMETHODIMP get_Id(LONG* value) override { return Answer(0, value, id); }
    STDMETHODIMP get_DeviceId(LONG* value) override { *value = id & ~1; return S_OK; }
    STDMETHODIMP get_Type(LONG* value) override { return Answer(1, value, type); }
    STDMETHODIMP get_Unit(BSTR* value) override { *value = nullptr; return S_OK; }
    STDMETHODIMP get_Name(BSTR* value) override;
    STDMETHODIMP put_Name(BSTR value) override;
    STDMETHODIMP get_Description(BSTR* value) override;
    STDMETHODIMP put_Description(BSTR value) override;
    STDMETHODIMP get_Enabled(VARIANT_BOOL* value) override { return Answer(5, value, enabled); }
    STDMETHODIMP put_Enabled(VARIANT_BOOL value) override { return Put(2, enabled, value); }
    STDMETHODIMP GetData(double from, double to, double interval, VARIANT* t, VARIANT* v) override;
    STDMETHODIMP GetLogPeriod(double* first, double* last) override;
    STDMETHODIMP get_RecordCount(LONG* value) override { *value = 0; return S_OK; }
    STDMETHODIMP Remove() override;
    STDMETHODIMP get_SignalLevel(float* value) override { *value = 0; return S_OK; }
    STDMETHODIMP GetLastValue(double* time, float* value) override;
    STDMETHODIMP get_SettingsIndex(LONG* value) override { return Answer(2, value, settingsIndex); }

private:
    template <class T>
    HRESULT Put(int order, T& field, T value) {
        if (order >= putFailFrom) return putResult;
        field = value;
        return S_OK;
    }
    template <class T>
    HRESULT Answer(int order, T* out, T value) {
        if (order >= failFrom) return E_FAIL;
        *out = value;
        return S_OK;
    }
};

class FakeSensors;

// The server: a list of sensors, one event subscriber, and counts of what the client asked.
class FakeServer : public FakeObject<IOstrelServer>, public IConnectionPointContainer, public IConnectionPoint {
public:
    static ComPtr<FakeServer> Make();

    std::vector<ComPtr<FakeSensor>> sensors;
    bool noCollection = false;
    HRESULT countResult = S_OK;
    int getSensorCalls = 0;
    int disconnectCalls = 0;
    ComPtr<IDispatch> subscriber;
    HRESULT adviseResult = S_OK;
    // A server slow to forget: GetSensor still answers for a removed sensor.
    bool listsRemoved = false;
    // A server that went away: its calls answer this (RPC_E_DISCONNECTED, ...) instead.
    HRESULT goneResult = S_OK;

    // Sends OnNewValue(type, data) and OnMessage(text) to the subscriber as the server would.
    HRESULT FireNewValue(unsigned long type, const VARIANT& data);
    HRESULT FireMessage(const wchar_t* text);

    // IUnknown comes from FakeObject; the other two interfaces forward to it.
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override { return FakeObject::QueryInterface(iid, object); }
    STDMETHODIMP_(ULONG) AddRef() override { return FakeObject::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return FakeObject::Release(); }

    STDMETHODIMP get_DataFolder(BSTR* folder) override { *folder = nullptr; return S_OK; }
    STDMETHODIMP MeasureNow(LONG) override { return S_OK; }
    STDMETHODIMP Broadcast(BSTR, LONG) override { return S_OK; }
    STDMETHODIMP Disconnect() override { ++disconnectCalls; return S_OK; }
    STDMETHODIMP GetSensor(LONG id, LONG type, IOstrelSensor** sensor) override;
    STDMETHODIMP get_Sensors(IOstrelSensors** list) override;
    STDMETHODIMP AddSensor(LONG, BSTR, IOstrelSensor** sensor) override { *sensor = nullptr; return E_NOTIMPL; }
    STDMETHODIMP get_Version(BSTR* version) override;

    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;
    STDMETHODIMP GetConnectionInterface(IID* iid) override { *iid = DIID__IOstrelServerEvents; return S_OK; }
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

protected:
    bool QueryMore(REFIID iid, void** object) override;
};

// A server factory for main frames that need a server without sensors.
HRESULT MakeEmptyFakeServer(IOstrelServer** server);

// A VT_ARRAY | VT_VARIANT of the given elements (each converted to a variant of its own type).
struct EventData {
    Variant data;
    EventData(long id, double time, float value, float signal, int elements = 5, LONG lowerBound = 0);
};
