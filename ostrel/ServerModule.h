// The running server: the logger, the live measurement timer and the client sessions that
// events fan out to. Lives on the main thread, the one apartment of the server's objects.
#pragma once
#include <vector>

#include "EventChannel.h"
#include "Logger.h"
#include "Window.h"

class COstrelServer;

// Serves this thread's messages until `stop` is signalled (true) or WM_QUIT arrives (true). A
// wait that fails, on a handle that is not there, ends it with false instead of spinning.
bool ServeUntil(HANDLE stop);

class CServerModule : public Window<CServerModule>, public LoggerListener {
public:
    static constexpr UINT WM_CHANNEL_FAILED = WM_APP + 1;
    static constexpr UINT_PTR kMeasureTimer = 1;
    // Every so many live rounds a status text tells the clients the server is logging.
    static constexpr int kRoundsPerStatus = 30;

    DECLARE_WND_CLASS_EX(L"KV_OstrelServer", 0, COLOR_WINDOW)
    BEGIN_MSG_MAP(CServerModule)
        MESSAGE_HANDLER(WM_TIMER, OnTimer)
        MESSAGE_HANDLER(WM_CHANNEL_FAILED, OnChannelFailed)
    END_MSG_MAP()

    explicit CServerModule(Logger& logger);
    ~CServerModule() override;

    // Makes the message window and starts live measurements every `periodSeconds` (0: none).
    bool Start(double periodSeconds);
    // Cuts off every client; called before COM goes down.
    void Shutdown();

    Logger& GetLogger() { return m_logger; }
    DWORD NewCookie() { return ++m_lastCookie; }
    void AddSession(COstrelServer* session) { m_sessions.push_back(session); }
    void RemoveSession(COstrelServer* session);

    void OnMeasurement(const SensorInfo& sensor, const LogRecord& record) override;
    void OnStatus(const std::wstring& text) override;

private:
    LRESULT OnTimer(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnChannelFailed(UINT, WPARAM, LPARAM, BOOL&);
    void PostToAll(const ServerEvent& event);

    Logger& m_logger;
    std::vector<COstrelServer*> m_sessions;  // not owned
    DWORD m_lastCookie = 0;
    int m_rounds = 0;
};
