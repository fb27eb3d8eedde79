// Whole reads and writes of files: a read or write that stops short is a failure, never a
// success with less than was asked for.
#pragma once
#include <windows.h>

#include <string>

// The thread's last error as an HRESULT; E_FAIL when there is none to tell.
HRESULT LastErrorResult();

// Reads exactly `size` bytes from the file's position. The end of the file before that is
// HRESULT_FROM_WIN32(ERROR_HANDLE_EOF).
HRESULT ReadExactly(HANDLE file, void* data, size_t size);
// Writes all `size` bytes at the file's position.
HRESULT WriteAll(HANDLE file, const void* data, size_t size);
// Puts the file's end at `size` bytes.
HRESULT SetFileSize(HANDLE file, LONGLONG size);
// Writes `size` bytes to `path + ".new"`, flushes it and then puts it in place of `path`.
HRESULT ReplaceWholeFile(const std::wstring& path, const void* data, size_t size);
