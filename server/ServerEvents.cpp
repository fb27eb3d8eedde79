#include "ServerEvents.h"
#include "Protocol.h"

#include "Ostrel.h"

HRESULT ServerEventSink::Advise(IUnknown* server) {
    if (Advised()) return E_FAIL;
    if (!server) return E_POINTER;
    ComPtr<IConnectionPointContainer> container;
    HRESULT hr = server->QueryInterface(IID_IConnectionPointContainer, container.ReceiveVoid());
    if (FAILED(hr)) return hr;
    ComPtr<IConnectionPoint> point;
    hr = container->FindConnectionPoint(DIID__IOstrelServerEvents, point.Receive());
    if (FAILED(hr)) return hr;
    DWORD cookie = 0;
    hr = point->Advise(this, &cookie);
    if (FAILED(hr)) return hr;
    m_point = std::move(point);
    m_cookie = cookie;
    return S_OK;
}

void ServerEventSink::Unadvise() {
    if (m_point && m_cookie) m_point->Unadvise(m_cookie);
    m_point = nullptr;
    m_cookie = 0;
}

void ServerEventSink::Abandon() {
    ::CoDisconnectObject(static_cast<IDispatch*>(this), 0);
    m_point = nullptr;
    m_cookie = 0;
}

STDMETHODIMP ServerEventSink::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_NULL)) return E_NOINTERFACE;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, DIID__IOstrelServerEvents)) {
        *object = static_cast<IDispatch*>(this);
        return S_OK;
    }
    return E_NOINTERFACE;
}

STDMETHODIMP ServerEventSink::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
}

// Arguments arrive last first. Unknown events are answered with success and ignored; nothing the
// handlers do may leave as an exception into COM.
STDMETHODIMP ServerEventSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                                     UINT*) {
    try {
        if (id == Protocol::kDispidOnNewValue && params && params->cArgs >= 2) {
            Variant type;
            if (SUCCEEDED(::VariantChangeType(&type, &params->rgvarg[1], 0, VT_UI4)))
                m_handler.OnNewValue(type.ulVal, params->rgvarg[0]);
        } else if (id == Protocol::kDispidOnMessage && params && params->cArgs >= 1) {
            Variant text;
            if (SUCCEEDED(::VariantChangeType(&text, &params->rgvarg[0], 0, VT_BSTR)))
                m_handler.OnMessage(text.bstrVal ? std::wstring(text.bstrVal, ::SysStringLen(text.bstrVal)) : L"");
        }
    } catch (...) {
    }
    return S_OK;
}

namespace {
// Element `index` of a one-dimensional variant array converted to `type`.
bool ReadElement(SAFEARRAY* array, LONG index, VARTYPE type, Variant& out) {
    Variant element;
    if (FAILED(::SafeArrayGetElement(array, &index, static_cast<VARIANT*>(&element)))) return false;
    return SUCCEEDED(::VariantChangeType(&out, &element, 0, type));
}
}  // namespace

bool ReadNewValue(unsigned long type, const VARIANT& data, NewValue& value) {
    if (!Protocol::IsSensorType(static_cast<long>(type))) return false;
    if (data.vt != (VT_ARRAY | VT_VARIANT) || !data.parray) return false;
    // Only the documented shape: one dimension, counted from 0.
    SAFEARRAY* array = data.parray;
    if (::SafeArrayGetDim(array) != 1 || array->rgsabound[0].lLbound != 0) return false;
    LONG count = SafeArray::Count(array);
    if (count < 4) return false;
    Variant id, time, measured, signal;
    if (!ReadElement(data.parray, 0, VT_I4, id) || !ReadElement(data.parray, 2, VT_DATE, time) ||
        !ReadElement(data.parray, 3, VT_R4, measured))
        return false;
    value.signal = 0;
    if (count >= 5 && Protocol::HasSignalLevel(static_cast<long>(type))) {
        if (!ReadElement(data.parray, 4, VT_R4, signal) || !Protocol::IsSaneValue(signal.fltVal)) return false;
        value.signal = signal.fltVal;
    }
    // A time or value no sensor can have is refused here, before it reaches a graph or a list.
    if (!Protocol::IsSaneTime(time.date) || !Protocol::IsSaneValue(measured.fltVal)) return false;
    value.id = id.lVal;
    value.type = NormalisedType(static_cast<int>(type));
    value.time = time.date;
    value.value = measured.fltVal;
    return true;
}

int NormalisedType(int type) { return static_cast<int>(Protocol::Quantity(type)); }

int ViewKey(int id, int type) { return static_cast<int>(Protocol::ViewKey(id, type)); }
