#include "ServerModule.h"

#include <algorithm>
#include <cmath>

#include "OstrelServer.h"

bool ServeUntil(HANDLE stop) {
    for (;;) {
        DWORD wait = ::MsgWaitForMultipleObjects(1, &stop, FALSE, INFINITE, QS_ALLINPUT);
        if (wait == WAIT_OBJECT_0) return true;
        if (wait != WAIT_OBJECT_0 + 1) return false;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) return true;
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

CServerModule::CServerModule(Logger& logger) : m_logger(logger) { m_logger.SetListener(this); }

CServerModule::~CServerModule() {
    m_logger.SetListener(nullptr);
    if (IsWindow()) DestroyWindow();
}

bool CServerModule::Start(double periodSeconds) {
    if (!Create(HWND_MESSAGE, nullptr, L"Ostrel server", 0)) return false;
    if (periodSeconds > 0) {
        UINT ms = static_cast<UINT>(std::max(10.0, std::round(periodSeconds * 1000)));
        ::SetTimer(m_hWnd, kMeasureTimer, ms, nullptr);
    }
    return true;
}

void CServerModule::Shutdown() {
    if (IsWindow()) ::KillTimer(m_hWnd, kMeasureTimer);
    std::vector<ComPtr<COstrelServer>> sessions;
    for (COstrelServer* s : m_sessions) sessions.emplace_back(s);
    for (auto& s : sessions) s->CutOff();
}

void CServerModule::RemoveSession(COstrelServer* session) {
    m_sessions.erase(std::remove(m_sessions.begin(), m_sessions.end(), session), m_sessions.end());
}

void CServerModule::OnMeasurement(const SensorInfo& sensor, const LogRecord& record) {
    ServerEvent event;
    event.dispid = Protocol::kDispidOnNewValue;
    event.type = sensor.type;
    event.sensorId = sensor.id;
    event.deviceId = DeviceId(sensor.id);
    event.time = record.time;
    event.value = record.value;
    event.signal = record.signal;
    PostToAll(event);
}

void CServerModule::OnStatus(const std::wstring& text) {
    ServerEvent event;
    event.dispid = Protocol::kDispidOnMessage;
    event.text = text;
    PostToAll(event);
}

void CServerModule::PostToAll(const ServerEvent& event) {
    for (COstrelServer* s : m_sessions) s->Post(event);
}

LRESULT CServerModule::OnTimer(UINT, WPARAM id, LPARAM, BOOL& handled) {
    if (id != kMeasureTimer) {
        handled = FALSE;
        return 0;
    }
    m_logger.Measure(UtcNow());
    if (++m_rounds % kRoundsPerStatus == 0) {
        size_t logging = std::count_if(m_logger.Sensors().begin(), m_logger.Sensors().end(),
                                       [](const auto& s) { return s->info.enabled; });
        OnStatus(L"Logging " + std::to_wstring(logging) + L" of " + std::to_wstring(m_logger.Sensors().size()) +
                 L" sensors");
    }
    return 0;
}

LRESULT CServerModule::OnChannelFailed(UINT, WPARAM cookie, LPARAM, BOOL&) {
    // The subscriber's process is gone: cut off everything that client held.
    for (COstrelServer* s : m_sessions) {
        if (s->OwnsCookie(static_cast<DWORD>(cookie))) {
            s->CutOff();
            OnStatus(L"A client has gone away; its subscriptions have ended");
            break;
        }
    }
    return 0;
}
