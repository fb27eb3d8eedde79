#include "OstrelSensor.h"

#include <cstring>

#include "OstrelServer.h"

namespace {
HRESULT ReturnText(const std::wstring& text, BSTR* out) {
    *out = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
}

std::wstring TextOf(BSTR text) { return text ? std::wstring(text, ::SysStringLen(text)) : std::wstring(); }

template <class T>
HRESULT MakeArray(VARTYPE type, const std::vector<T>& items, VARIANT* out) {
    SafeArray array(::SafeArrayCreateVector(type, 0, static_cast<ULONG>(items.size())));
    if (!array) return E_OUTOFMEMORY;
    if (!items.empty()) {
        SafeArrayData<T> data(array.Get());
        if (!data) return E_OUTOFMEMORY;
        std::memcpy(data.Get(), items.data(), items.size() * sizeof(T));
    }
    out->vt = VT_ARRAY | type;
    out->parray = array.Detach();
    return S_OK;
}
}  // namespace

HRESULT COstrelSensor::Usable() const {
    return m_sensor->removed ? HRESULT_FROM_WIN32(ERROR_DEVICE_REMOVED) : S_OK;
}

STDMETHODIMP COstrelSensor::get_Id(long* id) {
    HRESULT hr = Check(id);
    if (SUCCEEDED(hr)) *id = m_sensor->info.id;
    return hr;
}

STDMETHODIMP COstrelSensor::get_DeviceId(long* id) {
    HRESULT hr = Check(id);
    if (SUCCEEDED(hr)) *id = DeviceId(m_sensor->info.id);
    return hr;
}

STDMETHODIMP COstrelSensor::get_Type(long* type) {
    HRESULT hr = Check(type);
    if (SUCCEEDED(hr)) *type = m_sensor->info.type;
    return hr;
}

STDMETHODIMP COstrelSensor::get_Unit(BSTR* unit) {
    HRESULT hr = Check(unit);
    if (FAILED(hr)) return hr;
    switch (Quantity(m_sensor->info.type)) {
    case Protocol::kTemperature: return ReturnText(L"\u00B0C", unit);
    case Protocol::kHumidity: return ReturnText(L"RH%", unit);
    default: return ReturnText(L"ppm", unit);
    }
}

STDMETHODIMP COstrelSensor::get_Name(BSTR* name) {
    HRESULT hr = Check(name);
    return FAILED(hr) ? hr : ReturnText(m_sensor->info.name, name);
}

STDMETHODIMP COstrelSensor::put_Name(BSTR name) {
    HRESULT hr = Usable();
    if (FAILED(hr)) return hr;
    if (::SysStringLen(name) > kMaxNameLength) return E_INVALIDARG;
    SensorInfo changed = m_sensor->info;
    changed.name = TextOf(name);
    return m_logger.Update(*m_sensor, changed);
}

STDMETHODIMP COstrelSensor::get_Description(BSTR* description) {
    HRESULT hr = Check(description);
    return FAILED(hr) ? hr : ReturnText(m_sensor->info.description, description);
}

STDMETHODIMP COstrelSensor::put_Description(BSTR description) {
    HRESULT hr = Usable();
    if (FAILED(hr)) return hr;
    if (::SysStringLen(description) > kMaxDescriptionLength) return E_INVALIDARG;
    SensorInfo changed = m_sensor->info;
    changed.description = TextOf(description);
    return m_logger.Update(*m_sensor, changed);
}

STDMETHODIMP COstrelSensor::get_Enabled(VARIANT_BOOL* enabled) {
    HRESULT hr = Check(enabled);
    if (SUCCEEDED(hr)) *enabled = m_sensor->info.enabled ? VARIANT_TRUE : VARIANT_FALSE;
    return hr;
}

STDMETHODIMP COstrelSensor::put_Enabled(VARIANT_BOOL enabled) {
    HRESULT hr = Usable();
    if (FAILED(hr)) return hr;
    SensorInfo changed = m_sensor->info;
    changed.enabled = enabled != VARIANT_FALSE;
    return m_logger.Update(*m_sensor, changed);
}

STDMETHODIMP COstrelSensor::GetData(double from, double to, double interval, VARIANT* times, VARIANT* values) {
    if (!times || !values) return E_POINTER;
    ::VariantInit(times);
    ::VariantInit(values);
    HRESULT hr = Usable();
    if (FAILED(hr)) return hr;
    if (!IsValidQuery(from, to, interval)) return E_INVALIDARG;
    const auto& records = m_sensor->log.Records();
    auto [first, last] = FindRange(records, from, to);
    Series series = Reduce(records.data() + first, records.data() + last, from, interval);
    Variant t, v;
    hr = MakeArray(VT_R8, series.times, &t);
    if (SUCCEEDED(hr)) hr = MakeArray(VT_R4, series.values, &v);
    if (FAILED(hr)) return hr;
    *times = t;
    *values = v;
    t.vt = v.vt = VT_EMPTY;  // handed over
    return S_OK;
}

STDMETHODIMP COstrelSensor::GetLogPeriod(double* first, double* last) {
    if (!first || !last) return E_POINTER;
    *first = *last = 0;
    HRESULT hr = Usable();
    if (FAILED(hr)) return hr;
    const auto& records = m_sensor->log.Records();
    if (!records.empty()) {
        *first = records.front().time;
        *last = records.back().time;
    }
    return S_OK;
}

STDMETHODIMP COstrelSensor::get_RecordCount(long* count) {
    HRESULT hr = Check(count);
    if (SUCCEEDED(hr)) *count = static_cast<long>(m_sensor->log.Records().size());
    return hr;
}

STDMETHODIMP COstrelSensor::Remove() {
    HRESULT hr = Usable();
    return FAILED(hr) ? hr : m_logger.Remove(*m_sensor);
}

STDMETHODIMP COstrelSensor::get_SignalLevel(float* level) {
    HRESULT hr = Check(level);
    if (FAILED(hr)) return hr;
    const auto& records = m_sensor->log.Records();
    *level = records.empty() ? 0.0f : records.back().signal;
    return S_OK;
}

STDMETHODIMP COstrelSensor::GetLastValue(double* time, float* value) {
    if (!time || !value) return E_POINTER;
    *time = 0;
    *value = 0;
    HRESULT hr = Usable();
    if (FAILED(hr)) return hr;
    const auto& records = m_sensor->log.Records();
    if (records.empty()) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);  // no value is not a value at time 0
    *time = records.back().time;
    *value = records.back().value;
    return S_OK;
}

STDMETHODIMP COstrelSensor::get_SettingsIndex(long* index) {
    HRESULT hr = Check(index);
    if (SUCCEEDED(hr)) *index = m_sensor->info.settingsIndex;
    return hr;
}

COstrelSensors::COstrelSensors(COstrelServer* server, std::vector<ComPtr<COstrelSensor>> sensors)
    : m_server(server), m_sensors(std::move(sensors)) {
    m_server->AddCollection(this);
}

COstrelSensors::~COstrelSensors() { m_server->RemoveCollection(this); }

STDMETHODIMP COstrelSensors::get_Parent(IOstrelServer** server) {
    if (!server) return E_POINTER;
    *server = m_server.Get();
    m_server->AddRef();
    return S_OK;
}

STDMETHODIMP COstrelSensors::get_Item(long index, IOstrelSensor** sensor) {
    if (!sensor) return E_POINTER;
    *sensor = nullptr;
    if (index < 1 || index > static_cast<long>(m_sensors.size())) return DISP_E_BADINDEX;
    *sensor = m_sensors[index - 1].Get();
    (*sensor)->AddRef();
    return S_OK;
}

STDMETHODIMP COstrelSensors::get_Count(long* count) {
    if (!count) return E_POINTER;
    *count = static_cast<long>(m_sensors.size());
    return S_OK;
}
