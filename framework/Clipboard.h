// The clipboard opened for a window, and enhanced metafiles recorded in memory.
#pragma once
#include <windows.h>

#include "Unique.h"

// OpenClipboard / CloseClipboard: the clipboard is closed again on every path once it was opened.
class OpenedClipboard {
public:
    explicit OpenedClipboard(HWND owner) : m_open(::OpenClipboard(owner) != FALSE) {}
    ~OpenedClipboard() {
        if (m_open) ::CloseClipboard();
    }
    OpenedClipboard(const OpenedClipboard&) = delete;
    OpenedClipboard& operator=(const OpenedClipboard&) = delete;
    bool IsOpen() const { return m_open; }

private:
    bool m_open;
};

namespace detail {
inline void DeleteEnhMetaFileHandle(HENHMETAFILE h) { ::DeleteEnhMetaFile(h); }
}  // namespace detail
using EnhMetaFile = Unique<HENHMETAFILE, detail::DeleteEnhMetaFileHandle>;

// An enhanced metafile being recorded in memory against a reference device; Close() ends the
// recording and hands out the picture. A recording never closed is discarded.
class EnhMetaFileRecorder {
public:
    // `description`: the application's name, a zero, the picture's name and two zeros, with its
    // length in characters including those zeros.
    EnhMetaFileRecorder(HDC reference, const wchar_t* description)
        : m_dc(::CreateEnhMetaFileW(reference, nullptr, nullptr, description)) {}
    ~EnhMetaFileRecorder() { Close(); }
    EnhMetaFileRecorder(const EnhMetaFileRecorder&) = delete;
    EnhMetaFileRecorder& operator=(const EnhMetaFileRecorder&) = delete;
    operator HDC() const { return m_dc; }
    EnhMetaFile Close() {
        HDC dc = m_dc;
        m_dc = nullptr;
        return EnhMetaFile(dc ? ::CloseEnhMetaFile(dc) : nullptr);
    }

private:
    HDC m_dc;
};
