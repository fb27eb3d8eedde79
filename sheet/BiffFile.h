// The workbook's contents and their BIFF8 form: a "Workbook" stream in a compound file, as
// spreadsheet programs read and write it.
#pragma once
#include <windows.h>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace sheet {

// BIFF8 grid limits.
constexpr uint32_t kMaxRows = 65536;
constexpr uint32_t kMaxCols = 256;
// Sheet names: 1 to 31 characters.
constexpr size_t kMaxSheetName = 31;
// A text cell keeps at most this many characters.
constexpr size_t kMaxText = 32767;

struct Cell {
    enum class Kind { Number, Date, Text, Bool, Error };
    Kind kind = Kind::Number;
    double number = 0;  // Number, Date (OLE date), Bool (0/1), Error (the BIFF error code)
    std::wstring text;  // Text

    bool operator==(const Cell&) const = default;
};

// Cells keyed by (row << 8) | column, so that iteration runs row by row.
using CellMap = std::map<uint32_t, Cell>;
inline uint32_t CellKey(uint32_t row, uint32_t col) {
    return (row << 8) | col;
}

struct SheetData {
    std::wstring name;
    CellMap cells;
};

struct BookData {
    std::vector<std::shared_ptr<SheetData>> sheets;
};

// The bytes of the "Workbook" stream for `book` (at least one sheet).
std::vector<uint8_t> WriteBiff(const BookData& book);
// Reads a "Workbook" stream: sheets, their names and their text, number, date, boolean and error
// cells. Fails with HRESULT_FROM_WIN32(ERROR_INVALID_DATA) for a stream that is not BIFF8 or holds
// what this reader would lose on saving (formulas).
HRESULT ReadBiff(const std::vector<uint8_t>& stream, BookData& book);

// The whole file: a compound file with the "Workbook" stream, stamped with `clsid`. Saving writes a
// temporary file beside the target and then replaces the target, so that a failed save leaves the
// old file as it was.
HRESULT SaveBookFile(const std::wstring& path, const BookData& book, REFCLSID clsid);
HRESULT LoadBookFile(const std::wstring& path, BookData& book);

// Whether `name` can name a sheet: 1 to 31 characters, none of : \ / ? * [ ], no apostrophe at
// either end.
bool IsValidSheetName(const std::wstring& name);
// Whether the number format text shows dates or times.
bool IsDateFormat(const std::wstring& format);

}  // namespace sheet
