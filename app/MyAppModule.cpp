#include "MyAppModule.h"

#include <new>

#include "MainFrame.h"
#include "MessageLoop.h"
#include "resource.h"

CMyAppModule g_Module;

CMyAppModule::CMyAppModule() = default;
CMyAppModule::~CMyAppModule() = default;

void CMyAppModule::LoadUnitNames() {
    m_strHumidityUnit = L"RH%";
    TryLoadResString(IDS_UNIT_HUMIDITY, m_strHumidityUnit);
    m_strCo2Unit = L"ppm CO2";
    TryLoadResString(IDS_UNIT_CO2, m_strCo2Unit);
}

int CMyAppModule::Run(const wchar_t*, int showCommand) {
    CMessageLoop loop;
    AddMessageLoop(&loop);
    struct LoopRegistration {
        CMyAppModule& module;
        ~LoopRegistration() { module.RemoveMessageLoop(); }
    } registration{*this};

    LoadUnitNames();

    m_pMainFrame.reset(new (std::nothrow) CMainFrame);
    if (!m_pMainFrame) return 0;
    if (!m_pMainFrame->CreateEx(IDR_MAINFRAME)) {
        m_pMainFrame.reset();
        return 0;
    }
    m_pMainFrame->SetWindowText(LoadResString(IDR_MAINFRAME).c_str());
    m_pMainFrame->ShowWindow(showCommand);
    ::SetForegroundWindow(*m_pMainFrame);

    loop.AddMessageFilter(m_pMainFrame.get());
    loop.AddIdleHandler(m_pMainFrame.get());
    int result = loop.Run();
    loop.RemoveMessageFilter(m_pMainFrame.get());
    loop.RemoveIdleHandler(m_pMainFrame.get());

    m_pMainFrame.reset();
    return result;
}
