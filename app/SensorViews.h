// The sensors' views of the main frame: the client-view table (every view the frame made, shown or
// hidden, which it owns), the graph table by view key, the link to the logger server and its events.
#pragma once
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "ClientView.h"
#include "Frame.h"
#include "GraphView.h"
#include "Ostrel.h"
#include "ServerEvents.h"
#include "ServerLink.h"

class CDeviceListView;

class CSensorViews : public ServerEventHandler {
public:
    // `dock` holds the views, `list` has a row per graph, `listener` is what the graphs ask of the
    // frame, and `showMessage` puts the server's status texts in front of the user.
    CSensorViews(DockSplitTab::Frame& dock, CDeviceListView& list, ClientViewListener* listener,
                 std::function<void(const std::wstring&)> showMessage);
    ~CSensorViews();
    CSensorViews(const CSensorViews&) = delete;
    CSensorViews& operator=(const CSensorViews&) = delete;

    // The logger server. How it is created can be replaced (tests use an in-process one).
    using ServerFactory = HRESULT (*)(IOstrelServer** server);
    static HRESULT CreateOstrelServer(IOstrelServer** server);
    void SetServerFactory(ServerFactory factory) { m_serverFactory = factory; }

    // Creates the server object, subscribes to its events and makes a graph and a list row for
    // every sensor, as children of `parent`. Throws ComError, also when the server went during the
    // fill. Graphs already there (from a session before) are taken over by the new session.
    void ConnectToServer(HWND parent);
    // Never throws; a failing call ends the fill and what was made stays.
    void FillFromServer();
    // Unsubscribes, says goodbye and lets the server and its sensor objects go; errors change
    // nothing.
    void Disconnect();
    IOstrelServer* Server() const { return m_server.Get(); }

    // The link after it was made once: lost when a call found the server gone, until a new
    // session is made. The error is the result that told, or that of the last failed try.
    bool LinkLost() const { return m_linkLost; }
    HRESULT LinkError() const { return m_linkError; }
    // Told whenever the link is lost, a try to make it again fails, or it is back.
    void SetLinkListener(std::function<void()> changed) { m_linkChanged = std::move(changed); }
    // One tick of the link timer: a connected server is asked a trivial question, so that a server
    // that ended silently is noticed too; a lost link is made again when the schedule says so.
    void CheckLink();
    // Tries at once to make a lost link again; true when it is back.
    bool Reconnect();
    // Takes note of a failed server call's result; true when it says the server is gone.
    bool Gone(HRESULT hr);
    // The server is gone: every reference into it is dropped without calling it; the graphs, the
    // list and their windows stay as they are.
    void DropServer(HRESULT reason);

    CGraphView* FindGraph(int id, int type);
    // The graph of a sensor, made (with its window, tab and list row) when there is none yet.
    CGraphView* FindOrCreateGraph(int id, int type, IOstrelSensor* sensor);
    size_t GraphCount() const { return m_graphs.size(); }
    // Measurement events taken in so far, well-formed or not.
    size_t EventsReceived() const { return m_eventsReceived; }
    template <class F> void ForEachGraph(F&& visit) {
        for (const auto& entry : m_graphs) visit(*entry.second);
    }

    // The client-view table's entry for a window, or none.
    DockSplitTab::ClientView* TableView(HWND view);
    // Takes a view other than a graph (the sensor list) into the table.
    DockSplitTab::ClientView* AddView(std::unique_ptr<DockSplitTab::ClientView> view);
    // A closed graph goes for good: out of both tables and the list, its window destroyed.
    void CloseView(DockSplitTab::ClientView* view);

    // ServerEventHandler
    void OnNewValue(unsigned long type, const VARIANT& data) override;
    void OnMessage(const std::wstring& text) override;

private:
    CGraphView* MakeGraph(int id, int type, IOstrelSensor* sensor, std::vector<NewValue> samples);
    void Deliver(CGraphView& graph, const NewValue& value);
    // A graph of a session before gets this session's sensor object and fetches its window again,
    // which fills the gap from the server's log.
    void Relink(CGraphView& graph, IOstrelSensor* sensor);
    void LinkChanged() {
        if (m_linkChanged) m_linkChanged();
    }

    DockSplitTab::Frame& m_dock;
    CDeviceListView& m_list;
    ClientViewListener* m_listener;
    std::function<void(const std::wstring&)> m_showMessage;
    HWND m_parent = nullptr;

    std::map<HWND, std::unique_ptr<DockSplitTab::ClientView>> m_clientViews;
    std::map<int, CGraphView*> m_graphs;
    // View keys whose graph is being made, with the measurements that arrived meanwhile: the
    // server calls of its making deliver events, and those must neither make a second graph nor
    // be lost.
    std::map<int, std::vector<NewValue>> m_making;
    // View keys of the sensors the user removed: a measurement the server sent before it forgot
    // the sensor may still arrive, and must not bring the graph and its row back.
    std::set<int> m_removed;
    // What each graph holds instead of the session's sensor object.
    std::map<const CGraphView*, ComPtr<SensorRelay>> m_relays;
    ComPtr<IOstrelServer> m_server;
    ServerEventSink m_sink{*this};
    ServerFactory m_serverFactory = &CSensorViews::CreateOstrelServer;
    size_t m_eventsReceived = 0;

    bool m_linkLost = false;
    HRESULT m_linkError = S_OK;
    // A check or a try runs: the calls it makes serve messages, the timer's too.
    bool m_checking = false;
    ReconnectSchedule m_retry;
    std::function<void()> m_linkChanged;
};
