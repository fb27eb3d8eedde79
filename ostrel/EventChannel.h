// Delivery of the server's events to one subscriber, on a thread of its own, so that a slow or
// dead subscriber never holds up the logger or the other subscribers.
#pragma once
#include <windows.h>
#include <oaidl.h>

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "Handle.h"

struct ServerEvent {
    DISPID dispid = 0;  // Protocol::kDispidOnNewValue or kDispidOnMessage
    // OnNewValue
    long type = 0;
    long sensorId = 0;
    long deviceId = 0;
    double time = 0;
    float value = 0;
    float signal = 0;
    // OnMessage
    std::wstring text;
};

// Whether a failed call means the other process is gone (rather than that it refused the call).
bool IsPeerGone(HRESULT hr);

// Calls the sink's Invoke for the event.
HRESULT FireEvent(IDispatch* sink, const ServerEvent& event);

class EventChannel {
public:
    // How many events may wait for a subscriber that does not keep up; later ones are dropped
    // (it can read the log to catch up).
    static constexpr size_t kMaxQueued = 100000;
    // A measurement that has waited this long for a subscriber that does not keep up is passed
    // over when a newer one of the same sensor waits behind it: the subscriber gets every
    // sensor's newest value soon, instead of all values ever later (the log has them all).
    static constexpr ULONGLONG kStaleMs = 5000;

    // Starts delivering to `sink` (an IDispatch of the subscriber, on the calling apartment's
    // thread). When the subscriber turns out to be gone, `failedMessage` is posted to `notify`
    // with `cookie` as wParam, and the channel delivers nothing more.
    static HRESULT Create(IDispatch* sink, HWND notify, UINT failedMessage, DWORD cookie,
                          std::unique_ptr<EventChannel>* channel);
    // Stops the thread after the call in progress, waiting a little for it while serving COM.
    ~EventChannel();
    EventChannel(const EventChannel&) = delete;
    EventChannel& operator=(const EventChannel&) = delete;

    void Post(const ServerEvent& event);

private:
    struct State {
        std::mutex mutex;
        std::condition_variable wake;
        struct Queued {
            ServerEvent event;
            ULONGLONG posted;  // tick count
        };
        std::deque<Queued> queue;
        // Measurements waiting, by sensor id and type.
        std::map<std::pair<long, long>, size_t> waiting;
        bool stop = false;
        IStream* marshalledSink = nullptr;
        HWND notify = nullptr;
        UINT failedMessage = 0;
        DWORD cookie = 0;
    };
    explicit EventChannel(std::shared_ptr<State> state) : m_state(std::move(state)) {}
    static DWORD WINAPI Deliver(void* parameter);

    std::shared_ptr<State> m_state;
    UniqueHandle m_thread;
};
