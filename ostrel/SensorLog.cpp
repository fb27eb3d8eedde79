#include "SensorLog.h"

#include <algorithm>
#include <cmath>

#include "FileIo.h"
#include "Handle.h"
#include "Protocol.h"

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
    // Within a million days (t - from) keeps the records' times apart to well under a second.
    if (begin != end && !(std::fabs(begin->time - from) <= 1e6)) from = begin->time;
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

bool IsPlausible(const LogRecord& record, double latest) {
    return Protocol::IsSaneTime(record.time) && record.time <= latest && Protocol::IsSaneValue(record.value) &&
           Protocol::IsSaneValue(record.signal);
}

std::vector<size_t> ImplausibleRecords(const std::vector<LogRecord>& records, double latest) {
    std::vector<size_t> bad;
    const size_t n = records.size();
    size_t sound = 0;
    while (sound < n && IsPlausible(records[sound], latest) &&
           (sound == 0 || records[sound - 1].time <= records[sound].time))
        ++sound;
    if (sound == n) return bad;
    // The longest run of ascending times among the plausible records, and of those the one that
    // keeps the earliest records (what was stored first is more likely true than what came
    // after it). longest[i]: the longest run that starts at record i, found from the end with
    // patience sorting over the negated times.
    std::vector<size_t> longest(n, 0);
    std::vector<double> tails;
    for (size_t i = n; i-- > 0;) {
        if (!IsPlausible(records[i], latest)) continue;
        auto at = std::upper_bound(tails.begin(), tails.end(), -records[i].time);
        longest[i] = static_cast<size_t>(at - tails.begin()) + 1;
        if (at == tails.end()) tails.push_back(-records[i].time);
        else *at = -records[i].time;
    }
    std::vector<bool> keep(n, false);
    double newest = -INFINITY;
    for (size_t i = 0, wanted = tails.size(); i < n && wanted > 0; ++i) {
        if (longest[i] == wanted && records[i].time >= newest) {
            keep[i] = true;
            newest = records[i].time;
            --wanted;
        }
    }
    for (size_t i = 0; i < n; ++i)
        if (!keep[i]) bad.push_back(i);
    return bad;
}

namespace {
// Far beyond any log: a year at one record a second is 0.5 GB.
constexpr LONGLONG kMaxLogBytes = LONGLONG(4) << 30;
}  // namespace

HRESULT SensorLog::OpenFile(const std::wstring& path, DWORD disposition) {
    m_records.clear();
    m_path = path;
    m_file.Reset(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, disposition,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    return m_file ? S_OK : LastErrorResult();
}

HRESULT SensorLog::Create(const std::wstring& path) { return OpenFile(path, CREATE_ALWAYS); }

HRESULT SensorLog::Open(const std::wstring& path, double latest, LogRepair* repair) {
    LogRepair done;
    if (repair) *repair = done;
    HRESULT hr = OpenFile(path, OPEN_ALWAYS);
    if (FAILED(hr)) return hr;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(m_file.Get(), &size)) return LastErrorResult();
    if (size.QuadPart > kMaxLogBytes) return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
    const LONGLONG bytes = size.QuadPart / LONGLONG{sizeof(LogRecord)} * LONGLONG{sizeof(LogRecord)};
    m_records.resize(static_cast<size_t>(bytes) / sizeof(LogRecord));
    hr = ReadExactly(m_file.Get(), m_records.data(), static_cast<size_t>(bytes));
    if (SUCCEEDED(hr) && bytes != size.QuadPart) {
        hr = SetFileSize(m_file.Get(), bytes);
        done.torn = true;
    }
    std::vector<size_t> bad;
    if (SUCCEEDED(hr)) bad = ImplausibleRecords(m_records, latest);
    if (SUCCEEDED(hr) && !bad.empty()) {
        hr = SetApart(bad);
        done.setApart = bad.size();
    }
    if (FAILED(hr)) {
        m_records.clear();
        return hr;
    }
    if (repair) *repair = done;
    return S_OK;
}

HRESULT SensorLog::SetApart(const std::vector<size_t>& bad) {
    std::vector<LogRecord> apart, kept;
    apart.reserve(bad.size());
    kept.reserve(m_records.size() - bad.size());
    for (size_t i = 0, b = 0; i < m_records.size(); ++i) {
        if (b < bad.size() && bad[b] == i) {
            apart.push_back(m_records[i]);
            ++b;
        } else {
            kept.push_back(m_records[i]);
        }
    }
    // The side file first: stopped before the log is cut, the next start sets the same records
    // apart again, and nothing is lost.
    {
        UniqueHandle side(::CreateFileW(SetApartPath().c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!side) return LastErrorResult();
        LARGE_INTEGER end{};
        if (!::SetFilePointerEx(side.Get(), LARGE_INTEGER{}, &end, FILE_END)) return LastErrorResult();
        HRESULT hr = WriteAll(side.Get(), apart.data(), apart.size() * sizeof(LogRecord));
        if (SUCCEEDED(hr) && !::FlushFileBuffers(side.Get())) hr = LastErrorResult();
        if (FAILED(hr)) {
            SetFileSize(side.Get(), end.QuadPart);
            return hr;
        }
    }
    HRESULT hr = S_OK;
    if (bad.front() == kept.size()) {
        // Only the end was bad (garbage appended to the file): cut it off.
        hr = SetFileSize(m_file.Get(), static_cast<LONGLONG>(kept.size() * sizeof(LogRecord)));
    } else {
        m_file.Close();
        hr = ReplaceWholeFile(m_path, kept.data(), kept.size() * sizeof(LogRecord));
        m_file.Reset(::CreateFileW(m_path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                   OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!m_file && SUCCEEDED(hr)) hr = LastErrorResult();
    }
    if (SUCCEEDED(hr)) m_records.swap(kept);
    return hr;
}

HRESULT SensorLog::Append(const LogRecord* records, size_t count) {
    if (!m_file) return E_UNEXPECTED;
    double newest = m_records.empty() ? -INFINITY : m_records.back().time;
    for (size_t i = 0; i < count; ++i) {
        if (!IsPlausible(records[i], Protocol::kLatestTime) || records[i].time < newest) return E_INVALIDARG;
        newest = records[i].time;
    }
    LONGLONG oldSize = static_cast<LONGLONG>(m_records.size() * sizeof(LogRecord));
    LARGE_INTEGER end;
    end.QuadPart = oldSize;
    if (!::SetFilePointerEx(m_file.Get(), end, nullptr, FILE_BEGIN)) return LastErrorResult();
    HRESULT hr = WriteAll(m_file.Get(), records, count * sizeof(LogRecord));
    if (FAILED(hr)) {
        SetFileSize(m_file.Get(), oldSize);  // a partial record must not stay behind
        return hr;
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
    if (!m_path.empty()) ::DeleteFileW(SetApartPath().c_str());  // what was set apart goes with the log
    return S_OK;
}
