// The application module: the instance handles the program loads its resources from and the
// message loop of each thread.
#pragma once
#include <windows.h>
#include <map>
#include <mutex>
#include <string>

class CMessageLoop;

class AppModule {
public:
    AppModule();
    virtual ~AppModule();
    AppModule(const AppModule&) = delete;
    AppModule& operator=(const AppModule&) = delete;

    void Init(HINSTANCE hInstance);
    void Term();

    HINSTANCE GetModuleInstance() const { return m_hInstance; }
    // Strings, menus, dialogs, bitmaps, icons and accelerators come from here: the program itself,
    // or a resource library that replaces its resources.
    HINSTANCE GetResourceInstance() const { return m_hResInstance; }
    void SetResourceInstance(HINSTANCE hResInstance) { m_hResInstance = hResInstance; }
    DWORD GetMainThreadId() const { return m_mainThreadId; }

    bool AddMessageLoop(CMessageLoop* pLoop);
    bool RemoveMessageLoop();
    CMessageLoop* GetMessageLoop(DWORD threadId = ::GetCurrentThreadId()) const;

    // The process's module; there is one at a time.
    static AppModule* Instance() { return s_pInstance; }

private:
    HINSTANCE m_hInstance = nullptr;
    HINSTANCE m_hResInstance = nullptr;
    DWORD m_mainThreadId = 0;
    mutable std::mutex m_lock;
    std::map<DWORD, CMessageLoop*> m_loops;
    static AppModule* s_pInstance;
};

// The resource instance of the process's module, or the program itself when there is none.
HINSTANCE ResourceInstance();

// String `id` of the resource instance; empty when the string table does not hold it.
std::wstring LoadResString(UINT id);
// Like LoadResString, but tells a missing string apart from an empty one.
bool TryLoadResString(UINT id, std::wstring& text);

// printf-style formatting with the platform's conventions, in which %s takes a wide string: the
// string table's formats are written that way.
std::wstring FormatText(const wchar_t* format, ...);
// String `id` of the resource instance used as the format.
std::wstring FormatResString(UINT id, ...);
