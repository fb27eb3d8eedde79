// Printers, device modes, the print job and the print and page-setup dialogs.
#pragma once
#include <windows.h>
#include <commdlg.h>

#include <optional>
#include <string>
#include <vector>

#include "Unique.h"

// What a print job asks of its owner, in this order for each job: BeginPrintJob once, then per
// page IsValidPage, GetNewDevModeForPage, PrePrintPage, PrintPage, PostPrintPage, and EndPrintJob
// once at the end. A page that fails to print aborts the document.
class PrintJobInfo {
public:
    virtual ~PrintJobInfo() = default;
    virtual void BeginPrintJob(HDC) {}
    virtual void EndPrintJob(HDC, bool /*aborted*/) {}
    virtual void PrePrintPage(UINT /*page*/, HDC) {}
    virtual bool PrintPage(UINT page, HDC dc) = 0;
    virtual void PostPrintPage(UINT /*page*/, HDC) {}
    // A device mode for this page, or none to keep the job's.
    virtual const DEVMODEW* GetNewDevModeForPage(UINT /*lastPage*/, UINT /*page*/) { return nullptr; }
    virtual bool IsValidPage(UINT /*page*/) { return true; }
};

// One page through the callbacks that draw it: before page, print page, after page. The printer
// and the preview both render pages through it.
bool RenderPage(PrintJobInfo& info, UINT page, HDC dc);

// The printable area of a page in device units, from its top-left corner, when the unprintable
// border is as wide on the far side as on the near side.
RECT PrintableArea(int physicalWidth, int physicalHeight, int offsetX, int offsetY);
// The same for a printer's device context, from its PHYSICAL* capabilities, in its logical units
// and normalised (left <= right, top <= bottom), from the page's corner whatever the viewport
// origin.
RECT PrintableLogicalArea(HDC dc);

namespace detail {
inline void FreeGlobal(HGLOBAL h) { ::GlobalFree(h); }
inline void ClosePrinterHandle(HANDLE h) { ::ClosePrinter(h); }
inline void DeleteDeviceContext(HDC dc) { ::DeleteDC(dc); }
}  // namespace detail
using GlobalMemory = Unique<HGLOBAL, detail::FreeGlobal>;
// A device context made by CreateDC, deleted with DeleteDC.
using OwnedDC = Unique<HDC, detail::DeleteDeviceContext>;

// A copy of a device mode: the public part and the driver's private bytes behind it.
class DevMode {
public:
    DevMode() = default;
    // Copies `size` bytes at most; a device mode whose own sizes do not fit them, or too short to
    // hold the paper, orientation and copies, is refused.
    DevMode(const DEVMODEW* mode, size_t size);
    static DevMode FromGlobal(HGLOBAL memory);
    bool Empty() const { return m_bytes.empty(); }
    const DEVMODEW* Get() const { return m_bytes.empty() ? nullptr : reinterpret_cast<const DEVMODEW*>(m_bytes.data()); }
    // A movable global copy for the common dialogs; none when empty.
    GlobalMemory ToGlobal() const;

private:
    std::vector<BYTE> m_bytes;
};

// The printer, driver and port names the common dialogs exchange as DEVNAMES.
struct DeviceNames {
    std::wstring driver, device, port;
    static DeviceNames FromGlobal(HGLOBAL memory);
    GlobalMemory ToGlobal() const;
};

// An open printer.
class Printer {
public:
    // Closes what is open; false when `device` cannot be opened (then none is open).
    bool Open(const std::wstring& device, const DEVMODEW* mode = nullptr);
    // The system's default printer: the device name before the first comma of the "device" entry
    // of the profile's "windows" section.
    bool OpenDefault();
    void Close();
    bool IsOpen() const { return static_cast<bool>(m_handle); }
    HANDLE Handle() const { return m_handle.Get(); }
    const std::wstring& Device() const { return m_device; }
    // The printer's current device settings; empty when it cannot tell.
    DevMode CurrentDevMode() const;
    // The printer's names; empty when none is open.
    DeviceNames Names() const;
    // A device context for the printer; none on failure.
    OwnedDC CreateDC(const DEVMODEW* mode) const;

private:
    Unique<HANDLE, detail::ClosePrinterHandle> m_handle;
    std::wstring m_device;
};

// Runs a document on this thread from page `first` to `last`. A page that is not valid ends the
// document there; a page that fails to print aborts it. `output`: a file to print to, or none.
// True when the document was finished, false when it could not start or was aborted.
bool RunPrintJob(const Printer& printer, const DEVMODEW* mode, PrintJobInfo& info, const wchar_t* documentName,
                 UINT first, UINT last, const wchar_t* output = nullptr);

// The page loop of a print job against a document's device calls (the system's for a printer).
class DocumentDevice {
public:
    virtual ~DocumentDevice() = default;
    virtual HDC Dc() = 0;
    virtual bool StartDoc(const wchar_t* name, const wchar_t* output) = 0;
    virtual bool StartPage() = 0;
    virtual bool EndPage() = 0;
    virtual void EndDoc() = 0;
    virtual void AbortDoc() = 0;
    virtual void Reset(const DEVMODEW* mode) = 0;
};
bool RunPrintJob(DocumentDevice& device, PrintJobInfo& info, const wchar_t* documentName, UINT first, UINT last,
                 const wchar_t* output);

// The print dialog for one page: all pages, no page numbers, no selection, copies and collation
// left to the device mode. Starts at `mode` and `names` (the system's default printer when
// those are empty). The chosen settings on OK, none when cancelled.
struct PrinterChoice {
    DevMode mode;
    DeviceNames names;
    RECT margins{};
};
std::optional<PrinterChoice> RunPrintDialog(HWND owner, const DevMode& mode, const DeviceNames& names);
// The page-setup dialog with margins, starting at `margins`.
std::optional<PrinterChoice> RunPageSetupDialog(HWND owner, const DevMode& mode, const DeviceNames& names,
                                                const RECT& margins);
