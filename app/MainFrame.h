// The program's one top-level window: command bar, toolbar and status bar, command routing and
// update-UI.
#pragma once
#include <map>
#include <memory>
#include <string>

#include "Frame.h"
#include "FrameWindow.h"
#include "GraphView.h"
#include "Ostrel.h"
#include "SensorViews.h"
#include "MessageLoop.h"
#include "Print.h"
#include "PrintPreview.h"
#include "MyAppModule.h"
#include "ProgramMessages.h"
#include "ToolBar.h"
#include "UpdateUI.h"
#include "DeviceListView.h"
#include "resource.h"

// Band ids of the rebar: the command bar first, the toolbar second.
inline constexpr UINT kCommandBarBand = 0xEB00;
inline constexpr UINT kToolBarBand = 0xEB01;
// The print preview's toolbar, a band of its own while the preview is shown.
inline constexpr UINT kPreviewToolBarBand = 0xEB02;

class CMainFrame : public FrameWindow<CMainFrame>,
                   public UpdateUI,
                   public CMessageFilter,
                   public CIdleHandler,
                   public DockSplitTab::FrameListener,
                   public ClientViewListener,
                   public PrintJobInfo {
public:
    DECLARE_WND_CLASS_EX(L"KV_DockFrame", 0, COLOR_WINDOW)

    BEGIN_MSG_MAP(CMainFrame)
        MESSAGE_HANDLER(WM_CREATE, OnCreate)
        MESSAGE_HANDLER(WM_CLOSE, OnClose)
        MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
        MESSAGE_HANDLER(WM_TIMER, OnTimer)
        MESSAGE_HANDLER(WM_CLOSE_CLIENT_VIEW, OnCloseClientView)
        MESSAGE_HANDLER(WM_INITMENUPOPUP, OnInitMenuPopup)
        MESSAGE_HANDLER(WM_MENUSELECT, OnMenuSelect)
        MESSAGE_HANDLER(WM_MEASUREITEM, OnMeasureItem)
        MESSAGE_HANDLER(WM_DRAWITEM, OnDrawItem)
        MESSAGE_HANDLER(WM_HELPHITTEST, OnHelpHitTest)
        NOTIFY_CODE_HANDLER(TTN_GETDISPINFOW, OnToolTipText)
        NOTIFY_CODE_HANDLER(RBN_HEIGHTCHANGE, OnReBarHeightChange)
        COMMAND_RANGE_HANDLER(ID_TIMESCALE_FIRST, ID_TIMESCALE_LAST, OnForwardToView)
        COMMAND_ID_HANDLER(ID_SENSOR_PROPERTIES, OnForwardToView)
        COMMAND_ID_HANDLER(ID_GRAPH_PROPERTIES, OnForwardToView)
        COMMAND_ID_HANDLER(ID_FILE_EXPORT, OnForwardToView)
        COMMAND_ID_HANDLER(ID_EDIT_COPY, OnForwardToView)
        COMMAND_ID_HANDLER(ID_FILE_PRINT, OnFilePrint)
        COMMAND_ID_HANDLER(ID_FILE_PRINT_SETUP, OnFilePrintSetup)
        COMMAND_ID_HANDLER(ID_FILE_PRINT_PREVIEW, OnFilePrintPreview)
        COMMAND_ID_HANDLER(ID_PREVIEW_CLOSE, OnPreviewClose)
        COMMAND_ID_HANDLER(ID_VIEW_TOOLBAR, OnViewToolBar)
        COMMAND_ID_HANDLER(ID_VIEW_STATUS_BAR, OnViewStatusBar)
        COMMAND_ID_HANDLER(ID_VIEW_SENSORLIST, OnViewSensorList)
        COMMAND_ID_HANDLER(ID_APP_EXIT, OnFileExit)
        COMMAND_ID_HANDLER(ID_VIEW_OPTIONS, OnViewOptions)
        COMMAND_ID_HANDLER(ID_HELP_CONTENTS, OnHelpContents)
        COMMAND_ID_HANDLER(ID_CONTEXT_HELP, OnContextHelp)
        COMMAND_ID_HANDLER(ID_APP_ABOUT, OnAppAbout)
        CHAIN_MSG_MAP(FrameWindow<CMainFrame>)
    END_MSG_MAP()

    CMainFrame();
    ~CMainFrame() override;

    BOOL PreTranslateMessage(MSG* pMsg) override;
    BOOL OnIdle(int nIdleCount) override;

    // ClientViewListener: what the views ask of the main window.
    DockSplitTab::ClientView* FindClientView(HWND view) override;
    bool ToggleClientView(HWND view) override;
    bool IsClientViewShown(HWND view) override;
    bool ActivateClientView(HWND view) override;
    bool IsClientViewAttached(HWND view) override;
    void DockClientView(HWND view) override;
    void ClientViewRenamed(HWND view, const std::wstring& caption) override;
    void CloseClientView(HWND view) override { SendMessage(WM_CLOSE_CLIENT_VIEW, 0, reinterpret_cast<LPARAM>(view)); }

    // PrintJobInfo: the page of the active printable view, for the printer and the preview alike.
    void PrePrintPage(UINT page, HDC dc) override;
    // Draws the active view's graph into the printable area; false without an active printable
    // view of the frame's table.
    bool PrintPage(UINT page, HDC dc) override;
    void PostPrintPage(UINT page, HDC dc) override;
    // Page 0 of an active printable view of the frame's table.
    bool IsValidPage(UINT page) override;

    // FrameListener: a view was closed in the layout.
    void ViewClosed(DockSplitTab::ClientView* view) override;

    // The sensors' views, their tables and the server link.
    CSensorViews& Views() { return m_views; }
    CGraphView* FindGraph(int id, int type) { return m_views.FindGraph(id, type); }
    size_t GraphCount() const { return m_views.GraphCount(); }
    IOstrelServer* Server() const { return m_views.Server(); }
    // Shows a status text of the server for a second after the last one.
    void ShowServerMessage(const std::wstring& text);

    // The status bar shows the server's messages this long (timer id and milliseconds).
    static constexpr UINT_PTR kStatusTimer = 0x123354;
    static constexpr UINT kStatusTimeout = 1000;
    // The link to the server is checked this often, and made again after a loss.
    static constexpr UINT_PTR kLinkTimer = 0x123355;
    static constexpr UINT kLinkPeriod = 3000;
    // What the status bar shows when nothing else is to be said: "Ready", or that the server is
    // gone and what to do.
    std::wstring ReadyText() const;
    // What the user can do about a failed connection with this result; empty when nothing helps.
    static std::wstring ConnectAdvice(HRESULT error);

    DockSplitTab::Frame& Dock() { return m_dock; }
    HWND SensorList() const { return m_list; }
    CDeviceListView& DeviceList() { return m_list; }

    // The window that view-level commands go to: the active client view's, or none.
    HWND ActiveViewWindow() const;
    const std::wstring& HelpFilePath() const { return m_helpFile; }
    HWND ReBar() const { return m_hWndToolBar; }
    HWND ToolBar() const { return m_toolbar; }
    HWND StatusBar() const { return m_hWndStatusBar; }
    HMENU MenuBar() const { return m_commandBar.Menu(); }
    // The print preview while it is shown, none otherwise.
    ZoomPrintPreviewWindow* Preview() const { return m_preview.get(); }
    // Takes the printer, paper and margins chosen in printer setup; an open preview shows them at once.
    void TakePageSetup(const PrinterChoice& choice);

private:
    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnClose(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnTimer(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnAppAbout(WORD, WORD, HWND, BOOL&);
    LRESULT OnInitMenuPopup(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnMenuSelect(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnMeasureItem(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDrawItem(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnHelpHitTest(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnToolTipText(int, LPNMHDR, BOOL&);
    LRESULT OnReBarHeightChange(int, LPNMHDR, BOOL&);
    LRESULT OnForwardToView(WORD, WORD, HWND, BOOL&);
    LRESULT OnFilePrint(WORD, WORD, HWND, BOOL&);
    LRESULT OnFilePrintSetup(WORD, WORD, HWND, BOOL&);
    LRESULT OnFilePrintPreview(WORD, WORD, HWND, BOOL&);
    LRESULT OnPreviewClose(WORD, WORD, HWND, BOOL&);
    LRESULT OnViewToolBar(WORD, WORD, HWND, BOOL&);
    LRESULT OnViewStatusBar(WORD, WORD, HWND, BOOL&);
    LRESULT OnViewSensorList(WORD, WORD, HWND, BOOL&);
    LRESULT OnCloseClientView(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnFileExit(WORD, WORD, HWND, BOOL&);
    LRESULT OnViewOptions(WORD, WORD, HWND, BOOL&);
    LRESULT OnHelpContents(WORD, WORD, HWND, BOOL&);
    LRESULT OnContextHelp(WORD, WORD, HWND, BOOL&);

    void CreateBars();
    // Starts the link timer and shows every change of the link in the status bar.
    void WatchLink();
    // The active view when the frame's view table holds it and it can print (the sensor list
    // cannot); none otherwise.
    DockSplitTab::ClientView* ActivePrintableView();
    // Takes the printer and device mode chosen in a dialog.
    void TakePrinterChoice(const PrinterChoice& choice);
    // The preview's menu bar and toolbar in place of the main ones, and back.
    void ShowPreviewBars();
    void ShowMainBars();
    void RedrawValueViews();
    void ShowHelp(UINT context);
    // Runs the context-help mode; returns the help context picked, 0 when cancelled.
    UINT TrackContextHelp();

    DockSplitTab::Frame m_dock;
    CDeviceListView m_list{this, g_Module};
    CSensorViews m_views{m_dock, m_list, this, [this](const std::wstring& text) { ShowServerMessage(text); }};
    CommandBar m_commandBar;
    HWND m_toolbar = nullptr;
    ImageList m_toolbarImages;
    bool m_toolbarVisible = true;
    std::wstring m_helpFile;
    std::wstring m_tipText;
    bool m_contextHelpPosted = false;
    bool m_contextHelpActive = false;
    // Printing: the printer, opened when first needed; the device settings and the margins chosen
    // (the margins are kept from one printer setup to the next, not used for printing).
    Printer m_printer;
    DevMode m_devMode;
    RECT m_margins{};
    int m_pageState = 0;  // the printer DC's state saved before the page
    // While the preview is shown: the preview as the frame's client in place of the dock frame,
    // and its toolbar in a rebar band of its own (a child of the rebar, destroyed with it).
    std::unique_ptr<ZoomPrintPreviewWindow> m_preview;
    HWND m_previewToolbar = nullptr;
    ImageList m_previewToolbarImages;
};
