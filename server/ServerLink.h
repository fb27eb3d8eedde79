// Losing the logger server and finding it again: which results mean it is gone, when to try to
// connect again, and the sensor object the graphs hold, which outlives one server session.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>

#include "Com.h"
#include "Ostrel.h"

// True for the results a call gives when the server process has ended, has disconnected its
// objects or cannot be reached: the link is gone, not just this call.
bool IsServerGone(HRESULT hr);

// When to try again after the link was lost, counted in ticks of the link timer: the first try one
// tick after the loss, then after 2, 4, 8 ticks, never waiting more than `maxWait` ticks.
class ReconnectSchedule {
public:
    explicit ReconnectSchedule(int maxWait = 5) : m_maxWait(maxWait < 1 ? 1 : maxWait) {}
    // The link was lost: the first tick after this tries.
    void Start() {
        m_wait = 1;
        m_left = 1;
    }
    // One tick passed; true when a try is due now. Each try doubles the wait before the next.
    bool Tick() {
        if (--m_left > 0) return false;
        m_wait = m_wait * 2 > m_maxWait ? m_maxWait : m_wait * 2;
        m_left = m_wait;
        return true;
    }

private:
    int m_maxWait;
    int m_wait = 1;
    int m_left = 1;
};

// An IOstrelSensor that passes every call on to the sensor object of the current server session.
// The graph that holds it keeps it across sessions: when the server goes, the dead object is
// dropped here (calls then fail with CO_E_OBJNOTCONNECTED), and the new session's object is
// attached when the server is back. A call that finds the server gone is reported to `gone`.
class SensorRelay final : public IOstrelSensor {
public:
    static ComPtr<SensorRelay> Make(IOstrelSensor* target, std::function<void(HRESULT)> gone);

    // Takes `target` as the object calls go to; true when there was none before.
    bool Attach(IOstrelSensor* target);
    // Lets the current object go without calling it.
    void Detach() { m_target = nullptr; }
    bool Attached() const { return static_cast<bool>(m_target); }

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override;
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

    STDMETHODIMP get_Id(LONG* value) override;
    STDMETHODIMP get_DeviceId(LONG* value) override;
    STDMETHODIMP get_Type(LONG* value) override;
    STDMETHODIMP get_Unit(BSTR* value) override;
    STDMETHODIMP get_Name(BSTR* value) override;
    STDMETHODIMP put_Name(BSTR value) override;
    STDMETHODIMP get_Description(BSTR* value) override;
    STDMETHODIMP put_Description(BSTR value) override;
    STDMETHODIMP get_Enabled(VARIANT_BOOL* value) override;
    STDMETHODIMP put_Enabled(VARIANT_BOOL value) override;
    STDMETHODIMP GetData(double from, double to, double interval, VARIANT* times, VARIANT* values) override;
    STDMETHODIMP GetLogPeriod(double* first, double* last) override;
    STDMETHODIMP get_RecordCount(LONG* value) override;
    STDMETHODIMP Remove() override;
    STDMETHODIMP get_SignalLevel(float* value) override;
    STDMETHODIMP GetLastValue(double* time, float* value) override;
    STDMETHODIMP get_SettingsIndex(LONG* value) override;

private:
    SensorRelay(IOstrelSensor* target, std::function<void(HRESULT)> gone)
        : m_target(target), m_gone(std::move(gone)) {}
    ~SensorRelay() = default;

    template <class Interface, class... Params, class... Args>
    HRESULT Pass(HRESULT (STDMETHODCALLTYPE Interface::*method)(Params...), Args&&... args);

    std::atomic<ULONG> m_refs{1};
    ComPtr<IOstrelSensor> m_target;
    std::function<void(HRESULT)> m_gone;
};
