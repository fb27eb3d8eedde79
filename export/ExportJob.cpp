#include "ExportJob.h"

#include <urlmon.h>

#include <algorithm>
#include <new>

#include "AppModule.h"
#include "ExportFormat.h"
#include "Handle.h"
#include "LocalTime.h"
#include "Units.h"
#include "resource.h"

namespace {
constexpr VARTYPE kTimesType = VT_ARRAY | VT_R8;
constexpr VARTYPE kValuesType = VT_ARRAY | VT_R4;

HRESULT LastErrorResult() {
    DWORD error = ::GetLastError();
    // A failure must never read as success, even when the system left no code behind.
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}

// Copies a one-dimensional array of T whatever its lower bound.
template <class T>
bool CopyArray(SAFEARRAY* psa, std::vector<T>& out) {
    if (!psa || ::SafeArrayGetDim(psa) != 1 || ::SafeArrayGetElemsize(psa) != sizeof(T)) return false;
    LONG count = SafeArray::Count(psa);
    if (count <= 0) {
        out.clear();
        return true;
    }
    SafeArrayData<T> data(psa);
    if (!data) return false;
    out.assign(data.Get(), data.Get() + count);
    return true;
}

// The export file: created or truncated, written line by line through a buffer. A failing write
// leaves what the system wrote before it.
class LineFile {
public:
    HRESULT Open(const std::wstring& name) {
        m_file.Reset(::CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        return m_file ? S_OK : LastErrorResult();
    }
    // Takes a line that ends with CR LF.
    HRESULT Write(const std::string& line) {
        m_buffer += line;
        return m_buffer.size() >= kFlushSize ? Flush() : S_OK;
    }
    HRESULT Close() {
        HRESULT hr = Flush();
        m_file.Reset();
        return hr;
    }

private:
    static constexpr size_t kFlushSize = 1 << 16;
    HRESULT Flush() {
        const char* next = m_buffer.data();
        size_t left = m_buffer.size();
        while (left) {
            DWORD written = 0;
            DWORD chunk = static_cast<DWORD>(std::min<size_t>(left, 1u << 30));
            if (!::WriteFile(m_file.Get(), next, chunk, &written, nullptr) || !written) {
                HRESULT hr = LastErrorResult();
                m_buffer.clear();
                return hr;
            }
            next += written;
            left -= written;
        }
        m_buffer.clear();
        return S_OK;
    }
    UniqueHandle m_file;
    std::string m_buffer;
};

// Writes the lines that `next` makes, one at a time, until it returns false; stops at the first
// failing write.
template <class MakeLine>
HRESULT WriteLines(const std::wstring& fileName, MakeLine next) {
    LineFile file;
    HRESULT hr = file.Open(fileName);
    if (FAILED(hr)) return hr;
    std::string line;
    for (;;) {
        line.clear();
        if (!next(line)) break;
        hr = file.Write(line);
        if (FAILED(hr)) {
            file.Close();
            return hr;
        }
    }
    return file.Close();
}

// ---- late-bound automation ----------------------------------------------------------------

// Calls member `name` of `object`; `args` in call order (they go into DISPPARAMS last first).
HRESULT Invoke(IDispatch* object, const wchar_t* name, WORD flags, std::vector<VARIANT*> args, VARIANT* result) {
    if (!object) return E_POINTER;
    DISPID id = DISPID_UNKNOWN;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    std::vector<VARIANTARG> reversed;
    for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(**it);  // shallow: not owned
    DISPID putId = DISPID_PROPERTYPUT;
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
        params.rgdispidNamedArgs = &putId;
        params.cNamedArgs = 1;
    }
    EXCEPINFO info{};
    hr = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, &info, nullptr);
    if (hr == DISP_E_EXCEPTION) {
        if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
        hr = FAILED(info.scode) ? info.scode : E_FAIL;
    }
    ::SysFreeString(info.bstrSource);
    ::SysFreeString(info.bstrDescription);
    ::SysFreeString(info.bstrHelpFile);
    return hr;
}

struct BstrArg : Variant {
    explicit BstrArg(const std::wstring& text) {
        vt = VT_BSTR;
        bstrVal = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (!bstrVal) throw ComError(E_OUTOFMEMORY);
    }
};

// Property get returning an object; a result that is no object is an error.
ComPtr<IDispatch> GetObject(IDispatch* object, const wchar_t* name, std::vector<VARIANT*> args, HRESULT& hr) {
    Variant result;
    hr = Invoke(object, name, DISPATCH_PROPERTYGET, std::move(args), &result);
    if (SUCCEEDED(hr) && (result.vt != VT_DISPATCH || !result.pdispVal)) hr = DISP_E_TYPEMISMATCH;
    return SUCCEEDED(hr) ? ComPtr<IDispatch>(result.pdispVal) : nullptr;
}

ComPtr<IDispatch> GetObject(IDispatch* object, const wchar_t* name, std::vector<VARIANT*> args = {}) {
    HRESULT hr = S_OK;
    ComPtr<IDispatch> result = GetObject(object, name, std::move(args), hr);
    ThrowIfFailed(hr);
    return result;
}

void Put(IDispatch* object, const wchar_t* name, VARIANT& value) {
    bool byReference = value.vt == VT_DISPATCH || value.vt == VT_UNKNOWN || (value.vt & (VT_ARRAY | VT_BYREF));
    if (byReference && SUCCEEDED(Invoke(object, name, DISPATCH_PROPERTYPUTREF, {&value}, nullptr))) return;
    ThrowIfFailed(Invoke(object, name, DISPATCH_PROPERTYPUT, {&value}, nullptr));
}

void Call(IDispatch* object, const wchar_t* name, std::vector<VARIANT*> args = {}) {
    Variant result;
    ThrowIfFailed(Invoke(object, name, DISPATCH_METHOD, std::move(args), &result));
}

void PutCell(IDispatch* sheet, const wchar_t* cell, VARIANT& value) {
    BstrArg name(cell);
    ComPtr<IDispatch> range = GetObject(sheet, L"Range", {&name, &name});
    Put(range.Get(), L"Value", value);
}

void PutCell(IDispatch* sheet, const wchar_t* cell, const std::wstring& text) {
    BstrArg value(text);
    PutCell(sheet, cell, value);
}

void PutDateCell(IDispatch* sheet, const wchar_t* cell, double date) {
    Variant value;
    value.vt = VT_DATE;
    value.date = date;
    PutCell(sheet, cell, value);
}
}  // namespace

HRESULT OpenWorkbook(const std::wstring& fileName, IDispatch** workbook, bool& isNew) {
    *workbook = nullptr;
    isNew = false;
    ComPtr<IBindCtx> context;
    ComPtr<IMoniker> moniker;
    if (SUCCEEDED(::CreateBindCtx(0, context.Receive())) &&
        SUCCEEDED(::CreateURLMoniker(nullptr, fileName.c_str(), moniker.Receive())) &&
        SUCCEEDED(moniker->BindToObject(context.Get(), nullptr, IID_IDispatch, reinterpret_cast<void**>(workbook))) &&
        *workbook)
        return S_OK;
    if (*workbook) (*workbook)->Release();
    *workbook = nullptr;
    isNew = true;
    CLSID clsid;
    HRESULT hr = ::CLSIDFromProgID(L"Excel.Sheet", &clsid);
    if (FAILED(hr)) return hr;
    return ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
                              IID_IDispatch, reinterpret_cast<void**>(workbook));
}

CExportJob::CExportJob(std::wstring fileName, IOstrelSensor* sensor, double start, double end, double interval)
    : m_fileName(std::move(fileName)), m_sensor(sensor), m_start(start), m_end(end), m_interval(interval) {}

HRESULT CExportJob::FetchData() {
    if (!m_sensor) return E_POINTER;
    Variant timesData, valuesData;
    HRESULT hr = m_sensor->GetData(m_start, m_end + 1.0, m_interval, &timesData, &valuesData);
    if (FAILED(hr)) return hr;
    LONG sensorType = 0;
    hr = m_sensor->get_Type(&sensorType);
    if (FAILED(hr)) return hr;
    type = sensorType;
    times.clear();
    values.clear();
    if (timesData.vt != kTimesType || valuesData.vt != kValuesType || !CopyArray(timesData.parray, times) ||
        !CopyArray(valuesData.parray, values) || times.size() != values.size()) {
        // Unequal arrays would pair times with the wrong values: keep neither.
        times.clear();
        values.clear();
        return E_FAIL;
    }
    return S_OK;
}

std::wstring ExportUnitName(int type, bool fahrenheit) {
    std::wstring name;
    switch (type) {
    case 1:
        return LoadResString(fahrenheit ? IDS_FAHRENHEIT : IDS_CELSIUS);
    case 3:
    case 4:
        name = L"RH%";
        TryLoadResString(IDS_UNIT_HUMIDITY, name);
        return name;
    case 5:
    case 6:
        name = L"ppm";
        TryLoadResString(IDS_UNIT_CO2, name);
        return name;
    default:
        return name;
    }
}

std::wstring CExportJob::UnitName() const { return units ? units->GetUnitName(type) : ExportUnitName(type, fahrenheit); }

std::wstring CExportJob::SensorName() const {
    Bstr name;
    if (m_sensor) m_sensor->get_Name(name.Receive());
    return name.Str();
}

HRESULT CExportJob::WriteText() {
    const std::wstring name = SensorName(), unit = UnitName();
    DateTimeTexts dates;
    size_t i = 0;
    int header = 0;
    return WriteLines(m_fileName, [&](std::string& line) {
        auto text = [&](const wchar_t* before, const std::wstring& inserted, const char* after) {
            AppendLatin1(line, before);
            AppendLatin1(line, inserted);
            line += after;
        };
        switch (header++) {
        case 0: text(L"Measurement log of sensor ", name, "\r\n"); return true;
        case 1: text(L"Start date: ", FormatDate(m_start), "\r\n"); return true;
        case 2: text(L"End date: ", FormatDate(m_end), "\r\n\r\n"); return true;
        case 3: text(L"Time\tValue (", unit, ")\r\n"); return true;
        default: break;
        }
        if (i >= times.size()) return false;
        AppendLatin1(line, dates.DateTime(times[i]));
        line += '\t';
        AppendValue(line, ExportValue(type, values[i], fahrenheit));
        line += "\r\n";
        ++i;
        return true;
    });
}

HRESULT CExportJob::WriteXml() {
    const std::wstring name = XmlEscape(SensorName()), unit = XmlEscape(UnitName());
    DateTimeTexts dates;
    size_t i = 0;
    int part = 0;
    return WriteLines(m_fileName, [&](std::string& line) {
        auto text = [&](const char* before, const std::wstring& inserted, const char* after) {
            line += before;
            AppendUtf8(line, inserted);
            line += after;
        };
        switch (part) {
        case 0:
            line += "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n";
            break;
        case 1:
            line += "<Vorlith xmlns=\"https://kestrova.example/vorlith\" "
                    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                    "xmlns:msdata=\"urn:schemas-microsoft-com:xml-msdata\">\r\n";
            break;
        case 2: text("\t<DeviceLog sensor = \"", name, "\">\r\n"); break;
        case 3: text("\t\t<Start>", XmlEscape(FormatDate(m_start)), "</Start>\r\n"); break;
        case 4: text("\t\t<End>", XmlEscape(FormatDate(m_end)), "</End>\r\n"); break;
        case 5: text("\t\t<Unit>", unit, "</Unit>\r\n"); break;
        case 6:
            if (i < times.size()) {
                text("\t\t<Log><time>", XmlEscape(dates.DateTime(times[i])), "</time><value>");
                AppendValue(line, ExportValue(type, values[i], fahrenheit));
                line += "</value></Log>\r\n";
                ++i;
                return true;
            }
            line += "\t</DeviceLog>\r\n";
            break;
        case 7:
            line += "</Vorlith>\r\n";
            break;
        default:
            return false;
        }
        ++part;
        return true;
    });
}

HRESULT CExportJob::WriteSpreadsheet() {
    Bstr nameText;
    HRESULT hr = m_sensor ? m_sensor->get_Name(nameText.Receive()) : E_POINTER;
    if (FAILED(hr)) return hr;
    const std::wstring name = nameText.Str();
    try {
        ComPtr<IDispatch> workbook;
        bool isNew = false;
        ThrowIfFailed(openWorkbook(m_fileName, workbook.Receive(), isNew));
        if (!workbook) throw ComError(E_POINTER);

        ComPtr<IDispatch> sheets = GetObject(workbook.Get(), L"Sheets");
        BstrArg sheetName(name);
        ComPtr<IDispatch> sheet = GetObject(sheets.Get(), L"Item", {&sheetName}, hr);
        if (FAILED(hr)) {
            Variant added;
            ThrowIfFailed(Invoke(sheets.Get(), L"Add", DISPATCH_METHOD, {}, &added));
            if (added.vt != VT_DISPATCH || !added.pdispVal) throw ComError(DISP_E_TYPEMISMATCH);
            sheet = ComPtr<IDispatch>(added.pdispVal);
            Put(sheet.Get(), L"Name", sheetName);
        }

        PutCell(sheet.Get(), L"A1", L"Logging of sensor " + name);
        PutCell(sheet.Get(), L"A2", L"Start");
        PutDateCell(sheet.Get(), L"B2", UtcToLocalDate(m_start));
        PutCell(sheet.Get(), L"A3", L"End");
        PutDateCell(sheet.Get(), L"B3", UtcToLocalDate(m_end));
        PutCell(sheet.Get(), L"A5", L"Time");
        PutCell(sheet.Get(), L"B5", L"Value (" + UnitName() + L")");

        // An empty range has no block to write: asking for a range of 0 rows would fail.
        if (!times.empty()) {
            const ULONG count = static_cast<ULONG>(times.size());
            SAFEARRAYBOUND bounds[2] = {{count, 0}, {2, 0}};
            SafeArray block(::SafeArrayCreate(VT_VARIANT, 2, bounds));
            if (!block) throw ComError(E_OUTOFMEMORY);
            TIME_ZONE_INFORMATION zone{};
            const bool haveZone = CurrentTimeZone(zone);
            {
                // Column-major: the row index is the one that varies fastest.
                SafeArrayData<VARIANT> cells(block.Get());
                if (!cells) throw ComError(E_UNEXPECTED);
                for (ULONG i = 0; i < count; ++i) {
                    VARIANT& time = cells[i];
                    time.vt = VT_DATE;
                    time.date = haveZone ? UtcToLocalDate(zone, times[i]) : times[i];
                    VARIANT& value = cells[count + i];
                    value.vt = VT_R4;
                    value.fltVal = ExportValue(type, values[i], fahrenheit);
                }
            }
            BstrArg first(L"A6");
            ComPtr<IDispatch> range = GetObject(sheet.Get(), L"Range", {&first, &first});
            Variant rows, columns;
            rows.vt = VT_UI4;
            rows.ulVal = count;
            columns.vt = VT_I4;
            columns.lVal = 2;
            range = GetObject(range.Get(), L"Resize", {&rows, &columns});
            Variant data;
            data.vt = VT_ARRAY | VT_VARIANT;
            data.parray = block.Detach();
            Put(range.Get(), L"Value", data);
        }

        if (isNew) {
            BstrArg file(m_fileName);
            Call(workbook.Get(), L"SaveAs", {&file});
            Call(workbook.Get(), L"Close");
        } else {
            Call(workbook.Get(), L"Save");
        }
        return S_OK;
    } catch (const ComError& error) {
        return error.Error();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT RunExport(CExportJob& job, int fileType) {
    HRESULT hr = job.FetchData();
    if (FAILED(hr)) return hr;
    switch (fileType) {
    case 0: return job.WriteText();
    case 1: return job.WriteSpreadsheet();
    case 2: return job.WriteXml();
    default: return E_INVALIDARG;
    }
}
