#include "MainFrame.h"

#include <htmlhelp.h>

#include "OptionsDlg.h"
#include "SettingsStore.h"
#include "Units.h"
#include "ViewTableLock.h"

using DockSplitTab::ClientView;

namespace {
constexpr DWORD kReBarStyle = 0x56002640;
constexpr DWORD kCommandBarStyle = 0x5600004C;
constexpr DWORD kToolBarStyle = 0x5600094C;
constexpr DWORD kStatusBarStyle = 0x56000100;
constexpr UINT kReBarId = 0xE800;
constexpr UINT kToolBarId = 0xE800;
constexpr UINT kPreviewToolBarId = 0xE801;
constexpr UINT kStatusBarId = ID_VIEW_STATUS_BAR;

// The text of a command's prompt string before "\n" (status bar) or after it (tool tip).
std::wstring PromptPart(UINT id, bool tip) {
    std::wstring text = LoadResString(id);
    size_t newline = text.find(L'\n');
    if (newline == std::wstring::npos) return tip ? std::wstring() : text;
    return tip ? text.substr(newline + 1) : text.substr(0, newline);
}

// The dock frame keeps the views' places under "State" through the settings store.
const DockSplitTab::SettingsAccess kLayoutSettings{ReadSettingBinary, WriteSettingBinary};

std::wstring HelpFileBesideProgram() {
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1) + L"Varnolt.chm";
}
}  // namespace

CMainFrame::CMainFrame() = default;

CMainFrame::~CMainFrame() = default;

LRESULT CMainFrame::OnCreate(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    ::SetWindowContextHelpId(m_hWnd, kHelpContextMainFrame);
    m_helpFile = HelpFileBesideProgram();
    g_bFahrenheit = ReadSettingDword(L"Options", L"Unit", 0) != 0 ? 1 : 0;

    CreateBars();
    m_hWndClient = m_dock.Create(m_hWnd, this, true);

    if (CMessageLoop* loop = AppModule::Instance() ? AppModule::Instance()->GetMessageLoop() : nullptr) {
        loop->AddMessageFilter(this);
        loop->AddIdleHandler(this);
    }

    // The list is made now and shown once the message loop runs.
    m_list.CreateListWindow(m_hWnd);
    PostMessage(WM_COMMAND, ID_VIEW_SENSORLIST);

    WatchLink();
    try {
        m_views.ConnectToServer(m_hWnd);
    } catch (const ComError& e) {
        std::wstring text = FormatResString(IDS_CONNECT_FAILED, e.ErrorMessage().c_str(), static_cast<unsigned>(e.Error()));
        if (std::wstring advice = ConnectAdvice(e.Error()); !advice.empty()) text += L"\n\n" + advice;
        ::MessageBoxW(m_hWnd, text.c_str(), LoadResString(IDR_MAINFRAME).c_str(), MB_OK);
    }
    bHandled = FALSE;
    return 0;
}

void CMainFrame::CreateBars() {
    m_hWndToolBar = ::CreateWindowExW(0, REBARCLASSNAMEW, nullptr, kReBarStyle, 0, 0, 100, 100, m_hWnd,
                                      reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kReBarId)),
                                      ::GetModuleHandleW(nullptr), nullptr);
    REBARINFO info{sizeof(info), 0, nullptr};
    ::SendMessageW(m_hWndToolBar, RB_SETBARINFO, 0, reinterpret_cast<LPARAM>(&info));

    // The command bar takes over the window's menu.
    if (m_commandBar.Create(m_hWndToolBar, m_hWnd, kCommandBarStyle)) {
        HMENU menu = ::GetMenu(m_hWnd);
        ::SetMenu(m_hWnd, nullptr);
        m_commandBar.AttachMenu(menu);
        m_commandBar.LoadImages(IDR_MAINFRAME);
        AddReBarBand(m_hWndToolBar, m_commandBar.Handle(), kCommandBarBand, false);
    }
    m_toolbar = CreateToolBarFromResource(m_hWndToolBar, IDR_MAINFRAME, kToolBarStyle, kToolBarId, m_toolbarImages);
    if (m_toolbar) AddReBarBand(m_hWndToolBar, m_toolbar, kToolBarBand, true);

    m_hWndStatusBar = ::CreateWindowExW(0, STATUSCLASSNAMEW, LoadResString(IDS_READY).c_str(), kStatusBarStyle, 0, 0,
                                        0, 0, m_hWnd, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(kStatusBarId)),
                                        ::GetModuleHandleW(nullptr), nullptr);

    UIAddCommand(ID_VIEW_TOOLBAR, kMenu);
    UIAddCommand(ID_VIEW_STATUS_BAR, kMenu);
    UIAddCommand(ID_VIEW_SENSORLIST, kMenu);
    UIAddCommandRange(ID_TIMESCALE_FIRST, ID_TIMESCALE_LAST, kMenu);
    UIAddCommand(ID_FILE_EXPORT, kMenu);
    for (UINT id : {ID_FILE_PRINT_PREVIEW, ID_FILE_PRINT, ID_EDIT_COPY, ID_GRAPH_PROPERTIES, ID_SENSOR_PROPERTIES})
        UIAddCommand(id, kMenu | kToolBar);
    if (m_toolbar) UIAddToolBar(m_toolbar);
    UISetCheck(ID_VIEW_TOOLBAR, true);
    UISetCheck(ID_VIEW_STATUS_BAR, true);
}

LRESULT CMainFrame::OnClose(UINT, WPARAM, LPARAM, BOOL& bHandled) {
    WriteSettingDword(L"Options", L"Unit", g_bFahrenheit ? 1 : 0);
    if (m_dock.IsWindow()) m_dock.SaveState(kLayoutSettings);
    bHandled = FALSE;  // default processing destroys the window
    return 0;
}

BOOL CMainFrame::PreTranslateMessage(MSG* pMsg) {
    if (TranslateAccelerator(pMsg)) return TRUE;
    if (pMsg->hwnd == m_hWnd || ::IsChild(m_hWnd, pMsg->hwnd)) return m_commandBar.PreTranslateMessage(*pMsg);
    return FALSE;
}

BOOL CMainFrame::OnIdle(int) {
    HWND list = m_list;
    UISetCheck(ID_VIEW_SENSORLIST, list && m_dock.IsShown(list) && ::IsWindowVisible(list));
    HWND active = ActiveViewWindow();
    bool graphActive = active && active != list;
    const bool canPrint = m_preview || ActivePrintableView();
    UIEnable(ID_FILE_PRINT, canPrint);
    UIEnable(ID_FILE_PRINT_PREVIEW, canPrint);
    auto* graph = graphActive ? dynamic_cast<CGraphView*>(m_views.TableView(active)) : nullptr;
    for (UINT id = ID_TIMESCALE_FIRST; id <= ID_TIMESCALE_LAST; ++id) {
        UIEnable(id, graphActive);
        UISetCheck(id, graph && id == ID_TIMESCALE_FIRST + static_cast<UINT>(graph->TimeScaleIndex()));
    }
    UIEnable(ID_GRAPH_PROPERTIES, graphActive);
    UIEnable(ID_FILE_EXPORT, graphActive);
    UIEnable(ID_SENSOR_PROPERTIES,
             m_list.List() && ::SendMessageW(m_list.List(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED) >= 0);
    UIUpdateToolBars();
    return FALSE;
}

HWND CMainFrame::ActiveViewWindow() const { return m_dock.IsWindow() ? m_dock.ActiveView() : nullptr; }

// Sensor list toggle: hide it when it is the front tab, bring it to the front when it is behind
// another, put it back where it was when hidden, or place it the first time at its saved place.
LRESULT CMainFrame::OnViewSensorList(WORD, WORD, HWND, BOOL&) {
    HWND list = m_list;
    bool front = false;
    if (ClientView* view = m_views.TableView(list)) {
        front = m_dock.ToggleFront(view);
    } else {
        std::wstring caption = LoadResString(IDS_LIST_OF_SENSORS);
        ClientView* raw = m_views.AddView(std::make_unique<ClientView>(list, caption, caption, -1));
        m_dock.RestoreSaved(kLayoutSettings, raw);
        front = m_dock.IsShown(list);
    }
    UISetCheck(ID_VIEW_SENSORLIST, front);
    return 0;
}

ClientView* CMainFrame::FindClientView(HWND view) { return m_dock.FindView(view); }

bool CMainFrame::ToggleClientView(HWND view) {
    bool held = m_dock.IsInLayout(view);
    m_dock.ToggleView(held ? m_dock.FindView(view) : m_views.TableView(view));
    return !held;
}

bool CMainFrame::IsClientViewShown(HWND view) { return m_dock.IsShown(view); }

bool CMainFrame::ActivateClientView(HWND view) { return m_dock.ActivateView(view); }

bool CMainFrame::IsClientViewAttached(HWND view) { return m_dock.IsInLayout(view); }

void CMainFrame::DockClientView(HWND view) { m_dock.DockCommand(view); }

// The tab first, then the sensor list's row, which keeps its place: the list is not sorted again.
void CMainFrame::ClientViewRenamed(HWND view, const std::wstring& caption) {
    m_dock.SetViewCaption(view, caption);
    CViewTableLock lock;
    if (auto* graph = dynamic_cast<CGraphView*>(m_views.TableView(view))) m_list.UpdateDeviceName(graph);
}

// A closed view other than the sensor list goes for good: out of the table, its window destroyed
// and its object deleted. Its sensor's next measurement makes it anew.
void CMainFrame::ViewClosed(ClientView* view) {
    if (view && view->m_window != static_cast<HWND>(m_list)) m_views.CloseView(view);
}

LRESULT CMainFrame::OnCloseClientView(UINT, WPARAM, LPARAM lParam, BOOL&) {
    auto window = reinterpret_cast<HWND>(lParam);
    if (ClientView* view = m_dock.FindView(window)) {
        m_dock.HideView(window);
        ViewClosed(view);
    }
    return 0;
}

LRESULT CMainFrame::OnInitMenuPopup(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    if (!HIWORD(lParam)) UIUpdateMenu(reinterpret_cast<HMENU>(wParam));  // not the system menu
    bHandled = FALSE;
    return 0;
}

// The prompt of the highlighted menu item in the status bar; "Ready" again when the menu closes.
LRESULT CMainFrame::OnMenuSelect(UINT, WPARAM wParam, LPARAM lParam, BOOL& bHandled) {
    bHandled = FALSE;
    if (!m_hWndStatusBar) return 0;
    UINT flags = HIWORD(wParam);
    std::wstring text;
    if (flags == 0xFFFF && lParam == 0)
        text = ReadyText();
    else if (!(flags & (MF_POPUP | MF_SEPARATOR | MF_SYSMENU)))
        text = PromptPart(LOWORD(wParam), false);
    ::SendMessageW(m_hWndStatusBar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text.c_str()));
    return 0;
}

// Menu item images come from the command bar.
LRESULT CMainFrame::OnMeasureItem(UINT, WPARAM, LPARAM lParam, BOOL& bHandled) {
    bHandled = m_commandBar.MeasureItem(*reinterpret_cast<MEASUREITEMSTRUCT*>(lParam));
    return TRUE;
}

LRESULT CMainFrame::OnDrawItem(UINT, WPARAM, LPARAM lParam, BOOL& bHandled) {
    bHandled = m_commandBar.DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    return TRUE;
}

LRESULT CMainFrame::OnHelpHitTest(UINT, WPARAM, LPARAM, BOOL&) { return kHelpContextMainFrame; }

LRESULT CMainFrame::OnToolTipText(int, LPNMHDR header, BOOL&) {
    auto* info = reinterpret_cast<NMTTDISPINFOW*>(header);
    if (info->uFlags & TTF_IDISHWND) return 0;
    m_tipText = PromptPart(static_cast<UINT>(header->idFrom), true);
    info->lpszText = m_tipText.data();
    return 0;
}

LRESULT CMainFrame::OnReBarHeightChange(int, LPNMHDR, BOOL&) {
    UpdateLayout();
    return 0;
}

// View-level commands belong to the active view; with none they do nothing.
LRESULT CMainFrame::OnForwardToView(WORD, WORD, HWND, BOOL&) {
    HWND view = ActiveViewWindow();
    const MSG* msg = GetCurrentMessage();
    if (view && msg) ::SendMessageW(view, WM_COMMAND, msg->wParam, msg->lParam);
    return 0;
}

ClientView* CMainFrame::ActivePrintableView() {
    HWND active = ActiveViewWindow();
    ClientView* view = active ? m_views.TableView(active) : nullptr;
    return view && view->CanPrint() ? view : nullptr;
}

void CMainFrame::PrePrintPage(UINT, HDC dc) { m_pageState = ::SaveDC(dc); }

bool CMainFrame::PrintPage(UINT, HDC dc) {
    ClientView* view = ActivePrintableView();
    if (!view) return false;
    ::SetMapMode(dc, MM_TWIPS);
    return view->Print(dc, PrintableLogicalArea(dc), 0);
}

void CMainFrame::PostPrintPage(UINT, HDC dc) {
    if (m_pageState) ::RestoreDC(dc, m_pageState);
    m_pageState = 0;
}

bool CMainFrame::IsValidPage(UINT page) { return page == 0 && ActivePrintableView(); }

void CMainFrame::TakePrinterChoice(const PrinterChoice& choice) {
    m_devMode = choice.mode;
    m_printer.Open(choice.names.device, m_devMode.Get());
}

LRESULT CMainFrame::OnFilePrint(WORD, WORD, HWND, BOOL&) {
    // The accelerator reaches here while the command is disabled: without a printable view there
    // is nothing to print, and a job would only send the printer an empty document.
    if (!ActivePrintableView()) return 0;
    auto choice = RunPrintDialog(::GetActiveWindow(), m_devMode, m_printer.Names());
    if (!choice) return 0;
    TakePrinterChoice(*choice);
    // A failing page or printer aborts the document; the system's print job tells the user.
    RunPrintJob(m_printer, m_devMode.Get(), *this, L"Temp Graph", 0, 0);
    return 0;
}

LRESULT CMainFrame::OnFilePrintSetup(WORD, WORD, HWND, BOOL&) {
    if (auto choice = RunPageSetupDialog(::GetActiveWindow(), m_devMode, m_printer.Names(), m_margins))
        TakePageSetup(*choice);
    Invalidate();
    return 0;
}

void CMainFrame::TakePageSetup(const PrinterChoice& choice) {
    TakePrinterChoice(choice);
    m_margins = choice.margins;
    if (m_preview) {
        m_preview->SetPrintPreviewInfo(m_printer, m_devMode.Get(), this);
        m_preview->SetPage(0);
        m_preview->Invalidate();
    }
}

LRESULT CMainFrame::OnFilePrintPreview(WORD, WORD, HWND, BOOL&) {
    // Not twice: a second preview would take the place of the first one as the client window.
    if (m_preview || !ActivePrintableView()) return 0;
    if (!m_printer.IsOpen()) {
        if (!m_printer.OpenDefault()) return 0;
        m_devMode = m_printer.CurrentDevMode();
    }
    // Only a printer that gives a device context can be previewed.
    if (!m_printer.CreateDC(m_devMode.Get())) return 0;

    auto preview = std::make_unique<ZoomPrintPreviewWindow>();
    preview->SetPrintPreviewInfo(m_printer, m_devMode.Get(), this);
    preview->SetPage(0);
    if (!preview->Create(m_hWnd)) return 0;
    m_preview = std::move(preview);
    m_preview->ShowWindow(SW_SHOW);
    m_dock.ShowWindow(SW_HIDE);
    m_hWndClient = *m_preview;
    ShowPreviewBars();
    UpdateLayout();
    return 0;
}

LRESULT CMainFrame::OnPreviewClose(WORD, WORD, HWND, BOOL&) {
    if (!m_preview) return 0;
    m_hWndClient = m_dock;
    m_dock.ShowWindow(SW_SHOW);
    m_preview.reset();
    ShowMainBars();
    UpdateLayout();
    return 0;
}

void CMainFrame::ShowPreviewBars() {
    m_commandBar.AttachMenu(::LoadMenuW(ResourceInstance(), MAKEINTRESOURCEW(IDR_PREVIEW_MENU)));
    m_previewToolbar = CreateToolBarFromResource(m_hWndToolBar, IDR_PREVIEW_TOOLBAR, kToolBarStyle, kPreviewToolBarId,
                                                 m_previewToolbarImages);
    if (m_previewToolbar) AddReBarBand(m_hWndToolBar, m_previewToolbar, kPreviewToolBarBand, true);
    int band = static_cast<int>(::SendMessageW(m_hWndToolBar, RB_IDTOINDEX, kToolBarBand, 0));
    if (band >= 0) ::SendMessageW(m_hWndToolBar, RB_SHOWBAND, band, FALSE);
}

void CMainFrame::ShowMainBars() {
    int band = static_cast<int>(::SendMessageW(m_hWndToolBar, RB_IDTOINDEX, kPreviewToolBarBand, 0));
    if (band >= 0) ::SendMessageW(m_hWndToolBar, RB_DELETEBAND, band, 0);
    m_commandBar.AttachMenu(::LoadMenuW(ResourceInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME)));
    band = static_cast<int>(::SendMessageW(m_hWndToolBar, RB_IDTOINDEX, kToolBarBand, 0));
    if (band >= 0 && m_toolbarVisible) ::SendMessageW(m_hWndToolBar, RB_SHOWBAND, band, TRUE);
    if (m_previewToolbar) ::DestroyWindow(m_previewToolbar);
    m_previewToolbar = nullptr;
    m_previewToolbarImages.Reset();
}

LRESULT CMainFrame::OnViewToolBar(WORD, WORD, HWND, BOOL&) {
    m_toolbarVisible = !m_toolbarVisible;
    int band = static_cast<int>(::SendMessageW(m_hWndToolBar, RB_IDTOINDEX, kToolBarBand, 0));
    ::SendMessageW(m_hWndToolBar, RB_SHOWBAND, band, m_toolbarVisible);
    UISetCheck(ID_VIEW_TOOLBAR, m_toolbarVisible);
    UpdateLayout();
    return 0;
}

LRESULT CMainFrame::OnViewStatusBar(WORD, WORD, HWND, BOOL&) {
    bool show = !::IsWindowVisible(m_hWndStatusBar);
    ::ShowWindow(m_hWndStatusBar, show ? SW_SHOWNOACTIVATE : SW_HIDE);
    UISetCheck(ID_VIEW_STATUS_BAR, show);
    UpdateLayout();
    return 0;
}

LRESULT CMainFrame::OnFileExit(WORD, WORD, HWND, BOOL&) {
    PostMessage(WM_CLOSE);
    return 0;
}

LRESULT CMainFrame::OnViewOptions(WORD, WORD, HWND, BOOL&) {
    COptionsDlg dialog;
    int old = g_bFahrenheit ? 1 : 0;
    dialog.m_nUnit = old;
    if (dialog.DoModal(::GetActiveWindow()) == IDOK && dialog.m_nUnit != old) {
        g_bFahrenheit = dialog.m_nUnit != 0;
        RedrawValueViews();
    }
    return 0;
}

// Every view that shows values redraws them in the new unit at once, without a new measurement.
void CMainFrame::RedrawValueViews() {
    CViewTableLock lock;
    m_views.ForEachGraph([this](CGraphView& graph) {
        ::InvalidateRect(graph, nullptr, TRUE);
        m_list.UpdateDevice(&graph);
    });
}

void CMainFrame::ShowHelp(UINT context) {
    if (context > 0)
        ::HtmlHelpW(::GetDesktopWindow(), m_helpFile.c_str(), HH_HELP_CONTEXT, context);
    else
        ::HtmlHelpW(::GetDesktopWindow(), m_helpFile.c_str(), HH_DISPLAY_TOC, 0);
}

LRESULT CMainFrame::OnHelpContents(WORD, WORD, HWND, BOOL&) {
    ShowHelp(0);
    return 0;
}

// The first request posts itself again, so that the menu that sent it has closed when the mode
// starts.
LRESULT CMainFrame::OnContextHelp(WORD, WORD, HWND, BOOL&) {
    if (m_contextHelpActive || !::LoadCursorW(nullptr, IDC_HELP)) return 0;
    if (!m_contextHelpPosted) {
        m_contextHelpPosted = true;
        PostMessage(WM_COMMAND, ID_CONTEXT_HELP);
        return 0;
    }
    m_contextHelpPosted = false;
    m_contextHelpActive = true;
    UINT context = TrackContextHelp();
    m_contextHelpActive = false;
    ::ReleaseCapture();
    // Escape ends the mode without opening the help.
    if (context != static_cast<UINT>(-1)) ShowHelp(context);
    PostMessage(WM_KICKIDLE);
    return 0;
}

UINT CMainFrame::TrackContextHelp() {
    HCURSOR help = ::LoadCursorW(nullptr, IDC_HELP);
    ::SetCapture(m_hWnd);
    ::SetCursor(help);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0)) {
        if (::GetCapture() != m_hWnd) return static_cast<UINT>(-1);
        switch (msg.message) {
        case WM_KEYDOWN:
            if (msg.wParam == VK_ESCAPE) return static_cast<UINT>(-1);
            break;
        case WM_EXITHELPMODE:
            return static_cast<UINT>(-1);
        case WM_MOUSEMOVE:
        case WM_SETCURSOR:
            ::SetCursor(help);
            continue;
        case WM_LBUTTONDOWN: {
            POINT pt = msg.pt;
            HWND target = ::WindowFromPoint(pt);
            if (!target) return 0;
            LRESULT hit = ::SendMessageW(target, WM_NCHITTEST, 0, MAKELPARAM(pt.x, pt.y));
            if (hit != HTCLIENT) return static_cast<UINT>(hit);
            // The nearest window that knows a help context answers.
            for (HWND w = target; w; w = ::GetParent(w)) {
                POINT client = pt;
                ::ScreenToClient(w, &client);
                auto context = static_cast<UINT>(::SendMessageW(w, WM_HELPHITTEST, 0, MAKELPARAM(client.x, client.y)));
                if (context) return context;
            }
            return 0;
        }
        case WM_COMMAND:
        case WM_SYSCOMMAND:
            return LOWORD(msg.wParam);
        case WM_QUIT:
            ::PostQuitMessage(static_cast<int>(msg.wParam));
            return static_cast<UINT>(-1);
        default:
            break;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    ::PostQuitMessage(static_cast<int>(msg.wParam));
    return static_cast<UINT>(-1);
}
