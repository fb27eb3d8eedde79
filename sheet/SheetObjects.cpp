#include "SheetObjects.h"

#include <shlwapi.h>
#include <urlmon.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "BiffFile.h"
#include "Com.h"

namespace sheet {

// {F35A86E9-6994-46C1-934E-3848F8844E2B}
const CLSID CLSID_KestrovaSheet = {0xf35a86e9, 0x6994, 0x46c1, {0x93, 0x4e, 0x38, 0x48, 0xf8, 0x84, 0x4e, 0x2b}};

namespace {

LONG g_users = 0;

// The spreadsheet error codes as cell values: #N/A and #NUM!.
constexpr unsigned kErrorNA = 0x2A, kErrorNum = 0x24;
// Automation errors of spreadsheet cells are 0x800A0000 + 2000 + the code.
constexpr SCODE kCellErrorBase = static_cast<SCODE>(0x800A0000u) + 2000;

// The workbook's state, shared by every object taken from it.
struct Book {
    BookData data;
    size_t active = 0;  // the sheet new sheets are placed before
    std::wstring path;  // empty until saved or loaded
    bool closed = false;
};

// One call: its flags, the positional arguments in the order the caller wrote them, the value of a
// property put, and the result.
struct Call {
    WORD flags;
    std::vector<VARIANT*> args;
    VARIANT* value = nullptr;
    VARIANT* result = nullptr;

    bool IsPut() const { return (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) != 0; }
    // The argument at `index`, or null when not given (or given as "missing").
    VARIANT* Arg(size_t index) const {
        if (index >= args.size()) return nullptr;
        VARIANT* v = args[index];
        if (V_VT(v) == (VT_BYREF | VT_VARIANT)) v = V_VARIANTREF(v);
        if (V_VT(v) == VT_ERROR && V_ERROR(v) == DISP_E_PARAMNOTFOUND) return nullptr;
        return v;
    }
    VARIANT* Required(size_t index) const {
        VARIANT* v = Arg(index);
        if (!v) throw ComError(DISP_E_PARAMNOTFOUND);
        return v;
    }
    void Return(IDispatch* object) const {
        if (!result) return;
        V_VT(result) = VT_DISPATCH;
        V_DISPATCH(result) = object;
        object->AddRef();
    }
};

std::wstring ToText(VARIANT* v) {
    Variant text;
    ThrowIfFailed(::VariantChangeType(&text, v, 0, VT_BSTR));
    return std::wstring(V_BSTR(&text), ::SysStringLen(V_BSTR(&text)));
}

long ToLong(VARIANT* v) {
    Variant number;
    ThrowIfFailed(::VariantChangeType(&number, v, 0, VT_I4));
    return V_I4(&number);
}

bool SameName(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()), TRUE) ==
           CSTR_EQUAL;
}

// A cell's content from an automation value; nullopt for an empty value.
std::optional<Cell> ToCell(const VARIANT& in) {
    Variant v;
    ThrowIfFailed(::VariantCopyInd(&v, const_cast<VARIANT*>(&in)));
    switch (V_VT(&v)) {
    case VT_EMPTY:
    case VT_NULL:
        return std::nullopt;
    case VT_BSTR:
        return Cell{Cell::Kind::Text, 0,
                    std::wstring(V_BSTR(&v), std::min<size_t>(::SysStringLen(V_BSTR(&v)), kMaxText))};
    case VT_BOOL:
        return Cell{Cell::Kind::Bool, V_BOOL(&v) ? 1.0 : 0.0, {}};
    case VT_ERROR: {
        if (V_ERROR(&v) == DISP_E_PARAMNOTFOUND) return std::nullopt;
        SCODE code = V_ERROR(&v) - kCellErrorBase;
        return Cell{Cell::Kind::Error, (code >= 0 && code <= 0x2A) ? double(code) : double(kErrorNA), {}};
    }
    case VT_DATE:
        // Dates before 1900 or beyond 9999 cannot be shown as dates; they stay numbers.
        if (std::isfinite(V_DATE(&v)))
            return Cell{
                (V_DATE(&v) >= 0 && V_DATE(&v) < 2958466) ? Cell::Kind::Date : Cell::Kind::Number, V_DATE(&v), {}};
        return Cell{Cell::Kind::Error, kErrorNum, {}};
    default:
        if (FAILED(v.ChangeType(VT_R8))) throw ComError(DISP_E_TYPEMISMATCH);
        if (!std::isfinite(V_R8(&v))) return Cell{Cell::Kind::Error, kErrorNum, {}};
        return Cell{Cell::Kind::Number, V_R8(&v), {}};
    }
}

void FromCell(const Cell* cell, VARIANT* out) {
    ::VariantInit(out);
    if (!cell) return;
    switch (cell->kind) {
    case Cell::Kind::Number:
        V_VT(out) = VT_R8;
        V_R8(out) = cell->number;
        break;
    case Cell::Kind::Date:
        V_VT(out) = VT_DATE;
        V_DATE(out) = cell->number;
        break;
    case Cell::Kind::Text:
        V_VT(out) = VT_BSTR;
        V_BSTR(out) = ::SysAllocStringLen(cell->text.data(), static_cast<UINT>(cell->text.size()));
        if (!V_BSTR(out)) throw ComError(E_OUTOFMEMORY);
        break;
    case Cell::Kind::Bool:
        V_VT(out) = VT_BOOL;
        V_BOOL(out) = cell->number != 0 ? VARIANT_TRUE : VARIANT_FALSE;
        break;
    case Cell::Kind::Error:
        V_VT(out) = VT_ERROR;
        V_ERROR(out) = kCellErrorBase + static_cast<SCODE>(cell->number);
        break;
    }
}

void ReturnText(VARIANT* result, const std::wstring& text) {
    if (!result) return;
    Cell cell{Cell::Kind::Text, 0, text};
    FromCell(&cell, result);
}

// "B7" or "$B$7" → zero-based row and column; false for anything else or beyond the grid.
bool ParseCell(const std::wstring& text, size_t& pos, uint32_t& row, uint32_t& col) {
    auto letter = [](wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); };
    if (pos < text.size() && text[pos] == L'$') ++pos;
    uint32_t c = 0;
    size_t start = pos;
    while (pos < text.size() && letter(text[pos]) && c <= kMaxCols) c = c * 26 + ((text[pos++] | 0x20) - L'a' + 1);
    if (pos == start || c > kMaxCols) return false;
    if (pos < text.size() && text[pos] == L'$') ++pos;
    uint32_t r = 0;
    start = pos;
    while (pos < text.size() && iswdigit(text[pos]) && r <= kMaxRows) r = r * 10 + (text[pos++] - L'0');
    if (pos == start || r == 0 || r > kMaxRows) return false;
    row = r - 1;
    col = c - 1;
    return true;
}

struct Area {
    uint32_t row, col, rows, cols;
};

// "A1", "A1:B5" (either corner first).
Area ParseArea(const std::wstring& text) {
    size_t pos = 0;
    uint32_t r1, c1, r2, c2;
    if (!ParseCell(text, pos, r1, c1)) throw ComError(E_INVALIDARG);
    r2 = r1;
    c2 = c1;
    if (pos < text.size() && (text[pos++] != L':' || !ParseCell(text, pos, r2, c2))) throw ComError(E_INVALIDARG);
    if (pos != text.size()) throw ComError(E_INVALIDARG);
    return {std::min(r1, r2), std::min(c1, c2), (r1 > r2 ? r1 - r2 : r2 - r1) + 1, (c1 > c2 ? c1 - c2 : c2 - c1) + 1};
}

Area Union(const Area& a, const Area& b) {
    uint32_t row = std::min(a.row, b.row), col = std::min(a.col, b.col);
    return {row, col, std::max(a.row + a.rows, b.row + b.rows) - row, std::max(a.col + a.cols, b.col + b.cols) - col};
}

// Reference counting and name-based IDispatch over a table of members.
class DispatchBase : public IDispatch {
public:
    struct Member {
        const wchar_t* name;
        DISPID id;
    };

    DispatchBase() { ::InterlockedIncrement(&g_users); }
    DispatchBase(const DispatchBase&) = delete;
    DispatchBase& operator=(const DispatchBase&) = delete;

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch)
            *object = static_cast<IDispatch*>(this);
        else
            *object = QueryOther(iid);
        if (!*object) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(::InterlockedIncrement(&m_refs)); }
    STDMETHODIMP_(ULONG) Release() override {
        LONG refs = ::InterlockedDecrement(&m_refs);
        if (refs == 0) delete this;
        return static_cast<ULONG>(refs);
    }
    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return DISP_E_BADINDEX;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
        if (!names || !ids) return E_POINTER;
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = DISPID_UNKNOWN;
            if (i == 0 && names[0]) {
                for (const Member& m : Members())
                    if (::lstrcmpiW(m.name, names[0]) == 0) ids[0] = m.id;
            }
            if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO*,
                        UINT*) override {
        if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
        if (!params || (params->cArgs && !params->rgvarg)) return E_INVALIDARG;
        Call call{flags, {}, nullptr, result};
        UINT positional = params->cArgs;
        if (call.IsPut()) {
            if (params->cNamedArgs != 1 || !params->rgdispidNamedArgs ||
                params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT || params->cArgs < 1)
                return DISP_E_PARAMNOTOPTIONAL;
            call.value = &params->rgvarg[0];
            --positional;
        } else if (params->cNamedArgs != 0) {
            return DISP_E_NONAMEDARGS;
        }
        // The first argument of the call stands last in the array.
        for (UINT i = 0; i < positional; ++i) call.args.push_back(&params->rgvarg[params->cArgs - 1 - i]);
        if (result) ::VariantInit(result);
        try {
            Dispatch(id, call);
            return S_OK;
        } catch (const ComError& e) {
            if (result) ::VariantClear(result);
            return e.Error();
        } catch (const std::bad_alloc&) {
            if (result) ::VariantClear(result);
            return E_OUTOFMEMORY;
        }
    }

protected:
    virtual ~DispatchBase() { ::InterlockedDecrement(&g_users); }
    virtual std::span<const Member> Members() const = 0;
    // Runs member `id`; throws ComError on failure.
    virtual void Dispatch(DISPID id, const Call& call) = 0;
    virtual void* QueryOther(REFIID) { return nullptr; }

    static void NotPut(const Call& call) {
        if (call.IsPut()) throw ComError(DISP_E_MEMBERNOTFOUND);
    }

private:
    LONG m_refs = 1;
};

template <class T, class... Args>
ComPtr<IDispatch> Make(Args&&... args) {
    ComPtr<IDispatch> p;
    p.Attach(new T(std::forward<Args>(args)...));
    return p;
}

class Range : public DispatchBase {
public:
    Range(std::shared_ptr<SheetData> sheet, Area area) : m_sheet(std::move(sheet)), m_area(area) {}

private:
    enum : DISPID { kValue = DISPID_VALUE, kResize = 1, kRow, kColumn, kCount };
    std::span<const Member> Members() const override {
        static const Member members[] = {{L"Value", kValue}, {L"Value2", kValue},  {L"Resize", kResize},
                                         {L"Row", kRow},     {L"Column", kColumn}, {L"Count", kCount}};
        return members;
    }
    void Dispatch(DISPID id, const Call& call) override {
        switch (id) {
        case kValue:
            return call.IsPut() ? PutValue(*call.value) : GetValue(call.result);
        case kResize: {
            NotPut(call);
            Area area = m_area;
            if (VARIANT* rows = call.Arg(0)) area.rows = static_cast<uint32_t>(Positive(ToLong(rows)));
            if (VARIANT* cols = call.Arg(1)) area.cols = static_cast<uint32_t>(Positive(ToLong(cols)));
            // A block beyond the sheet's grid (65536 rows, 256 columns) cannot be kept in the file.
            if (area.rows > kMaxRows - area.row || area.cols > kMaxCols - area.col)
                throw ComError(HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE));
            return call.Return(Make<Range>(m_sheet, area).Get());
        }
        case kRow:
        case kColumn:
        case kCount:
            NotPut(call);
            if (call.result) {
                V_VT(call.result) = VT_I4;
                V_I4(call.result) = id == kRow      ? m_area.row + 1
                                    : id == kColumn ? m_area.col + 1
                                                    : m_area.rows * m_area.cols;
            }
            return;
        }
        throw ComError(DISP_E_MEMBERNOTFOUND);
    }
    static long Positive(long n) {
        if (n < 1) throw ComError(E_INVALIDARG);
        return n;
    }
    const Cell* At(uint32_t row, uint32_t col) const {
        auto it = m_sheet->cells.find(CellKey(row, col));
        return it == m_sheet->cells.end() ? nullptr : &it->second;
    }
    void Set(uint32_t row, uint32_t col, std::optional<Cell> cell) {
        if (cell)
            m_sheet->cells[CellKey(row, col)] = std::move(*cell);
        else
            m_sheet->cells.erase(CellKey(row, col));
    }
    void GetValue(VARIANT* result) const {
        if (!result) return;
        if (m_area.rows == 1 && m_area.cols == 1) return FromCell(At(m_area.row, m_area.col), result);
        // Several cells: a rows x columns array with lower bounds 1.
        SAFEARRAYBOUND bounds[2] = {{m_area.rows, 1}, {m_area.cols, 1}};
        SafeArray array(::SafeArrayCreate(VT_VARIANT, 2, bounds));
        if (!array) throw ComError(E_OUTOFMEMORY);
        {
            SafeArrayData<VARIANT> data(array.Get());
            if (!data) throw ComError(E_OUTOFMEMORY);
            for (uint32_t c = 0; c < m_area.cols; ++c)
                for (uint32_t r = 0; r < m_area.rows; ++r)
                    FromCell(At(m_area.row + r, m_area.col + c), &data[r + size_t(c) * m_area.rows]);
        }
        V_VT(result) = VT_ARRAY | VT_VARIANT;
        V_ARRAY(result) = array.Detach();
    }
    void PutValue(const VARIANT& value) {
        const VARIANT* v = &value;
        if (V_VT(v) == (VT_BYREF | VT_VARIANT)) v = V_VARIANTREF(v);
        if (!(V_VT(v) & VT_ARRAY)) {
            std::optional<Cell> cell = ToCell(*v);
            for (uint32_t r = 0; r < m_area.rows; ++r)
                for (uint32_t c = 0; c < m_area.cols; ++c) Set(m_area.row + r, m_area.col + c, cell);
            return;
        }
        if ((V_VT(v) & VT_TYPEMASK) != VT_VARIANT) throw ComError(DISP_E_TYPEMISMATCH);
        SAFEARRAY* array = (V_VT(v) & VT_BYREF) ? (V_ARRAYREF(v) ? *V_ARRAYREF(v) : nullptr) : V_ARRAY(v);
        UINT dims = array ? ::SafeArrayGetDim(array) : 0;
        if (dims != 1 && dims != 2) throw ComError(DISP_E_TYPEMISMATCH);
        // A one-dimensional array is one row.
        LONG rows = 1, cols = SafeArray::Count(array);
        if (dims == 2) {
            LONG lower = 0, upper = -1;
            ThrowIfFailed(::SafeArrayGetLBound(array, 2, &lower));
            ThrowIfFailed(::SafeArrayGetUBound(array, 2, &upper));
            rows = cols;
            cols = upper - lower + 1;
        }
        SafeArrayData<VARIANT> data(array);
        if (!data) throw ComError(E_INVALIDARG);
        // Convert everything first, so that a bad element leaves the sheet as it was.
        std::vector<std::optional<Cell>> cells(size_t(m_area.rows) * m_area.cols);
        for (uint32_t r = 0; r < m_area.rows; ++r)
            for (uint32_t c = 0; c < m_area.cols; ++c) {
                auto& cell = cells[size_t(r) * m_area.cols + c];
                // Cells beyond the array get #N/A, as spreadsheet programs do.
                if (LONG(r) < rows && LONG(c) < cols)
                    cell = ToCell(data[dims == 1 ? c : r + size_t(c) * rows]);
                else
                    cell = Cell{Cell::Kind::Error, kErrorNA, {}};
            }
        for (uint32_t r = 0; r < m_area.rows; ++r)
            for (uint32_t c = 0; c < m_area.cols; ++c)
                Set(m_area.row + r, m_area.col + c, std::move(cells[size_t(r) * m_area.cols + c]));
    }

    std::shared_ptr<SheetData> m_sheet;
    Area m_area;
};

class Sheet : public DispatchBase {
public:
    Sheet(std::shared_ptr<Book> book, std::shared_ptr<SheetData> sheet)
        : m_book(std::move(book)), m_sheet(std::move(sheet)) {}

private:
    enum : DISPID { kName = 1, kRange, kCells };
    std::span<const Member> Members() const override {
        static const Member members[] = {{L"Name", kName}, {L"Range", kRange}};
        return members;
    }
    void Dispatch(DISPID id, const Call& call) override {
        switch (id) {
        case kName:
            if (call.IsPut()) return Rename(ToText(call.value));
            ReturnText(call.result, m_sheet->name);
            return;
        case kRange: {
            NotPut(call);
            Area area = ParseArea(ToText(call.Required(0)));
            if (VARIANT* second = call.Arg(1)) area = Union(area, ParseArea(ToText(second)));
            return call.Return(Make<Range>(m_sheet, area).Get());
        }
        }
        throw ComError(DISP_E_MEMBERNOTFOUND);
    }
    void Rename(const std::wstring& name) {
        if (!IsValidSheetName(name)) throw ComError(E_INVALIDARG);
        for (const auto& other : m_book->data.sheets)
            if (other != m_sheet && SameName(other->name, name)) throw ComError(E_INVALIDARG);
        m_sheet->name = name;
    }

    std::shared_ptr<Book> m_book;
    std::shared_ptr<SheetData> m_sheet;
};

class Sheets : public DispatchBase {
public:
    explicit Sheets(std::shared_ptr<Book> book) : m_book(std::move(book)) {}

private:
    enum : DISPID { kItem = DISPID_VALUE, kAdd = 1, kCount };
    std::span<const Member> Members() const override {
        static const Member members[] = {{L"Item", kItem}, {L"Add", kAdd}, {L"Count", kCount}};
        return members;
    }
    void Dispatch(DISPID id, const Call& call) override {
        NotPut(call);
        auto& sheets = m_book->data.sheets;
        switch (id) {
        case kItem:
            return call.Return(Make<Sheet>(m_book, Find(call.Required(0))).Get());
        case kAdd: {
            // Placement before or after a given sheet, and several sheets at once, are not offered.
            for (size_t i = 0; i < call.args.size(); ++i)
                if (call.Arg(i)) throw ComError(E_NOTIMPL);
            auto sheet = std::make_shared<SheetData>();
            for (size_t n = sheets.size() + 1; sheet->name.empty(); ++n) {
                std::wstring name = L"Sheet" + std::to_wstring(n);
                bool taken = false;
                for (const auto& other : sheets) taken = taken || SameName(other->name, name);
                if (!taken) sheet->name = name;
            }
            // New sheets go before the active one and become active.
            size_t at = std::min(m_book->active, sheets.size());
            sheets.insert(sheets.begin() + at, sheet);
            m_book->active = at;
            return call.Return(Make<Sheet>(m_book, sheet).Get());
        }
        case kCount:
            if (call.result) {
                V_VT(call.result) = VT_I4;
                V_I4(call.result) = static_cast<LONG>(sheets.size());
            }
            return;
        }
        throw ComError(DISP_E_MEMBERNOTFOUND);
    }
    // By name (any case) or by position from 1.
    std::shared_ptr<SheetData> Find(VARIANT* key) const {
        const auto& sheets = m_book->data.sheets;
        Variant v;
        ThrowIfFailed(::VariantCopyInd(&v, key));
        if (V_VT(&v) == VT_BSTR) {
            std::wstring name(V_BSTR(&v), ::SysStringLen(V_BSTR(&v)));
            for (const auto& sheet : sheets)
                if (SameName(sheet->name, name)) return sheet;
            throw ComError(DISP_E_BADINDEX);
        }
        long index = ToLong(&v);
        if (index < 1 || size_t(index) > sheets.size()) throw ComError(DISP_E_BADINDEX);
        return sheets[index - 1];
    }

    std::shared_ptr<Book> m_book;
};

std::wstring PathFromMoniker(IMoniker* moniker, IBindCtx* context) {
    ComPtr<IBindCtx> own;
    if (!context) {
        ThrowIfFailed(::CreateBindCtx(0, own.Receive()));
        context = own.Get();
    }
    LPOLESTR name = nullptr;
    ThrowIfFailed(moniker->GetDisplayName(context, nullptr, &name));
    std::wstring display(name);
    ::CoTaskMemFree(name);
    if (display.compare(0, 5, L"file:") != 0) return display;
    wchar_t path[MAX_PATH * 4];
    DWORD size = ARRAYSIZE(path);
    ThrowIfFailed(::PathCreateFromUrlW(display.c_str(), path, &size, 0));
    return path;
}

class Workbook : public DispatchBase, public IPersistMoniker, public IPersistFile {
public:
    Workbook() : m_book(std::make_shared<Book>()) {
        m_book->data.sheets.push_back(std::make_shared<SheetData>(SheetData{L"Sheet1", {}}));
    }

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
        return DispatchBase::QueryInterface(iid, object);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return DispatchBase::AddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return DispatchBase::Release(); }

    // IPersistMoniker: the way URL and file monikers hand an existing file to the object.
    STDMETHODIMP GetClassID(CLSID* clsid) override {
        if (!clsid) return E_POINTER;
        *clsid = CLSID_KestrovaSheet;
        return S_OK;
    }
    STDMETHODIMP IsDirty() override { return S_OK; }
    STDMETHODIMP Load(BOOL, IMoniker* moniker, LPBC context, DWORD) override {
        if (!moniker) return E_INVALIDARG;
        try {
            return LoadFrom(PathFromMoniker(moniker, context));
        } catch (const ComError& e) {
            return e.Error();
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }
    // IPersistFile: the way file monikers (found by the class stamped into the file) load it.
    STDMETHODIMP Load(LPCOLESTR path, DWORD) override {
        if (!path) return E_INVALIDARG;
        try {
            return LoadFrom(path);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }
    STDMETHODIMP Save(LPCOLESTR path, BOOL remember) override {
        std::wstring target = path ? path : m_book->path;
        if (target.empty()) return E_UNEXPECTED;
        HRESULT hr = SaveTo(target);
        if (SUCCEEDED(hr) && remember) m_book->path = target;
        return hr;
    }
    STDMETHODIMP SaveCompleted(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP GetCurFile(LPOLESTR* path) override {
        if (!path) return E_POINTER;
        *path = nullptr;
        if (m_book->path.empty()) return E_UNEXPECTED;
        size_t bytes = (m_book->path.size() + 1) * sizeof(wchar_t);
        *path = static_cast<LPOLESTR>(::CoTaskMemAlloc(bytes));
        if (!*path) return E_OUTOFMEMORY;
        std::memcpy(*path, m_book->path.c_str(), bytes);
        return S_OK;
    }
    STDMETHODIMP Save(IMoniker* moniker, LPBC context, BOOL remember) override {
        try {
            std::wstring path = moniker ? PathFromMoniker(moniker, context) : m_book->path;
            if (path.empty()) return E_UNEXPECTED;
            ThrowIfFailed(SaveTo(path));
            if (remember) m_book->path = path;
            return S_OK;
        } catch (const ComError& e) {
            return e.Error();
        }
    }
    STDMETHODIMP SaveCompleted(IMoniker*, LPBC) override { return S_OK; }
    STDMETHODIMP GetCurMoniker(IMoniker** moniker) override {
        if (!moniker) return E_POINTER;
        *moniker = nullptr;
        if (m_book->path.empty()) return E_UNEXPECTED;
        return ::CreateFileMoniker(m_book->path.c_str(), moniker);
    }

private:
    enum : DISPID { kSheets = 1, kSaveAs, kSave, kClose, kFullName };
    std::span<const Member> Members() const override {
        static const Member members[] = {{L"Sheets", kSheets}, {L"Worksheets", kSheets}, {L"SaveAs", kSaveAs},
                                         {L"Save", kSave},     {L"Close", kClose},       {L"FullName", kFullName}};
        return members;
    }
    void* QueryOther(REFIID iid) override {
        if (iid == IID_IPersistMoniker || iid == IID_IPersist) return static_cast<IPersistMoniker*>(this);
        if (iid == IID_IPersistFile) return static_cast<IPersistFile*>(this);
        return nullptr;
    }
    HRESULT LoadFrom(const std::wstring& path) {
        BookData data;
        HRESULT hr = LoadBookFile(path, data);
        if (FAILED(hr)) return hr;
        m_book->data = std::move(data);
        m_book->active = 0;
        m_book->path = path;
        return S_OK;
    }
    void Dispatch(DISPID id, const Call& call) override {
        NotPut(call);
        if (m_book->closed) throw ComError(E_UNEXPECTED);
        switch (id) {
        case kSheets:
            return call.Return(Make<Sheets>(m_book).Get());
        case kSaveAs: {
            std::wstring path = ToText(call.Required(0));
            ThrowIfFailed(SaveTo(path));
            m_book->path = path;
            return;
        }
        case kSave:
            if (m_book->path.empty()) throw ComError(E_UNEXPECTED);
            return ThrowIfFailed(SaveTo(m_book->path));
        case kClose:
            m_book->closed = true;
            return;
        case kFullName:
            ReturnText(call.result, m_book->path);
            return;
        }
        throw ComError(DISP_E_MEMBERNOTFOUND);
    }
    // The workbook replaces only its own file, or an empty one. Any other file that holds
    // something is kept: another program's document, or a workbook whose binding failed (a name
    // a URL moniker misreads, such as one with '#'), whose other sheets a new workbook would wipe.
    HRESULT SaveTo(const std::wstring& path) {
        WIN32_FILE_ATTRIBUTE_DATA info = {};
        if (::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &info)) {
            if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return HRESULT_FROM_WIN32(ERROR_DIRECTORY);
            if ((info.nFileSizeLow || info.nFileSizeHigh) && !SameName(path, m_book->path))
                return HRESULT_FROM_WIN32(ERROR_FILE_EXISTS);
        }
        return SaveBookFile(path, m_book->data, CLSID_KestrovaSheet);
    }

    std::shared_ptr<Book> m_book;
};

}  // namespace

HRESULT CreateWorkbook(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    try {
        ComPtr<IDispatch> book = Make<Workbook>();
        return book->QueryInterface(iid, object);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

LONG ModuleUsers() {
    return g_users;
}
void LockModule(bool lock) {
    lock ? ::InterlockedIncrement(&g_users) : ::InterlockedDecrement(&g_users);
}

}  // namespace sheet
