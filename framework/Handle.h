// Owners of kernel handles and loaded libraries.
#pragma once
#include <windows.h>
#include <utility>

// Owns a handle that CloseHandle releases (mutex, event, process, file ...).
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(HANDLE h) : m_h(h == INVALID_HANDLE_VALUE ? nullptr : h) {}
    ~UniqueHandle() { Close(); }
    UniqueHandle(UniqueHandle&& other) noexcept : m_h(std::exchange(other.m_h, nullptr)) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) {
            Close();
            m_h = std::exchange(other.m_h, nullptr);
        }
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    HANDLE Get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }
    void Reset(HANDLE h = nullptr) {
        Close();
        m_h = h == INVALID_HANDLE_VALUE ? nullptr : h;
    }
    void Close() {
        if (m_h) ::CloseHandle(std::exchange(m_h, nullptr));
    }

private:
    HANDLE m_h = nullptr;
};

// Owns a module from LoadLibrary / LoadLibraryEx.
class Library {
public:
    Library() = default;
    explicit Library(HMODULE h) : m_h(h) {}
    ~Library() { Free(); }
    Library(Library&& other) noexcept : m_h(std::exchange(other.m_h, nullptr)) {}
    Library& operator=(Library&& other) noexcept {
        if (this != &other) {
            Free();
            m_h = std::exchange(other.m_h, nullptr);
        }
        return *this;
    }
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    HMODULE Get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }
    HMODULE Release() { return std::exchange(m_h, nullptr); }
    void Free() {
        if (m_h) ::FreeLibrary(std::exchange(m_h, nullptr));
    }

private:
    HMODULE m_h = nullptr;
};
