// The one owner template behind every handle wrapper: holds a handle, frees it with `Free` when it
// goes out of scope or is replaced, and moves but never copies.
#pragma once
#include <utility>

template <class H, void (*Free)(H)>
class Unique {
public:
    Unique() = default;
    explicit Unique(H h) : m_h(h) {}
    ~Unique() { Reset(); }
    Unique(Unique&& other) noexcept : m_h(std::exchange(other.m_h, H{})) {}
    Unique& operator=(Unique&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.m_h, H{}));
        return *this;
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;

    H Get() const { return m_h; }
    explicit operator bool() const { return m_h != H{}; }
    // Frees what is held and takes `h`.
    void Reset(H h = H{}) {
        if (m_h != H{}) Free(m_h);
        m_h = h;
    }
    // Gives up ownership without freeing.
    H Release() { return std::exchange(m_h, H{}); }
    // For out-parameters: frees what is held and hands out the slot.
    H* Receive() {
        Reset();
        return &m_h;
    }

private:
    H m_h{};
};
