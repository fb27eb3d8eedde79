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
// A `from` millennia away from the records (-1e300, say) would lose their differences in
// rounding, all in one sample; the intervals are then counted from the first record.
Series Reduce(const LogRecord* begin, const LogRecord* end, double from, double interval);

// Whether a stored record can be true: a time of the protocol's range no later than `latest`,
// a measured value and a signal level.
bool IsPlausible(const LogRecord& record, double latest);

// The records of a log that cannot be true, as ascending indices: the implausible ones and those
// outside the longest run of ascending times among the rest, so that one wild record costs one
// record, not every one after it. Empty (and cheap) for a sound log.
std::vector<size_t> ImplausibleRecords(const std::vector<LogRecord>& records, double latest);

// What opening a log put right.
struct LogRepair {
    bool torn = false;    // a partial last record (a crash during an append) was cut off
    size_t setApart = 0;  // records that cannot be true, moved to the side file
};

// The log file of one sensor. Appends go to the file before memory, so memory never holds what
// the file lacks; a failed or short write is cut back off the file.
class SensorLog {
public:
    // Opens or creates the file. A torn last record is cut off; records that cannot be true
    // (see ImplausibleRecords, with times up to `latest`) are appended to SetApartPath() and
    // taken out of the log, so that they are neither served nor in the way of new measurements.
    // `repair` tells what was done. Returns S_OK or the failure.
    HRESULT Open(const std::wstring& path, double latest, LogRepair* repair = nullptr);
    // Creates the file empty, whatever was there before.
    HRESULT Create(const std::wstring& path);
    // Appends plausible records whose times do not go back before the newest; E_INVALIDARG
    // otherwise.
    HRESULT Append(const LogRecord* records, size_t count);
    HRESULT Append(const LogRecord& record) { return Append(&record, 1); }
    // Closes and deletes the file; the log is empty afterwards.
    HRESULT Delete();

    const std::vector<LogRecord>& Records() const { return m_records; }
    const std::wstring& Path() const { return m_path; }
    std::wstring SetApartPath() const { return m_path + L".bad"; }

private:
    HRESULT OpenFile(const std::wstring& path, DWORD disposition);
    HRESULT SetApart(const std::vector<size_t>& bad);

    std::wstring m_path;
    UniqueHandle m_file;
    std::vector<LogRecord> m_records;
};
