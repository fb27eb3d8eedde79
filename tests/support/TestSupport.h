// Helpers shared by the test programs: files beside the test program, temporary folders,
// child processes and their windows, registry checks.
#pragma once
#include <windows.h>
#include <functional>
#include <string>
#include <vector>

#include "Handle.h"

// The folder of the running test program, with a trailing backslash. The program, its resource
// libraries and the test programs are all built into this folder.
std::wstring BuildFolder();

// A new empty folder under the temporary folder, removed with its files when the object goes.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::wstring& Path() const { return m_path; }  // with a trailing backslash
    std::wstring File(const wchar_t* name) const { return m_path + name; }

private:
    std::wstring m_path;
};

// A started program. Its exit code is asked for with Wait; the destructor ends it if it still runs.
class ChildProcess {
public:
    // Starts `program` with the arguments `arguments` (may be empty); check Started().
    ChildProcess(const std::wstring& program, const std::wstring& arguments);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return static_cast<bool>(m_process); }
    // The first visible top-level window of class `className` owned by the process; waits for it.
    HWND WaitForWindow(const wchar_t* className, DWORD timeoutMs = 20000) const;
    // Waits for the end of the process; returns its exit code, or -1 on time-out.
    int Wait(DWORD timeoutMs = 20000) const;

private:
    UniqueHandle m_process;
    DWORD m_processId = 0;
};

std::wstring WindowText(HWND hWnd);

// The whole content of a file; empty when it cannot be read.
std::string ReadBytes(const std::wstring& path);

// Answers a dialog of this thread that a modal call is about to show: once a dialog titled `title`
// is up, `answer` runs with it (reading controls, setting them, ending it by a posted command).
// Checked every 50 ms while the object lives, until the dialog has been found once.
class DialogAnswer {
public:
    DialogAnswer(const wchar_t* title, std::function<void(HWND)> answer);
    ~DialogAnswer();
    DialogAnswer(const DialogAnswer&) = delete;
    DialogAnswer& operator=(const DialogAnswer&) = delete;
    // A dialog that comes after the ones before it have been answered.
    DialogAnswer& Then(const wchar_t* title, std::function<void(HWND)> answer);
    bool Answered() const { return m_next == m_steps.size(); }

private:
    static void CALLBACK Check(HWND, UINT, UINT_PTR, DWORD);

    struct Step {
        std::wstring title;
        std::function<void(HWND)> answer;
    };
    std::vector<Step> m_steps;
    size_t m_next = 0;
    HWND m_lastDialog = nullptr;
    UINT_PTR m_timer = 0;
    static thread_local DialogAnswer* s_current;
};

// The program's resources (its resource library, built with the same script) as the resource
// instance while the object lives; the test program itself has none.
class ProgramResources {
public:
    ProgramResources();
    ~ProgramResources();
    ProgramResources(const ProgramResources&) = delete;
    ProgramResources& operator=(const ProgramResources&) = delete;
    bool Loaded() const { return m_library != nullptr; }

private:
    HMODULE m_library;
};

// Whether HKEY_CURRENT_USER\<path> exists.
bool KeyExists(const wchar_t* path);
