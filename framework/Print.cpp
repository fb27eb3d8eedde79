#include "Print.h"

#include <algorithm>
#include <cstring>

#include "Gdi.h"

bool RenderPage(PrintJobInfo& info, UINT page, HDC dc) {
    info.PrePrintPage(page, dc);
    bool printed = info.PrintPage(page, dc);
    info.PostPrintPage(page, dc);
    return printed;
}

RECT PrintableArea(int physicalWidth, int physicalHeight, int offsetX, int offsetY) {
    return RECT{0, 0, physicalWidth - 2 * offsetX, physicalHeight - 2 * offsetY};
}

RECT PrintableLogicalArea(HDC dc) {
    RECT device = PrintableArea(::GetDeviceCaps(dc, PHYSICALWIDTH), ::GetDeviceCaps(dc, PHYSICALHEIGHT),
                                ::GetDeviceCaps(dc, PHYSICALOFFSETX), ::GetDeviceCaps(dc, PHYSICALOFFSETY));
    // The preview draws the page in strips, moving the viewport origin for each; the printable
    // area stays where it is on the page.
    POINT origin{};
    ::GetViewportOrgEx(dc, &origin);
    ::OffsetRect(&device, origin.x, origin.y);
    return DeviceToLogicalRect(dc, device);
}

DevMode::DevMode(const DEVMODEW* mode, size_t size) {
    // The paper, orientation and copies fields must be there; the driver's bytes must fit the block.
    constexpr size_t kLeast = offsetof(DEVMODEW, dmFormName);
    if (!mode || size < kLeast || mode->dmSize < kLeast) return;
    size_t whole = size_t{mode->dmSize} + mode->dmDriverExtra;
    if (whole > size) return;
    auto bytes = reinterpret_cast<const BYTE*>(mode);
    m_bytes.assign(bytes, bytes + whole);
}

DevMode DevMode::FromGlobal(HGLOBAL memory) {
    if (!memory) return {};
    size_t size = ::GlobalSize(memory);
    auto mode = static_cast<const DEVMODEW*>(::GlobalLock(memory));
    if (!mode) return {};
    DevMode copy(mode, size);
    ::GlobalUnlock(memory);
    return copy;
}

GlobalMemory DevMode::ToGlobal() const {
    if (m_bytes.empty()) return {};
    GlobalMemory memory(::GlobalAlloc(GMEM_MOVEABLE, m_bytes.size()));
    if (void* p = memory ? ::GlobalLock(memory.Get()) : nullptr) {
        std::memcpy(p, m_bytes.data(), m_bytes.size());
        ::GlobalUnlock(memory.Get());
    }
    return memory;
}

DeviceNames DeviceNames::FromGlobal(HGLOBAL memory) {
    DeviceNames names;
    if (!memory) return names;
    size_t chars = ::GlobalSize(memory) / sizeof(wchar_t);
    auto base = static_cast<const wchar_t*>(::GlobalLock(memory));
    if (!base) return names;
    auto names_ = reinterpret_cast<const DEVNAMES*>(base);
    // Offsets are in characters from the start; a string runs to its zero or the block's end.
    auto at = [&](WORD offset) {
        if (chars < sizeof(DEVNAMES) / sizeof(wchar_t) || offset >= chars) return std::wstring();
        const wchar_t* s = base + offset;
        return std::wstring(s, std::find(s, base + chars, L'\0'));
    };
    names.driver = at(names_->wDriverOffset);
    names.device = at(names_->wDeviceOffset);
    names.port = at(names_->wOutputOffset);
    ::GlobalUnlock(memory);
    return names;
}

GlobalMemory DeviceNames::ToGlobal() const {
    if (device.empty()) return {};
    const size_t header = sizeof(DEVNAMES) / sizeof(wchar_t);
    const size_t chars = header + driver.size() + device.size() + port.size() + 3;
    if (chars > 0xFFFF) return {};
    GlobalMemory memory(::GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, chars * sizeof(wchar_t)));
    auto base = memory ? static_cast<wchar_t*>(::GlobalLock(memory.Get())) : nullptr;
    if (!base) return {};
    auto dn = reinterpret_cast<DEVNAMES*>(base);
    size_t offset = header;
    auto put = [&](const std::wstring& s) {
        std::copy(s.begin(), s.end(), base + offset);
        WORD at = static_cast<WORD>(offset);
        offset += s.size() + 1;
        return at;
    };
    dn->wDriverOffset = put(driver);
    dn->wDeviceOffset = put(device);
    dn->wOutputOffset = put(port);
    dn->wDefault = 0;
    ::GlobalUnlock(memory.Get());
    return memory;
}

bool Printer::Open(const std::wstring& device, const DEVMODEW* mode) {
    Close();
    if (device.empty()) return false;
    PRINTER_DEFAULTSW defaults{nullptr, const_cast<DEVMODEW*>(mode), PRINTER_ACCESS_USE};
    HANDLE handle = nullptr;
    if (!::OpenPrinterW(const_cast<wchar_t*>(device.c_str()), &handle, &defaults)) return false;
    m_handle.Reset(handle);
    m_device = device;
    return true;
}

bool Printer::OpenDefault() {
    wchar_t entry[512] = {};
    ::GetProfileStringW(L"windows", L"device", L"", entry, static_cast<DWORD>(std::size(entry)));
    std::wstring device(entry);
    return Open(device.substr(0, device.find(L',')));
}

void Printer::Close() {
    m_handle.Reset();
    m_device.clear();
}

DevMode Printer::CurrentDevMode() const {
    if (!IsOpen()) return {};
    auto name = const_cast<wchar_t*>(m_device.c_str());
    LONG size = ::DocumentPropertiesW(nullptr, m_handle.Get(), name, nullptr, nullptr, 0);
    if (size <= 0) return {};
    std::vector<BYTE> bytes(static_cast<size_t>(size));
    auto mode = reinterpret_cast<DEVMODEW*>(bytes.data());
    if (::DocumentPropertiesW(nullptr, m_handle.Get(), name, mode, nullptr, DM_OUT_BUFFER) != IDOK) return {};
    return DevMode(mode, bytes.size());
}

DeviceNames Printer::Names() const {
    DeviceNames names;
    if (!IsOpen()) return names;
    names.device = m_device;
    DWORD needed = 0;
    ::GetPrinterW(m_handle.Get(), 2, nullptr, 0, &needed);
    if (needed < sizeof(PRINTER_INFO_2W)) return names;
    std::vector<BYTE> bytes(needed);
    if (!::GetPrinterW(m_handle.Get(), 2, bytes.data(), needed, &needed)) return names;
    auto info = reinterpret_cast<const PRINTER_INFO_2W*>(bytes.data());
    if (info->pDriverName) names.driver = info->pDriverName;
    if (info->pPortName) names.port = info->pPortName;
    return names;
}

OwnedDC Printer::CreateDC(const DEVMODEW* mode) const {
    if (!IsOpen()) return {};
    return OwnedDC(::CreateDCW(L"WINSPOOL", m_device.c_str(), nullptr, mode));
}

namespace {
// A printer's device context as a document device.
class PrinterDocument : public DocumentDevice {
public:
    explicit PrinterDocument(HDC dc) : m_dc(dc) {}
    HDC Dc() override { return m_dc; }
    bool StartDoc(const wchar_t* name, const wchar_t* output) override {
        DOCINFOW info{sizeof info, name, output, nullptr, 0};
        return ::StartDocW(m_dc, &info) > 0;
    }
    bool StartPage() override { return ::StartPage(m_dc) > 0; }
    bool EndPage() override { return ::EndPage(m_dc) > 0; }
    void EndDoc() override { ::EndDoc(m_dc); }
    void AbortDoc() override { ::AbortDoc(m_dc); }
    void Reset(const DEVMODEW* mode) override { ::ResetDCW(m_dc, mode); }

private:
    HDC m_dc;
};
}  // namespace

bool RunPrintJob(DocumentDevice& device, PrintJobInfo& info, const wchar_t* documentName, UINT first, UINT last,
                 const wchar_t* output) {
    if (!device.StartDoc(documentName, output)) return false;
    HDC dc = device.Dc();
    info.BeginPrintJob(dc);
    bool aborted = false;
    UINT previous = first;
    for (UINT page = first; page <= last && !aborted; ++page) {
        if (!info.IsValidPage(page)) break;
        if (const DEVMODEW* mode = info.GetNewDevModeForPage(previous, page)) device.Reset(mode);
        previous = page;
        if (!device.StartPage()) {
            aborted = true;
            break;
        }
        bool printed = RenderPage(info, page, dc);
        aborted = !device.EndPage() || !printed;
        if (page == UINT_MAX) break;
    }
    if (aborted)
        device.AbortDoc();
    else
        device.EndDoc();
    info.EndPrintJob(dc, aborted);
    return !aborted;
}

bool RunPrintJob(const Printer& printer, const DEVMODEW* mode, PrintJobInfo& info, const wchar_t* documentName,
                 UINT first, UINT last, const wchar_t* output) {
    OwnedDC dc = printer.CreateDC(mode);
    if (!dc) return false;
    PrinterDocument document(dc.Get());
    return RunPrintJob(document, info, documentName, first, last, output);
}

namespace {
// Takes the dialog's chosen settings and frees its copies, whatever it answered.
std::optional<PrinterChoice> TakeChoice(bool ok, HGLOBAL& mode, HGLOBAL& names) {
    GlobalMemory ownedMode(mode), ownedNames(names);
    mode = names = nullptr;
    if (!ok) return std::nullopt;
    PrinterChoice choice;
    choice.mode = DevMode::FromGlobal(ownedMode.Get());
    choice.names = DeviceNames::FromGlobal(ownedNames.Get());
    return choice;
}
}  // namespace

std::optional<PrinterChoice> RunPrintDialog(HWND owner, const DevMode& mode, const DeviceNames& names) {
    PRINTDLGW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.Flags = PD_ALLPAGES | PD_NOPAGENUMS | PD_NOSELECTION | PD_USEDEVMODECOPIESANDCOLLATE;
    dialog.nMinPage = dialog.nMaxPage = 1;
    dialog.nFromPage = dialog.nToPage = 1;
    dialog.hDevMode = mode.ToGlobal().Release();
    dialog.hDevNames = names.ToGlobal().Release();
    bool ok = ::PrintDlgW(&dialog) != FALSE;
    return TakeChoice(ok, dialog.hDevMode, dialog.hDevNames);
}

std::optional<PrinterChoice> RunPageSetupDialog(HWND owner, const DevMode& mode, const DeviceNames& names,
                                                const RECT& margins) {
    PAGESETUPDLGW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.Flags = PSD_MARGINS;
    dialog.rtMargin = margins;
    dialog.hDevMode = mode.ToGlobal().Release();
    dialog.hDevNames = names.ToGlobal().Release();
    bool ok = ::PageSetupDlgW(&dialog) != FALSE;
    RECT chosen = dialog.rtMargin;
    auto choice = TakeChoice(ok, dialog.hDevMode, dialog.hDevNames);
    if (choice) choice->margins = chosen;
    return choice;
}
