#include <gtest/gtest.h>

#include "AppModule.h"
#include "MyAppModule.h"
#include "SettingsStore.h"
#include "Startup.h"
#include "TestSupport.h"

TEST(ClearRegOption, MatchesAfterAnySlashOrHyphenInAnyCaseUpToABlankTabOrTheEnd) {
    struct {
        const wchar_t* line;
        bool matches;
    } cases[] = {
        {L"/ClearReg", true},
        {L"-clearreg", true},
        {L"/CLEARREG", true},
        {L"/cLeArReG other", true},
        {L"/ClearReg\tother", true},
        {L"first -ClearReg", true},
        {L"word/ClearReg", true},  // a slash inside a word starts a token too
        {L"-/ClearReg", true},     // the search goes on from the token start
        {L"--ClearReg", true},
        {L"/ClearRegX", false},    // a following letter spoils the match
        {L"/ClearReg1", false},
        {L"/ClearReg,", false},
        {L"/ClearRe", false},
        {L"ClearReg", false},      // no slash or hyphen
        {L"/ Clear Reg", false},
        {L"", false},
        {L"/", false},
    };
    for (const auto& c : cases) EXPECT_EQ(HasClearRegOption(c.line), c.matches) << c.line;
}

TEST(ClearRegOption, DeletesTheSettingsAndEndsTheStart) {
    WriteSettingDword(L"Options", L"Unit", 1);
    EXPECT_TRUE(ParseCommandLine(L"/ClearRegister"));
    EXPECT_TRUE(KeyExists(L"software\\KV\\Kestrova\\Options"));
    EXPECT_FALSE(ParseCommandLine(L"/clearreg"));
    EXPECT_FALSE(KeyExists(L"software\\KV\\Kestrova"));
    // Again on an account without the key: nothing to delete, still the end of the start.
    EXPECT_FALSE(ParseCommandLine(L"-ClearReg"));
    EXPECT_FALSE(KeyExists(L"software\\KV\\Kestrova"));
}

TEST(FileVersionKey, IsTheFourPartFileVersion) {
    std::wstring bin = BuildFolder();
    EXPECT_EQ(GetFileVersionKey((bin + L"Kestrova.exe").c_str()), 0x0001000100070000ull);
    EXPECT_EQ(GetFileVersionKey((bin + L"ksv_res.dll").c_str()), 0x0001000100070000ull);
    EXPECT_EQ(GetFileVersionKey((bin + L"ksv_res_revision.dll").c_str()), 0x0001000100070001ull);
    EXPECT_EQ(GetFileVersionKey((bin + L"ksv_res_major.dll").c_str()), 0x0002000100070000ull);
    EXPECT_EQ(GetFileVersionKey((bin + L"no_such_file.dll").c_str()), 0ull);
    EXPECT_EQ(GetFileVersionKey((bin + L"app_tests.exe").c_str()), 0ull);  // no version resource
}

TEST(ResourceLibrary, IsUsedOnlyWithTheProgramsOwnVersion) {
    std::wstring bin = BuildFolder();
    std::wstring program = bin + L"Kestrova.exe";

    HMODULE same = LoadResourceLibrary(program.c_str(), (bin + L"ksv_res_same_version.dll").c_str());
    ASSERT_NE(same, nullptr);
    wchar_t title[64] = {};
    ::LoadStringW(same, 128, title, 64);
    EXPECT_STREQ(title, L"Kestrova (resource library)");
    ::FreeLibrary(same);

    EXPECT_EQ(LoadResourceLibrary(program.c_str(), (bin + L"ksv_res_revision.dll").c_str()), nullptr);
    EXPECT_EQ(LoadResourceLibrary(program.c_str(), (bin + L"ksv_res_major.dll").c_str()), nullptr);
    EXPECT_EQ(LoadResourceLibrary(program.c_str(), (bin + L"no_such_file.dll").c_str()), nullptr);
    // A program without a version accepts nothing, not even a library without one.
    EXPECT_EQ(LoadResourceLibrary((bin + L"app_tests.exe").c_str(), (bin + L"framework_tests.exe").c_str()),
              nullptr);
}

TEST(UnitNames, ComeFromTheStringTableOrFallBackToTheBuiltInTexts) {
    std::wstring bin = BuildFolder();
    struct {
        const wchar_t* library;
        const wchar_t* humidity;
        const wchar_t* co2;
    } cases[] = {
        {L"ksv_res.dll", L"RH%", L"ppm"},
        {L"ksv_res_same_version.dll", L"RH%", L"ppm CO2"},  // has neither 507 nor 508
    };
    for (const auto& c : cases) {
        HMODULE library = ::LoadLibraryExW((bin + c.library).c_str(), nullptr,
                                           LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(library, nullptr) << c.library;
        g_Module.SetResourceInstance(library);
        g_Module.LoadUnitNames();
        EXPECT_EQ(g_Module.m_strHumidityUnit, c.humidity) << c.library;
        EXPECT_EQ(g_Module.m_strCo2Unit, c.co2) << c.library;
        g_Module.SetResourceInstance(nullptr);
        ::FreeLibrary(library);
    }
}

TEST(CommonControlsVersion, ComesFromDllGetVersion) {
    DWORD version = GetCommonControlsVersion(L"comctl32.dll");
    EXPECT_GE(version >> 16, 5u);
    EXPECT_EQ(GetCommonControlsVersion(L"kernel32.dll"), 0u);  // no DllGetVersion
    EXPECT_EQ(GetCommonControlsVersion(L"no_such_library.dll"), 0u);
}
