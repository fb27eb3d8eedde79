// Exports onto a volume that fills up and onto one that cannot be written, and over a read-only
// file: the failure comes back with the system's text, never as success, and what was written
// before it stays. The volumes are real: scripts/small-volume-tests.sh mounts them and names their
// drive letters in KSV_FULL_VOLUME and KSV_READONLY_VOLUME; without them those tests skip.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ExportJob.h"
#include "FakeServer.h"
#include "TestSupport.h"

namespace {
constexpr double kDay = 45000;

std::wstring Volume(const char* variable) {
    const char* value = std::getenv(variable);
    if (!value || !*value) return {};
    return std::wstring(value, value + std::strlen(value));
}

bool IsSystemText(HRESULT hr) {
    const std::wstring text = ComErrorText(hr);
    return !text.empty() && text.rfind(L"Unknown error", 0) != 0 && text.rfind(L"IDispatch error", 0) != 0;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class ExportTarget : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_resources.Loaded());
        // Three weeks of minutes: well over a megabyte of text.
        std::vector<double> t;
        std::vector<float> v;
        for (int i = 0; i < 30000; ++i) {
            t.push_back(kDay + i / 1440.0);
            v.push_back(static_cast<float>(i % 400) / 10.0f);
        }
        m_sensor->SetData(t, v);
    }
    // Exports as text (0) or XML (2) into `file`.
    HRESULT Run(const std::wstring& file, int fileType) {
        CExportJob job(file, m_sensor.Get(), kDay, kDay + 30, 0);
        return RunExport(job, fileType);
    }

    ProgramResources m_resources;
    TempFolder m_folder;
    ComPtr<FakeSensor> m_sensor = FakeSensor::Make(2, 1, 0, L"Kitchen");
};
}  // namespace

TEST_F(ExportTarget, OntoAFullVolumeKeepsTheLinesWrittenAndSaysSo) {
    const std::wstring volume = Volume("KSV_FULL_VOLUME");
    if (volume.empty()) GTEST_SKIP() << "no small volume: run scripts/small-volume-tests.sh";
    for (int fileType : {0, 2}) {
        const wchar_t* name = fileType == 0 ? L"log.txt" : L"log.xml";
        ASSERT_EQ(Run(m_folder.File(name), fileType), S_OK);
        const std::string whole = ReadBytes(m_folder.File(name));

        const std::wstring target = volume + name;
        const HRESULT hr = Run(target, fileType);
        const std::string kept = ReadBytes(target);
        EXPECT_TRUE(hr == HRESULT_FROM_WIN32(ERROR_DISK_FULL) || hr == HRESULT_FROM_WIN32(ERROR_HANDLE_DISK_FULL))
            << std::hex << hr;
        EXPECT_TRUE(IsSystemText(hr)) << Narrow(ComErrorText(hr));
        EXPECT_GT(kept.size(), 100000u);
        EXPECT_LT(kept.size(), whole.size());
        EXPECT_EQ(whole.compare(0, kept.size(), kept), 0) << "what was kept is not the start of the export";
        std::printf("full volume, %s: %zu of %zu bytes kept, 0x%08lx \"%s\"\n", fileType == 0 ? "text" : "XML",
                    kept.size(), whole.size(), static_cast<unsigned long>(hr), Narrow(ComErrorText(hr)).c_str());
        ::DeleteFileW(target.c_str());
    }
}

TEST_F(ExportTarget, OntoAReadOnlyVolumeIsRefusedWithTheSystemText) {
    const std::wstring volume = Volume("KSV_READONLY_VOLUME");
    if (volume.empty()) GTEST_SKIP() << "no read-only volume: run scripts/small-volume-tests.sh";
    for (int fileType : {0, 2}) {
        const std::wstring target = volume + L"log.txt";
        const HRESULT hr = Run(target, fileType);
        EXPECT_TRUE(FAILED(hr));
        EXPECT_EQ(HRESULT_FACILITY(hr), FACILITY_WIN32) << std::hex << hr;
        EXPECT_TRUE(IsSystemText(hr)) << Narrow(ComErrorText(hr));
        EXPECT_EQ(::GetFileAttributesW(target.c_str()), INVALID_FILE_ATTRIBUTES);
        std::printf("read-only volume: 0x%08lx \"%s\"\n", static_cast<unsigned long>(hr),
                    Narrow(ComErrorText(hr)).c_str());
    }
}
