#include "EventChannel.h"

#include "Com.h"
#include "Protocol.h"

bool IsPeerGone(HRESULT hr) {
    if (HRESULT_FACILITY(hr) == FACILITY_RPC) return hr != RPC_E_CALL_REJECTED && hr != RPC_E_SERVERCALL_RETRYLATER;
    if (HRESULT_FACILITY(hr) == FACILITY_WIN32) {
        DWORD code = HRESULT_CODE(hr);
        return code == RPC_S_SERVER_UNAVAILABLE || code == RPC_S_CALL_FAILED || code == RPC_S_CALL_FAILED_DNE ||
               code == ERROR_BROKEN_PIPE || code == ERROR_PIPE_NOT_CONNECTED || code == ERROR_NO_DATA;
    }
    return hr == CO_E_OBJNOTCONNECTED || hr == RPC_E_DISCONNECTED;
}

HRESULT FireEvent(IDispatch* sink, const ServerEvent& event) {
    VARIANT args[2];
    DISPPARAMS params{args, nullptr, 0, 0};
    Variant data;
    Bstr text;
    if (event.dispid == Protocol::kDispidOnNewValue) {
        // Arguments go in reverse order: args[1] is the type, args[0] the data array.
        bool signal = Protocol::HasSignalLevel(event.type);
        SafeArray array(::SafeArrayCreateVector(VT_VARIANT, 0, signal ? 5 : 4));
        if (!array) return E_OUTOFMEMORY;
        {
            SafeArrayData<VARIANT> items(array.Get());
            if (!items) return E_OUTOFMEMORY;
            items[0].vt = VT_I4;
            items[0].lVal = event.sensorId;
            items[1].vt = VT_I4;
            items[1].lVal = event.deviceId;
            items[2].vt = VT_DATE;
            items[2].date = event.time;
            items[3].vt = VT_R4;
            items[3].fltVal = event.value;
            if (signal) {
                items[4].vt = VT_R4;
                items[4].fltVal = event.signal;
            }
        }
        data.vt = VT_ARRAY | VT_VARIANT;
        data.parray = array.Detach();
        args[1].vt = VT_UI4;
        args[1].ulVal = static_cast<ULONG>(event.type);
        args[0] = data;
        params.cArgs = 2;
    } else {
        text = Bstr(event.text);
        args[0].vt = VT_BSTR;
        args[0].bstrVal = text.Get();
        params.cArgs = 1;
    }
    return sink->Invoke(event.dispid, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                        nullptr);
}

HRESULT EventChannel::Create(IDispatch* sink, HWND notify, UINT failedMessage, DWORD cookie,
                             std::unique_ptr<EventChannel>* channel) {
    auto state = std::make_shared<State>();
    state->notify = notify;
    state->failedMessage = failedMessage;
    state->cookie = cookie;
    HRESULT hr = ::CoMarshalInterThreadInterfaceInStream(IID_IDispatch, sink, &state->marshalledSink);
    if (FAILED(hr)) return hr;
    std::unique_ptr<EventChannel> created(new EventChannel(state));
    // The thread holds its own reference to the state: it may outlive the channel.
    auto* threadState = new std::shared_ptr<State>(state);
    created->m_thread.Reset(::CreateThread(nullptr, 0, Deliver, threadState, 0, nullptr));
    if (!created->m_thread) {
        hr = HRESULT_FROM_WIN32(::GetLastError());
        delete threadState;
        ::CoReleaseMarshalData(state->marshalledSink);
        state->marshalledSink->Release();
        return hr;
    }
    *channel = std::move(created);
    return S_OK;
}

EventChannel::~EventChannel() {
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        m_state->stop = true;
        m_state->queue.clear();
        m_state->waiting.clear();
    }
    m_state->wake.notify_one();
    // A call in progress may need this apartment (the subscriber calling back while it handles
    // the event): serve COM while waiting. A subscriber that hangs is left to its thread.
    HANDLE thread = m_thread.Get();
    DWORD index = 0;
    ::CoWaitForMultipleHandles(0, 2000, 1, &thread, &index);
}

void EventChannel::Post(const ServerEvent& event) {
    {
        std::lock_guard<std::mutex> lock(m_state->mutex);
        if (m_state->stop || m_state->queue.size() >= kMaxQueued) return;
        m_state->queue.push_back({event, ::GetTickCount64()});
        if (event.dispid == Protocol::kDispidOnNewValue) ++m_state->waiting[{event.sensorId, event.type}];
    }
    m_state->wake.notify_one();
}

DWORD WINAPI EventChannel::Deliver(void* parameter) {
    std::shared_ptr<State> state = std::move(*static_cast<std::shared_ptr<State>*>(parameter));
    delete static_cast<std::shared_ptr<State>*>(parameter);
    ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    {
        ComPtr<IDispatch> sink;
        HRESULT hr = ::CoGetInterfaceAndReleaseStream(state->marshalledSink, IID_IDispatch, sink.ReceiveVoid());
        state->marshalledSink = nullptr;
        for (bool alive = SUCCEEDED(hr); alive;) {
            ServerEvent event;
            {
                std::unique_lock<std::mutex> lock(state->mutex);
                state->wake.wait(lock, [&] { return state->stop || !state->queue.empty(); });
                if (state->stop) break;
                State::Queued next = std::move(state->queue.front());
                state->queue.pop_front();
                event = std::move(next.event);
                if (event.dispid == Protocol::kDispidOnNewValue) {
                    auto waiting = state->waiting.find({event.sensorId, event.type});
                    const bool newerBehind = waiting != state->waiting.end() && waiting->second > 1;
                    if (waiting != state->waiting.end() && --waiting->second == 0) state->waiting.erase(waiting);
                    if (newerBehind && ::GetTickCount64() - next.posted > kStaleMs) continue;
                }
            }
            hr = FireEvent(sink.Get(), event);
            if (IsPeerGone(hr)) alive = false;
        }
        if (FAILED(hr) && IsPeerGone(hr)) {
            {
                std::lock_guard<std::mutex> lock(state->mutex);
                state->stop = true;
                state->queue.clear();
                state->waiting.clear();
            }
            ::PostMessageW(state->notify, state->failedMessage, state->cookie, 0);
        }
    }
    ::CoUninitialize();
    return 0;
}
