// The COM objects of one sensor and of the sensor collection, as handed to a client.
#pragma once
#include <memory>
#include <vector>

#include "DispatchObject.h"
#include "Logger.h"
#include "Ostrel.h"

class COstrelServer;

class COstrelSensor : public DispatchObject<IOstrelSensor> {
public:
    COstrelSensor(Logger& logger, std::shared_ptr<Sensor> sensor) : m_logger(logger), m_sensor(std::move(sensor)) {}

    STDMETHODIMP get_Id(long* id) override;
    STDMETHODIMP get_DeviceId(long* id) override;
    STDMETHODIMP get_Type(long* type) override;
    STDMETHODIMP get_Unit(BSTR* unit) override;
    STDMETHODIMP get_Name(BSTR* name) override;
    STDMETHODIMP put_Name(BSTR name) override;
    STDMETHODIMP get_Description(BSTR* description) override;
    STDMETHODIMP put_Description(BSTR description) override;
    STDMETHODIMP get_Enabled(VARIANT_BOOL* enabled) override;
    STDMETHODIMP put_Enabled(VARIANT_BOOL enabled) override;
    STDMETHODIMP GetData(double from, double to, double interval, VARIANT* times, VARIANT* values) override;
    STDMETHODIMP GetLogPeriod(double* first, double* last) override;
    STDMETHODIMP get_RecordCount(long* count) override;
    STDMETHODIMP Remove() override;
    STDMETHODIMP get_SignalLevel(float* level) override;
    STDMETHODIMP GetLastValue(double* time, float* value) override;
    STDMETHODIMP get_SettingsIndex(long* index) override;

private:
    // S_OK when the sensor can be used; the failure for a removed one.
    HRESULT Usable() const;
    // The same, after checking an out-parameter.
    HRESULT Check(const void* out) const { return out ? Usable() : E_POINTER; }

    Logger& m_logger;
    std::shared_ptr<Sensor> m_sensor;
};

class COstrelSensors : public DispatchObject<IOstrelSensors> {
public:
    // A snapshot of the sensors at the time the client asked.
    COstrelSensors(COstrelServer* server, std::vector<ComPtr<COstrelSensor>> sensors);
    ~COstrelSensors() override;

    STDMETHODIMP get_Parent(IOstrelServer** server) override;
    STDMETHODIMP get_Item(long index, IOstrelSensor** sensor) override;
    STDMETHODIMP get_Count(long* count) override;

private:
    ComPtr<COstrelServer> m_server;
    std::vector<ComPtr<COstrelSensor>> m_sensors;
};

// The longest name and description a sensor takes.
inline constexpr size_t kMaxNameLength = 255;
inline constexpr size_t kMaxDescriptionLength = 4096;
