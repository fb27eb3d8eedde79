// One export of a sensor's log: the samples fetched from the logger server for the chosen range
// and interval, and the writers of the text, XML and spreadsheet files.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "Com.h"
#include "Ostrel.h"

class UnitTexts;

// Opens the workbook a spreadsheet export writes into: the existing file bound through its URL
// moniker, else a new workbook of the "Excel.Sheet" class (`isNew` set).
using WorkbookOpener = std::function<HRESULT(const std::wstring& fileName, IDispatch** workbook, bool& isNew)>;
HRESULT OpenWorkbook(const std::wstring& fileName, IDispatch** workbook, bool& isNew);

class CExportJob {
public:
    CExportJob(std::wstring fileName, IOstrelSensor* sensor, double start, double end, double interval);

    // The temperature unit the values of type 1 are written in.
    bool fahrenheit = false;
    // The unit names by type; without them the program's string table is read.
    const UnitTexts* units = nullptr;
    // How the spreadsheet writer gets its workbook; OpenWorkbook unless replaced.
    WorkbookOpener openWorkbook = OpenWorkbook;

    std::vector<double> times;  // UTC OLE dates
    std::vector<float> values;  // in the sensor's base unit
    int type = 1;

    // Asks the server for the range (to the end of the end day) at the interval, and the type.
    HRESULT FetchData();
    // Each returns S_OK or the first failure; lines written before a failing write stay.
    HRESULT WriteText();
    HRESULT WriteXml();
    HRESULT WriteSpreadsheet();

    // The unit name of the fetched type, as the column header shows it.
    std::wstring UnitName() const;

private:
    std::wstring SensorName() const;

    std::wstring m_fileName;
    ComPtr<IOstrelSensor> m_sensor;
    double m_start, m_end, m_interval;
};

// FetchData, then the writer of the file type (0 text, 1 spreadsheet, 2 XML).
HRESULT RunExport(CExportJob& job, int fileType);

// The unit name of a type from the string table: the temperature unit for 1, "RH%" for 3 and 4,
// "ppm" for 5 and 6, nothing for any other type.
std::wstring ExportUnitName(int type, bool fahrenheit);

// Shows the wait cursor while it lives, and the cursor before it afterwards.
class WaitCursor {
public:
    WaitCursor() : m_previous(::SetCursor(::LoadCursorW(nullptr, IDC_WAIT))) {}
    ~WaitCursor() { ::SetCursor(m_previous); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    HCURSOR m_previous;
};
