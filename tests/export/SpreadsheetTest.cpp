// The spreadsheet writer against a small object model that records every automation call.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "AppModule.h"
#include "ExportJob.h"
#include "FakeServer.h"
#include "LocalTime.h"
#include "TestSupport.h"

namespace {
constexpr double kDay = 45000;

std::wstring ArgText(const VARIANT& v) {
    switch (v.vt) {
    case VT_BSTR: return v.bstrVal;
    case VT_I4: return L"i4:" + std::to_wstring(v.lVal);
    case VT_UI4: return L"ui4:" + std::to_wstring(v.ulVal);
    case VT_DATE: return L"date";
    case VT_ARRAY | VT_VARIANT: {
        LONG rows = 0, columns = 0;
        ::SafeArrayGetUBound(v.parray, 1, &rows);
        ::SafeArrayGetUBound(v.parray, 2, &columns);
        return L"block " + std::to_wstring(rows + 1) + L"x" + std::to_wstring(columns + 1);
    }
    default: return L"vt:" + std::to_wstring(v.vt);
    }
}

const wchar_t* FlagText(WORD flags) {
    switch (flags) {
    case DISPATCH_PROPERTYGET: return L"get";
    case DISPATCH_PROPERTYPUT: return L"put";
    case DISPATCH_PROPERTYPUTREF: return L"putref";
    case DISPATCH_METHOD: return L"call";
    default: return L"?";
    }
}

struct Model;

// One object of the model: it answers every name, records each call as
// "<object>.<member> <kind> <arguments in call order>" and lets the model decide the answer.
class FakeAutomation : public FakeObject<IDispatch> {
public:
    FakeAutomation(Model& model, std::wstring name) : m_name(std::move(name)), m_model(model) {}
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* id) override;
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override;
    std::wstring m_name;

private:
    Model& m_model;
};

struct Model {
    std::vector<std::wstring> calls;
    std::vector<std::wstring> members;
    std::set<std::wstring> sheets;
    VARIANT block{};  // the last data block put, copied
    bool refuseSave = false;

    ~Model() { ::VariantClear(&block); }

    HRESULT Answer(FakeAutomation& object, const std::wstring& member, WORD flags, std::vector<VARIANT*> args,
                   VARIANT* result) {
        std::wstring call = object.m_name + L"." + member + L" " + FlagText(flags);
        for (VARIANT* arg : args) call += L" " + ArgText(*arg);
        calls.push_back(call);
        auto give = [&](const std::wstring& name) {
            result->vt = VT_DISPATCH;
            result->pdispVal = new FakeAutomation(*this, name);
            return S_OK;
        };
        if (member == L"Sheets") return give(L"sheets");
        if (member == L"Item") return sheets.count(args[0]->bstrVal) ? give(L"sheet") : DISP_E_BADINDEX;
        if (member == L"Add") return give(L"sheet");
        if (member == L"Range") return give(args[0]->bstrVal);
        if (member == L"Resize") return give(L"block");
        if (member == L"Value" && flags == DISPATCH_PROPERTYPUTREF) return DISP_E_MEMBERNOTFOUND;
        if (member == L"Value" && args[0]->vt == (VT_ARRAY | VT_VARIANT)) ::VariantCopy(&block, args[0]);
        if (member == L"SaveAs" && refuseSave) return E_ACCESSDENIED;
        return S_OK;
    }
};

STDMETHODIMP FakeAutomation::GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* id) {
    m_model.members.push_back(names[0]);
    *id = static_cast<DISPID>(m_model.members.size());
    return S_OK;
}

STDMETHODIMP FakeAutomation::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                    EXCEPINFO*, UINT*) {
    std::vector<VARIANT*> args;
    for (UINT i = params->cArgs; i-- > 0;) args.push_back(&params->rgvarg[i]);
    bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    if (put != (params->cNamedArgs == 1 && params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT)) return E_INVALIDARG;
    return m_model.Answer(*this, m_model.members.at(id - 1), flags, args, result);
}

struct SpreadsheetFixture : ::testing::Test {
    AppModule module;
    ProgramResources resources;
    Model model;
    ComPtr<FakeSensor> sensor = FakeSensor::Make(2, 1, 0, L"Kitchen");

    HRESULT Export(bool existing, std::vector<double> times, std::vector<float> values) {
        sensor->SetData(times, values);
        CExportJob job(L"C:\\book.xls", sensor.Get(), kDay, kDay + 1, 0);
        job.fahrenheit = true;
        job.openWorkbook = [&, existing](const std::wstring&, IDispatch** workbook, bool& isNew) {
            *workbook = new FakeAutomation(model, L"book");
            isNew = !existing;
            return S_OK;
        };
        HRESULT hr = job.FetchData();
        return SUCCEEDED(hr) ? job.WriteSpreadsheet() : hr;
    }
};

const std::vector<std::wstring> kHeaderCells = {
    L"sheet.Range get A1 A1", L"A1.Value put Logging of sensor Kitchen",
    L"sheet.Range get A2 A2", L"A2.Value put Start",
    L"sheet.Range get B2 B2", L"B2.Value put date",
    L"sheet.Range get A3 A3", L"A3.Value put End",
    L"sheet.Range get B3 B3", L"B3.Value put date",
    L"sheet.Range get A5 A5", L"A5.Value put Time",
    L"sheet.Range get B5 B5", L"B5.Value put Value (Fahrenheit)",
};

std::vector<std::wstring> Join(std::initializer_list<std::vector<std::wstring>> parts) {
    std::vector<std::wstring> all;
    for (auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

}  // namespace

TEST_F(SpreadsheetFixture, NewWorkbookAddsAndNamesTheSheetThenSavesAndCloses) {
    ASSERT_EQ(Export(false, {kDay + 0.25, kDay + 0.5, kDay + 0.75}, {21.5f, 20, 19}), S_OK);
    EXPECT_EQ(model.calls, Join({{L"book.Sheets get", L"sheets.Item get Kitchen", L"sheets.Add call",
                                  L"sheet.Name put Kitchen"},
                                 kHeaderCells,
                                 {L"sheet.Range get A6 A6", L"A6.Resize get ui4:3 i4:2", L"block.Value putref block 3x2",
                                  L"block.Value put block 3x2", L"book.SaveAs call C:\\book.xls", L"book.Close call"}}));
    // Row 2 of the block: the local time, then the value in Fahrenheit.
    LONG at[2] = {2, 0};
    Variant cell;
    ASSERT_EQ(::SafeArrayGetElement(model.block.parray, at, cell.Receive()), S_OK);
    EXPECT_EQ(cell.vt, VT_DATE);
    EXPECT_DOUBLE_EQ(cell.date, UtcToLocalDate(kDay + 0.75));
    at[1] = 1;
    ASSERT_EQ(::SafeArrayGetElement(model.block.parray, at, cell.Receive()), S_OK);
    EXPECT_EQ(cell.vt, VT_R4);
    EXPECT_FLOAT_EQ(cell.fltVal, 19 * 1.8f + 32);
}

TEST_F(SpreadsheetFixture, ExistingWorkbookReusesTheSheetAndSavesInPlace) {
    model.sheets = {L"Kitchen"};
    ASSERT_EQ(Export(true, {}, {}), S_OK);
    // No samples: no data block.
    EXPECT_EQ(model.calls, Join({{L"book.Sheets get", L"sheets.Item get Kitchen"}, kHeaderCells, {L"book.Save call"}}));
}

TEST_F(SpreadsheetFixture, FailuresEndTheWriterWithTheirResult) {
    model.refuseSave = true;
    EXPECT_EQ(Export(false, {kDay}, {1}), E_ACCESSDENIED);
    EXPECT_NE(model.calls.back().find(L"SaveAs"), std::wstring::npos);  // not closed after a failed save

    sensor->failFrom = 3;  // get_Name
    model.calls.clear();
    EXPECT_EQ(Export(false, {kDay}, {1}), E_FAIL);
    EXPECT_TRUE(model.calls.empty());
}
