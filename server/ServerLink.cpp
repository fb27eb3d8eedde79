#include "ServerLink.h"

bool IsServerGone(HRESULT hr) {
    switch (static_cast<unsigned long>(hr)) {
    case 0x80010108:  // RPC_E_DISCONNECTED: the server disconnected its objects
    case 0x80010007:  // RPC_E_SERVER_DIED
    case 0x80010012:  // RPC_E_SERVER_DIED_DNE
    case 0x80010006:  // RPC_E_CONNECTION_TERMINATED
    case 0x800401FD:  // CO_E_OBJNOTCONNECTED
    case 0x80004028:  // CO_E_SERVER_STOPPING
    case 0x800706BA:  // RPC_S_SERVER_UNAVAILABLE: the process is gone
    case 0x800706BE:  // RPC_S_CALL_FAILED
    case 0x800706BF:  // RPC_S_CALL_FAILED_DNE
        return true;
    default:
        return false;
    }
}

ComPtr<SensorRelay> SensorRelay::Make(IOstrelSensor* target, std::function<void(HRESULT)> gone) {
    ComPtr<SensorRelay> relay;
    relay.Attach(new SensorRelay(target, std::move(gone)));
    return relay;
}

bool SensorRelay::Attach(IOstrelSensor* target) {
    const bool wasDetached = !m_target;
    m_target = ComPtr<IOstrelSensor>(target);
    return wasDetached;
}

STDMETHODIMP_(ULONG) SensorRelay::Release() {
    ULONG left = --m_refs;
    if (!left) delete this;
    return left;
}

STDMETHODIMP SensorRelay::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (!IsEqualIID(iid, IID_IUnknown) && !IsEqualIID(iid, IID_IDispatch) && !IsEqualIID(iid, IID_IOstrelSensor))
        return E_NOINTERFACE;
    *object = static_cast<IOstrelSensor*>(this);
    AddRef();
    return S_OK;
}

// The object of this session is held for the length of the call: what the call reports may end
// the session and detach it meanwhile.
template <class Interface, class... Params, class... Args>
HRESULT SensorRelay::Pass(HRESULT (STDMETHODCALLTYPE Interface::*method)(Params...), Args&&... args) {
    ComPtr<IOstrelSensor> target = m_target;
    if (!target) return CO_E_OBJNOTCONNECTED;
    HRESULT hr = (static_cast<Interface*>(target.Get())->*method)(std::forward<Args>(args)...);
    if (IsServerGone(hr) && m_gone) m_gone(hr);
    return hr;
}

STDMETHODIMP SensorRelay::GetTypeInfoCount(UINT* count) { return Pass(&IOstrelSensor::GetTypeInfoCount, count); }
STDMETHODIMP SensorRelay::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) {
    return Pass(&IOstrelSensor::GetTypeInfo, index, lcid, info);
}
STDMETHODIMP SensorRelay::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) {
    return Pass(&IOstrelSensor::GetIDsOfNames, iid, names, count, lcid, ids);
}
STDMETHODIMP SensorRelay::Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                                 EXCEPINFO* exception, UINT* argError) {
    return Pass(&IOstrelSensor::Invoke, id, iid, lcid, flags, params, result, exception, argError);
}

STDMETHODIMP SensorRelay::get_Id(LONG* value) { return Pass(&IOstrelSensor::get_Id, value); }
STDMETHODIMP SensorRelay::get_DeviceId(LONG* value) { return Pass(&IOstrelSensor::get_DeviceId, value); }
STDMETHODIMP SensorRelay::get_Type(LONG* value) { return Pass(&IOstrelSensor::get_Type, value); }
STDMETHODIMP SensorRelay::get_Unit(BSTR* value) { return Pass(&IOstrelSensor::get_Unit, value); }
STDMETHODIMP SensorRelay::get_Name(BSTR* value) { return Pass(&IOstrelSensor::get_Name, value); }
STDMETHODIMP SensorRelay::put_Name(BSTR value) { return Pass(&IOstrelSensor::put_Name, value); }
STDMETHODIMP SensorRelay::get_Description(BSTR* value) { return Pass(&IOstrelSensor::get_Description, value); }
STDMETHODIMP SensorRelay::put_Description(BSTR value) { return Pass(&IOstrelSensor::put_Description, value); }
STDMETHODIMP SensorRelay::get_Enabled(VARIANT_BOOL* value) { return Pass(&IOstrelSensor::get_Enabled, value); }
STDMETHODIMP SensorRelay::put_Enabled(VARIANT_BOOL value) { return Pass(&IOstrelSensor::put_Enabled, value); }
STDMETHODIMP SensorRelay::GetData(double from, double to, double interval, VARIANT* times, VARIANT* values) {
    return Pass(&IOstrelSensor::GetData, from, to, interval, times, values);
}
STDMETHODIMP SensorRelay::GetLogPeriod(double* first, double* last) {
    return Pass(&IOstrelSensor::GetLogPeriod, first, last);
}
STDMETHODIMP SensorRelay::get_RecordCount(LONG* value) { return Pass(&IOstrelSensor::get_RecordCount, value); }
STDMETHODIMP SensorRelay::Remove() { return Pass(&IOstrelSensor::Remove); }
STDMETHODIMP SensorRelay::get_SignalLevel(float* value) { return Pass(&IOstrelSensor::get_SignalLevel, value); }
STDMETHODIMP SensorRelay::GetLastValue(double* time, float* value) {
    return Pass(&IOstrelSensor::GetLastValue, time, value);
}
STDMETHODIMP SensorRelay::get_SettingsIndex(LONG* value) { return Pass(&IOstrelSensor::get_SettingsIndex, value); }
