#include "Logger.h"

#include <shlobj.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Com.h"
#include "FileIo.h"

namespace {
constexpr double kSecondsPerDay = 86400.0;

std::wstring Format(const wchar_t* format, const std::wstring& a, const std::wstring& b) {
    std::wstring text = format;
    size_t at = text.find(L"%1");
    if (at != std::wstring::npos) text.replace(at, 2, a);
    at = text.find(L"%2");
    if (at != std::wstring::npos) text.replace(at, 2, b);
    return text;
}

std::wstring SensorLabel(const SensorInfo& info) {
    return (info.name.empty() ? L"Device" : info.name) + L" (" + std::to_wstring(info.id) + L")";
}
}  // namespace

double UtcNow() {
    SYSTEMTIME st;
    ::GetSystemTime(&st);
    double date = 0;
    ::SystemTimeToVariantTime(&st, &date);  // whole seconds
    return date + st.wMilliseconds / (kSecondsPerDay * 1000.0);
}

std::vector<SensorInfo> DefaultSensors(int count) {
    struct Device {
        const wchar_t* name;
        long temperatureType;
        long secondType;  // 0: temperature only
    };
    static const Device kDevices[] = {
        {L"Office", Protocol::kTemperatureWithSignal, Protocol::kHumidityWithSignal},
        {L"Laboratory", Protocol::kTemperatureWithSignal, Protocol::kHumidityWithSignal},
        {L"Store room", Protocol::kTemperatureWithSignal, Protocol::kHumidityWithSignal},
        {L"Meeting room", Protocol::kTemperatureWithSignal, Protocol::kCo2WithSignal},
        {L"Outdoor", Protocol::kTemperature, 0},
    };
    std::vector<SensorInfo> sensors;
    for (int device = 0; static_cast<int>(sensors.size()) < count; ++device) {
        const Device& d = kDevices[device % 5];
        std::wstring name = d.name;
        if (device >= 5) name += L" " + std::to_wstring(device / 5 + 1);
        long id = 100 + 2 * device;
        SensorInfo t;
        t.id = id;
        t.type = d.temperatureType;
        t.name = name;
        sensors.push_back(t);
        if (d.secondType && static_cast<int>(sensors.size()) < count) {
            SensorInfo s = t;
            s.id = ViewKey(id, d.secondType);
            s.type = d.secondType;
            sensors.push_back(s);
        }
    }
    for (size_t i = 0; i < sensors.size(); ++i) sensors[i].settingsIndex = static_cast<long>(i + 1);
    return sensors;
}

std::vector<double> HistoryTimes(double now, double days, double stepSeconds) {
    std::vector<double> times;
    if (!(days > 0) || !(stepSeconds > 0)) return times;
    double step = stepSeconds / kSecondsPerDay;
    // Whole steps since day 0, so that the history lies on round times.
    double first = std::ceil((now - days) / step);
    double last = std::ceil(now / step) - 1;
    if (last < first) return times;
    times.reserve(static_cast<size_t>(last - first + 1));
    for (double k = first; k <= last; ++k) times.push_back(k * step);
    return times;
}

HRESULT Logger::Open(const LoggerOptions& options, std::wstring* problem) {
    m_folder = options.dataFolder;
    if (!m_folder.empty() && m_folder.back() != L'\\' && m_folder.back() != L'/') m_folder += L'\\';
    int made = ::SHCreateDirectoryExW(nullptr, m_folder.c_str(), nullptr);
    if (made != ERROR_SUCCESS && made != ERROR_ALREADY_EXISTS && made != ERROR_FILE_EXISTS) {
        HRESULT hr = HRESULT_FROM_WIN32(made);
        *problem = Format(L"Cannot make the data folder %1: %2", m_folder, ComErrorText(hr));
        return hr;
    }
    // One server per data folder: a second one would interleave appends with ours.
    m_folderLock.Reset(::CreateFileW((m_folder + L"ostrel.lock").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS,
                                     FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!m_folderLock) {
        HRESULT hr = HRESULT_FROM_WIN32(::GetLastError());
        *problem = Format(L"Cannot use the data folder %1: %2", m_folder, ComErrorText(hr));
        return hr;
    }

    bool exists = false;
    std::wstring cataloguePath = m_folder + L"catalogue.txt";
    HRESULT hr = m_catalogue.Load(cataloguePath, &exists);
    if (FAILED(hr)) {
        *problem = Format(L"Cannot read the catalogue %1: %2", cataloguePath, ComErrorText(hr));
        return hr;
    }
    bool first = !exists;
    if (!m_catalogue.damagedLines.empty()) {
        // The lines that could be read are used; the file as it was is kept beside it, since the
        // next save writes only what was read.
        std::wstring copy;
        for (int n = 1; n <= 999 && copy.empty(); ++n) {
            std::wstring name = cataloguePath + L".damaged" + (n > 1 ? L"-" + std::to_wstring(n) : L"");
            if (::CopyFileW(cataloguePath.c_str(), name.c_str(), TRUE)) copy = name;
            else if (::GetLastError() != ERROR_FILE_EXISTS && ::GetLastError() != ERROR_ALREADY_EXISTS) break;
        }
        if (copy.empty()) {
            hr = HRESULT_FROM_WIN32(ERROR_FILE_CORRUPT);
            *problem = Format(L"The catalogue %1 is damaged and cannot be copied aside: %2", cataloguePath,
                              ComErrorText(LastErrorResult()));
            return hr;
        }
        std::wstring lines;
        for (size_t i = 0; i < m_catalogue.damagedLines.size() && i < 20; ++i)
            lines += (i ? L", " : L"") + std::to_wstring(m_catalogue.damagedLines[i]);
        if (m_catalogue.damagedLines.size() > 20) lines += L", ...";
        Status(Format(L"The catalogue %1 has lines that cannot be read (lines ", cataloguePath, L"") + lines +
               Format(L"); the other sensors are served, and the catalogue as it was is kept as %1", copy, L""));
    }
    // A log whose catalogue line was lost stays where it is: no new sensor may be given its index.
    WIN32_FIND_DATAW found;
    struct Search {
        HANDLE h;
        ~Search() {
            if (h != INVALID_HANDLE_VALUE) ::FindClose(h);
        }
    } search{::FindFirstFileW((m_folder + L"sensor-*.log").c_str(), &found)};
    for (bool more = search.h != INVALID_HANDLE_VALUE; more; more = ::FindNextFileW(search.h, &found)) {
        long index = 0;
        if (swscanf(found.cFileName, L"sensor-%ld.log", &index) == 1 && index > 0 && index < 1000000000 &&
            index >= m_catalogue.nextSettingsIndex)
            m_catalogue.nextSettingsIndex = index + 1;
    }
    if (first) {
        m_catalogue.seed = options.seed;
        m_catalogue.sensors = DefaultSensors(options.sensorCount);
        m_catalogue.nextSettingsIndex = static_cast<long>(m_catalogue.sensors.size()) + 1;
        for (const SensorInfo& s : m_catalogue.sensors)
            m_catalogue.nextDeviceId = std::max(m_catalogue.nextDeviceId, DeviceId(s.id) + 2);
    }
    const double now = options.clock();
    for (const SensorInfo& info : m_catalogue.sensors) {
        auto sensor = std::make_shared<Sensor>();
        sensor->info = info;
        std::wstring path = LogPath(info.settingsIndex);
        // Without a catalogue the logs are made anew, as a first start makes them. A log already
        // there (a first start stopped half-way, or a catalogue deleted by hand) is kept aside
        // under another name: nothing a user logged is written over.
        LogRepair repair;
        if (first) {
            std::wstring aside;
            hr = KeepAside(path, aside);
            if (FAILED(hr)) {
                *problem = Format(L"Cannot keep the log %1 aside: %2", path, ComErrorText(hr));
                return hr;
            }
            if (!aside.empty()) Status(Format(L"The log %1 had no catalogue entry and has been kept as %2", path, aside));
        }
        hr = first ? sensor->log.Create(path) : sensor->log.Open(path, now + kFutureMargin, &repair);
        if (FAILED(hr)) {
            *problem = Format(L"Cannot open the log %1: %2", path, ComErrorText(hr));
            return hr;
        }
        if (repair.torn) Status(L"The last record of " + SensorLabel(info) + L" was incomplete and has been dropped");
        if (repair.setApart) {
            Status(Format(L"%1 records of %2 could not be true (times out of order or ahead of the clock, or no "
                          L"numbers) and have been moved to ",
                          std::to_wstring(repair.setApart), SensorLabel(info)) +
                   sensor->log.SetApartPath());
        }
        m_sensors.push_back(sensor);
    }
    m_catalogue.sensors.clear();
    if (!first) return S_OK;

    std::vector<double> times = HistoryTimes(now, options.historyDays, options.historySeconds);
    std::vector<LogRecord> records(times.size());
    for (auto& sensor : m_sensors) {
        SimChannel channel = Channel(sensor->info);
        bool signal = HasSignalLevel(sensor->info.type);
        for (size_t i = 0; i < times.size(); ++i) {
            records[i].time = times[i];
            records[i].value = SimulatedValue(sensor->info.type, channel, times[i]);
            records[i].signal = signal ? SimulatedSignal(channel, times[i]) : 0.0f;
        }
        hr = sensor->log.Append(records.data(), records.size());
        if (FAILED(hr)) {
            *problem = Format(L"Cannot write the log %1: %2", sensor->log.Path(), ComErrorText(hr));
            return hr;
        }
    }
    // The catalogue last: without it the next start begins again with an empty folder.
    hr = SaveCatalogue();
    if (FAILED(hr)) *problem = Format(L"Cannot write the catalogue in %1: %2", m_folder, ComErrorText(hr));
    return hr;
}

HRESULT KeepAside(const std::wstring& path, std::wstring& aside) {
    aside.clear();
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return S_OK;
    for (int n = 1; n <= 999; ++n) {
        std::wstring name = path + L".orphan" + (n > 1 ? L"-" + std::to_wstring(n) : L"");
        if (::MoveFileExW(path.c_str(), name.c_str(), MOVEFILE_WRITE_THROUGH)) {
            aside = name;
            return S_OK;
        }
        DWORD error = ::GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return HRESULT_FROM_WIN32(error);
    }
    return HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
}

std::shared_ptr<Sensor> Logger::Find(long id, long type) const {
    long quantity = Quantity(type);
    if (!quantity) return nullptr;
    for (const auto& sensor : m_sensors) {
        if (Quantity(sensor->info.type) == quantity && ViewKey(sensor->info.id, sensor->info.type) == ViewKey(id, type))
            return sensor;
    }
    return nullptr;
}

HRESULT Logger::Update(Sensor& sensor, const SensorInfo& changed) {
    if (sensor.removed) return HRESULT_FROM_WIN32(ERROR_DEVICE_REMOVED);
    SensorInfo old = sensor.info;
    sensor.info = changed;
    HRESULT hr = SaveCatalogue();
    if (FAILED(hr)) sensor.info = old;
    return hr;
}

HRESULT Logger::Remove(Sensor& sensor) {
    if (sensor.removed) return HRESULT_FROM_WIN32(ERROR_DEVICE_REMOVED);
    auto it = std::find_if(m_sensors.begin(), m_sensors.end(), [&](const auto& s) { return s.get() == &sensor; });
    if (it == m_sensors.end()) return E_UNEXPECTED;
    std::shared_ptr<Sensor> keep = *it;
    size_t position = it - m_sensors.begin();
    m_sensors.erase(it);
    HRESULT hr = SaveCatalogue();
    if (FAILED(hr)) {
        m_sensors.insert(m_sensors.begin() + position, keep);
        return hr;
    }
    sensor.removed = true;
    // The sensor is gone from the catalogue; a log file that cannot be deleted is never read
    // again (settings indexes are not given out twice), but the user should know of it.
    hr = sensor.log.Delete();
    if (FAILED(hr)) Status(Format(L"Cannot delete the log %1: %2", sensor.log.Path(), ComErrorText(hr)));
    return S_OK;
}

HRESULT Logger::Add(long type, const std::wstring& name, std::shared_ptr<Sensor>* added) {
    if (!Protocol::IsSensorType(type)) return E_INVALIDARG;
    long device = m_catalogue.nextDeviceId;
    for (const auto& s : m_sensors) device = std::max(device, DeviceId(s->info.id) + 2);
    auto sensor = std::make_shared<Sensor>();
    sensor->info.id = ViewKey(device, type);
    sensor->info.type = type;
    sensor->info.name = name;
    sensor->info.settingsIndex = m_catalogue.nextSettingsIndex;
    // A log left behind by an earlier attempt must not show up as this sensor's history.
    HRESULT hr = sensor->log.Create(LogPath(sensor->info.settingsIndex));
    if (FAILED(hr)) return hr;
    Catalogue before = m_catalogue;
    ++m_catalogue.nextSettingsIndex;
    m_catalogue.nextDeviceId = device + 2;
    m_sensors.push_back(sensor);
    hr = SaveCatalogue();
    if (FAILED(hr)) {
        m_catalogue = before;
        m_sensors.pop_back();
        sensor->log.Delete();
        return hr;
    }
    *added = sensor;
    return S_OK;
}

HRESULT Logger::Measure(double time) {
    HRESULT result = S_OK;
    // A listener may remove sensors while it is told; walk a copy.
    auto sensors = m_sensors;
    for (const auto& sensor : sensors) {
        if (sensor->removed || !sensor->info.enabled) continue;
        const auto& records = sensor->log.Records();
        if (!records.empty() && time < records.back().time) continue;  // the clock went back
        SimChannel channel = Channel(sensor->info);
        LogRecord record{time, SimulatedValue(sensor->info.type, channel, time), 0.0f};
        if (HasSignalLevel(sensor->info.type)) record.signal = SimulatedSignal(channel, time);
        float previousSignal = records.empty() ? record.signal : records.back().signal;
        HRESULT hr = sensor->log.Append(record);
        if (FAILED(hr)) {
            Status(Format(L"Cannot write the log of %1: %2", SensorLabel(sensor->info), ComErrorText(hr)));
            if (SUCCEEDED(result)) result = hr;
            continue;
        }
        if (m_listener) m_listener->OnMeasurement(sensor->info, record);
        if (record.signal != previousSignal) {
            Status(L"Signal level of " + SensorLabel(sensor->info) + L" is now " +
                   std::to_wstring(static_cast<int>(record.signal)) + L" dBm");
        }
    }
    return result;
}

HRESULT Logger::SaveCatalogue() {
    Catalogue catalogue = m_catalogue;
    for (const auto& sensor : m_sensors) catalogue.sensors.push_back(sensor->info);
    return catalogue.Save(m_folder + L"catalogue.txt");
}

std::wstring Logger::LogPath(long settingsIndex) const {
    return m_folder + L"sensor-" + std::to_wstring(settingsIndex) + L".log";
}

SimChannel Logger::Channel(const SensorInfo& info) const {
    return SimChannel{m_catalogue.seed, info.id >> 1, info.settingsIndex};
}

void Logger::Status(const std::wstring& text) {
    if (m_listener) m_listener->OnStatus(text);
    else m_earlyStatus.push_back(text);
}
