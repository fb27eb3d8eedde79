// OstrelServer.exe: registration, stopping, and the run of the stand-in logger server.
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "Com.h"
#include "Handle.h"
#include "Logger.h"
#include "Ostrel.h"
#include "OstrelServer.h"
#include "Registration.h"
#include "ServerCommand.h"
#include "ServerModule.h"

namespace {
// One running server per session: COM can hand its class to one process only.
const wchar_t kInstanceMutex[] = L"Local\\OstrelServer.Instance";
const wchar_t kStopEvent[] = L"Local\\OstrelServer.Stop";

// Messages go to the standard error a shell gave us; a server started by COM has none, so they
// also go to the debugger's output.
void Say(const std::wstring& text) {
    ::OutputDebugStringW((L"OstrelServer: " + text + L"\n").c_str());
    HANDLE out = ::GetStdHandle(STD_ERROR_HANDLE);
    if (!out || out == INVALID_HANDLE_VALUE) return;
    std::wstring line = text + L"\n";
    int n = ::WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(n, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, line.data(), static_cast<int>(line.size()), bytes.data(), n, nullptr, nullptr);
    DWORD written = 0;
    ::WriteFile(out, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

class ClassFactory : public IClassFactory {
public:
    explicit ClassFactory(CServerModule& module) : m_module(module) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = (iid == IID_IUnknown || iid == IID_IClassFactory) ? this : nullptr;
        return *object ? S_OK : E_NOINTERFACE;
    }
    // Lives as long as the run; the server stops when told to, not when the last client goes.
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        ComPtr<COstrelServer> server = MakeObject<COstrelServer>(m_module);
        return server->QueryInterface(iid, object);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }

private:
    CServerModule& m_module;
};

int StopRunningServer() {
    UniqueHandle stop(::OpenEventW(EVENT_MODIFY_STATE, FALSE, kStopEvent));
    if (!stop) {
        Say(L"No Ostrel server is running.");
        return 0;
    }
    UniqueHandle instance(::OpenMutexW(SYNCHRONIZE, FALSE, kInstanceMutex));
    ::SetEvent(stop.Get());
    if (!instance) return 0;
    // The running server holds the mutex until it has shut down.
    DWORD wait = ::WaitForSingleObject(instance.Get(), 30000);
    if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) {
        ::ReleaseMutex(instance.Get());
        return 0;
    }
    Say(L"The Ostrel server did not stop within 30 seconds.");
    return 1;
}

int RunServer(const ServerCommand& command) {
    UniqueHandle instance(::CreateMutexW(nullptr, TRUE, kInstanceMutex));
    if (!instance) {
        Say(L"Cannot start: " + ComErrorText(HRESULT_FROM_WIN32(::GetLastError())));
        return 1;
    }
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        Say(L"An Ostrel server is already running.");
        return 0;
    }
    // Without the stop event the server could not be told to stop, and its wait would fail.
    UniqueHandle stop(::CreateEventW(nullptr, TRUE, FALSE, kStopEvent));
    if (!stop) {
        Say(L"Cannot make the stop event: " + ComErrorText(HRESULT_FROM_WIN32(::GetLastError())));
        ::ReleaseMutex(instance.Get());
        return 1;
    }
    ::ResetEvent(stop.Get());

    int exitCode = 0;
    if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
    {
        LoggerOptions options = command.logger;
        if (options.dataFolder.empty()) options.dataFolder = DefaultDataFolder();
        Logger logger;
        std::wstring problem;
        HRESULT hr = logger.Open(options, &problem);
        for (const std::wstring& text : logger.EarlyStatus()) Say(text);
        CServerModule module(logger);
        DWORD registration = 0;
        ClassFactory factory(module);
        if (FAILED(hr)) {
            Say(problem);
            exitCode = 1;
        } else if (!module.Start(command.periodSeconds)) {
            Say(L"Cannot make the server's message window.");
            exitCode = 1;
        } else if (FAILED(hr = ::CoRegisterClassObject(CLSID_OstrelServer, &factory, CLSCTX_LOCAL_SERVER,
                                                       REGCLS_MULTIPLEUSE, &registration))) {
            Say(L"Cannot offer the server class: " + ComErrorText(hr));
            exitCode = 1;
        } else {
            if (!ServeUntil(stop.Get())) {
                Say(L"Cannot wait for messages: " + ComErrorText(HRESULT_FROM_WIN32(::GetLastError())));
                exitCode = 1;
            }
            ::CoRevokeClassObject(registration);
        }
        module.Shutdown();
    }
    ::CoUninitialize();
    ::ReleaseMutex(instance.Get());
    return exitCode;
}
}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    int count = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    std::vector<std::wstring> args;
    for (int i = 1; argv && i < count; ++i) args.emplace_back(argv[i]);
    ::LocalFree(argv);

    ServerCommand command;
    std::wstring error;
    if (!ParseServerCommand(args, &command, &error)) {
        Say(error + L". OstrelServer /? lists the options.");
        return 2;
    }
    switch (command.action) {
    case ServerAction::Help:
        Say(kServerUsage);
        return 0;
    case ServerAction::Register: {
        HRESULT hr = RegisterServer(ProgramPath(), command.options);
        if (FAILED(hr)) Say(L"Registration failed: " + ComErrorText(hr));
        return FAILED(hr) ? 1 : 0;
    }
    case ServerAction::Unregister: {
        HRESULT hr = UnregisterServer(ProgramPath());
        if (FAILED(hr)) Say(L"Removing the registration failed: " + ComErrorText(hr));
        return FAILED(hr) ? 1 : 0;
    }
    case ServerAction::Stop: return StopRunningServer();
    case ServerAction::Run: break;
    }
    return RunServer(command);
}
