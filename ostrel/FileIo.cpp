#include "FileIo.h"

#include <algorithm>

#include "Handle.h"

namespace {
// ReadFile and WriteFile take 32-bit counts; large buffers go in pieces.
constexpr size_t kChunk = 1 << 24;
}  // namespace

HRESULT LastErrorResult() {
    DWORD error = ::GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

HRESULT ReadExactly(HANDLE file, void* data, size_t size) {
    char* bytes = static_cast<char*>(data);
    for (size_t done = 0; done < size;) {
        DWORD chunk = static_cast<DWORD>(std::min(size - done, kChunk)), read = 0;
        if (!::ReadFile(file, bytes + done, chunk, &read, nullptr)) return LastErrorResult();
        if (read == 0) return HRESULT_FROM_WIN32(ERROR_HANDLE_EOF);  // shorter than it said it was
        done += read;
    }
    return S_OK;
}

HRESULT WriteAll(HANDLE file, const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    for (size_t done = 0; done < size;) {
        DWORD chunk = static_cast<DWORD>(std::min(size - done, kChunk)), written = 0;
        if (!::WriteFile(file, bytes + done, chunk, &written, nullptr)) return LastErrorResult();
        if (written == 0) return HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
        done += written;
    }
    return S_OK;
}

HRESULT SetFileSize(HANDLE file, LONGLONG size) {
    LARGE_INTEGER position;
    position.QuadPart = size;
    if (!::SetFilePointerEx(file, position, nullptr, FILE_BEGIN) || !::SetEndOfFile(file)) return LastErrorResult();
    return S_OK;
}

HRESULT ReplaceWholeFile(const std::wstring& path, const void* data, size_t size) {
    std::wstring temp = path + L".new";
    HRESULT hr = S_OK;
    {
        UniqueHandle file(::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                        nullptr));
        if (!file) return LastErrorResult();
        hr = WriteAll(file.Get(), data, size);
        if (SUCCEEDED(hr) && !::FlushFileBuffers(file.Get())) hr = LastErrorResult();
    }
    if (SUCCEEDED(hr) && !::MoveFileExW(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        hr = LastErrorResult();
    if (FAILED(hr)) ::DeleteFileW(temp.c_str());
    return hr;
}
