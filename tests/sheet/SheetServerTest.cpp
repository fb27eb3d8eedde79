// The stand-in spreadsheet server driven as an automation client drives it: late-bound by name,
// arguments last-first, values put with the named DISPID_PROPERTYPUT argument.
#include <urlmon.h>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <initializer_list>
#include <tuple>
#include <vector>

#include "BiffFile.h"
#include "Com.h"
#include "SheetObjects.h"
#include "TestSupport.h"

using namespace sheet;

namespace {

// A VARIANT argument for the calls below.
struct Arg : VARIANT {
    Arg(const wchar_t* s) {
        V_VT(this) = VT_BSTR;
        V_BSTR(this) = ::SysAllocString(s);
    }
    Arg(double date, VARTYPE type) {
        V_VT(this) = type;
        type == VT_R4 ? void(V_R4(this) = float(date)) : void(V_DATE(this) = date);
    }
    Arg(ULONG n) {
        V_VT(this) = VT_UI4;
        V_UI4(this) = n;
    }
    Arg(int n) {
        V_VT(this) = VT_I4;
        V_I4(this) = n;
    }
    Arg(SAFEARRAY* a) {
        V_VT(this) = VT_ARRAY | VT_VARIANT;
        V_ARRAY(this) = a;
    }
    Arg(const Arg& other) {
        ::VariantInit(this);
        ::VariantCopy(this, const_cast<Arg*>(&other));
    }
    ~Arg() { ::VariantClear(this); }
};

HRESULT Invoke(IDispatch* object, const wchar_t* name, WORD flags, std::vector<Arg> args, VARIANT* result) {
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
    std::vector<VARIANT> reversed(args.rbegin(), args.rend());
    DISPID put = DISPID_PROPERTYPUT;
    bool isPut = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    DISPPARAMS params = {reversed.data(), isPut ? &put : nullptr, UINT(reversed.size()), isPut ? 1u : 0u};
    return object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, nullptr, nullptr);
}

ComPtr<IDispatch> GetObject(IDispatch* object, const wchar_t* name, std::vector<Arg> args = {},
                            WORD flags = DISPATCH_PROPERTYGET) {
    Variant result;
    HRESULT hr = Invoke(object, name, flags, std::move(args), &result);
    EXPECT_EQ(hr, S_OK) << "getting " << testing::PrintToString(std::wstring(name));
    if (FAILED(hr) || V_VT(&result) != VT_DISPATCH) return nullptr;
    return ComPtr<IDispatch>(V_DISPATCH(&result));
}

// Range(cell, cell).Value = value, as the client writes its header cells.
void PutCell(IDispatch* sheet, const wchar_t* cell, Arg value, WORD flags = DISPATCH_PROPERTYPUT) {
    ComPtr<IDispatch> range = GetObject(sheet, L"Range", {cell, cell});
    ASSERT_TRUE(range);
    EXPECT_EQ(Invoke(range.Get(), L"Value", flags, {value}, nullptr), S_OK)
        << testing::PrintToString(std::wstring(cell));
}

// Range("A6").Resize(rows, 2).Value = a rows x 2 block of (date, float value).
void PutBlock(IDispatch* sheet, const std::vector<std::pair<double, float>>& rows) {
    SAFEARRAYBOUND bounds[2] = {{ULONG(rows.size()), 0}, {2, 0}};
    SAFEARRAY* block = ::SafeArrayCreate(VT_VARIANT, 2, bounds);
    for (LONG i = 0; i < LONG(rows.size()); ++i) {
        Arg time(rows[i].first, VT_DATE), value(rows[i].second, VT_R4);
        LONG at[2] = {i, 0};
        ::SafeArrayPutElement(block, at, &time);
        at[1] = 1;
        ::SafeArrayPutElement(block, at, &value);
    }
    ComPtr<IDispatch> a6 = GetObject(sheet, L"Range", {L"A6", L"A6"});
    ASSERT_TRUE(a6);
    ComPtr<IDispatch> range = GetObject(a6.Get(), L"Resize", {ULONG(rows.size()), 2});
    ASSERT_TRUE(range);
    EXPECT_EQ(Invoke(range.Get(), L"Value", DISPATCH_PROPERTYPUTREF, {Arg(block)}, nullptr), S_OK);
}

// The sheet named `name`, added and named when missing, as the client finds its target.
ComPtr<IDispatch> TargetSheet(IDispatch* book, const wchar_t* name) {
    ComPtr<IDispatch> sheets = GetObject(book, L"Sheets");
    Variant found;
    if (SUCCEEDED(Invoke(sheets.Get(), L"Item", DISPATCH_PROPERTYGET, {name}, &found)))
        return ComPtr<IDispatch>(V_DISPATCH(&found));
    ComPtr<IDispatch> sheet = GetObject(sheets.Get(), L"Add", {}, DISPATCH_METHOD);
    EXPECT_EQ(Invoke(sheet.Get(), L"Name", DISPATCH_PROPERTYPUT, {name}, nullptr), S_OK);
    return sheet;
}

ComPtr<IDispatch> NewBook() {
    ComPtr<IDispatch> book;
    EXPECT_EQ(CreateWorkbook(IID_IDispatch, book.ReceiveVoid()), S_OK);
    return book;
}

HRESULT LoadInto(IDispatch* book, const std::wstring& path) {
    ComPtr<IPersistMoniker> persist;
    ComPtr<IMoniker> moniker;
    ComPtr<IDispatch>(book).As(persist);
    EXPECT_EQ(::CreateFileMoniker(path.c_str(), moniker.Receive()), S_OK);
    return persist->Load(TRUE, moniker.Get(), nullptr, STGM_READ);
}

const SheetData* FindSheet(const BookData& book, const std::wstring& name) {
    for (const auto& sheet : book.sheets)
        if (sheet->name == name) return sheet.get();
    return nullptr;
}

Cell Text(const wchar_t* s) {
    return {Cell::Kind::Text, 0, s};
}
Cell Date(double d) {
    return {Cell::Kind::Date, d, {}};
}
Cell Number(double n) {
    return {Cell::Kind::Number, n, {}};
}

void ExpectCells(const SheetData& sheet, std::initializer_list<std::pair<const wchar_t*, Cell>> expected) {
    for (const auto& [name, cell] : expected) {
        uint32_t row = std::wcstoul(name + 1, nullptr, 10) - 1, col = name[0] - L'A';
        auto it = sheet.cells.find(CellKey(row, col));
        ASSERT_NE(it, sheet.cells.end()) << testing::PrintToString(std::wstring(name));
        EXPECT_EQ(it->second, cell) << testing::PrintToString(std::wstring(name));
    }
}

}  // namespace

// A new workbook exported into, saved, read back from the file; then exported into again through
// the bound file, which keeps the other sheet and the rows below the new block.
TEST(SheetServer, ExportIntoNewAndExistingWorkbook) {
    TempFolder folder;
    const std::wstring path = folder.File(L"log.xls");
    {
        ComPtr<IDispatch> book = NewBook();
        ComPtr<IDispatch> sheets = GetObject(book.Get(), L"Sheets");
        Variant missing;
        EXPECT_EQ(Invoke(sheets.Get(), L"Item", DISPATCH_PROPERTYGET, {L"Kitchen"}, &missing), DISP_E_BADINDEX);
        ComPtr<IDispatch> sheet = TargetSheet(book.Get(), L"Kitchen");
        PutCell(sheet.Get(), L"A1", L"Logging of sensor Kitchen");
        PutCell(sheet.Get(), L"B2", Arg(46000.25, VT_DATE));
        PutCell(sheet.Get(), L"B5", L"Value (Celsius \u00b0 \u2103)");
        PutBlock(sheet.Get(), {{46000.5, 21.5f}, {46000.75, -3.25f}, {46001.0, 19.0f}});
        EXPECT_EQ(Invoke(book.Get(), L"SaveAs", DISPATCH_METHOD, {path.c_str()}, nullptr), S_OK);
        EXPECT_EQ(Invoke(book.Get(), L"Close", DISPATCH_METHOD, {}, nullptr), S_OK);
    }
    BookData saved;
    ASSERT_EQ(LoadBookFile(path, saved), S_OK);
    ASSERT_EQ(saved.sheets.size(), 2u);
    EXPECT_EQ(saved.sheets[0]->name, L"Kitchen");  // added before the active sheet
    EXPECT_EQ(saved.sheets[1]->name, L"Sheet1");
    ExpectCells(*saved.sheets[0], {{L"A1", Text(L"Logging of sensor Kitchen")},
                                   {L"B2", Date(46000.25)},
                                   {L"B5", Text(L"Value (Celsius \u00b0 \u2103)")},
                                   {L"A6", Date(46000.5)},
                                   {L"B6", Number(21.5)},
                                   {L"B7", Number(-3.25)},
                                   {L"A8", Date(46001.0)}});
    EXPECT_EQ(saved.sheets[0]->cells.size(), 9u);

    {
        ComPtr<IDispatch> book = NewBook();
        ASSERT_EQ(LoadInto(book.Get(), path), S_OK);
        ComPtr<IDispatch> sheet = TargetSheet(book.Get(), L"kitchen");  // names match in any case
        PutBlock(sheet.Get(), {{47000.0, 1.0f}});
        ComPtr<IDispatch> other = TargetSheet(book.Get(), L"Sheet1");
        PutCell(other.Get(), L"C3", Arg(7));
        EXPECT_EQ(Invoke(book.Get(), L"Save", DISPATCH_METHOD, {}, nullptr), S_OK);
    }
    BookData again;
    ASSERT_EQ(LoadBookFile(path, again), S_OK);
    ASSERT_EQ(again.sheets.size(), 2u);
    ExpectCells(*FindSheet(again, L"Kitchen"), {{L"A1", Text(L"Logging of sensor Kitchen")},
                                                {L"A6", Date(47000.0)},
                                                {L"B6", Number(1.0)},
                                                {L"B7", Number(-3.25)},
                                                {L"A8", Date(46001.0)}});
    ExpectCells(*FindSheet(again, L"Sheet1"), {{L"C3", Number(7)}});
}

// Files the server cannot read are refused, and never overwritten by a new workbook either.
TEST(SheetServer, RefusesFilesItCannotRead) {
    TempFolder folder;
    const std::wstring path = folder.File(L"other.xls"), workbook = folder.File(L"workbook.xls");
    const char garbage[] = "not a workbook, but somebody's data";
    std::ofstream(path.c_str(), std::ios::binary).write(garbage, sizeof garbage);
    ComPtr<IDispatch> book = NewBook();
    EXPECT_EQ(LoadInto(book.Get(), path), HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
    // A new workbook replaces neither that file nor another workbook (whose binding failed).
    ASSERT_EQ(Invoke(NewBook().Get(), L"SaveAs", DISPATCH_METHOD, {workbook.c_str()}, nullptr), S_OK);
    for (const std::wstring& existing : {path, workbook})
        EXPECT_EQ(Invoke(book.Get(), L"SaveAs", DISPATCH_METHOD, {existing.c_str()}, nullptr),
                  HRESULT_FROM_WIN32(ERROR_FILE_EXISTS));
    std::ifstream in(path.c_str(), std::ios::binary);
    std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(kept, std::string(garbage, sizeof garbage));

    // Every cut of a valid stream is refused, none read past its end.
    BookData data;
    data.sheets.push_back(std::make_shared<SheetData>(SheetData{L"S", {{CellKey(0, 0), Text(L"abc")}}}));
    std::vector<uint8_t> stream = WriteBiff(data);
    size_t end = stream.size();
    while (end > 0 && stream[end - 1] == 0) --end;  // the padding
    for (size_t cut = 0; cut < end; cut += 7) {
        std::vector<uint8_t> part(stream.begin(), stream.begin() + cut);
        EXPECT_EQ(ReadBiff(part, data), HRESULT_FROM_WIN32(ERROR_INVALID_DATA)) << cut;
    }
}

// Addresses and sizes beyond the grid, and values that are no numbers.
TEST(SheetServer, RangesAndValuesAreBounded) {
    ComPtr<IDispatch> book = NewBook();
    ComPtr<IDispatch> sheet = TargetSheet(book.Get(), L"Sheet1");
    for (const wchar_t* bad : {L"A0", L"IW1", L"A65537", L"1A", L"A1:", L""}) {
        Variant result;
        EXPECT_EQ(Invoke(sheet.Get(), L"Range", DISPATCH_PROPERTYGET, {bad, bad}, &result), E_INVALIDARG)
            << testing::PrintToString(std::wstring(bad));
    }
    ComPtr<IDispatch> added = GetObject(GetObject(book.Get(), L"Sheets").Get(), L"Add", {}, DISPATCH_METHOD);
    for (const wchar_t* bad : {L"", L"SHEET1", L"a/b", L"x[1]", L"'quoted'", L"12345678901234567890123456789012"})
        EXPECT_EQ(Invoke(added.Get(), L"Name", DISPATCH_PROPERTYPUT, {bad}, nullptr), E_INVALIDARG)
            << testing::PrintToString(std::wstring(bad));
    EXPECT_EQ(Invoke(added.Get(), L"Name", DISPATCH_PROPERTYPUT, {L"Kitchen & Hall (1)"}, nullptr), S_OK);
    ComPtr<IDispatch> last = GetObject(sheet.Get(), L"Range", {L"IV65536", L"$IV$65536"});
    ASSERT_TRUE(last);
    const HRESULT tooLarge = HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
    for (auto [rows, cols, hr] :
         {std::tuple{0, 1, E_INVALIDARG}, {-1, 1, E_INVALIDARG}, {2, 1, tooLarge}, {1, 2, tooLarge}}) {
        Variant result;
        EXPECT_EQ(Invoke(last.Get(), L"Resize", DISPATCH_PROPERTYGET, {rows, cols}, &result), hr)
            << rows << "x" << cols;
    }
    PutCell(sheet.Get(), L"A1", Arg(std::nan(""), VT_R4));
    ComPtr<IDispatch> a1 = GetObject(sheet.Get(), L"Range", {L"A1", L"A1"});
    Variant value;
    ASSERT_EQ(Invoke(a1.Get(), L"Value", DISPATCH_PROPERTYGET, {}, &value), S_OK);
    EXPECT_EQ(V_VT(&value), VT_ERROR);  // #NUM!, not a NaN in the file
}

// Texts of every length go through the shared string table and its continuation records: long
// ones split across records, one- and two-byte characters, thousands of short ones.
TEST(SheetServer, TextsRoundTripThroughTheStringTable) {
    BookData book;
    auto sheet = std::make_shared<SheetData>(SheetData{L"Texts", {}});
    std::vector<std::wstring> texts = {std::wstring(20000, L'x'),
                                       std::wstring(9000, L'\u2103') + L"end",
                                       L"\u00e9t\u00e9",
                                       L"",
                                       L"repeated",
                                       L"repeated"};
    for (int i = 0; i < 3000; ++i) texts.push_back(L"sample " + std::to_wstring(i) + (i % 3 ? L"" : L" \u03a9"));
    for (size_t i = 0; i < texts.size(); ++i) sheet->cells[CellKey(uint32_t(i), i % 2)] = Text(texts[i].c_str());
    sheet->cells[CellKey(60000, 255)] = Text(std::wstring(kMaxText + 1, L'y').c_str());
    book.sheets.push_back(sheet);
    BookData read;
    ASSERT_EQ(ReadBiff(WriteBiff(book), read), S_OK);
    ASSERT_EQ(read.sheets.size(), 1u);
    sheet->cells[CellKey(60000, 255)].text.resize(kMaxText);  // the longest a cell holds
    EXPECT_TRUE(read.sheets[0]->cells == sheet->cells);
}

// The record kinds other spreadsheet programs write, built by hand: compact numbers (RK, MULRK),
// strings from a table continued across records, dates by built-in and custom formats. A sheet with
// formulas is refused: saving it would lose them.
TEST(SheetServer, ReadsOtherProgramsRecords) {
    using Bytes = std::vector<uint8_t>;
    auto u16 = [](Bytes& b, unsigned v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)}); };
    auto u32 = [&](Bytes& b, uint32_t v) {
        u16(b, v & 0xFFFF);
        u16(b, v >> 16);
    };
    auto record = [&](Bytes& out, unsigned id, const Bytes& data) {
        u16(out, id);
        u16(out, unsigned(data.size()));
        out.insert(out.end(), data.begin(), data.end());
    };
    auto rk = [&](Bytes& b, unsigned xf, uint32_t value) {
        u16(b, xf);
        u32(b, value);
    };
    auto build = [&](bool formula) {
        Bytes globals, sheetStream;
        Bytes bof = {0x00, 0x06, 0x05, 0x00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        record(globals, 0x0809, bof);
        record(globals, 0x041E, {170, 0, 8, 0, 0, 'd', '/', 'm', '/', 'y', 'y', 'y', 'y'});
        for (unsigned format : {0u, 170u, 14u, 2u}) {  // XF 0..3: general, custom date, built-in date, 0.00
            Bytes xf(20, 0);
            xf[2] = uint8_t(format);
            record(globals, 0x00E0, xf);
        }
        size_t offsetAt = globals.size() + 4;
        record(globals, 0x0085, {0, 0, 0, 0, 0, 0, 5, 0, 'F', 'r', 'o', 'm', 'L'});
        // "alpha", then "b" and a continued wide "\u00eata".
        record(globals, 0x00FC, {2, 0, 0, 0, 2, 0, 0, 0, 5, 0, 0, 'a', 'l', 'p', 'h', 'a', 4, 0, 0, 'b'});
        record(globals, 0x003C, {1, 0xEA, 0, 't', 0, 'a', 0});
        record(globals, 0x000A, {});
        bof[2] = 0x10;
        record(sheetStream, 0x0809, bof);
        Bytes cell = {0, 0, 0, 0};
        rk(cell, 0, (5u << 2) | 2);  // A1: the integer 5
        record(sheetStream, 0x027E, cell);
        cell = {0, 0, 1, 0};
        rk(cell, 1, 0x40E77000);  // B1: the double 48000 (its high 32 bits), custom date format
        record(sheetStream, 0x027E, cell);
        Bytes mulrk = {1, 0, 0, 0};
        rk(mulrk, 2, (7u << 2) | 2);    // A2: 7 as a built-in date
        rk(mulrk, 3, (125u << 2) | 3);  // B2: 1.25 (the integer 125 / 100)
        u16(mulrk, 1);
        record(sheetStream, 0x00BD, mulrk);
        record(sheetStream, 0x00FD, {2, 0, 0, 0, 0, 0, 1, 0, 0, 0});  // A3: string 1
        if (formula) record(sheetStream, 0x0006, Bytes(26, 0));
        record(sheetStream, 0x000A, {});
        uint32_t offset = uint32_t(globals.size());
        std::memcpy(&globals[offsetAt], &offset, 4);
        globals.insert(globals.end(), sheetStream.begin(), sheetStream.end());
        return globals;
    };
    BookData book;
    ASSERT_EQ(ReadBiff(build(false), book), S_OK);
    ASSERT_EQ(book.sheets.size(), 1u);
    EXPECT_EQ(book.sheets[0]->name, L"FromL");
    EXPECT_EQ(book.sheets[0]->cells.size(), 5u);
    ExpectCells(*book.sheets[0], {{L"A1", Number(5)},
                                  {L"B1", Date(48000)},
                                  {L"A2", Date(7)},
                                  {L"B2", Number(1.25)},
                                  {L"A3", Text(L"b\u00eata")}});
    EXPECT_EQ(ReadBiff(build(true), book), HRESULT_FROM_WIN32(ERROR_INVALID_DATA));
}

TEST(SheetServer, DateFormats) {
    for (auto [format, date] : {std::pair{L"yyyy-mm-dd", true},
                                {L"[h]:mm", true},
                                {L"hh:mm:ss", true},
                                {L"General", false},
                                {L"0.00", false},
                                {L"[Red]0.00", false},
                                {L"[White]#,##0", false},
                                {L"\"day\"0", false},
                                {L"0\\d", false}})
        EXPECT_EQ(IsDateFormat(format), date) << testing::PrintToString(std::wstring(format));
}

// Registered as a client finds it: by ProgID for a new workbook, and through a URL moniker for an
// existing file, which Wine binds to in-process servers only and loads through IPersistMoniker.
TEST(SheetServer, RegisteredAndBoundFromFile) {
    HMODULE dll = ::LoadLibraryW((BuildFolder() + L"KestrovaSheet.dll").c_str());
    ASSERT_TRUE(dll);
    auto reg = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(::GetProcAddress(dll, "DllRegisterServer"));
    ASSERT_TRUE(reg);
    ASSERT_EQ(reg(), S_OK);
    CLSID clsid = {};
    ASSERT_EQ(::CLSIDFromProgID(L"Excel.Sheet", &clsid), S_OK);
    EXPECT_EQ(clsid, CLSID_KestrovaSheet);

    TempFolder folder;
    const std::wstring path = folder.File(L"bound 1.xls");
    {
        ComPtr<IDispatch> book;
        ASSERT_EQ(::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER,
                                     IID_IDispatch, book.ReceiveVoid()),
                  S_OK);
        ComPtr<IDispatch> sheet = TargetSheet(book.Get(), L"Hall");
        PutCell(sheet.Get(), L"A2", L"Start");
        EXPECT_EQ(Invoke(book.Get(), L"SaveAs", DISPATCH_METHOD, {path.c_str()}, nullptr), S_OK);
    }
    ComPtr<IBindCtx> context;
    ComPtr<IMoniker> moniker;
    ASSERT_EQ(::CreateBindCtx(0, context.Receive()), S_OK);
    ASSERT_EQ(::CreateURLMoniker(nullptr, path.c_str(), moniker.Receive()), S_OK);
    ComPtr<IDispatch> bound;
    ASSERT_EQ(moniker->BindToObject(context.Get(), nullptr, IID_IDispatch, bound.ReceiveVoid()), S_OK);
    ComPtr<IDispatch> sheets = GetObject(bound.Get(), L"Sheets");
    ComPtr<IDispatch> hall = GetObject(sheets.Get(), L"Item", {L"Hall"});
    ASSERT_TRUE(hall);
    ComPtr<IDispatch> a2 = GetObject(hall.Get(), L"Range", {L"A2", L"A2"});
    Variant value;
    ASSERT_EQ(Invoke(a2.Get(), L"Value", DISPATCH_PROPERTYGET, {}, &value), S_OK);
    ASSERT_EQ(V_VT(&value), VT_BSTR);
    EXPECT_STREQ(V_BSTR(&value), L"Start");

    // A file moniker finds the class stamped into the file and loads it through IPersistFile.
    ComPtr<IMoniker> fileMoniker;
    ASSERT_EQ(::CreateFileMoniker(path.c_str(), fileMoniker.Receive()), S_OK);
    ComPtr<IDispatch> byFile;
    ASSERT_EQ(fileMoniker->BindToObject(context.Get(), nullptr, IID_IDispatch, byFile.ReceiveVoid()), S_OK);
    EXPECT_TRUE(GetObject(GetObject(byFile.Get(), L"Sheets").Get(), L"Item", {L"Hall"}));
}
