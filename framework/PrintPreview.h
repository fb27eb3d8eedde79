// The zooming print preview: one printed page drawn on a sheet of paper at the printer's paper size,
// as a whole page or at 100 % or 200 %, with scroll bars when the sheet is larger than the window.
#pragma once
#include <windows.h>

#include <algorithm>

#include "Gdi.h"
#include "Print.h"
#include "Window.h"

// The page of a printer, in its device units.
struct PaperMetrics {
    int width = 0, height = 0;                   // the whole sheet (PHYSICALWIDTH / HEIGHT)
    int offsetX = 0, offsetY = 0;                // the printable area's corner on the sheet
    int printableWidth = 0, printableHeight = 0;  // HORZRES / VERTRES
    int dpiX = 0, dpiY = 0;

    static PaperMetrics Of(HDC printerDC);
    // A sheet that can be drawn: positive sizes and resolutions, the printable area on the sheet,
    // at most 131072 pixels either way.
    bool Usable() const;
};

enum class PreviewZoom { WholePage, Actual, Double };
// Whole page -> 100 % -> 200 % -> whole page.
PreviewZoom NextZoom(PreviewZoom zoom);

// Where the sheet goes in the preview's content, in screen pixels.
struct PreviewLayout {
    SIZE paper{};      // the sheet at this zoom
    RECT printable{};  // the printable area on the sheet, from the sheet's corner
    SIZE content{};    // the sheet with a margin around it: what scrolls
};

// The sheet at `zoom` on a screen of `screenDpi` in a window whose client area is `client`: the
// whole page fits the client area, 100 % is the paper's real size. A sheet is never drawn larger
// than kMaxPreviewPixels on its long side, nor smaller than one pixel; an unusable one is empty.
inline constexpr int kPreviewMargin = 16;
inline constexpr int kPreviewShadow = 4;
inline constexpr int kMaxPreviewPixels = 4096;
// The page is drawn at the printer's resolution in strips of at most this many pixels.
inline constexpr LONG kPreviewStripPixels = 8 << 20;
PreviewLayout LayOutPreview(const PaperMetrics& paper, PreviewZoom zoom, SIZE client, int screenDpi);

// The scroll position, along one axis, that puts the content point at `fraction` of the content's
// length under the client position `at` once the content is `after` long; clamped to what a client
// `clientLength` long can scroll.
int ScrollToKeep(double fraction, int after, int at, int clientLength);

class ZoomPrintPreviewWindow : public Window<ZoomPrintPreviewWindow> {
public:
    DECLARE_WND_CLASS_EX(L"KV_PrintPreview", CS_DBLCLKS, COLOR_APPWORKSPACE)

    BEGIN_MSG_MAP(ZoomPrintPreviewWindow)
        MESSAGE_HANDLER(WM_PAINT, OnPaint)
        MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBackground)
        MESSAGE_HANDLER(WM_SIZE, OnSize)
        MESSAGE_HANDLER(WM_HSCROLL, OnScroll)
        MESSAGE_HANDLER(WM_VSCROLL, OnScroll)
        MESSAGE_HANDLER(WM_MOUSEWHEEL, OnMouseWheel)
        MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLeftButtonDown)
        MESSAGE_HANDLER(WM_LBUTTONDBLCLK, OnLeftButtonDown)
    END_MSG_MAP()

    ZoomPrintPreviewWindow() = default;
    ~ZoomPrintPreviewWindow() override;

    // Creates the preview as a child of `parent`, not yet shown.
    HWND Create(HWND parent);

    // The printer and device settings the page is drawn for, and what draws it. `info` must outlive
    // the preview or be replaced. The page is drawn again at the next paint.
    void SetPrintPreviewInfo(const Printer& printer, const DEVMODEW* mode, PrintJobInfo* info);
    void SetPage(UINT page);
    UINT Page() const { return m_page; }
    void SetZoom(PreviewZoom zoom);
    PreviewZoom Zoom() const { return m_zoom; }
    // Forgets the drawn page, so that the next paint draws it anew.
    void Refresh();
    // The most pixels of one strip at the printer's resolution: the memory the drawing takes.
    // Smaller strips draw the page more often.
    void SetStripPixels(LONG pixels) { m_stripPixels = std::max(1L, pixels); }

    // What the preview shows now (for checks): the sheet's layout, its top-left corner in the
    // client area and the drawn page, none before the first paint or for an unusable printer.
    const PaperMetrics& Paper() const { return m_paper; }
    const PreviewLayout& Layout() const { return m_layout; }
    POINT PaperOrigin() const;
    HBITMAP PageImage() const { return m_pageImage.Get(); }
    // Draws the page now if it is not drawn (the paint does it otherwise).
    void RenderIfNeeded();

private:
    LRESULT OnPaint(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnEraseBackground(UINT, WPARAM, LPARAM, BOOL&) { return 1; }
    LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnScroll(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnMouseWheel(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnLeftButtonDown(UINT, WPARAM, LPARAM, BOOL&);

    void UpdateLayout();
    void UpdateScrollBars();
    void ScrollTo(int x, int y);
    void DrawPageImage();

    PrintJobInfo* m_info = nullptr;
    LONG m_stripPixels = kPreviewStripPixels;
    OwnedDC m_printerDC;
    PaperMetrics m_paper;
    UINT m_page = 0;
    PreviewZoom m_zoom = PreviewZoom::WholePage;
    PreviewLayout m_layout;
    POINT m_scroll{};
    int m_screenDpi = 96;
    bool m_updatingScrollBars = false;
    // The printable area as the printer would print it, drawn once per layout and printer.
    Bitmap m_pageImage;
    Brush m_paperBrush{RGB(255, 255, 255)};
    Brush m_shadowBrush{RGB(64, 64, 64)};
    Brush m_backgroundBrush{RGB(128, 128, 128)};
};
