// The real OstrelServer.exe for tests: registered with a temporary data folder and test options,
// so that COM starts it when the test connects; stopped and registered plainly again afterwards.
// Test programs that use it hold the ctest lock "ostrel_server": there is one server class per
// Wine prefix.
#pragma once
#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Com.h"
#include "Ostrel.h"
#include "TestSupport.h"

// Runs OstrelServer.exe from the build folder with `arguments`; returns its exit code (-1 when it
// did not start or end).
int RunOstrelServer(const std::wstring& arguments);

// Restarts the RPC service (RpcSs) and waits until it runs again. Wine's keeps the class
// registration of a local server that was killed and answers REGDB_E_CLASSNOTREG for the class
// until it restarts: a test that kills a server calls this, so that later tests can start it.
bool RestartRpcService();

class OstrelTestServer {
public:
    // `options` as on the server's command line, e.g. L"/Sensors 3 /History 2 /Period 0".
    explicit OstrelTestServer(const std::wstring& options);
    ~OstrelTestServer();
    OstrelTestServer(const OstrelTestServer&) = delete;
    OstrelTestServer& operator=(const OstrelTestServer&) = delete;

    bool Registered() const { return m_registered; }
    // A new client session: CoCreateInstance as the program does it (CLSCTX_ALL).
    ComPtr<IOstrelServer> Connect(HRESULT* result = nullptr) const;
    // Stops the running server (the next Connect starts it again).
    int Stop() const;
    const TempFolder& Folder() const { return m_folder; }

private:
    TempFolder m_folder;
    bool m_registered = false;
};

// A test suite whose tests share one server; the suite starts it with its own options:
//   static void SetUpTestSuite() { StartServer(L"/Sensors 2 /History 1 /Period 0"); }
class SharedServerSuite : public ::testing::Test {
protected:
    static void StartServer(const wchar_t* options) { s_server = std::make_unique<OstrelTestServer>(options); }
    static void TearDownTestSuite() { s_server.reset(); }
    static OstrelTestServer& Server() { return *s_server; }

private:
    static inline std::unique_ptr<OstrelTestServer> s_server;
};

// One event as a test sink received it.
struct ReceivedEvent {
    DISPID dispid = 0;
    unsigned long type = 0;
    VARTYPE dataType = VT_EMPTY;  // of the OnNewValue data
    long elements = 0;
    long sensorId = 0;
    double time = 0;
    float value = 0;
    float signal = 0;
    std::wstring text;
};

// An event sink of _IOstrelServerEvents that records what arrives.
class TestEventSink : public IDispatch {
public:
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // lives on the test's stack
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override;

    std::vector<ReceivedEvent> events;
    size_t Count(DISPID dispid) const;
    size_t CountText(const std::wstring& text) const;  // of the OnMessage events
};

// An advised sink that is unadvised when it goes.
class Subscription {
public:
    Subscription(IOstrelServer* server, IDispatch* sink);
    ~Subscription();
    HRESULT Result() const { return m_result; }
    void Unadvise();

private:
    ComPtr<IConnectionPoint> m_point;
    DWORD m_cookie = 0;
    HRESULT m_result = E_FAIL;
};

// Serves this thread's messages (COM delivers events through them) until `done` or the time-out.
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 10000);
