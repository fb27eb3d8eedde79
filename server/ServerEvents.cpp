#include "ServerEvents.h"

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
        if (id == 1 && params && params->cArgs >= 2) {
            Variant type;
            if (SUCCEEDED(::VariantChangeType(&type, &params->rgvarg[1], 0, VT_UI4)))
                m_handler.OnNewValue(type.ulVal, params->rgvarg[0]);
        } else if (id == 2 && params && params->cArgs >= 1) {
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
    if (type < 1 || type > 6) return false;
    if (data.vt != (VT_ARRAY | VT_VARIANT) || !data.parray) return false;
    LONG count = SafeArray::Count(data.parray);
    if (count < 4) return false;
    Variant id, time, measured, signal;
    if (!ReadElement(data.parray, 0, VT_I4, id) || !ReadElement(data.parray, 2, VT_DATE, time) ||
        !ReadElement(data.parray, 3, VT_R4, measured))
        return false;
    value.signal = 0;
    if (count >= 5 && (type == 2 || type == 4 || type == 6)) {
        if (!ReadElement(data.parray, 4, VT_R4, signal)) return false;
        value.signal = signal.fltVal;
    }
    value.id = id.lVal;
    value.type = NormalisedType(static_cast<int>(type));
    value.time = time.date;
    value.value = measured.fltVal;
    return true;
}

int NormalisedType(int type) { return type == 2 || type == 4 || type == 6 ? type - 1 : type; }

int ViewKey(int id, int type) { return type >= 3 && type <= 6 ? (id | 1) : id; }
