#include "TestSupport.h"

#include <shellapi.h>

#include "AppModule.h"

#include <atomic>
#include <cstdio>
#include <vector>

std::wstring BuildFolder() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1);
}

TempFolder::TempFolder() {
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    for (;;) {
        m_path = std::wstring(temp) + L"ksv-test-" + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                 std::to_wstring(counter++) + L"\\";
        if (::CreateDirectoryW(m_path.c_str(), nullptr)) break;
        if (::GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
}

TempFolder::~TempFolder() {
    // SHFileOperation wants a double-terminated list of paths without the trailing backslash.
    std::wstring from = m_path.substr(0, m_path.size() - 1);
    from.push_back(L'\0');
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    ::SHFileOperationW(&op);
}

ChildProcess::ChildProcess(const std::wstring& program, const std::wstring& arguments) {
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    std::vector<wchar_t> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back(L'\0');
    std::wstring folder = program.substr(0, program.find_last_of(L"\\/") + 1);
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (::CreateProcessW(program.c_str(), buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &si,
                         &pi)) {
        ::CloseHandle(pi.hThread);
        m_process.Reset(pi.hProcess);
        m_processId = pi.dwProcessId;
    }
}

ChildProcess::~ChildProcess() {
    if (m_process && ::WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(m_process.Get(), 99);
        ::WaitForSingleObject(m_process.Get(), 5000);
    }
}

namespace {
struct WindowSearch {
    DWORD processId;
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND hWnd, LPARAM param) {
    auto* search = reinterpret_cast<WindowSearch*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hWnd, &pid);
    wchar_t name[256] = {};
    ::GetClassNameW(hWnd, name, 256);
    if (pid == search->processId && ::IsWindowVisible(hWnd) && wcscmp(name, search->className) == 0) {
        search->found = hWnd;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND ChildProcess::WaitForWindow(const wchar_t* className, DWORD timeoutMs) const {
    ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    do {
        WindowSearch search{m_processId, className, nullptr};
        ::EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        if (::WaitForSingleObject(m_process.Get(), 50) != WAIT_TIMEOUT) return nullptr;
    } while (::GetTickCount64() < deadline);
    return nullptr;
}

int ChildProcess::Wait(DWORD timeoutMs) const {
    if (!m_process || ::WaitForSingleObject(m_process.Get(), timeoutMs) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    ::GetExitCodeProcess(m_process.Get(), &code);
    return static_cast<int>(code);
}

std::wstring WindowText(HWND hWnd) {
    wchar_t text[512] = {};
    ::GetWindowTextW(hWnd, text, 512);
    return text;
}

bool KeyExists(const wchar_t* path) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    ::RegCloseKey(key);
    return true;
}

ProgramResources::ProgramResources()
    : m_library(::LoadLibraryExW((BuildFolder() + L"ksv_res.dll").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE)) {
    if (m_library && AppModule::Instance()) AppModule::Instance()->SetResourceInstance(m_library);
}

ProgramResources::~ProgramResources() {
    if (AppModule::Instance()) AppModule::Instance()->SetResourceInstance(nullptr);
    if (m_library) ::FreeLibrary(m_library);
}

thread_local DialogAnswer* DialogAnswer::s_current = nullptr;

DialogAnswer::DialogAnswer(const wchar_t* title, std::function<void(HWND)> answer) {
    Then(title, std::move(answer));
    s_current = this;
    m_timer = ::SetTimer(nullptr, 0, 50, Check);
}

DialogAnswer& DialogAnswer::Then(const wchar_t* title, std::function<void(HWND)> answer) {
    m_steps.push_back(Step{title, std::move(answer)});
    return *this;
}

DialogAnswer::~DialogAnswer() {
    if (m_timer) ::KillTimer(nullptr, m_timer);
    if (s_current == this) s_current = nullptr;
}

void CALLBACK DialogAnswer::Check(HWND, UINT, UINT_PTR, DWORD) {
    DialogAnswer* self = s_current;
    if (!self || self->Answered()) return;
    const Step& step = self->m_steps[self->m_next];
    HWND dialog = ::FindWindowW(L"#32770", step.title.c_str());
    // The dialog answered last may still be closing.
    if (!dialog || dialog == self->m_lastDialog) return;
    self->m_lastDialog = dialog;
    if (++self->m_next == self->m_steps.size()) {
        ::KillTimer(nullptr, self->m_timer);
        self->m_timer = 0;
    }
    step.answer(dialog);
}

std::string ReadBytes(const std::wstring& path) {
    std::string bytes;
    if (FILE* f = _wfopen(path.c_str(), L"rb")) {
        char chunk[65536];
        size_t n;
        while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
        fclose(f);
    }
    return bytes;
}
