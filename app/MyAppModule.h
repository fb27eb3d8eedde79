// The application object: the module with the program's own members.
#pragma once
#include <memory>
#include <string>

#include "AppModule.h"
#include "Units.h"

class CMainFrame;

class CMyAppModule : public AppModule, public UnitTexts {
public:
    CMyAppModule();
    ~CMyAppModule() override;

    // Creates and shows the main frame and runs the message loop until WM_QUIT; returns its
    // exit code, or 0 when the main frame cannot be made.
    int Run(const wchar_t* commandLine, int showCommand);

    // The humidity and CO2 unit names: built-in texts unless the string table holds its own.
    void LoadUnitNames();

    // Unit texts by sensor type: the temperature unit in use for 1, the humidity unit for 3 and 4,
    // the CO2 unit for 5 and 6, nothing for any other type.
    std::wstring GetUnitName(int type) const override;
    std::wstring GetUnitSymbol(int type) const override;

    std::wstring m_strHumidityUnit;
    std::wstring m_strCo2Unit;
    std::unique_ptr<CMainFrame> m_pMainFrame;

private:
    std::wstring HumidityOrCo2Unit(int type) const;
};

extern CMyAppModule g_Module;
