#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

#include "FilePrinter.h"
#include "Gdi.h"
#include "Print.h"
#include "PrintPreview.h"
#include "TestSupport.h"

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

TEST(PrintPreview, LaysTheSheetOutAtThePapersProportionsAndBoundsIt) {
    const PaperMetrics a4{2479, 3508, 75, 75, 2329, 3358, 300, 300};  // A4 at 300 dpi
    struct {
        PaperMetrics paper;
        PreviewZoom zoom;
        SIZE client, sheet;
        LONG printableLeft;
    } cases[] = {
        {a4, PreviewZoom::WholePage, {800, 600}, {399, 564}, 12},  // fits the height less the margins
        {a4, PreviewZoom::Actual, {800, 600}, {793, 1123}, 24},    // 8.26 x 11.69 inches at 96 dpi
        {a4, PreviewZoom::Double, {800, 600}, {1587, 2245}, 48},
        {a4, PreviewZoom::WholePage, {0, 0}, {1, 1}, 0},           // a window with no room
        {{100000, 100000, 0, 0, 100000, 100000, 10, 10}, PreviewZoom::Double, {800, 600}, {4096, 4096}, 0},
        {{2479, 3508, 75, 75, 2500, 3358, 300, 300}, PreviewZoom::Actual, {800, 600}, {0, 0}, 0},  // off the sheet
        {{2479, 3508, 75, 75, 2329, 3358, 0, 300}, PreviewZoom::Actual, {800, 600}, {0, 0}, 0},
        {{1 << 30, 3508, 0, 0, 1 << 30, 3358, 300, 300}, PreviewZoom::Actual, {800, 600}, {0, 0}, 0},
    };
    for (const auto& c : cases) {
        PreviewLayout layout = LayOutPreview(c.paper, c.zoom, c.client, 96);
        EXPECT_EQ(layout.paper.cx, c.sheet.cx) << static_cast<int>(c.zoom) << " " << c.paper.width;
        EXPECT_EQ(layout.paper.cy, c.sheet.cy) << static_cast<int>(c.zoom) << " " << c.paper.width;
        EXPECT_EQ(layout.printable.left, c.printableLeft) << static_cast<int>(c.zoom);
    }
    // Zooming keeps the clicked point under the mouse as far as the scroll range allows.
    EXPECT_EQ(ScrollToKeep(0.5, 1000, 200, 400), 300);
    EXPECT_EQ(ScrollToKeep(0.9, 1000, 0, 400), 600);
    EXPECT_EQ(ScrollToKeep(0.1, 1000, 300, 400), 0);
    EXPECT_EQ(ScrollToKeep(0.5, 300, 100, 400), 0);  // fits: nothing to scroll
}

namespace {
// Records the page callbacks and draws the left half of the printable area black.
class HalfPage : public PrintJobInfo {
public:
    std::vector<std::string> calls;
    RECT area{};
    bool IsValidPage(UINT page) override {
        calls.push_back("Valid " + std::to_string(page));
        return page == 0;
    }
    void PrePrintPage(UINT page, HDC) override { calls.push_back("Pre " + std::to_string(page)); }
    bool PrintPage(UINT page, HDC dc) override {
        calls.push_back("Print " + std::to_string(page));
        ::SetMapMode(dc, MM_TWIPS);
        area = PrintableLogicalArea(dc);
        RECT half{area.left, area.top, (area.left + area.right) / 2, area.bottom};
        ::FillRect(dc, &half, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
        return true;
    }
    void PostPrintPage(UINT page, HDC) override { calls.push_back("Post " + std::to_string(page)); }
};

// The colour of a pixel of a 32-bit top-down DIB section.
DWORD PixelAt(HBITMAP image, int x, int y) {
    DIBSECTION dib{};
    if (!image || ::GetObjectW(image, sizeof dib, &dib) != sizeof dib || !dib.dsBm.bmBits) return 0xDEAD;
    auto row = static_cast<const BYTE*>(dib.dsBm.bmBits) + static_cast<size_t>(y) * dib.dsBm.bmWidthBytes;
    return reinterpret_cast<const DWORD*>(row)[x] & 0xFFFFFF;
}
}  // namespace

TEST(PrintPreview, DrawsPageZeroOnceAsThePrinterWouldScaledToTheSheet) {
    TempFolder folder;
    FilePrinter installed(L"Kestrova Preview PS", folder.File(L"preview.ps"));
    ASSERT_TRUE(installed.Installed()) << ::GetLastError();
    Printer printer;
    ASSERT_TRUE(printer.Open(L"Kestrova Preview PS"));
    DevMode mode = printer.CurrentDevMode();

    HWND parent = ::CreateWindowExW(0, L"STATIC", L"", WS_OVERLAPPEDWINDOW, 0, 0, 900, 700, nullptr, nullptr,
                                    nullptr, nullptr);
    ZoomPrintPreviewWindow preview;
    ASSERT_TRUE(preview.Create(parent));
    ::MoveWindow(preview, 0, 0, 800, 600, FALSE);
    HalfPage page;
    preview.SetPrintPreviewInfo(printer, mode.Get(), &page);
    preview.SetPage(0);
    preview.SetStripPixels(2329 * 1000);  // the printable area's 3358 rows in four strips
    preview.ShowWindow(SW_SHOWNOACTIVATE);
    ::ShowWindow(parent, SW_SHOWNOACTIVATE);
    ::UpdateWindow(preview);
    std::vector<std::string> once{"Valid 0"};
    for (int strip = 0; strip < 4; ++strip) once.insert(once.end(), {"Pre 0", "Print 0", "Post 0"});
    EXPECT_EQ(page.calls, once);
    // The page sees the printer's printable area, not the preview's scaled one.
    OwnedDC printerDC = printer.CreateDC(mode.Get());
    ::SetMapMode(printerDC.Get(), MM_TWIPS);
    const RECT onPaper = PrintableLogicalArea(printerDC.Get());
    EXPECT_TRUE(::EqualRect(&page.area, &onPaper));
    EXPECT_NEAR(onPaper.right - onPaper.left, 2329 * 1440 / 300, 40);

    // The image is the printable area at the sheet's scale, the left half black.
    const RECT printable = preview.Layout().printable;
    const int width = printable.right - printable.left, height = printable.bottom - printable.top;
    EXPECT_EQ(preview.Layout().paper.cy, 600 - 2 * kPreviewMargin - kPreviewShadow);
    for (int y : {1, height / 3, height / 2, height - 2}) {
        EXPECT_EQ(PixelAt(preview.PageImage(), 1, y), 0u) << y;
        EXPECT_EQ(PixelAt(preview.PageImage(), width / 2 - 3, y), 0u) << y;
        EXPECT_EQ(PixelAt(preview.PageImage(), width / 2 + 3, y), 0xFFFFFFu) << y;
    }

    // Painting again draws the image it has; a new zoom draws the page anew at the new size.
    preview.Invalidate(FALSE);
    ::UpdateWindow(preview);
    EXPECT_EQ(page.calls, once);
    preview.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(400, 300));
    EXPECT_EQ(preview.Zoom(), PreviewZoom::Actual);
    ::UpdateWindow(preview);
    EXPECT_EQ(page.calls.size(), 2 * once.size());
    EXPECT_GT(preview.Layout().paper.cy, 1000);
    SCROLLINFO bar{sizeof bar, SIF_RANGE | SIF_PAGE, 0, 0, 0, 0, 0};
    EXPECT_TRUE(::GetScrollInfo(preview, SB_VERT, &bar));
    EXPECT_EQ(bar.nMax + 1, preview.Layout().content.cy);

    // A page that is not valid is not drawn: the sheet stays blank.
    page.calls.clear();
    preview.SetPage(1);
    preview.RenderIfNeeded();
    EXPECT_EQ(page.calls, std::vector<std::string>{"Valid 1"});
    EXPECT_EQ(PixelAt(preview.PageImage(), 1, 1), 0xFFFFFFu);
    preview.DestroyWindow();
    ::DestroyWindow(parent);
}
