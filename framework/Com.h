// COM helpers: owning references, BSTR, VARIANT and SAFEARRAY wrappers, and the COM error.
#pragma once
#include <objbase.h>
#include <oleauto.h>
#include <exception>
#include <string>
#include <utility>

// The text for an HRESULT: the system's message in the user's language with one trailing line end
// removed; "IDispatch error #n" for the interface-defined range 0x80040200..0x8004FFFF
// (n = low word - 0x200); otherwise "Unknown error 0x...".
std::wstring ComErrorText(HRESULT hr);

// A failed COM call: its HRESULT and the text for it.
class ComError : public std::exception {
public:
    explicit ComError(HRESULT hr) : m_hr(hr), m_text(ComErrorText(hr)) {}
    HRESULT Error() const { return m_hr; }
    const std::wstring& ErrorMessage() const { return m_text; }
    const char* what() const noexcept override { return "COM error"; }

private:
    HRESULT m_hr;
    std::wstring m_text;
};

inline void ThrowIfFailed(HRESULT hr) {
    if (FAILED(hr)) throw ComError(hr);
}

// An owning interface reference.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a new reference to `p`.
    explicit ComPtr(T* p) : m_p(p) {
        if (m_p) m_p->AddRef();
    }
    ComPtr(const ComPtr& other) : ComPtr(other.m_p) {}
    ComPtr(ComPtr&& other) noexcept : m_p(std::exchange(other.m_p, nullptr)) {}
    ~ComPtr() { Release(); }
    ComPtr& operator=(const ComPtr& other) {
        if (this != &other) {
            if (other.m_p) other.m_p->AddRef();
            Release();
            m_p = other.m_p;
        }
        return *this;
    }
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Release();
            m_p = std::exchange(other.m_p, nullptr);
        }
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) {
        Release();
        return *this;
    }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    bool operator==(std::nullptr_t) const { return m_p == nullptr; }

    // Releases what is held and hands out the address for an out-parameter.
    T** Receive() {
        Release();
        return &m_p;
    }
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }
    // Takes over a reference the caller already owns.
    void Attach(T* p) {
        Release();
        m_p = p;
    }
    T* Detach() { return std::exchange(m_p, nullptr); }
    void Release() {
        if (m_p) std::exchange(m_p, nullptr)->Release();
    }

    template <class U>
    HRESULT As(ComPtr<U>& other) const {
        if (!m_p) return E_POINTER;
        return m_p->QueryInterface(__uuidof(U), other.ReceiveVoid());
    }

private:
    T* m_p = nullptr;
};

// An owned BSTR.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const wchar_t* text) : m_s(text ? ::SysAllocString(text) : nullptr) {}
    explicit Bstr(const std::wstring& text)
        : m_s(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { ::SysFreeString(m_s); }
    Bstr(Bstr&& other) noexcept : m_s(std::exchange(other.m_s, nullptr)) {}
    Bstr& operator=(Bstr&& other) noexcept {
        if (this != &other) {
            ::SysFreeString(m_s);
            m_s = std::exchange(other.m_s, nullptr);
        }
        return *this;
    }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    BSTR Get() const { return m_s; }
    operator BSTR() const { return m_s; }
    UINT Length() const { return ::SysStringLen(m_s); }
    std::wstring Str() const { return m_s ? std::wstring(m_s, ::SysStringLen(m_s)) : std::wstring(); }
    BSTR* Receive() {
        ::SysFreeString(std::exchange(m_s, nullptr));
        return &m_s;
    }
    BSTR Detach() { return std::exchange(m_s, nullptr); }

private:
    BSTR m_s = nullptr;
};

// An owned VARIANT, cleared when it goes out of scope.
class Variant : public VARIANT {
public:
    Variant() { ::VariantInit(this); }
    ~Variant() { ::VariantClear(this); }
    Variant(const Variant&) = delete;
    Variant& operator=(const Variant&) = delete;

    void Clear() { ::VariantClear(this); }
    VARIANT* Receive() {
        ::VariantClear(this);
        return this;
    }
    // Converts in place; on failure the value is left as it was.
    HRESULT ChangeType(VARTYPE type) { return ::VariantChangeType(this, this, 0, type); }
};

// An owned SAFEARRAY.
class SafeArray {
public:
    SafeArray() = default;
    explicit SafeArray(SAFEARRAY* psa) : m_psa(psa) {}
    ~SafeArray() {
        if (m_psa) ::SafeArrayDestroy(m_psa);
    }
    SafeArray(SafeArray&& other) noexcept : m_psa(std::exchange(other.m_psa, nullptr)) {}
    SafeArray& operator=(SafeArray&& other) noexcept {
        if (this != &other) {
            if (m_psa) ::SafeArrayDestroy(m_psa);
            m_psa = std::exchange(other.m_psa, nullptr);
        }
        return *this;
    }
    SafeArray(const SafeArray&) = delete;
    SafeArray& operator=(const SafeArray&) = delete;

    SAFEARRAY* Get() const { return m_psa; }
    SAFEARRAY* Detach() { return std::exchange(m_psa, nullptr); }
    explicit operator bool() const { return m_psa != nullptr; }

    // Number of elements of dimension 1 (0 when there is no array).
    static LONG Count(SAFEARRAY* psa) {
        LONG lower = 0, upper = -1;
        if (!psa || FAILED(::SafeArrayGetLBound(psa, 1, &lower)) || FAILED(::SafeArrayGetUBound(psa, 1, &upper)))
            return 0;
        return upper - lower + 1;
    }

private:
    SAFEARRAY* m_psa = nullptr;
};

// Locks a SAFEARRAY's data for direct access while the guard lives.
template <class T>
class SafeArrayData {
public:
    explicit SafeArrayData(SAFEARRAY* psa) : m_psa(psa) {
        if (m_psa && FAILED(::SafeArrayAccessData(m_psa, reinterpret_cast<void**>(&m_data)))) m_data = nullptr;
    }
    ~SafeArrayData() {
        if (m_data) ::SafeArrayUnaccessData(m_psa);
    }
    SafeArrayData(const SafeArrayData&) = delete;
    SafeArrayData& operator=(const SafeArrayData&) = delete;

    T* Get() const { return m_data; }
    explicit operator bool() const { return m_data != nullptr; }
    T& operator[](size_t i) const { return m_data[i]; }

private:
    SAFEARRAY* m_psa;
    T* m_data = nullptr;
};
