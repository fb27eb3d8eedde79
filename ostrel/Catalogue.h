// The list of sensors and their properties, kept as a small text file beside the logs.
#pragma once
#include <windows.h>
#include <string>
#include <vector>

// The device a sensor belongs to: its id with bit 0 clear, shared by the temperature and the
// other quantity of one device (whose id has bit 0 set, its view key).
inline long DeviceId(long sensorId) { return sensorId & ~1L; }

struct SensorInfo {
    long id = 0;
    long type = 0;           // 1..6
    long settingsIndex = 0;  // unique, never given out twice
    bool enabled = true;
    std::wstring name;
    std::wstring description;
};

class Catalogue {
public:
    std::vector<SensorInfo> sensors;
    long nextSettingsIndex = 1;
    long nextDeviceId = 100;  // ids of removed sensors are not given out again either
    unsigned seed = 1;  // of the simulation, so that values go on from where they were
    // Numbers (from 1) of the lines the last read left out because they could not be read.
    std::vector<size_t> damagedLines;

    // Reads the file; a missing file is an empty catalogue with `*exists` false. A file that
    // is not a catalogue at all is an error, so that nothing is written over it; in one that is,
    // lines that cannot be read are left out and listed in `damagedLines`.
    HRESULT Load(const std::wstring& path, bool* exists);
    // Writes a new file and then puts it in place of the old one in one step.
    HRESULT Save(const std::wstring& path) const;

    // The text form (UTF-16 here, UTF-8 on disk) and its reading: false without the first line
    // of a catalogue. A line of no known form, with numbers out of range, or a sensor whose id or
    // settings index an earlier line already has (two sensors must never share a log) is left
    // out and counted as damaged.
    std::wstring ToText() const;
    bool FromText(const std::wstring& text);
};

// Tabs, line ends and backslashes escaped, so that a field stays on one line between tabs.
std::wstring EscapeField(const std::wstring& text);
std::wstring UnescapeField(const std::wstring& text);
