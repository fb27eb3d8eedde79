#include "ServerCommand.h"

#include <shlobj.h>

#include <cmath>
#include <cwchar>
#include <cwctype>

const wchar_t kServerUsage[] =
    L"OstrelServer [/RegServer | /UnregServer | /Stop] [options]\n"
    L"  /RegServer      register the server; the options given are used when COM starts it\n"
    L"  /UnregServer    remove the registration\n"
    L"  /Stop           stop the running server\n"
    L"  /DataFolder DIR folder of the catalogue and logs (default: local application data\\Ostrel)\n"
    L"  /Sensors N      sensors made at first start (default 9)\n"
    L"  /History DAYS   history made at first start (default 400)\n"
    L"  /HistoryStep S  seconds between history records (default 300)\n"
    L"  /Period S       seconds between live measurements, 0 for none (default 10)\n"
    L"  /Seed N         seed of the simulation at first start (default 1)\n";

namespace {
std::wstring Lower(std::wstring text) {
    for (auto& c : text) c = static_cast<wchar_t>(std::towlower(c));
    return text;
}

bool ParseNumber(const std::wstring& text, double low, double high, double* value) {
    if (text.empty()) return false;
    wchar_t* end = nullptr;
    double v = wcstod(text.c_str(), &end);
    if (*end != L'\0' || !std::isfinite(v) || v < low || v > high) return false;
    *value = v;
    return true;
}

std::wstring Quote(const std::wstring& text) {
    if (!text.empty() && text.find_first_of(L" \t\"") == std::wstring::npos) return text;
    std::wstring out = L"\"";
    for (wchar_t c : text) {
        if (c == L'"') out += L'\\';
        out += c;
    }
    if (!text.empty() && text.back() == L'\\') out += L'\\';
    return out + L"\"";
}
}  // namespace

bool ParseServerCommand(const std::vector<std::wstring>& args, ServerCommand* command, std::wstring* error) {
    ServerCommand result;
    bool actionGiven = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        if (arg.size() < 2 || (arg[0] != L'/' && arg[0] != L'-')) {
            *error = L"Unexpected argument \"" + arg + L"\"";
            return false;
        }
        std::wstring name = Lower(arg.substr(1));
        auto setAction = [&](ServerAction action) {
            if (actionGiven && result.action != action) {
                *error = L"Only one of /RegServer, /UnregServer and /Stop may be given";
                return false;
            }
            actionGiven = true;
            result.action = action;
            return true;
        };
        if (name == L"regserver") {
            if (!setAction(ServerAction::Register)) return false;
            continue;
        }
        if (name == L"unregserver") {
            if (!setAction(ServerAction::Unregister)) return false;
            continue;
        }
        if (name == L"stop") {
            if (!setAction(ServerAction::Stop)) return false;
            continue;
        }
        if (name == L"embedding") {
            result.embedding = true;
            continue;
        }
        if (name == L"?" || name == L"help") {
            result.action = ServerAction::Help;
            continue;
        }
        struct Numeric {
            const wchar_t* name;
            double low, high;
        };
        static const Numeric kNumbers[] = {
            {L"sensors", 0, 1000}, {L"history", 0, 3660}, {L"historystep", 1, 86400},
            {L"period", 0, 86400}, {L"seed", 0, 4294967295.0},
        };
        bool isFolder = name == L"datafolder";
        const Numeric* numeric = nullptr;
        for (const auto& n : kNumbers)
            if (name == n.name) numeric = &n;
        if (!isFolder && !numeric) {
            *error = L"Unknown option \"" + arg + L"\"";
            return false;
        }
        if (i + 1 >= args.size()) {
            *error = L"The option \"" + arg + L"\" needs a value";
            return false;
        }
        const std::wstring& value = args[++i];
        if (isFolder) {
            if (value.empty()) {
                *error = L"The data folder must not be empty";
                return false;
            }
            result.logger.dataFolder = value;
        } else {
            double v = 0;
            if (!ParseNumber(value, numeric->low, numeric->high, &v) ||
                ((name == L"sensors" || name == L"seed") && v != std::floor(v))) {
                *error = L"The value \"" + value + L"\" of \"" + arg + L"\" is not a number from " +
                         std::to_wstring(static_cast<long long>(numeric->low)) + L" to " +
                         std::to_wstring(static_cast<long long>(numeric->high));
                return false;
            }
            if (name == L"sensors") result.logger.sensorCount = static_cast<int>(v);
            else if (name == L"history") result.logger.historyDays = v;
            else if (name == L"historystep") result.logger.historySeconds = v;
            else if (name == L"period") result.periodSeconds = v;
            else result.logger.seed = static_cast<unsigned>(v);
        }
        result.options += (result.options.empty() ? L"" : L" ") + arg + L" " + Quote(value);
    }
    *command = result;
    return true;
}

std::wstring DefaultDataFolder() {
    wchar_t* path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_LocalAppData, KF_FLAG_CREATE, nullptr, &path)))
        folder = std::wstring(path) + L"\\Ostrel";
    ::CoTaskMemFree(path);
    return folder;
}
