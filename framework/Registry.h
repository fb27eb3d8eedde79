// Owner of a registry key handle.
#pragma once
#include <windows.h>
#include <utility>

class RegKey {
public:
    RegKey() = default;
    explicit RegKey(HKEY h) : m_h(h) {}
    ~RegKey() { Close(); }
    RegKey(RegKey&& other) noexcept : m_h(std::exchange(other.m_h, nullptr)) {}
    RegKey& operator=(RegKey&& other) noexcept {
        if (this != &other) {
            Close();
            m_h = std::exchange(other.m_h, nullptr);
        }
        return *this;
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    // Opens an existing subkey; the previous key is closed first.
    LONG Open(HKEY parent, const wchar_t* name, REGSAM access) {
        Close();
        return ::RegOpenKeyExW(parent, name, 0, access, &m_h);
    }
    // Creates the subkey when missing (non-volatile, no class string) or opens it.
    LONG Create(HKEY parent, const wchar_t* name, REGSAM access) {
        Close();
        return ::RegCreateKeyExW(parent, name, 0, nullptr, REG_OPTION_NON_VOLATILE, access, nullptr, &m_h, nullptr);
    }
    void Close() {
        if (m_h) ::RegCloseKey(std::exchange(m_h, nullptr));
    }

    HKEY Get() const { return m_h; }
    operator HKEY() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }
    HKEY Release() { return std::exchange(m_h, nullptr); }

private:
    HKEY m_h = nullptr;
};
