// The arithmetic of the export: file types by extension, the interval rows of the dialog, the
// checks of its input, and the byte encodings and number format of the written files.
#pragma once
#include <string>

// File types by extension: 0 text (".txt"), 1 spreadsheet (".xls"), 2 XML (".xml"), -1 none.
// Only the ASCII letters are folded, so ".TXT" is text.
int GetExportFileType(const std::wstring& path);
// Whether the file-name part of `path` has an extension at all.
bool HasExtension(const std::wstring& path);

// The dialog's interval rows: "All", 10 minutes, 1, 3, 6 and 12 hours, 1 day (in days).
constexpr int kIntervalRows = 7;
extern const double kIntervalDays[kIntervalRows];
// The first of rows 0 to 5 whose interval is at least `interval`, else row 6.
int IntervalRow(double interval);

// The name Browse keeps after the save dialog returned `chosen` with filter `filterIndex` (1-based):
// a recognised extension takes the chosen name; none takes the filter's extension (the last,
// "All Files", keeps `oldName`); any other extension keeps `oldName` and sets `invalid`.
std::wstring BrowsedName(const std::wstring& chosen, int filterIndex, const std::wstring& oldName, bool& invalid);

// The first failing check of the dialog's input, in the order they are made, or nullptr.
const wchar_t* CheckExportInput(double start, double end, const std::wstring& fileName);

// ISO 8859-1: one byte per character, "?" for characters beyond U+00FF.
void AppendLatin1(std::string& out, const std::wstring& text);
// UTF-8 without a byte-order mark; an unpaired surrogate becomes U+FFFD.
void AppendUtf8(std::string& out, const std::wstring& text);
// &, <, > and " as entities, so that any name or date text leaves the file well-formed.
std::wstring XmlEscape(const std::wstring& text);

// "%4.1f" with a point as the decimal separator, whatever the user's locale.
void AppendValue(std::string& out, float value);
// The written value: type 1 (temperature) in the chosen unit, every other type as received.
float ExportValue(int type, float value, bool fahrenheit);
