#include "SensorLog.h"

#include <algorithm>
#include <cmath>

bool IsValidQuery(double from, double to, double interval) {
    return std::isfinite(from) && std::isfinite(to) && std::isfinite(interval) && from <= to && interval >= 0;
}

std::pair<size_t, size_t> FindRange(const std::vector<LogRecord>& records, double from, double to) {
    auto first = std::lower_bound(records.begin(), records.end(), from,
                                  [](const LogRecord& r, double t) { return r.time < t; });
    auto last = std::upper_bound(first, records.end(), to, [](double t, const LogRecord& r) { return t < r.time; });
    return {static_cast<size_t>(first - records.begin()), static_cast<size_t>(last - records.begin())};
}

Series Reduce(const LogRecord* begin, const LogRecord* end, double from, double interval) {
    Series series;
    // An interval so small that the interval numbers overflow holds one record at most anyway.
    if (interval <= 0 || (begin != end && !std::isfinite(((end - 1)->time - from) / interval))) {
        series.times.reserve(end - begin);
        series.values.reserve(end - begin);
        for (const LogRecord* r = begin; r != end; ++r) {
            series.times.push_back(r->time);
            series.values.push_back(r->value);
        }
        return series;
    }
    // Records that lie on an interval boundary belong to the interval they start; the small
    // allowance keeps rounding of the day fractions from moving them into the one before.
    auto bucketOf = [&](double time) { return std::floor((time - from) / interval + 1e-7); };
    const LogRecord* r = begin;
    while (r != end) {
        double bucket = bucketOf(r->time);
        double sum = 0;
        size_t n = 0;
        double firstTime = r->time;
        for (; r != end && bucketOf(r->time) == bucket; ++r, ++n) sum += r->value;
        series.times.push_back(firstTime);
        series.values.push_back(static_cast<float>(sum / n));
    }
    return series;
}

namespace {
HRESULT LastErrorResult() {
    DWORD error = ::GetLastError();
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

bool SetFileSize(HANDLE file, LONGLONG size) {
    LARGE_INTEGER position;
    position.QuadPart = size;
    return ::SetFilePointerEx(file, position, nullptr, FILE_BEGIN) && ::SetEndOfFile(file);
}
}  // namespace

HRESULT SensorLog::Open(const std::wstring& path, bool* torn) {
    if (torn) *torn = false;
    m_records.clear();
    m_path = path;
    m_file.Reset(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_file) return LastErrorResult();
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(m_file.Get(), &size)) return LastErrorResult();
    LONGLONG whole = size.QuadPart / static_cast<LONGLONG>(sizeof(LogRecord));
    m_records.resize(static_cast<size_t>(whole));
    char* data = reinterpret_cast<char*>(m_records.data());
    LONGLONG bytes = whole * static_cast<LONGLONG>(sizeof(LogRecord));
    for (LONGLONG done = 0; done < bytes;) {
        DWORD chunk = static_cast<DWORD>(std::min<LONGLONG>(bytes - done, 1 << 24)), read = 0;
        if (!::ReadFile(m_file.Get(), data + done, chunk, &read, nullptr) || read == 0) {
            HRESULT hr = LastErrorResult();
            m_records.clear();
            return hr;
        }
        done += read;
    }
    if (bytes != size.QuadPart) {
        if (!SetFileSize(m_file.Get(), bytes)) return LastErrorResult();
        if (torn) *torn = true;
    }
    return S_OK;
}

HRESULT SensorLog::Append(const LogRecord* records, size_t count) {
    if (!m_file) return E_UNEXPECTED;
    double newest = m_records.empty() ? -INFINITY : m_records.back().time;
    for (size_t i = 0; i < count; ++i) {
        if (!std::isfinite(records[i].time) || records[i].time < newest) return E_INVALIDARG;
        newest = records[i].time;
    }
    LONGLONG oldSize = static_cast<LONGLONG>(m_records.size() * sizeof(LogRecord));
    LARGE_INTEGER end;
    end.QuadPart = oldSize;
    if (!::SetFilePointerEx(m_file.Get(), end, nullptr, FILE_BEGIN)) return LastErrorResult();
    const char* data = reinterpret_cast<const char*>(records);
    size_t bytes = count * sizeof(LogRecord);
    for (size_t done = 0; done < bytes;) {
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes - done, 1 << 24)), written = 0;
        if (!::WriteFile(m_file.Get(), data + done, chunk, &written, nullptr) || written == 0) {
            HRESULT hr = LastErrorResult();
            SetFileSize(m_file.Get(), oldSize);  // a partial record must not stay behind
            return hr;
        }
        done += written;
    }
    m_records.insert(m_records.end(), records, records + count);
    return S_OK;
}

HRESULT SensorLog::Delete() {
    m_file.Close();
    m_records.clear();
    m_records.shrink_to_fit();
    if (!m_path.empty() && !::DeleteFileW(m_path.c_str()) && ::GetLastError() != ERROR_FILE_NOT_FOUND)
        return LastErrorResult();
    return S_OK;
}
