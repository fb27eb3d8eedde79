// The real program, started as its own process.
#include <gtest/gtest.h>

#include <memory>

#include "OstrelTestServer.h"
#include "SettingsStore.h"
#include "TestSupport.h"

namespace {
// The program connects to the logger server when it starts: give it a small one, and stop it
// afterwards, since a server started by COM outlives the program.
class KestrovaProcess : public SharedServerSuite {
protected:
    static void SetUpTestSuite() { StartServer(L"/Sensors 2 /History 1 /Period 0"); }
};

std::wstring Program() { return BuildFolder() + L"Kestrova.exe"; }

// Starts `program`, waits for its main window, closes it as a user would and returns the title.
std::wstring TitleOfANormalRun(const std::wstring& program, int& exitCode) {
    ChildProcess process(program, L"");
    EXPECT_TRUE(process.Started());
    HWND frame = process.WaitForWindow(L"KV_DockFrame");
    EXPECT_NE(frame, nullptr);
    std::wstring title = frame ? WindowText(frame) : L"";
    if (frame) ::PostMessageW(frame, WM_CLOSE, 0, 0);
    exitCode = process.Wait();
    return title;
}
}  // namespace

TEST_F(KestrovaProcess, ANormalCloseEndsWithExitCodeOne) {
    int exitCode = 0;
    EXPECT_EQ(TitleOfANormalRun(Program(), exitCode), L"Kestrova");
    EXPECT_EQ(exitCode, 1);
}

TEST_F(KestrovaProcess, ClearRegDeletesTheSettingsAndEndsWithExitCodeZero) {
    WriteSettingDword(L"Options", L"Unit", 1);
    WriteSettingDword(L"D3", L"TimeScale", 2);

    // Not the option: the program runs as usual and the settings stay.
    {
        ChildProcess process(Program(), L"/ClearRegs");
        HWND frame = process.WaitForWindow(L"KV_DockFrame");
        ASSERT_NE(frame, nullptr);
        ::PostMessageW(frame, WM_CLOSE, 0, 0);
        EXPECT_EQ(process.Wait(), 1);
        EXPECT_TRUE(KeyExists(L"software\\KV\\Kestrova\\D3"));
    }

    ChildProcess process(Program(), L"other -clearREG");
    EXPECT_EQ(process.Wait(), 0);
    EXPECT_FALSE(KeyExists(L"software\\KV\\Kestrova"));
}

TEST_F(KestrovaProcess, TakesItsResourcesFromALibraryOfItsOwnVersionOnly) {
    struct {
        const wchar_t* library;  // copied beside the program as ksv_res.dll; null: none
        const wchar_t* title;
    } cases[] = {
        {nullptr, L"Kestrova"},
        {L"ksv_res_same_version.dll", L"Kestrova (resource library)"},
        {L"ksv_res_revision.dll", L"Kestrova"},
        {L"ksv_res_major.dll", L"Kestrova"},
    };
    for (const auto& c : cases) {
        TempFolder folder;
        ASSERT_TRUE(::CopyFileW(Program().c_str(), folder.File(L"Kestrova.exe").c_str(), FALSE));
        if (c.library) {
            ASSERT_TRUE(::CopyFileW((BuildFolder() + c.library).c_str(), folder.File(L"ksv_res.dll").c_str(), FALSE));
        }
        int exitCode = 0;
        EXPECT_EQ(TitleOfANormalRun(folder.File(L"Kestrova.exe"), exitCode), c.title)
            << (c.library ? c.library : L"none");
        EXPECT_EQ(exitCode, 1);
    }
}

TEST_F(KestrovaProcess, WithoutAServerItSaysSoAndRunsAnyway) {
    Server().Stop();
    ASSERT_EQ(RunOstrelServer(L"/UnregServer"), 0);
    ChildProcess process(Program(), L"");
    HWND box = process.WaitForWindow(L"#32770");
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(box), L"Kestrova");
    std::wstring text = WindowText(::GetDlgItem(box, 0xFFFF));
    EXPECT_EQ(text.rfind(L"Could not connect to server (", 0), 0u) << text;
    EXPECT_NE(text.find(L", 80040154)"), std::wstring::npos) << text;
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    HWND frame = process.WaitForWindow(L"KV_DockFrame");
    ASSERT_NE(frame, nullptr);
    ::PostMessageW(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(process.Wait(), 1);
    EXPECT_EQ(RunOstrelServer(L"/RegServer"), 0);
}
