// A sensor's log: fixed-size records, ascending in time, kept in memory and appended to a file.
#pragma once
#include <windows.h>
#include <string>
#include <utility>
#include <vector>

#include "Handle.h"

// One measurement as it is stored: 16 bytes on disk, little-endian, no padding.
struct LogRecord {
    double time;   // UTC OLE automation date
    float value;   // degrees Celsius, percent or ppm
    float signal;  // signal level, 0 when the sensor has none
};
static_assert(sizeof(LogRecord) == 16, "the log file format has 16-byte records");

// The answer to a range query: equal-length columns in ascending time.
struct Series {
    std::vector<double> times;
    std::vector<float> values;
};

// Whether (from, to, interval) is a query we can answer: finite, from <= to, interval >= 0.
bool IsValidQuery(double from, double to, double interval);

// The records with from <= time <= to, as indices [first, last) into `records` (ascending).
std::pair<size_t, size_t> FindRange(const std::vector<LogRecord>& records, double from, double to);

// Every record of [begin, end) for interval 0; else one sample per interval counted from `from`:
// the mean of its values at the time of its first record. Empty intervals give no sample.
Series Reduce(const LogRecord* begin, const LogRecord* end, double from, double interval);

// The log file of one sensor. Appends go to the file before memory, so memory never holds what
// the file lacks; a failed or short write is cut back off the file.
class SensorLog {
public:
    // Opens or creates the file. A torn last record (a crash during an append) is cut off;
    // `torn` tells whether that happened. Returns S_OK or the failure.
    HRESULT Open(const std::wstring& path, bool* torn = nullptr);
    // Appends records whose times do not go back before the newest; E_INVALIDARG otherwise.
    HRESULT Append(const LogRecord* records, size_t count);
    HRESULT Append(const LogRecord& record) { return Append(&record, 1); }
    // Closes and deletes the file; the log is empty afterwards.
    HRESULT Delete();

    const std::vector<LogRecord>& Records() const { return m_records; }
    const std::wstring& Path() const { return m_path; }

private:
    std::wstring m_path;
    UniqueHandle m_file;
    std::vector<LogRecord> m_records;
};
