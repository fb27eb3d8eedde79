#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "MessageLoop.h"

namespace {
// Records the loop's calls. On its first idle call it posts `probe` and starts a 50 ms timer; the
// record then shows whether idle work ran between the probe and the timer. The last idle call
// after the timer ends the loop.
struct Recorder : CMessageFilter, CIdleHandler {
    explicit Recorder(UINT probe) : probe(probe) {}

    BOOL PreTranslateMessage(MSG* msg) override {
        if (msg->message == probe) events.push_back("probe");
        if (msg->message == WM_TIMER && msg->hwnd == nullptr && msg->wParam == timer) {
            ::KillTimer(nullptr, timer);
            events.push_back("timer");
            timerFired = true;
        }
        return FALSE;
    }

    BOOL OnIdle(int count) override {
        events.push_back("idle");
        counts.push_back(count);
        if (events.size() == 1) {
            ::PostThreadMessageW(::GetCurrentThreadId(), probe, 0, 0);
            timer = ::SetTimer(nullptr, 0, 50, nullptr);
        } else if (timerFired) {
            ::PostQuitMessage(42);
        }
        return TRUE;  // ignored: the loop never asks twice in a row
    }

    UINT probe;
    UINT_PTR timer = 0;
    bool timerFired = false;
    std::vector<std::string> events;
    std::vector<int> counts;
};
}  // namespace

TEST(MessageLoop, IdleWorkIsStartedAgainByAllButMovesPaintsAndCaretBlinks) {
    using Events = std::vector<std::string>;
    const Events quiet{"idle", "probe", "timer", "idle"};
    const Events wakes{"idle", "probe", "idle", "timer", "idle"};
    struct {
        UINT message;
        const Events& expected;
    } cases[] = {
        {WM_MOUSEMOVE, quiet}, {WM_NCMOUSEMOVE, quiet}, {WM_PAINT, quiet}, {0x0118, quiet},
        {WM_KEYDOWN, wakes},   {WM_LBUTTONDOWN, wakes}, {WM_NULL, wakes},  {WM_APP + 5, wakes},
    };
    for (const auto& c : cases) {
        CMessageLoop loop;
        Recorder recorder(c.message);
        loop.AddMessageFilter(&recorder);
        loop.AddIdleHandler(&recorder);
        EXPECT_EQ(loop.Run(), 42) << std::hex << c.message;
        EXPECT_EQ(recorder.events, c.expected) << std::hex << c.message;
        // Each idle phase starts counting at 0 again.
        for (int count : recorder.counts) EXPECT_EQ(count, 0) << std::hex << c.message;
    }
}

TEST(MessageLoop, LastRegisteredFilterSeesMessagesFirstAndCanConsumeThem) {
    struct Filter : CMessageFilter {
        Filter(std::string name, std::vector<std::string>& log, bool consume)
            : name(std::move(name)), log(log), consume(consume) {}
        BOOL PreTranslateMessage(MSG* msg) override {
            if (msg->message < WM_APP) return FALSE;
            log.push_back(name + std::to_string(msg->message - WM_APP));
            if (msg->message == WM_APP + 2) ::PostQuitMessage(3);
            return consume && msg->message == WM_APP + 1;
        }
        std::string name;
        std::vector<std::string>& log;
        bool consume;
    };
    std::vector<std::string> log;
    Filter first("first", log, false);
    Filter second("second", log, true);
    CMessageLoop loop;
    loop.AddMessageFilter(&first);
    loop.AddMessageFilter(&second);
    EXPECT_FALSE(loop.AddMessageFilter(&second));  // registered once only

    ::PostThreadMessageW(::GetCurrentThreadId(), WM_APP + 0, 0, 0);
    ::PostThreadMessageW(::GetCurrentThreadId(), WM_APP + 1, 0, 0);
    ::PostThreadMessageW(::GetCurrentThreadId(), WM_APP + 2, 0, 0);
    EXPECT_EQ(loop.Run(), 3);
    EXPECT_EQ(log, (std::vector<std::string>{"second0", "first0", "second1", "second2", "first2"}));
}
