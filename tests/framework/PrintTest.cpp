#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "Gdi.h"
#include "Print.h"

namespace {
// Records the document's device calls and the job's callbacks in one list.
class Recorder : public DocumentDevice, public PrintJobInfo {
public:
    std::vector<std::string> calls;
    UINT validPages = 1;     // pages 0 .. validPages - 1 are valid
    UINT failingPage = ~0u;  // the page whose printing fails
    bool startDoc = true;

    HDC Dc() override { return m_dc; }
    bool StartDoc(const wchar_t*, const wchar_t*) override {
        calls.push_back("StartDoc");
        return startDoc;
    }
    bool StartPage() override {
        calls.push_back("StartPage");
        return true;
    }
    bool EndPage() override {
        calls.push_back("EndPage");
        return true;
    }
    void EndDoc() override { calls.push_back("EndDoc"); }
    void AbortDoc() override { calls.push_back("AbortDoc"); }
    void Reset(const DEVMODEW*) override { calls.push_back("Reset"); }

    void BeginPrintJob(HDC) override { calls.push_back("Begin"); }
    void EndPrintJob(HDC, bool aborted) override { calls.push_back(aborted ? "End aborted" : "End"); }
    void PrePrintPage(UINT page, HDC) override { calls.push_back("Pre " + std::to_string(page)); }
    bool PrintPage(UINT page, HDC) override {
        calls.push_back("Print " + std::to_string(page));
        return page != failingPage;
    }
    void PostPrintPage(UINT page, HDC) override { calls.push_back("Post " + std::to_string(page)); }
    bool IsValidPage(UINT page) override { return page < validPages; }

private:
    MemoryDC m_dc{nullptr};
};
}  // namespace

TEST(PrintJob, RunsTheCallbacksInOrderForTheValidPagesAndAbortsOnAFailingPage) {
    Recorder one;
    EXPECT_TRUE(RunPrintJob(one, one, L"Temp Graph", 0, 0, nullptr));
    EXPECT_EQ(one.calls, (std::vector<std::string>{"StartDoc", "Begin", "StartPage", "Pre 0", "Print 0", "Post 0",
                                                   "EndPage", "EndDoc", "End"}));

    Recorder invalid;  // only page 0 of 0 .. 2 is valid: the document ends after it
    EXPECT_TRUE(RunPrintJob(invalid, invalid, L"Temp Graph", 0, 2, nullptr));
    EXPECT_EQ(invalid.calls.size(), one.calls.size());

    Recorder failing;
    failing.validPages = 3;
    failing.failingPage = 1;
    EXPECT_FALSE(RunPrintJob(failing, failing, L"Temp Graph", 0, 2, nullptr));
    EXPECT_EQ(failing.calls, (std::vector<std::string>{"StartDoc", "Begin", "StartPage", "Pre 0", "Print 0", "Post 0",
                                                       "EndPage", "StartPage", "Pre 1", "Print 1", "Post 1", "EndPage",
                                                       "AbortDoc", "End aborted"}));

    Recorder refused;
    refused.startDoc = false;
    EXPECT_FALSE(RunPrintJob(refused, refused, L"Temp Graph", 0, 0, nullptr));
    EXPECT_EQ(refused.calls, std::vector<std::string>{"StartDoc"});
}

TEST(PrintJob, ThePrintableAreaTakesTheNearBorderOffBothSides) {
    RECT area = PrintableArea(2479, 3508, 100, 75);
    EXPECT_EQ(area.left, 0);
    EXPECT_EQ(area.top, 0);
    EXPECT_EQ(area.right, 2279);
    EXPECT_EQ(area.bottom, 3358);
}

TEST(PrintJob, DeviceModesAndNamesSurviveTheDialogsCopiesAndBadSizesAreRefused) {
    std::vector<BYTE> bytes(sizeof(DEVMODEW) + 16);
    auto mode = reinterpret_cast<DEVMODEW*>(bytes.data());
    mode->dmSize = sizeof(DEVMODEW);
    mode->dmDriverExtra = 16;
    mode->dmOrientation = DMORIENT_LANDSCAPE;
    bytes.back() = 0x5A;
    DevMode copy(mode, bytes.size());
    GlobalMemory global = copy.ToGlobal();
    DevMode back = DevMode::FromGlobal(global.Get());
    ASSERT_FALSE(back.Empty());
    EXPECT_EQ(back.Get()->dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(reinterpret_cast<const BYTE*>(back.Get())[bytes.size() - 1], 0x5A);
    // Private bytes beyond what the block holds are refused.
    mode->dmDriverExtra = 17;
    EXPECT_TRUE(DevMode(mode, bytes.size()).Empty());
    // So is one too short to hold the paper and orientation.
    mode->dmDriverExtra = 0;
    mode->dmSize = offsetof(DEVMODEW, dmFields);
    EXPECT_TRUE(DevMode(mode, bytes.size()).Empty());
    EXPECT_TRUE(DevMode::FromGlobal(nullptr).Empty());

    DeviceNames names{L"wineps.drv", L"Office printer", L"FILE:"};
    GlobalMemory block = names.ToGlobal();
    DeviceNames read = DeviceNames::FromGlobal(block.Get());
    EXPECT_EQ(read.driver, names.driver);
    EXPECT_EQ(read.device, names.device);
    EXPECT_EQ(read.port, names.port);
    EXPECT_FALSE(DeviceNames{}.ToGlobal());  // no printer: the dialog starts at the default one
}
