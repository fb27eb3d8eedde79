#include "BiffFile.h"

#include <objbase.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <stdexcept>
#include <unordered_map>

#include "Com.h"

namespace sheet {
namespace {

// Record ids.
// clang-format off
enum : uint16_t {
    kBof = 0x0809, kEof = 0x000A, kCodepage = 0x0042, kWindow1 = 0x003D, kDateMode = 0x0022, kFont = 0x0031,
    kFormat = 0x041E, kXf = 0x00E0, kStyle = 0x0293, kBoundSheet = 0x0085, kDimension = 0x0200,
    kNumber = 0x0203, kLabel = 0x0204, kBoolErr = 0x0205, kWindow2 = 0x023E, kSst = 0x00FC, kExtSst = 0x00FF,
    kLabelSst = 0x00FD, kRk = 0x027E, kMulRk = 0x00BD, kContinue = 0x003C, kFormula = 0x0006, kArray = 0x0221,
    kSharedFormula = 0x04BC, kTable = 0x0236,
};
// clang-format on
constexpr uint16_t kBiff8 = 0x0600;
constexpr uint16_t kGlobalsType = 0x0005, kSheetType = 0x0010;
constexpr size_t kMaxRecord = 8224;
constexpr size_t kMaxStream = 256u << 20;

// Cell formats written: XF 15 is the default cell format, XF 16 shows dates with our format 164.
constexpr uint16_t kDefaultXf = 15, kDateXf = 16;
constexpr uint16_t kDateFormat = 164;
constexpr wchar_t kDateFormatText[] = L"yyyy\\-mm\\-dd hh:mm:ss";

// ---- writing

// Whether a text needs two bytes a character; else it is stored with one.
bool IsWide(const std::wstring& s) {
    return std::any_of(s.begin(), s.end(), [](wchar_t c) { return c > 0xFF; });
}

class Writer {
public:
    std::vector<uint8_t> out;

    void Begin(uint16_t id) {
        m_start = out.size();
        U16(id);
        U16(0);
    }
    void End() {
        size_t length = out.size() - m_start - 4;
        out[m_start + 2] = static_cast<uint8_t>(length);
        out[m_start + 3] = static_cast<uint8_t>(length >> 8);
    }
    // Bytes left in the current record, and the position in it (from its header).
    size_t Room() const { return kMaxRecord - (out.size() - m_start - 4); }
    size_t RecordOffset() const { return out.size() - m_start; }
    void U8(unsigned v) { out.push_back(static_cast<uint8_t>(v)); }
    void U16(unsigned v) {
        U8(v & 0xFF);
        U8((v >> 8) & 0xFF);
    }
    void U32(uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void F64(double v) {
        uint8_t bytes[8];
        std::memcpy(bytes, &v, 8);
        out.insert(out.end(), bytes, bytes + 8);
    }
    // The flags byte and the characters: one byte each when they all fit, else UTF-16.
    void Chars(const std::wstring& s) {
        bool wide = IsWide(s);
        U8(wide ? 1 : 0);
        for (wchar_t c : s) wide ? U16(c) : U8(c);
    }
    void String8(const std::wstring& s) {  // ShortXLUnicodeString
        U8(static_cast<unsigned>(s.size()));
        Chars(s);
    }
    void String16(const std::wstring& s) {  // XLUnicodeString
        U16(static_cast<unsigned>(s.size()));
        Chars(s);
    }
    void Record(uint16_t id, std::initializer_list<uint16_t> words) {
        Begin(id);
        for (uint16_t w : words) U16(w);
        End();
    }
    void Bof(uint16_t type) {
        Begin(kBof);
        U16(kBiff8);
        U16(type);
        U16(0x0DBB);  // build
        U16(0x07CC);  // year
        U32(0);       // file history
        U32(0x06);    // lowest version that can read the file: BIFF8
        End();
    }

private:
    size_t m_start = 0;
};

// The texts of all cells, each once, in the order first met; cells refer to them by index.
struct StringTable {
    std::unordered_map<std::wstring, uint32_t> index;
    std::vector<const std::wstring*> strings;
    uint32_t references = 0;

    explicit StringTable(const BookData& book) {
        for (const auto& sheet : book.sheets)
            for (const auto& [key, cell] : sheet->cells)
                if (cell.kind == Cell::Kind::Text) {
                    ++references;
                    auto [it, added] = index.emplace(cell.text.substr(0, kMaxText), uint32_t(strings.size()));
                    if (added) strings.push_back(&it->first);
                }
    }
};

// The shared string table. A string's characters may go on in CONTINUE records, each continued
// piece starting with its own flags byte; a string's header is never split. EXTSST indexes every
// dsst-th string by its stream position.
void WriteSst(Writer& w, const StringTable& table) {
    const size_t count = table.strings.size();
    const size_t perBucket = std::max<size_t>(8, (count + 1023) / 1024);
    std::vector<std::pair<uint32_t, uint16_t>> buckets;
    w.Begin(kSst);
    w.U32(table.references);
    w.U32(static_cast<uint32_t>(count));
    for (size_t i = 0; i < count; ++i) {
        const std::wstring& s = *table.strings[i];
        const bool wide = IsWide(s);
        const size_t charSize = wide ? 2 : 1;
        if (w.Room() < 3 + (s.empty() ? 0 : charSize)) {
            w.End();
            w.Begin(kContinue);
        }
        if (i % perBucket == 0)
            buckets.emplace_back(static_cast<uint32_t>(w.out.size()), static_cast<uint16_t>(w.RecordOffset()));
        w.U16(static_cast<unsigned>(s.size()));
        w.U8(wide ? 1 : 0);
        for (wchar_t c : s) {
            if (w.Room() < charSize) {
                w.End();
                w.Begin(kContinue);
                w.U8(wide ? 1 : 0);
            }
            wide ? w.U16(c) : w.U8(c);
        }
    }
    w.End();
    w.Begin(kExtSst);
    w.U16(static_cast<unsigned>(perBucket));
    for (const auto& [position, offset] : buckets) {
        w.U32(position);
        w.U16(offset);
        w.U16(0);
    }
    w.End();
}

void WriteGlobals(Writer& w, const StringTable& table, std::vector<size_t>& offsetFields,
                  const std::vector<std::wstring>& names) {
    const size_t sheetCount = names.size();
    w.Bof(kGlobalsType);
    w.Record(kCodepage, {1200});
    w.Record(kWindow1, {0, 0, 0x3000, 0x2000, 0x38, 0, 0, 1, 0x258});
    w.Record(kDateMode, {0});
    // Four fonts (index 4 does not exist in BIFF), all the same.
    for (int i = 0; i < 4; ++i) {
        w.Begin(kFont);
        w.U16(200);     // 10 pt
        w.U16(0);       // attributes
        w.U16(0x7FFF);  // automatic colour
        w.U16(400);     // normal weight
        w.U16(0);       // no super/subscript
        w.U8(0);        // no underline
        w.U8(0);        // family
        w.U8(0);        // character set
        w.U8(0);
        w.String8(L"Arial");
        w.End();
    }
    w.Begin(kFormat);
    w.U16(kDateFormat);
    w.String16(kDateFormatText);
    w.End();
    // Fifteen style formats, then the default cell format and the date cell format.
    auto xf = [&](uint16_t format, uint16_t protection, uint8_t used) {
        w.Begin(kXf);
        w.U16(0);  // font
        w.U16(format);
        w.U16(protection);
        w.U8(0x20);  // aligned at the bottom
        w.U8(0);
        w.U8(0);
        w.U8(used);
        w.U32(0);
        w.U32(0);
        w.U16(0x20C0);  // pattern colours: automatic
        w.End();
    };
    for (int i = 0; i < 15; ++i) xf(0, 0xFFF5, i == 0 ? 0 : 0xF4);
    xf(0, 0x0001, 0);
    xf(kDateFormat, 0x0001, 0x04);
    w.Record(kStyle, {0x8000, 0xFF00});  // the built-in style "Normal" on XF 0
    for (size_t i = 0; i < sheetCount; ++i) {
        w.Begin(kBoundSheet);
        offsetFields.push_back(w.out.size());
        w.U32(0);  // the sheet's BOF position, filled in later
        w.U8(0);   // visible
        w.U8(0);   // worksheet
        w.String8(names[i]);
        w.End();
    }
    WriteSst(w, table);
    w.Record(kEof, {});
}

void WriteSheet(Writer& w, const SheetData& sheet, const StringTable& table, bool first) {
    w.Bof(kSheetType);
    uint32_t rowFirst = 0, rowEnd = 0, colFirst = 0, colEnd = 0;
    if (!sheet.cells.empty()) {
        rowFirst = kMaxRows;
        colFirst = kMaxCols;
        for (const auto& [key, cell] : sheet.cells) {
            uint32_t row = key >> 8, col = key & 0xFF;
            rowFirst = std::min(rowFirst, row);
            rowEnd = std::max(rowEnd, row + 1);
            colFirst = std::min(colFirst, col);
            colEnd = std::max(colEnd, col + 1);
        }
    }
    w.Begin(kDimension);
    w.U32(rowFirst);
    w.U32(rowEnd);
    w.U16(colFirst);
    w.U16(colEnd);
    w.U16(0);
    w.End();
    for (const auto& [key, cell] : sheet.cells) {
        uint16_t row = static_cast<uint16_t>(key >> 8), col = static_cast<uint16_t>(key & 0xFF);
        switch (cell.kind) {
        case Cell::Kind::Number:
        case Cell::Kind::Date:
            w.Begin(kNumber);
            w.U16(row);
            w.U16(col);
            w.U16(cell.kind == Cell::Kind::Date ? kDateXf : kDefaultXf);
            w.F64(cell.number);
            break;
        case Cell::Kind::Text:
            w.Begin(kLabelSst);
            w.U16(row);
            w.U16(col);
            w.U16(kDefaultXf);
            w.U32(table.index.at(cell.text.substr(0, kMaxText)));
            break;
        case Cell::Kind::Bool:
        case Cell::Kind::Error:
            w.Begin(kBoolErr);
            w.U16(row);
            w.U16(col);
            w.U16(kDefaultXf);
            w.U8(static_cast<unsigned>(cell.number));
            w.U8(cell.kind == Cell::Kind::Error ? 1 : 0);
            break;
        }
        w.End();
    }
    // Grid lines, headers, zeros shown; the first sheet is the selected one.
    w.Record(kWindow2, {static_cast<uint16_t>(first ? 0x06B6 : 0x00B6), 0, 0, 0x40, 0, 0, 0, 0, 0});
    w.Record(kEof, {});
}

// ---- reading

struct Invalid {};

// Little-endian 16 and 32-bit numbers read byte by byte through the reader's own U8.
template <class Bytes>
class LittleEndian {
public:
    unsigned U16() {
        unsigned lo = Self().U8();
        return lo | (Self().U8() << 8);
    }
    uint32_t U32() {
        uint32_t lo = U16();
        return lo | (static_cast<uint32_t>(U16()) << 16);
    }

private:
    Bytes& Self() { return static_cast<Bytes&>(*this); }
};

class Reader : public LittleEndian<Reader> {
public:
    Reader(const uint8_t* p, size_t n) : m_p(p), m_n(n) {}
    size_t Left() const { return m_n - m_pos; }
    void Need(size_t n) const {
        if (Left() < n) throw Invalid{};
    }
    unsigned U8() {
        Need(1);
        return m_p[m_pos++];
    }
    double F64() {
        Need(8);
        double v;
        std::memcpy(&v, m_p + m_pos, 8);
        m_pos += 8;
        return v;
    }
    void Skip(size_t n) {
        Need(n);
        m_pos += n;
    }
    std::wstring Chars(size_t count, bool wide) {
        std::wstring s;
        s.reserve(count);
        for (size_t i = 0; i < count; ++i) s.push_back(static_cast<wchar_t>(wide ? U16() : U8()));
        return s;
    }
    // A string without rich text or phonetic parts (names, labels); skips those parts if present.
    std::wstring String(bool longCount) {
        size_t count = longCount ? U16() : U8();
        unsigned flags = U8();
        size_t runs = (flags & 0x08) ? U16() : 0;
        size_t ext = (flags & 0x04) ? U32() : 0;
        std::wstring s = Chars(count, flags & 1);
        Skip(runs * 4);
        Skip(ext);
        return s;
    }

private:
    const uint8_t* m_p;
    size_t m_n;
    size_t m_pos = 0;
};

struct Record {
    uint16_t id;
    const uint8_t* data;
    size_t size;
};

// The records of a substream from `offset` up to and including its EOF.
std::vector<Record> Substream(const std::vector<uint8_t>& s, size_t offset) {
    std::vector<Record> records;
    int depth = 0;
    for (size_t pos = offset;;) {
        if (pos > s.size() || s.size() - pos < 4) throw Invalid{};
        uint16_t id = static_cast<uint16_t>(s[pos] | (s[pos + 1] << 8));
        size_t size = s[pos + 2] | (s[pos + 3] << 8);
        pos += 4;
        if (s.size() - pos < size) throw Invalid{};
        records.push_back({id, s.data() + pos, size});
        pos += size;
        if (id == kBof) ++depth;
        if (id == kEof && --depth <= 0) return records;
        if (records.size() == 1 && id != kBof) throw Invalid{};
    }
}

// Strings of the shared string table, whose text may go on in CONTINUE records, where each
// continued piece of characters starts with a new flags byte.
class SegmentReader : public LittleEndian<SegmentReader> {
public:
    void Add(const Record& r) { m_segments.push_back(r); }
    unsigned U8() {
        while (m_off == Segment().size) Next();
        return Segment().data[m_off++];
    }
    void Skip(size_t n) {
        while (n--) U8();
    }
    std::wstring String() {
        size_t count = U16();
        unsigned flags = U8();
        size_t runs = (flags & 0x08) ? U16() : 0;
        size_t ext = (flags & 0x04) ? U32() : 0;
        bool wide = flags & 1;
        std::wstring s;
        s.reserve(std::min<size_t>(count, 0x10000));
        for (size_t i = 0; i < count; ++i) {
            if (m_off == Segment().size) {
                Next();
                wide = U8() & 1;
            }
            s.push_back(static_cast<wchar_t>(wide ? U16() : U8()));
        }
        Skip(runs * 4);
        Skip(ext);
        return s;
    }

private:
    const Record& Segment() const { return m_segments[m_index]; }
    void Next() {
        if (++m_index >= m_segments.size()) throw Invalid{};
        m_off = 0;
    }
    std::vector<Record> m_segments;
    size_t m_index = 0, m_off = 0;
};

double RkValue(uint32_t rk) {
    double v;
    if (rk & 2) {
        v = static_cast<double>(static_cast<int32_t>(rk) >> 2);
    } else {
        uint64_t bits = static_cast<uint64_t>(rk & 0xFFFFFFFCu) << 32;
        std::memcpy(&v, &bits, 8);
    }
    return (rk & 1) ? v / 100 : v;
}

struct Globals {
    std::vector<bool> dateXf;  // by XF index
    std::vector<std::wstring> strings;
    struct Entry {
        uint32_t offset;
        std::wstring name;
    };
    std::vector<Entry> sheets;
};

Globals ReadGlobals(const std::vector<uint8_t>& s) {
    std::vector<Record> records = Substream(s, 0);
    Reader bof(records[0].data, records[0].size);
    if (bof.U16() != kBiff8 || bof.U16() != kGlobalsType) throw Invalid{};
    Globals g;
    std::map<unsigned, std::wstring> formats;
    std::vector<unsigned> xfFormats;
    for (size_t i = 1; i < records.size(); ++i) {
        const Record& r = records[i];
        Reader in(r.data, r.size);
        switch (r.id) {
        case kFormat: {
            unsigned id = in.U16();
            formats[id] = in.String(true);
            break;
        }
        case kXf:
            in.U16();
            xfFormats.push_back(in.U16());
            break;
        case kSst: {
            SegmentReader sst;
            sst.Add(r);
            for (size_t j = i + 1; j < records.size() && records[j].id == kContinue; ++j) sst.Add(records[j]);
            sst.U32();
            uint32_t unique = sst.U32();
            if (unique > s.size()) throw Invalid{};  // each string takes at least three bytes
            g.strings.reserve(unique);
            for (uint32_t k = 0; k < unique; ++k) g.strings.push_back(sst.String());
            break;
        }
        case kBoundSheet: {
            uint32_t offset = in.U32();
            in.U8();
            if (in.U8() != 0) throw Invalid{};  // chart, macro or module sheets are not kept
            g.sheets.push_back({offset, in.String(false)});
            break;
        }
        default:
            break;
        }
    }
    for (unsigned format : xfFormats) {
        bool date = (format >= 14 && format <= 22) || (format >= 45 && format <= 47);
        auto custom = formats.find(format);
        if (custom != formats.end()) date = IsDateFormat(custom->second);
        g.dateXf.push_back(date);
    }
    // Each sheet has its own substream: shared offsets would multiply one sheet's work.
    std::vector<uint32_t> offsets;
    for (const auto& entry : g.sheets) offsets.push_back(entry.offset);
    std::sort(offsets.begin(), offsets.end());
    if (offsets.empty() || std::adjacent_find(offsets.begin(), offsets.end()) != offsets.end()) throw Invalid{};
    return g;
}

std::shared_ptr<SheetData> ReadSheet(const std::vector<uint8_t>& s, const Globals& g, const Globals::Entry& entry) {
    std::vector<Record> records = Substream(s, entry.offset);
    Reader bof(records[0].data, records[0].size);
    if (bof.U16() != kBiff8 || bof.U16() != kSheetType) throw Invalid{};
    auto sheet = std::make_shared<SheetData>();
    sheet->name = entry.name;
    auto put = [&](unsigned row, unsigned col, Cell cell) {
        if (col >= kMaxCols) throw Invalid{};
        sheet->cells[CellKey(row, col)] = std::move(cell);
    };
    auto number = [&](unsigned xf, double v) {
        bool date = xf < g.dateXf.size() && g.dateXf[xf];
        return Cell{date ? Cell::Kind::Date : Cell::Kind::Number, v, {}};
    };
    int depth = 0;
    for (size_t i = 1; i < records.size(); ++i) {
        const Record& r = records[i];
        // Embedded substreams (charts on the sheet) are skipped.
        if (r.id == kBof) ++depth;
        if (r.id == kEof && depth > 0) --depth;
        if (depth > 0 || r.id == kEof) continue;
        Reader in(r.data, r.size);
        switch (r.id) {
        case kNumber: {
            unsigned row = in.U16(), col = in.U16(), xf = in.U16();
            put(row, col, number(xf, in.F64()));
            break;
        }
        case kRk: {
            unsigned row = in.U16(), col = in.U16(), xf = in.U16();
            put(row, col, number(xf, RkValue(in.U32())));
            break;
        }
        case kMulRk: {
            unsigned row = in.U16(), col = in.U16();
            while (in.Left() > 2) {
                unsigned xf = in.U16();
                put(row, col++, number(xf, RkValue(in.U32())));
            }
            break;
        }
        case kLabel: {
            unsigned row = in.U16(), col = in.U16();
            in.U16();
            put(row, col, Cell{Cell::Kind::Text, 0, in.String(true)});
            break;
        }
        case kLabelSst: {
            unsigned row = in.U16(), col = in.U16();
            in.U16();
            uint32_t index = in.U32();
            if (index >= g.strings.size()) throw Invalid{};
            put(row, col, Cell{Cell::Kind::Text, 0, g.strings[index]});
            break;
        }
        case kBoolErr: {
            unsigned row = in.U16(), col = in.U16();
            in.U16();
            unsigned value = in.U8();
            bool error = in.U8() != 0;
            put(row, col, Cell{error ? Cell::Kind::Error : Cell::Kind::Bool, static_cast<double>(value), {}});
            break;
        }
        case kFormula:
        case kArray:
        case kSharedFormula:
        case kTable:
            throw Invalid{};  // saving would turn formulas into nothing
        default:
            break;
        }
    }
    return sheet;
}

std::wstring FolderOf(const std::wstring& path) {
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"." : path.substr(0, slash + 1);
}

}  // namespace

std::vector<uint8_t> WriteBiff(const BookData& book) {
    Writer w;
    std::vector<size_t> offsetFields;
    std::vector<std::wstring> names;
    for (const auto& sheet : book.sheets) names.push_back(sheet->name.substr(0, kMaxSheetName));
    StringTable table(book);
    WriteGlobals(w, table, offsetFields, names);
    for (size_t i = 0; i < book.sheets.size(); ++i) {
        uint32_t offset = static_cast<uint32_t>(w.out.size());
        std::memcpy(&w.out[offsetFields[i]], &offset, 4);
        WriteSheet(w, *book.sheets[i], table, i == 0);
    }
    // Streams under 4096 bytes would go to the compound file's mini stream, which some readers
    // do not expect for the workbook; the padding after the last EOF is never read.
    if (w.out.size() < 4096) w.out.resize(4096);
    return std::move(w.out);
}

HRESULT ReadBiff(const std::vector<uint8_t>& stream, BookData& book) {
    try {
        Globals g = ReadGlobals(stream);
        BookData read;
        for (const auto& entry : g.sheets) read.sheets.push_back(ReadSheet(stream, g, entry));
        book = std::move(read);
        return S_OK;
    } catch (const Invalid&) {
        return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT SaveBookFile(const std::wstring& path, const BookData& book, REFCLSID clsid) {
    if (book.sheets.empty()) return E_UNEXPECTED;
    std::vector<uint8_t> bytes = WriteBiff(book);
    wchar_t temp[MAX_PATH] = {};
    if (!::GetTempFileNameW(FolderOf(path).c_str(), L"ksv", 0, temp)) return HRESULT_FROM_WIN32(::GetLastError());
    HRESULT hr;
    {
        ComPtr<IStorage> storage;
        ComPtr<IStream> stream;
        hr = ::StgCreateDocfile(temp, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, storage.Receive());
        if (SUCCEEDED(hr)) hr = ::WriteClassStg(storage.Get(), clsid);
        if (SUCCEEDED(hr))
            hr = storage->CreateStream(L"Workbook", STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0,
                                       stream.Receive());
        ULONG written = 0;
        if (SUCCEEDED(hr)) hr = stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
        if (SUCCEEDED(hr) && written != bytes.size()) hr = STG_E_MEDIUMFULL;
        if (SUCCEEDED(hr)) hr = stream->Commit(STGC_DEFAULT);
        if (SUCCEEDED(hr)) hr = storage->Commit(STGC_DEFAULT);
    }
    if (SUCCEEDED(hr) && !::MoveFileExW(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED))
        hr = HRESULT_FROM_WIN32(::GetLastError());
    if (FAILED(hr)) ::DeleteFileW(temp);
    return hr;
}

HRESULT LoadBookFile(const std::wstring& path, BookData& book) {
    if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return HRESULT_FROM_WIN32(::GetLastError());
    if (::StgIsStorageFile(path.c_str()) != S_OK) return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    ComPtr<IStorage> storage;
    HRESULT hr =
        ::StgOpenStorage(path.c_str(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0, storage.Receive());
    if (FAILED(hr)) return hr;
    ComPtr<IStream> stream;
    hr = storage->OpenStream(L"Workbook", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.Receive());
    if (FAILED(hr)) return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    STATSTG stat = {};
    hr = stream->Stat(&stat, STATFLAG_NONAME);
    if (FAILED(hr)) return hr;
    if (stat.cbSize.QuadPart > kMaxStream) return HRESULT_FROM_WIN32(ERROR_INVALID_DATA);
    std::vector<uint8_t> bytes(static_cast<size_t>(stat.cbSize.QuadPart));
    ULONG read = 0;
    hr = stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read);
    if (FAILED(hr)) return hr;
    bytes.resize(read);
    return ReadBiff(bytes, book);
}

bool IsValidSheetName(const std::wstring& name) {
    return !name.empty() && name.size() <= kMaxSheetName && name.find_first_of(L":\\/?*[]") == std::wstring::npos &&
           name.front() != L'\'' && name.back() != L'\'';
}

bool IsDateFormat(const std::wstring& format) {
    bool quoted = false, bracket = false;
    for (size_t i = 0; i < format.size(); ++i) {
        wchar_t c = format[i];
        if (quoted) {
            quoted = c != L'"';
        } else if (bracket) {
            bracket = c != L']';
        } else if (c == L'"') {
            quoted = true;
        } else if (c == L'[') {
            // Elapsed time ([h], [mm], [ss]) is a time; colours ([Red]) and locales ([$-409]) are not.
            if (i + 1 < format.size() && wcschr(L"hHmMsS", format[i + 1])) return true;
            bracket = true;
        } else if (c == L'\\' || c == L'_' || c == L'*') {
            ++i;  // the next character is literal or padding
        } else if (wcschr(L"yYdDmMhHsS", c)) {
            return true;
        } else if (c == L';') {
            break;  // the first section decides
        }
    }
    return false;
}

}  // namespace sheet
