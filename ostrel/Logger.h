// The logger: its sensors with their logs, the catalogue that lists them, and the measuring.
// Plain C++ over files; the COM objects of the server sit on top of it.
#pragma once
#include <windows.h>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Catalogue.h"
#include "Protocol.h"
#include "Handle.h"
#include "SensorLog.h"
#include "Simulation.h"

struct Sensor {
    SensorInfo info;
    SensorLog log;
    bool removed = false;  // set by Remove; objects handed to clients may still hold the sensor
};

// The current UTC time as an OLE automation date.
double UtcNow();

struct LoggerOptions {
    std::wstring dataFolder;
    int sensorCount = 9;             // of the default set made at first start
    double historyDays = 400;        // history made at first start ...
    double historySeconds = 300;     // ... at this step
    unsigned seed = 1;
    std::function<double()> clock = UtcNow;  // "now", for the history and for what a log may hold
};

// How far ahead of the clock a stored record may lie (the clock may have been put back a little);
// later ones cannot be true, and would keep the sensor from logging until then.
inline constexpr double kFutureMargin = 5.0 / 1440;

// Told of every logged measurement and of status texts.
// Moves the file at `path`, if there is one, to `path`.orphan (or .orphan-2 and on, never over
// another file) and says where in `aside`; empty when there was nothing to move.
HRESULT KeepAside(const std::wstring& path, std::wstring& aside);

class LoggerListener {
public:
    virtual void OnMeasurement(const SensorInfo& sensor, const LogRecord& record) = 0;
    virtual void OnStatus(const std::wstring& text) = 0;

protected:
    ~LoggerListener() = default;
};

using Protocol::HasSignalLevel;
using Protocol::Quantity;
using Protocol::ViewKey;

// The sensors made at first start: rooms with temperature and humidity, a meeting room with
// temperature and CO2, an outdoor temperature without signal level; repeated for larger counts.
std::vector<SensorInfo> DefaultSensors(int count);

// The record times of a history of `days` days at `stepSeconds` that ends before `now`.
std::vector<double> HistoryTimes(double now, double days, double stepSeconds);

class Logger {
public:
    // Opens the data folder (made when missing) and its catalogue and logs; with no catalogue yet
    // it makes the default sensors and their history, over whatever logs an earlier first start
    // left half made. Records that cannot be true are set apart and said so (EarlyStatus).
    // `problem` gets a text for the user.
    HRESULT Open(const LoggerOptions& options, std::wstring* problem);

    void SetListener(LoggerListener* listener) { m_listener = listener; }
    // Status texts from before a listener was set (what opening the logs put right).
    const std::vector<std::wstring>& EarlyStatus() const { return m_earlyStatus; }
    const std::wstring& Folder() const { return m_folder; }
    const std::vector<std::shared_ptr<Sensor>>& Sensors() const { return m_sensors; }

    // The sensor of this id and quantity, or null.
    std::shared_ptr<Sensor> Find(long id, long type) const;

    // Changes a sensor's properties and writes the catalogue; on failure nothing changes.
    HRESULT Update(Sensor& sensor, const SensorInfo& changed);
    // Deletes the sensor from the catalogue and its log from the disk.
    HRESULT Remove(Sensor& sensor);
    // Adds a sensor of type code 1..6 with an empty log.
    HRESULT Add(long type, const std::wstring& name, std::shared_ptr<Sensor>* added);

    // Measures every enabled sensor at `time`, logs the values and tells the listener. Returns
    // the first failure; the other sensors are still measured.
    HRESULT Measure(double time);

private:
    HRESULT SaveCatalogue();
    std::wstring LogPath(long settingsIndex) const;
    SimChannel Channel(const SensorInfo& info) const;
    void Status(const std::wstring& text);

    std::wstring m_folder;
    UniqueHandle m_folderLock;
    Catalogue m_catalogue;  // next index and seed; the sensors live in m_sensors
    std::vector<std::shared_ptr<Sensor>> m_sensors;
    LoggerListener* m_listener = nullptr;
    std::vector<std::wstring> m_earlyStatus;
};
