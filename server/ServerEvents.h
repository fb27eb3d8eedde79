// The client side of the logger server's events: the sink that receives them and the checks and
// conversions of a measurement event's data.
#pragma once
#include <windows.h>
#include <oaidl.h>
#include <ocidl.h>
#include <string>

#include "Com.h"

// What the sink hands the events to.
class ServerEventHandler {
public:
    virtual void OnNewValue(unsigned long type, const VARIANT& data) = 0;
    virtual void OnMessage(const std::wstring& text) = 0;

protected:
    ~ServerEventHandler() = default;
};

// The IDispatch of _IOstrelServerEvents. It lives inside its owner and counts no references.
class ServerEventSink final : public IDispatch {
public:
    explicit ServerEventSink(ServerEventHandler& handler) : m_handler(handler) {}
    ~ServerEventSink() { Unadvise(); }
    ServerEventSink(const ServerEventSink&) = delete;
    ServerEventSink& operator=(const ServerEventSink&) = delete;

    // Subscribes on `server`'s connection point; E_FAIL when already subscribed.
    HRESULT Advise(IUnknown* server);
    // Ends the subscription, if any; errors are swallowed.
    void Unadvise();
    // Forgets a subscription on a server that is gone, without calling it (a call into a dead or
    // hung server can wait for long): the server's references to this sink are cut on this side.
    void Abandon();
    bool Advised() const { return m_cookie != 0; }

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override;

private:
    ServerEventHandler& m_handler;
    ComPtr<IConnectionPoint> m_point;
    DWORD m_cookie = 0;
};

// One measurement as an event carries it.
struct NewValue {
    int id = 0;
    int type = 0;  // normalised: 1, 3 or 5
    double time = 0;
    float value = 0;
    float signal = 0;
};

// Reads a measurement event: type 1..6, data an array of variants with at least 4 elements from
// index 0 ([0] id, [2] time, [3] value, [4] signal level for types 2, 4, 6). False for anything
// else, including elements that cannot be read or converted.
bool ReadNewValue(unsigned long type, const VARIANT& data, NewValue& value);

// 2 -> 1, 4 -> 3, 6 -> 5; other codes stay.
int NormalisedType(int type);
// The key of a sensor's graph: the id for temperatures, the id with bit 0 set for humidity and CO2.
int ViewKey(int id, int type);
