// A PostScript printer of Wine's own driver that writes each document to a file, for tests and
// screenshots that need a real printer where the test prefix has none.
#pragma once
#include <windows.h>
#include <winspool.h>

#include <string>

#include "Handle.h"

class FilePrinter {
public:
    // Installs printer `name` writing to `file`; check Installed(). With `makeDefault` it becomes the
    // system's default printer until the object goes. Nothing is installed where the driver or its
    // description is missing.
    FilePrinter(const std::wstring& name, const std::wstring& file, bool makeDefault = false) : m_name(name) {
        // The driver reads its printer description from the drivers' folder; Wine's spooler
        // carries a generic one as a resource.
        wchar_t folder[MAX_PATH] = {};
        DWORD size = 0;
        if (!::GetPrinterDriverDirectoryW(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(folder), sizeof folder, &size))
            return;
        m_ppd = std::wstring(folder) + L"\\" + m_name + L".ppd";
        HMODULE spool = ::GetModuleHandleW(L"winspool.drv");
        HRSRC resource = spool ? ::FindResourceW(spool, MAKEINTRESOURCEW(1), L"PPDFILE") : nullptr;
        HGLOBAL data = resource ? ::LoadResource(spool, resource) : nullptr;
        if (!data) return;
        UniqueHandle out(::CreateFileW(m_ppd.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        if (!out || !::WriteFile(out.Get(), ::LockResource(data), ::SizeofResource(spool, resource), &written, nullptr))
            return;
        out.Reset();
        DRIVER_INFO_3W driver{};
        driver.cVersion = 3;
        driver.pName = const_cast<wchar_t*>(m_name.c_str());
        driver.pDriverPath = const_cast<wchar_t*>(L"wineps.drv");
        driver.pDataFile = const_cast<wchar_t*>(m_ppd.c_str());
        driver.pConfigFile = const_cast<wchar_t*>(L"wineps.drv");
        if (!::AddPrinterDriverExW(nullptr, 3, reinterpret_cast<BYTE*>(&driver), APD_COPY_NEW_FILES)) return;
        PRINTER_INFO_2W info{};
        info.pPrinterName = const_cast<wchar_t*>(m_name.c_str());
        info.pPortName = const_cast<wchar_t*>(file.c_str());
        info.pDriverName = const_cast<wchar_t*>(m_name.c_str());
        // "winprint" passes the driver's output to the port; another processor prints nothing.
        info.pPrintProcessor = const_cast<wchar_t*>(L"winprint");
        info.pDatatype = const_cast<wchar_t*>(L"RAW");
        m_printer = ::AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
        if (m_printer && makeDefault) {
            wchar_t previous[256] = {};
            DWORD chars = static_cast<DWORD>(std::size(previous));
            if (::GetDefaultPrinterW(previous, &chars)) m_previousDefault = previous;
            m_madeDefault = ::SetDefaultPrinterW(m_name.c_str()) != FALSE;
        }
    }
    ~FilePrinter() {
        if (m_madeDefault) ::SetDefaultPrinterW(m_previousDefault.empty() ? nullptr : m_previousDefault.c_str());
        if (m_printer) {
            ::DeletePrinter(m_printer);
            ::ClosePrinter(m_printer);
        }
        if (!m_ppd.empty()) ::DeleteFileW(m_ppd.c_str());
    }
    FilePrinter(const FilePrinter&) = delete;
    FilePrinter& operator=(const FilePrinter&) = delete;

    bool Installed() const { return m_printer != nullptr; }
    bool IsDefault() const { return m_madeDefault; }
    // Leaves the printer installed (and the default) when the object goes.
    void Keep() {
        if (m_printer) ::ClosePrinter(m_printer);
        m_printer = nullptr;
        m_ppd.clear();
        m_madeDefault = false;
    }

private:
    std::wstring m_name;
    std::wstring m_ppd;
    std::wstring m_previousDefault;
    HANDLE m_printer = nullptr;
    bool m_madeDefault = false;
};
