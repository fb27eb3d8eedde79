#include "PrintPreview.h"

#include <algorithm>
#include <cmath>

PaperMetrics PaperMetrics::Of(HDC dc) {
    PaperMetrics paper;
    if (!dc) return paper;
    paper.width = ::GetDeviceCaps(dc, PHYSICALWIDTH);
    paper.height = ::GetDeviceCaps(dc, PHYSICALHEIGHT);
    paper.offsetX = ::GetDeviceCaps(dc, PHYSICALOFFSETX);
    paper.offsetY = ::GetDeviceCaps(dc, PHYSICALOFFSETY);
    paper.printableWidth = ::GetDeviceCaps(dc, HORZRES);
    paper.printableHeight = ::GetDeviceCaps(dc, VERTRES);
    paper.dpiX = ::GetDeviceCaps(dc, LOGPIXELSX);
    paper.dpiY = ::GetDeviceCaps(dc, LOGPIXELSY);
    return paper;
}

bool PaperMetrics::Usable() const {
    // The page is drawn at the printer's resolution: a sheet beyond any printer's is refused.
    constexpr int kMostPixels = 1 << 17;
    auto fits = [](int offset, int printable, int whole) {
        return whole > 0 && whole <= kMostPixels && offset >= 0 && printable > 0 &&
               static_cast<long long>(offset) + printable <= whole;
    };
    return dpiX > 0 && dpiY > 0 && fits(offsetX, printableWidth, width) && fits(offsetY, printableHeight, height);
}

PreviewZoom NextZoom(PreviewZoom zoom) {
    switch (zoom) {
    case PreviewZoom::WholePage: return PreviewZoom::Actual;
    case PreviewZoom::Actual: return PreviewZoom::Double;
    default: return PreviewZoom::WholePage;
    }
}

PreviewLayout LayOutPreview(const PaperMetrics& paper, PreviewZoom zoom, SIZE client, int screenDpi) {
    PreviewLayout layout;
    if (!paper.Usable()) return layout;
    if (screenDpi <= 0) screenDpi = 96;
    const double inchesX = static_cast<double>(paper.width) / paper.dpiX;
    const double inchesY = static_cast<double>(paper.height) / paper.dpiY;
    constexpr int kAround = 2 * kPreviewMargin + kPreviewShadow;
    double pixelsPerInch = screenDpi;  // 100 %
    if (zoom == PreviewZoom::Double) {
        pixelsPerInch = 2.0 * screenDpi;
    } else if (zoom == PreviewZoom::WholePage) {
        pixelsPerInch = std::min(std::max(1L, client.cx - kAround) / inchesX, std::max(1L, client.cy - kAround) / inchesY);
    }
    pixelsPerInch = std::min(pixelsPerInch, kMaxPreviewPixels / std::max(inchesX, inchesY));
    auto pixels = [](double value) { return static_cast<LONG>(std::clamp(std::lround(value), 1L, long{kMaxPreviewPixels})); };
    layout.paper = {pixels(inchesX * pixelsPerInch), pixels(inchesY * pixelsPerInch)};
    // The printable area scales with the sheet, so that it sits on the sheet as on the paper.
    const double sx = static_cast<double>(layout.paper.cx) / paper.width;
    const double sy = static_cast<double>(layout.paper.cy) / paper.height;
    layout.printable = {std::lround(paper.offsetX * sx), std::lround(paper.offsetY * sy),
                        std::lround((static_cast<double>(paper.offsetX) + paper.printableWidth) * sx),
                        std::lround((static_cast<double>(paper.offsetY) + paper.printableHeight) * sy)};
    layout.content = {layout.paper.cx + kAround, layout.paper.cy + kAround};
    return layout;
}

int ScrollToKeep(double fraction, int after, int at, int clientLength) {
    const int most = std::max(0, after - clientLength);
    if (!std::isfinite(fraction)) return 0;
    return static_cast<int>(std::clamp(std::lround(fraction * after) - at, 0L, static_cast<long>(most)));
}

namespace {
// Where content of `length` starts in a client `clientLength` long: centred when it fits,
// scrolled otherwise.
int ContentStart(int length, int clientLength, int scroll) {
    return length <= clientLength ? (clientLength - length) / 2 : -scroll;
}

SIZE ClientSize(HWND window) {
    RECT rc{};
    ::GetClientRect(window, &rc);
    return {rc.right - rc.left, rc.bottom - rc.top};
}
}  // namespace

ZoomPrintPreviewWindow::~ZoomPrintPreviewWindow() {
    if (IsWindow()) DestroyWindow();
}

HWND ZoomPrintPreviewWindow::Create(HWND parent) {
    {
        ClientDC screen(nullptr);
        m_screenDpi = screen ? ::GetDeviceCaps(screen, LOGPIXELSX) : 96;
    }
    RECT rect{0, 0, 100, 100};
    return Window::Create(parent, &rect, nullptr, WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS);
}

void ZoomPrintPreviewWindow::SetPrintPreviewInfo(const Printer& printer, const DEVMODEW* mode, PrintJobInfo* info) {
    m_info = info;
    m_printerDC = printer.CreateDC(mode);
    m_paper = PaperMetrics::Of(m_printerDC.Get());
    UpdateLayout();
    Refresh();
}

void ZoomPrintPreviewWindow::SetPage(UINT page) {
    m_page = page;
    Refresh();
}

void ZoomPrintPreviewWindow::SetZoom(PreviewZoom zoom) {
    m_zoom = zoom;
    UpdateLayout();
}

void ZoomPrintPreviewWindow::Refresh() {
    m_pageImage.Reset();
    if (m_hWnd) Invalidate(FALSE);
}

POINT ZoomPrintPreviewWindow::PaperOrigin() const {
    SIZE client = ClientSize(m_hWnd);
    return {ContentStart(m_layout.content.cx, client.cx, m_scroll.x) + kPreviewMargin,
            ContentStart(m_layout.content.cy, client.cy, m_scroll.y) + kPreviewMargin};
}

void ZoomPrintPreviewWindow::UpdateLayout() {
    if (!m_hWnd) return;
    // Showing or hiding a scroll bar changes the client area, which may change the layout again:
    // a few rounds settle it.
    for (int round = 0; round < 3; ++round) {
        SIZE client = ClientSize(m_hWnd);
        PreviewLayout layout = LayOutPreview(m_paper, m_zoom, client, m_screenDpi);
        if (layout.printable.right - layout.printable.left != m_layout.printable.right - m_layout.printable.left ||
            layout.printable.bottom - layout.printable.top != m_layout.printable.bottom - m_layout.printable.top)
            m_pageImage.Reset();
        m_layout = layout;
        m_scroll.x = std::clamp<LONG>(m_scroll.x, 0, std::max(0L, m_layout.content.cx - client.cx));
        m_scroll.y = std::clamp<LONG>(m_scroll.y, 0, std::max(0L, m_layout.content.cy - client.cy));
        UpdateScrollBars();
        SIZE now = ClientSize(m_hWnd);
        if (now.cx == client.cx && now.cy == client.cy) break;
    }
    Invalidate(FALSE);
}

void ZoomPrintPreviewWindow::UpdateScrollBars() {
    m_updatingScrollBars = true;
    SIZE client = ClientSize(m_hWnd);
    SCROLLINFO info{sizeof info, SIF_PAGE | SIF_POS | SIF_RANGE, 0, 0, 0, 0, 0};
    info.nMax = m_layout.content.cx - 1;
    info.nPage = static_cast<UINT>(std::max(0L, client.cx));
    info.nPos = m_scroll.x;
    ::SetScrollInfo(m_hWnd, SB_HORZ, &info, TRUE);
    info.nMax = m_layout.content.cy - 1;
    info.nPage = static_cast<UINT>(std::max(0L, client.cy));
    info.nPos = m_scroll.y;
    ::SetScrollInfo(m_hWnd, SB_VERT, &info, TRUE);
    m_updatingScrollBars = false;
}

void ZoomPrintPreviewWindow::ScrollTo(int x, int y) {
    SIZE client = ClientSize(m_hWnd);
    POINT to{std::clamp<LONG>(x, 0, std::max(0L, m_layout.content.cx - client.cx)),
             std::clamp<LONG>(y, 0, std::max(0L, m_layout.content.cy - client.cy))};
    if (to.x == m_scroll.x && to.y == m_scroll.y) return;
    m_scroll = to;
    UpdateScrollBars();
    Invalidate(FALSE);
}

void ZoomPrintPreviewWindow::RenderIfNeeded() {
    if (!m_pageImage) DrawPageImage();
}

namespace {
Bitmap WhiteImage(HDC dc, LONG width, LONG height) {
    BITMAPINFO bits{};
    bits.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* pixels = nullptr;
    Bitmap image(::CreateDIBSection(dc, &bits, DIB_RGB_COLORS, &pixels, nullptr, 0));
    if (image) std::fill_n(static_cast<DWORD*>(pixels), static_cast<size_t>(width) * height, 0xFFFFFFu);
    return image;
}
}  // namespace

// The callbacks draw the page into a memory DC made like the printer's, at the printer's
// resolution, so that they see its paper, printable area and twips as when printing: scaling with
// a world transform would turn the text of a page drawn with y growing upwards upside down. To
// bound the memory, the page is drawn in strips of the printable area, one after the other (the
// viewport origin moves the page up for each), and each strip is scaled down into the image.
void ZoomPrintPreviewWindow::DrawPageImage() {
    m_pageImage.Reset();
    const LONG width = m_layout.printable.right - m_layout.printable.left;
    const LONG height = m_layout.printable.bottom - m_layout.printable.top;
    if (!m_printerDC || !m_info || width <= 0 || height <= 0 || !m_paper.Usable()) return;
    MemoryDC target(nullptr);
    MemoryDC strip(m_printerDC.Get());
    if (!target || !strip) return;
    Bitmap image = WhiteImage(target, width, height);
    if (!image) return;
    const LONG columns = m_paper.printableWidth;
    const LONG rows = std::clamp<LONG>(m_stripPixels / columns, 1, m_paper.printableHeight);
    // Without memory for a strip the sheet stays blank rather than being tried at every paint.
    Bitmap stripImage = m_info->IsValidPage(m_page) ? WhiteImage(strip, columns, rows) : Bitmap();
    if (stripImage) {
        SelectedObject keepImage(target, image);
        SelectedObject keepStrip(strip, stripImage);
        // Shrinking keeps the ink: a line one printer pixel wide stays visible on the white sheet.
        ::SetStretchBltMode(target, BLACKONWHITE);
        for (LONG top = 0; top < m_paper.printableHeight; top += rows) {
            const LONG stripRows = std::min(rows, m_paper.printableHeight - top);
            ::PatBlt(strip, 0, 0, columns, rows, WHITENESS);
            bool printed = false;
            {
                SavedDC keep(strip);
                ::SetViewportOrgEx(strip, 0, -top, nullptr);
                printed = ::RenderPage(*m_info, m_page, strip);
            }
            if (!printed) {
                // A page that does not print leaves the sheet blank, as the printer would.
                ::PatBlt(target, 0, 0, width, height, WHITENESS);
                break;
            }
            const int from = ::MulDiv(top, height, m_paper.printableHeight);
            const int to = ::MulDiv(top + stripRows, height, m_paper.printableHeight);
            ::StretchBlt(target, 0, from, width, to - from, strip, 0, 0, columns, stripRows, SRCCOPY);
        }
    }
    m_pageImage = std::move(image);
}

LRESULT ZoomPrintPreviewWindow::OnPaint(UINT, WPARAM, LPARAM, BOOL&) {
    RenderIfNeeded();
    PaintDC dc(m_hWnd);
    const RECT client = GetClientRect();
    const POINT origin = PaperOrigin();
    const RECT paper{origin.x, origin.y, origin.x + m_layout.paper.cx, origin.y + m_layout.paper.cy};
    RECT printable = m_layout.printable;
    ::OffsetRect(&printable, origin.x, origin.y);
    {
        SavedDC keep(dc);
        ::ExcludeClipRect(dc, paper.left, paper.top, paper.right, paper.bottom);
        ::FillRect(dc, &client, m_backgroundBrush);
        if (m_layout.paper.cx > 0) {
            RECT shadow = paper;
            ::OffsetRect(&shadow, kPreviewShadow, kPreviewShadow);
            ::FillRect(dc, &shadow, m_shadowBrush);
        }
    }
    if (m_layout.paper.cx <= 0) return 0;
    {
        SavedDC keep(dc);
        if (m_pageImage) ::ExcludeClipRect(dc, printable.left, printable.top, printable.right, printable.bottom);
        ::FillRect(dc, &paper, m_paperBrush);
    }
    if (m_pageImage) {
        MemoryDC source(dc);
        SelectedObject keepImage(source, m_pageImage.Get());
        ::BitBlt(dc, printable.left, printable.top, printable.right - printable.left, printable.bottom - printable.top,
                 source, 0, 0, SRCCOPY);
    }
    ::FrameRect(dc, &paper, static_cast<HBRUSH>(::GetStockObject(BLACK_BRUSH)));
    return 0;
}

LRESULT ZoomPrintPreviewWindow::OnSize(UINT, WPARAM, LPARAM, BOOL&) {
    if (!m_updatingScrollBars) UpdateLayout();
    return 0;
}

LRESULT ZoomPrintPreviewWindow::OnScroll(UINT msg, WPARAM wParam, LPARAM, BOOL&) {
    const bool horizontal = msg == WM_HSCROLL;
    const int bar = horizontal ? SB_HORZ : SB_VERT;
    const SIZE client = ClientSize(m_hWnd);
    const int page = horizontal ? client.cx : client.cy;
    int pos = horizontal ? m_scroll.x : m_scroll.y;
    switch (LOWORD(wParam)) {
    case SB_LINEUP: pos -= 20; break;
    case SB_LINEDOWN: pos += 20; break;
    case SB_PAGEUP: pos -= page; break;
    case SB_PAGEDOWN: pos += page; break;
    case SB_TOP: pos = 0; break;
    case SB_BOTTOM: pos = horizontal ? m_layout.content.cx : m_layout.content.cy; break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO info{sizeof info, SIF_TRACKPOS, 0, 0, 0, 0, 0};
        if (::GetScrollInfo(m_hWnd, bar, &info)) pos = info.nTrackPos;
        break;
    }
    default: return 0;
    }
    if (horizontal)
        ScrollTo(pos, m_scroll.y);
    else
        ScrollTo(m_scroll.x, pos);
    return 0;
}

LRESULT ZoomPrintPreviewWindow::OnMouseWheel(UINT, WPARAM wParam, LPARAM, BOOL&) {
    const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
    ScrollTo(m_scroll.x, m_scroll.y - delta * 60 / WHEEL_DELTA);
    return 0;
}

// A click zooms in one step (and from 200 % back to the whole page), keeping the clicked point of
// the sheet under the mouse as far as the scrolling allows.
LRESULT ZoomPrintPreviewWindow::OnLeftButtonDown(UINT, WPARAM, LPARAM lParam, BOOL&) {
    const POINT at{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    SIZE client = ClientSize(m_hWnd);
    const SIZE before = m_layout.content;
    const double fx = before.cx > 0 ? (at.x - ContentStart(before.cx, client.cx, m_scroll.x)) / double(before.cx) : 0;
    const double fy = before.cy > 0 ? (at.y - ContentStart(before.cy, client.cy, m_scroll.y)) / double(before.cy) : 0;
    SetZoom(NextZoom(m_zoom));
    client = ClientSize(m_hWnd);
    ScrollTo(ScrollToKeep(fx, m_layout.content.cx, at.x, client.cx),
             ScrollToKeep(fy, m_layout.content.cy, at.y, client.cy));
    return 0;
}
