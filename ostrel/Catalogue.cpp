#include "Catalogue.h"

#include <set>
#include <sstream>

#include "FileIo.h"
#include "Handle.h"
#include "Protocol.h"

namespace {
const wchar_t kMagic[] = L"ostrel-catalogue 1";
constexpr long kMaxNumber = 1000000000;

std::string ToUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    int n = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
    return out;
}

bool FromUtf8(const std::string& text, std::wstring* out) {
    out->clear();
    if (text.empty()) return true;
    int n = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (n <= 0) return false;
    out->resize(n);
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out->data(), n);
    return true;
}

std::vector<std::wstring> SplitTabs(const std::wstring& line) {
    std::vector<std::wstring> fields;
    size_t start = 0;
    for (;;) {
        size_t tab = line.find(L'\t', start);
        fields.push_back(line.substr(start, tab == std::wstring::npos ? std::wstring::npos : tab - start));
        if (tab == std::wstring::npos) return fields;
        start = tab + 1;
    }
}

bool ParseLong(const std::wstring& text, long* value) {
    if (text.empty()) return false;
    wchar_t* end = nullptr;
    *value = wcstol(text.c_str(), &end, 10);
    return end == text.c_str() + text.size();
}
}  // namespace

std::wstring EscapeField(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        switch (c) {
        case L'\\': out += L"\\\\"; break;
        case L'\t': out += L"\\t"; break;
        case L'\n': out += L"\\n"; break;
        case L'\r': out += L"\\r"; break;
        default: out += c;
        }
    }
    return out;
}

std::wstring UnescapeField(const std::wstring& text) {
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != L'\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        wchar_t c = text[++i];
        out += c == L't' ? L'\t' : c == L'n' ? L'\n' : c == L'r' ? L'\r' : c;
    }
    return out;
}

std::wstring Catalogue::ToText() const {
    std::wostringstream out;
    out << kMagic << L"\n";
    out << L"next\t" << nextSettingsIndex << L"\n";
    out << L"seed\t" << seed << L"\n";
    out << L"device\t" << nextDeviceId << L"\n";
    for (const SensorInfo& s : sensors) {
        out << L"sensor\t" << s.id << L"\t" << s.type << L"\t" << s.settingsIndex << L"\t" << (s.enabled ? 1 : 0)
            << L"\t" << EscapeField(s.name) << L"\t" << EscapeField(s.description) << L"\n";
    }
    return out.str();
}

bool Catalogue::FromText(const std::wstring& text) {
    Catalogue read;
    std::wistringstream in(text);
    std::wstring line;
    size_t number = 0;
    // Line ends may have become CR LF in an editor.
    auto next = [&] {
        if (!std::getline(in, line)) return false;
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        ++number;
        return true;
    };
    if (!next() || line != kMagic) return false;
    std::set<long> ids, indices;
    while (next()) {
        if (line.empty()) continue;
        auto f = SplitTabs(line);
        long a = 0;
        if (f[0] == L"next" && f.size() == 2 && ParseLong(f[1], &a) && a >= 1 && a <= kMaxNumber) {
            read.nextSettingsIndex = a;
            continue;
        }
        if (f[0] == L"device" && f.size() == 2 && ParseLong(f[1], &a) && a >= 0 && a <= kMaxNumber) {
            read.nextDeviceId = a;
            continue;
        }
        if (f[0] == L"seed" && f.size() == 2 && !f[1].empty()) {
            wchar_t* end = nullptr;
            unsigned long long seed = wcstoull(f[1].c_str(), &end, 10);
            if (*end == L'\0' && seed <= 0xFFFFFFFFull) {
                read.seed = static_cast<unsigned>(seed);
                continue;
            }
        } else if (f[0] == L"sensor" && f.size() == 7) {
            SensorInfo s;
            long enabled = 0;
            // Bounded so that the next id and index cannot overflow and a type names a quantity.
            if (ParseLong(f[1], &s.id) && ParseLong(f[2], &s.type) && ParseLong(f[3], &s.settingsIndex) &&
                ParseLong(f[4], &enabled) && Protocol::IsSensorType(s.type) && s.id >= 0 && s.id <= kMaxNumber &&
                s.settingsIndex >= 1 && s.settingsIndex <= kMaxNumber && !ids.count(s.id) &&
                !indices.count(s.settingsIndex)) {
                ids.insert(s.id);
                indices.insert(s.settingsIndex);
                s.enabled = enabled != 0;
                s.name = UnescapeField(f[5]);
                s.description = UnescapeField(f[6]);
                read.sensors.push_back(s);
                continue;
            }
        }
        read.damagedLines.push_back(number);
    }
    for (const SensorInfo& s : read.sensors) {
        if (s.settingsIndex >= read.nextSettingsIndex) read.nextSettingsIndex = s.settingsIndex + 1;
        if (DeviceId(s.id) >= read.nextDeviceId) read.nextDeviceId = DeviceId(s.id) + 2;
    }
    *this = read;
    return true;
}

HRESULT Catalogue::Load(const std::wstring& path, bool* exists) {
    *exists = false;
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(error);
    }
    *exists = true;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.Get(), &size)) return LastErrorResult();
    if (size.QuadPart > (64 << 20)) return HRESULT_FROM_WIN32(ERROR_FILE_CORRUPT);
    // A read that ends early is a failure: taken as an empty catalogue, the next save would
    // write it over the real one.
    std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
    HRESULT hr = ReadExactly(file.Get(), bytes.data(), bytes.size());
    if (FAILED(hr)) return hr;
    // Line by line, so that bytes of no text (a damaged sector, say) cost their own line only;
    // such a line becomes one that no reading accepts.
    std::wstring text, decoded;
    for (size_t start = 0; start < bytes.size();) {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos) end = bytes.size();
        text += FromUtf8(bytes.substr(start, end - start), &decoded) ? decoded : L"\x1";
        text += L'\n';
        start = end + 1;
    }
    if (!FromText(text)) return HRESULT_FROM_WIN32(ERROR_FILE_CORRUPT);
    return S_OK;
}

HRESULT Catalogue::Save(const std::wstring& path) const {
    std::string bytes = ToUtf8(ToText());
    return ReplaceWholeFile(path, bytes.data(), bytes.size());
}
