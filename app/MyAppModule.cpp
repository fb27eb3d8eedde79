#include "MyAppModule.h"

#include <new>

#include "MainFrame.h"
#include "MessageLoop.h"
#include "Units.h"
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

std::wstring CMyAppModule::GetUnitName(int type) const {
    if (type == 1) return LoadResString(g_bFahrenheit ? IDS_FAHRENHEIT : IDS_CELSIUS);
    return HumidityOrCo2Unit(type);
}

std::wstring CMyAppModule::GetUnitSymbol(int type) const {
    if (type == 1) return g_bFahrenheit ? L"\u00B0F" : L"\u00B0C";
    return HumidityOrCo2Unit(type);
}

std::wstring CMyAppModule::HumidityOrCo2Unit(int type) const {
    switch (type) {
    case 3:
    case 4:
        return m_strHumidityUnit;
    case 5:
    case 6:
        return m_strCo2Unit;
    default:
        return {};
    }
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
