// The server object: one per client (each CoCreateInstance makes one), with the client's event
// subscriptions and the objects handed to it, so that a client that dies can be cut off alone.
#pragma once
#include <ocidl.h>
#include <olectl.h>

#include <map>
#include <memory>
#include <vector>

#include "DispatchObject.h"
#include "EventChannel.h"
#include "Ostrel.h"
#include "OstrelSensor.h"

class CServerModule;

class COstrelServer : public DispatchObject<IOstrelServer>, public IConnectionPointContainer, public IConnectionPoint {
public:
    explicit COstrelServer(CServerModule& module);
    ~COstrelServer() override;

    // IUnknown, shared by the three interfaces.
    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        return DispatchObject<IOstrelServer>::QueryInterface(iid, object);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return DispatchObject<IOstrelServer>::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return DispatchObject<IOstrelServer>::Release(); }

    // IOstrelServer
    STDMETHODIMP get_DataFolder(BSTR* folder) override;
    STDMETHODIMP MeasureNow(long rounds) override;
    STDMETHODIMP Broadcast(BSTR text, long times) override;
    STDMETHODIMP Disconnect() override;
    STDMETHODIMP GetSensor(long id, long type, IOstrelSensor** sensor) override;
    STDMETHODIMP get_Sensors(IOstrelSensors** sensors) override;
    STDMETHODIMP AddSensor(long type, BSTR name, IOstrelSensor** sensor) override;
    STDMETHODIMP get_Version(BSTR* version) override;

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** points) override;
    STDMETHODIMP FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

    // IConnectionPoint
    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** connections) override;

    // Queues the event for every subscription of this client.
    void Post(const ServerEvent& event);
    bool OwnsCookie(DWORD cookie) const { return m_channels.count(cookie) != 0; }
    // Ends the subscriptions and disconnects every object handed to this client: COM then
    // releases the references the client can no longer release itself.
    void CutOff();

    void AddCollection(COstrelSensors* collection) { m_collections.push_back(collection); }
    void RemoveCollection(COstrelSensors* collection);

protected:
    void* QueryOther(REFIID iid) override;

private:
    // The client's object for the sensor, the same one every time it asks.
    ComPtr<COstrelSensor> SensorObject(const std::shared_ptr<Sensor>& sensor);

    CServerModule& m_module;
    std::map<DWORD, std::unique_ptr<EventChannel>> m_channels;
    std::map<Sensor*, ComPtr<COstrelSensor>> m_sensorObjects;
    std::vector<COstrelSensors*> m_collections;  // not owned: each removes itself when it goes
};
