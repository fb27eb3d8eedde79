// Clients that hang or die: the server must keep serving the others.
#include <gtest/gtest.h>

#include "OstrelTestServer.h"
#include "Protocol.h"

namespace {
const wchar_t kReadyEvent[] = L"Local\\OstrelTestSubscriberReady";
const wchar_t kGoneText[] = L"A client has gone away; its subscriptions have ended";

// This test program again, as a second client process: it subscribes, says so, and then either
// stops serving its messages ("hang") or ends without unsubscribing ("exit").
std::unique_ptr<ChildProcess> StartSubscriber(const wchar_t* mode) {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    return std::make_unique<ChildProcess>(
        path, std::wstring(L"--gtest_also_run_disabled_tests --gtest_filter=OstrelSubscriber.DISABLED_Run ") + mode);
}
}  // namespace

// One server for both tests: each brings its own subscribers and counts only what they hear.
class OstrelClients : public SharedServerSuite {
protected:
    static void SetUpTestSuite() { StartServer(L"/Sensors 3 /History 0 /Period 0"); }
};

// Run only as the child of the tests below.
TEST(OstrelSubscriber, DISABLED_Run) {
    UniqueHandle ready(::OpenEventW(EVENT_MODIFY_STATE, FALSE, kReadyEvent));
    ASSERT_TRUE(ready);
    ComPtr<IOstrelServer> server;
    ASSERT_EQ(::CoCreateInstance(CLSID_OstrelServer, nullptr, CLSCTX_ALL, IID_IOstrelServer, server.ReceiveVoid()),
              S_OK);
    static TestEventSink sink;
    auto* subscription = new Subscription(server.Get(), &sink);  // never unadvised
    ASSERT_EQ(subscription->Result(), S_OK);
    ::SetEvent(ready.Get());
    if (wcsstr(::GetCommandLineW(), L" hang")) ::Sleep(INFINITE);
    ::ExitProcess(0);
}

TEST_F(OstrelClients, AHangingClientDoesNotHoldUpOthersAndIsDroppedWhenItDies) {
    ComPtr<IOstrelServer> server = Server().Connect();
    ASSERT_TRUE(server);
    TestEventSink sink;
    Subscription subscription(server.Get(), &sink);
    ASSERT_EQ(subscription.Result(), S_OK);

    UniqueHandle ready(::CreateEventW(nullptr, TRUE, FALSE, kReadyEvent));
    auto hanging = StartSubscriber(L"hang");
    ASSERT_TRUE(PumpUntil([&] { return ::WaitForSingleObject(ready.Get(), 0) == WAIT_OBJECT_0; }, 30000));

    // The hanging client takes the first event and never answers; ours keep coming.
    ASSERT_EQ(server->MeasureNow(100), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return sink.Count(Protocol::kDispidOnNewValue) == 300; })) << sink.events.size();

    // Once its process is gone, the server drops it and says so.
    hanging.reset();
    ASSERT_TRUE(PumpUntil([&] { return sink.CountText(kGoneText) == 1; })) << sink.events.size();
    ASSERT_EQ(server->Broadcast(Bstr(L"still here"), 1), S_OK);
    EXPECT_TRUE(PumpUntil([&] { return sink.CountText(L"still here") == 1; }));
}

TEST_F(OstrelClients, AClientThatEndsWithoutUnsubscribingIsDroppedAtTheNextEvent) {
    ComPtr<IOstrelServer> server = Server().Connect();
    ASSERT_TRUE(server);
    TestEventSink sink;
    Subscription subscription(server.Get(), &sink);

    UniqueHandle ready(::CreateEventW(nullptr, TRUE, FALSE, kReadyEvent));
    auto ended = StartSubscriber(L"exit");
    ASSERT_TRUE(PumpUntil([&] { return ::WaitForSingleObject(ready.Get(), 0) == WAIT_OBJECT_0; }, 30000));
    ASSERT_EQ(ended->Wait(), 0);

    ASSERT_EQ(server->MeasureNow(1), S_OK);
    ASSERT_TRUE(PumpUntil([&] { return sink.CountText(kGoneText) == 1; })) << sink.events.size();
    ASSERT_EQ(server->MeasureNow(2), S_OK);
    ASSERT_EQ(server->Broadcast(Bstr(L"mark"), 1), S_OK);
    EXPECT_TRUE(PumpUntil([&] { return sink.CountText(L"mark") == 1; }));
    EXPECT_EQ(sink.Count(Protocol::kDispidOnNewValue), 9u);
    // Dropped once, not at every event.
    EXPECT_EQ(sink.CountText(kGoneText), 1u);
}
