// Reference counting and IDispatch for the server's dual interfaces. The dispatch side goes
// through the type library bound into the program, so names, ids and argument conversion follow
// the IDL exactly.
#pragma once
#include <windows.h>
#include <oaidl.h>

#include "Com.h"

// The type information of one interface of the type library bound into this program.
HRESULT ServerTypeInfo(REFIID iid, ITypeInfo** info);

template <class Interface>
class DispatchObject : public Interface {
public:
    DispatchObject() = default;
    DispatchObject(const DispatchObject&) = delete;
    DispatchObject& operator=(const DispatchObject&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(Interface)) {
            *object = static_cast<Interface*>(this);
        } else {
            *object = QueryOther(iid);
            if (!*object) return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG refs = ::InterlockedDecrement(&m_refs);
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }

    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 1;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
        if (!info) return E_POINTER;
        *info = nullptr;
        if (index != 0) return DISP_E_BADINDEX;
        return ServerTypeInfo(__uuidof(Interface), info);
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        ComPtr<ITypeInfo> info;
        HRESULT hr = ServerTypeInfo(__uuidof(Interface), info.Receive());
        return FAILED(hr) ? hr : ::DispGetIDsOfNames(info.Get(), names, count, ids);
    }
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override {
        if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        ComPtr<ITypeInfo> info;
        HRESULT hr = ServerTypeInfo(__uuidof(Interface), info.Receive());
        if (FAILED(hr)) return hr;
        return info->Invoke(static_cast<Interface*>(this), id, flags, params, result, exception, argError);
    }

protected:
    virtual ~DispatchObject() = default;
    // Further interfaces of the object, without a reference added; null when there are none.
    virtual void* QueryOther(REFIID) { return nullptr; }

private:
    LONG m_refs = 0;
};

// Makes a new object held by a ComPtr (the only reference).
template <class T, class... Args>
ComPtr<T> MakeObject(Args&&... args) {
    return ComPtr<T>(new T(std::forward<Args>(args)...));
}
