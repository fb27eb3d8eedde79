// The spreadsheet writer against the registered stand-in "Excel.Sheet": a new workbook, then a
// second export into it, read back through the same automation interface.
#include <gtest/gtest.h>

#include <vector>

#include "AppModule.h"
#include "ExportJob.h"
#include "FakeServer.h"
#include "TestSupport.h"

namespace {
constexpr double kDay = 46000;

// A late-bound call by name with text arguments in call order.
HRESULT Call(IDispatch* object, const wchar_t* name, WORD flags, const std::vector<std::wstring>& texts,
             VARIANT* result) {
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    std::vector<Bstr> owned;
    std::vector<VARIANT> reversed(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        owned.emplace_back(texts[texts.size() - 1 - i].c_str());
        reversed[i].vt = VT_BSTR;
        reversed[i].bstrVal = owned.back().Get();
    }
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
}

// The value of one cell of a sheet, as text.
std::wstring Cell(IDispatch* sheet, const wchar_t* cell) {
    Variant range, value;
    if (FAILED(Call(sheet, L"Range", DISPATCH_PROPERTYGET, {cell, cell}, range.Receive())) ||
        range.vt != VT_DISPATCH)
        return L"<no range>";
    if (FAILED(Call(range.pdispVal, L"Value", DISPATCH_PROPERTYGET, {}, value.Receive()))) return L"<no value>";
    Variant first;
    const VARIANT* cellValue = &value;
    if (value.vt == (VT_ARRAY | VT_VARIANT)) {
        LONG at[2] = {0, 0};
        if (FAILED(::SafeArrayGetElement(value.parray, at, first.Receive()))) return L"<no element>";
        cellValue = &first;
    }
    if (cellValue->vt == VT_EMPTY) return L"";
    Variant text;
    if (FAILED(::VariantChangeType(text.Receive(), const_cast<VARIANT*>(cellValue), 0, VT_BSTR)))
        return L"<vt " + std::to_wstring(cellValue->vt) + L">";
    return text.bstrVal;
}
}  // namespace

TEST(SpreadsheetServer, ExportsTwiceIntoOneWorkbookReusingItsSheet) {
    AppModule module;
    ProgramResources resources;
    TempFolder folder;
    const std::wstring file = folder.File(L"log.xls");
    auto sensor = FakeSensor::Make(2, 3, 0, L"Cellar");
    auto exportRows = [&](std::vector<double> times, std::vector<float> values) {
        sensor->SetData(times, values);
        CExportJob job(file, sensor.Get(), kDay, kDay + 1, 0);
        return RunExport(job, 1);
    };
    ASSERT_EQ(exportRows({kDay + 0.25, kDay + 0.5, kDay + 0.75}, {61, 62, 63}), S_OK);
    // Again, with fewer rows: the workbook is bound, the sheet reused, and row 8 keeps its value.
    ASSERT_EQ(exportRows({kDay + 0.5, kDay + 0.75}, {71, 72}), S_OK);

    ComPtr<IDispatch> book;
    bool isNew = true;
    ASSERT_EQ(OpenWorkbook(file, book.Receive(), isNew), S_OK);
    EXPECT_FALSE(isNew);
    Variant sheets, sheet;
    ASSERT_EQ(Call(book.Get(), L"Sheets", DISPATCH_PROPERTYGET, {}, sheets.Receive()), S_OK);
    ASSERT_EQ(Call(sheets.pdispVal, L"Item", DISPATCH_PROPERTYGET, {L"Cellar"}, sheet.Receive()), S_OK);
    struct {
        const wchar_t* cell;
        const wchar_t* text;
    } cells[] = {{L"A1", L"Logging of sensor Cellar"}, {L"A2", L"Start"}, {L"A3", L"End"}, {L"A5", L"Time"},
                 {L"B5", L"Value (RH%)"},           {L"B6", L"71"},    {L"B7", L"72"},  {L"B8", L"63"},
                 {L"A9", L""}};
    for (const auto& c : cells) EXPECT_EQ(Cell(sheet.pdispVal, c.cell), c.text) << c.cell;
    Variant closed;
    Call(book.Get(), L"Close", DISPATCH_METHOD, {}, closed.Receive());
}
