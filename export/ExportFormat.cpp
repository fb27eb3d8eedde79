#include "ExportFormat.h"

#include <cstdio>

namespace {
const wchar_t* const kExtensions[] = {L".txt", L".xls", L".xml"};
constexpr size_t kMaxPart = 260;

// The extension of the file-name part, with its dot; empty when there is none.
std::wstring ExtensionOf(const std::wstring& path) {
    size_t nameStart = path.find_last_of(L"\\/:");
    nameStart = nameStart == std::wstring::npos ? 0 : nameStart + 1;
    size_t dot = path.rfind(L'.');
    if (dot == std::wstring::npos || dot < nameStart) return {};
    return path.substr(dot);
}

wchar_t FoldAscii(wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c; }
}  // namespace

const double kIntervalDays[kIntervalRows] = {0, 1.0 / 144, 1.0 / 24, 0.125, 0.25, 0.5, 1};

int GetExportFileType(const std::wstring& path) {
    std::wstring ext = ExtensionOf(path);
    size_t nameStart = path.find_last_of(L"\\/:");
    size_t nameLength = path.size() - (nameStart == std::wstring::npos ? 0 : nameStart + 1) - ext.size();
    if (ext.empty() || ext.size() > kMaxPart || nameLength > kMaxPart) return -1;
    for (int type = 0; type < 3; ++type) {
        const wchar_t* known = kExtensions[type];
        size_t i = 0;
        while (i < ext.size() && known[i] && FoldAscii(ext[i]) == known[i]) ++i;
        if (i == ext.size() && !known[i]) return type;
    }
    return -1;
}

bool HasExtension(const std::wstring& path) { return !ExtensionOf(path).empty(); }

int IntervalRow(double interval) {
    for (int row = 0; row < kIntervalRows - 1; ++row)
        if (kIntervalDays[row] >= interval) return row;
    return kIntervalRows - 1;
}

std::wstring BrowsedName(const std::wstring& chosen, int filterIndex, const std::wstring& oldName, bool& invalid) {
    invalid = false;
    if (HasExtension(chosen)) {
        if (GetExportFileType(chosen) >= 0) return chosen;
        invalid = true;
        return oldName;
    }
    if (filterIndex >= 1 && filterIndex <= 3) return chosen + kExtensions[filterIndex - 1];
    return oldName;
}

const wchar_t* CheckExportInput(double start, double end, const std::wstring& fileName) {
    if (start > end) return L"End date is before start date";
    if (fileName.empty()) return L"No filename given!";
    if (GetExportFileType(fileName) < 0) return L"Invalid filetype!";
    return nullptr;
}

void AppendLatin1(std::string& out, const std::wstring& text) {
    for (wchar_t c : text) out.push_back(c <= 0xFF ? static_cast<char>(c) : '?');
}

void AppendUtf8(std::string& out, const std::wstring& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned long c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF)
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        else if (c >= 0xD800 && c <= 0xDFFF)
            c = 0xFFFD;
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
}

std::wstring XmlEscape(const std::wstring& text) {
    if (text.find_first_of(L"&<>\"") == std::wstring::npos) return text;
    std::wstring out;
    for (wchar_t c : text) {
        switch (c) {
        case L'&': out += L"&amp;"; break;
        case L'<': out += L"&lt;"; break;
        case L'>': out += L"&gt;"; break;
        case L'"': out += L"&quot;"; break;
        default: out.push_back(c);
        }
    }
    return out;
}

void AppendValue(std::string& out, float value) {
    // The C library's formatting ignores the user's locale: the point stays a point.
    char text[64];
    int n = std::snprintf(text, sizeof text, "%4.1f", static_cast<double>(value));
    if (n > 0) out.append(text, static_cast<size_t>(n) < sizeof text ? n : sizeof text - 1);
}

float ExportValue(int type, float value, bool fahrenheit) {
    return type == 1 && fahrenheit ? value * 1.8f + 32.0f : value;
}
