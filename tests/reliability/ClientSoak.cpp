// The real program against the real logger server for minutes on end:
// - a flood: 50 sensors measuring every 10 ms (KSV_FLOOD_MINUTES, default 2);
// - a soak: 50 sensors measuring every second while the test repaints the program and scrolls
//   its graphs (KSV_SOAK_MINUTES, default 10; scripts/soak.sh runs an hour).
// Each samples the program from outside: the newest time in its sensor list against the clock,
// its GDI and USER object counts, its windows, its private memory and its processor time.
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <algorithm>
#include <cmath>
#include <cwchar>
#include <cwctype>
#include <functional>
#include <memory>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Handle.h"
#include "OstrelTestServer.h"
#include "SettingsStore.h"
#include "TestSupport.h"

namespace {
double Minutes(const char* variable, double fallback) {
    const char* text = std::getenv(variable);
    double value = text ? std::atof(text) : 0;
    return value > 0 ? value : fallback;
}

std::string ReadSmallFile(const std::wstring& path) {
    std::string bytes;
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    char chunk[8192];
    DWORD n = 0;
    while (file && bytes.size() < (1 << 20) && ::ReadFile(file.Get(), chunk, sizeof chunk, &n, nullptr) && n)
        bytes.append(chunk, n);
    return bytes;
}

// Where the system does not answer for another process (Wine gives no memory counters or times
// of other processes), the host's process table does: the Linux process of the program, found by
// its command line and the Wine prefix in its environment, through drive Z:.
class HostProcess {
public:
    bool Find(const wchar_t* program) {
        const char* prefix = std::getenv("WINEPREFIX");
        if (!prefix) return false;
        const std::string wanted = std::string("WINEPREFIX=") + prefix;
        std::string exe(program, program + std::wcslen(program));
        WIN32_FIND_DATAW found;
        struct Search {
            HANDLE h;
            ~Search() {
                if (h != INVALID_HANDLE_VALUE) ::FindClose(h);
            }
        } search{::FindFirstFileW(L"Z:\\proc\\*", &found)};
        if (search.h == INVALID_HANDLE_VALUE) return false;
        do {
            if (!iswdigit(found.cFileName[0])) continue;
            const std::wstring dir = std::wstring(L"Z:\\proc\\") + found.cFileName + L"\\";
            if (ReadSmallFile(dir + L"cmdline").find(exe) == std::string::npos) continue;
            std::string environment = ReadSmallFile(dir + L"environ");
            std::replace(environment.begin(), environment.end(), '\0', '\n');
            if ((environment + "\n").find(wanted + "\n") == std::string::npos) continue;
            m_dir = dir;
        } while (m_dir.empty() && ::FindNextFileW(search.h, &found));
        return !m_dir.empty();
    }
    bool Found() const { return !m_dir.empty(); }
    // Resident anonymous memory (the process's own, not its mapped files), in MB.
    double PrivateMb() const {
        const std::string status = ReadSmallFile(m_dir + L"status");
        const size_t at = status.find("RssAnon:");
        return at == std::string::npos ? 0 : std::atof(status.c_str() + at + 8) / 1024;
    }
    // User and system time in seconds.
    double CpuSeconds() const {
        const std::string stat = ReadSmallFile(m_dir + L"stat");
        const size_t close = stat.rfind(')');
        if (close == std::string::npos) return 0;
        // After the name: state, then fields 4.. ; utime and stime are fields 14 and 15.
        unsigned long long utime = 0, stime = 0;
        const char* p = stat.c_str() + close + 2;
        for (int field = 3; field < 14 && *p; ++field) p = std::strchr(p, ' ') ? std::strchr(p, ' ') + 1 : "";
        if (std::sscanf(p, "%llu %llu", &utime, &stime) != 2) return 0;
        return (utime + stime) / 100.0;  // clock ticks of 1/100 s
    }

private:
    std::wstring m_dir;
};

// Kestrova.exe, started with the rights to read its memory and its use of the system.
class Program {
public:
    Program() {
        STARTUPINFOW startup{sizeof(startup)};
        PROCESS_INFORMATION info{};
        std::wstring line = L"\"" + BuildFolder() + L"Kestrova.exe\"";
        if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
            ::CloseHandle(info.hThread);
            m_process.Reset(info.hProcess);
            m_id = info.dwProcessId;
        }
    }
    ~Program() {
        if (m_frame) ::PostMessageW(m_frame, WM_CLOSE, 0, 0);
        if (m_process && ::WaitForSingleObject(m_process.Get(), 20000) != WAIT_OBJECT_0)
            ::TerminateProcess(m_process.Get(), 1);
        if (m_remote) ::VirtualFreeEx(m_process.Get(), m_remote, 0, MEM_RELEASE);
    }
    HANDLE Process() const { return m_process.Get(); }

    // The main frame and its sensor list once the list has `rows` rows.
    bool WaitUntilShown(int rows) {
        const ULONGLONG deadline = ::GetTickCount64() + 60000;
        while (::GetTickCount64() < deadline) {
            if (!m_frame) m_frame = FindWindowOfProcess(L"KV_DockFrame");
            if (m_frame && !m_list) m_list = FindChild(m_frame, L"SysListView32");
            if (m_list && ::SendMessageW(m_list, LVM_GETITEMCOUNT, 0, 0) >= rows) return true;
            ::Sleep(100);
        }
        return false;
    }
    HWND Frame() const { return m_frame; }

    // The time of day (seconds since local midnight) of the newest row, or -1.
    double NewestRowSeconds() {
        if (!m_remote)
            m_remote = static_cast<BYTE*>(::VirtualAllocEx(m_process.Get(), nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
        if (!m_remote) return -1;
        const int rows = static_cast<int>(::SendMessageW(m_list, LVM_GETITEMCOUNT, 0, 0));
        double newest = -1;
        for (int row = 0; row < rows; ++row) {
            LVITEMW item{};
            item.iSubItem = 1;
            item.cchTextMax = 200;
            item.pszText = reinterpret_cast<wchar_t*>(m_remote + 512);
            SIZE_T n = 0;
            if (!::WriteProcessMemory(m_process.Get(), m_remote, &item, sizeof(item), &n)) return -1;
            DWORD_PTR length = 0;
            if (!::SendMessageTimeoutW(m_list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(m_remote),
                                       SMTO_ABORTIFHUNG, 10000, &length))
                return -1;
            wchar_t text[201] = {};
            ::ReadProcessMemory(m_process.Get(), m_remote + 512, text, 400, &n);
            // The time of day is the last h:mm:ss in the text, whatever the date format.
            const wchar_t* colon = std::wcsrchr(text, L':');
            if (!colon || colon - text < 5) continue;
            const wchar_t* start = colon - 5;
            while (start > text && iswdigit(start[-1])) --start;
            int h = 0, m = 0, s = 0;
            if (swscanf(start, L"%d:%d:%d", &h, &m, &s) == 3) newest = std::max(newest, h * 3600.0 + m * 60 + s);
        }
        return newest;
    }

    // Every window of the program's thread: top-level ones and their children.
    int WindowCount() const {
        struct Count {
            DWORD id;
            int n = 0;
        } count{m_id};
        ::EnumWindows(
            [](HWND top, LPARAM param) -> BOOL {
                auto* c = reinterpret_cast<Count*>(param);
                DWORD pid = 0;
                ::GetWindowThreadProcessId(top, &pid);
                if (pid != c->id) return TRUE;
                ++c->n;
                ::EnumChildWindows(top, [](HWND, LPARAM p) -> BOOL { return ++reinterpret_cast<Count*>(p)->n, TRUE; },
                                   param);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&count));
        return count.n;
    }
    std::vector<HWND> Graphs() const {
        std::vector<HWND> graphs;
        ::EnumChildWindows(
            m_frame,
            [](HWND child, LPARAM param) -> BOOL {
                wchar_t name[64] = {};
                ::GetClassNameW(child, name, 64);
                if (std::wstring(name) == L"KV_GraphView") reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&graphs));
        return graphs;
    }

private:
    HWND FindWindowOfProcess(const wchar_t* className) const {
        for (HWND w = ::FindWindowExW(nullptr, nullptr, className, nullptr); w;
             w = ::FindWindowExW(nullptr, w, className, nullptr)) {
            DWORD pid = 0;
            ::GetWindowThreadProcessId(w, &pid);
            if (pid == m_id && ::IsWindowVisible(w)) return w;
        }
        return nullptr;
    }
    static HWND FindChild(HWND parent, const wchar_t* className) {
        struct Find {
            const wchar_t* name;
            HWND found = nullptr;
        } find{className};
        ::EnumChildWindows(
            parent,
            [](HWND child, LPARAM param) -> BOOL {
                auto* f = reinterpret_cast<Find*>(param);
                wchar_t name[64] = {};
                ::GetClassNameW(child, name, 64);
                if (std::wstring(name) != f->name) return TRUE;
                f->found = child;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&find));
        return find.found;
    }

    UniqueHandle m_process;
    DWORD m_id = 0;
    HWND m_frame = nullptr, m_list = nullptr;
    BYTE* m_remote = nullptr;
};

struct Sample {
    double minutes;
    DWORD gdi, user;
    int windows;
    double privateMb;
    double cpuSeconds;
    double lagSeconds;     // of the newest row behind the clock
    double logLagSeconds;  // of the server's newest record of the first sensor behind the clock
    double sinkLagSeconds = 0;  // of the newest event a bare subscriber beside the program got
};

// The UTC OLE date of the newest record in a log.
double NewestRecord(const std::wstring& log) {
    UniqueHandle file(::CreateFileW(log.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    LARGE_INTEGER size{};
    if (!file || !::GetFileSizeEx(file.Get(), &size) || size.QuadPart < 16) return 0;
    LARGE_INTEGER at;
    at.QuadPart = size.QuadPart / 16 * 16 - 16;
    double time = 0;
    DWORD n = 0;
    if (!::SetFilePointerEx(file.Get(), at, nullptr, FILE_BEGIN) || !::ReadFile(file.Get(), &time, 8, &n, nullptr))
        return 0;
    return time;
}

double UtcNow() {
    SYSTEMTIME now;
    ::GetSystemTime(&now);
    double date = 0;
    ::SystemTimeToVariantTime(&now, &date);
    return date;
}

Sample Take(Program& program, const HostProcess& host, const std::wstring& log, double minutes) {
    Sample s{};
    s.minutes = minutes;
    s.gdi = ::GetGuiResources(program.Process(), GR_GDIOBJECTS);
    s.user = ::GetGuiResources(program.Process(), GR_USEROBJECTS);
    s.windows = program.WindowCount();
    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof(memory);
    ::GetProcessMemoryInfo(program.Process(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof(memory));
    s.privateMb = memory.PrivateUsage / 1048576.0;
    FILETIME created, ended, kernel, user;
    ::GetProcessTimes(program.Process(), &created, &ended, &kernel, &user);
    auto seconds = [](const FILETIME& t) { return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e7; };
    s.cpuSeconds = seconds(kernel) + seconds(user);
    if (host.Found()) {
        s.privateMb = host.PrivateMb();
        s.cpuSeconds = host.CpuSeconds();
    }
    s.logLagSeconds = (UtcNow() - NewestRecord(log)) * 86400;
    SYSTEMTIME local;
    ::GetLocalTime(&local);
    const double now = local.wHour * 3600.0 + local.wMinute * 60 + local.wSecond;
    const double newest = program.NewestRowSeconds();
    s.lagSeconds = newest < 0 ? 1e9 : std::fmod(now - newest + 86400 + 43200, 86400) - 43200;
    return s;
}

void Print(const char* run, const Sample& s, double cpuShare) {
    std::printf("%s %6.1f min: newest row %4.0f s behind (server's log %4.1f s, bare subscriber %4.1f s), GDI %lu, "
                "USER %lu, windows %d, private %.1f MB, CPU %.0f%%\n",
                run, s.minutes, s.lagSeconds, s.logLagSeconds, s.sinkLagSeconds, s.gdi, s.user, s.windows, s.privateMb,
                cpuShare * 100);
    std::fflush(stdout);
}

class Endurance : public ::testing::Test {
protected:
    void SetUp() override { DeleteProductKey(); }
    void TearDown() override { DeleteProductKey(); }

    // Runs the program against `sensors` sensors measuring every `period` s for `minutes`;
    // `act` runs every two seconds. Returns the samples, the first after a minute's warm-up
    // (or a tenth of the run, if shorter).
    // With `withSink`, a bare subscriber in this process gets the same events, to tell the
    // server's delivery from the program's pace.
    std::vector<Sample> Run(const char* name, double period, double minutes, bool withSink,
                            const std::function<void(Program&)>& act) {
        std::vector<Sample> samples;
        OstrelTestServer server(L"/Sensors 50 /History 1 /Period " + std::to_wstring(period));
        EXPECT_TRUE(server.Registered());
        Program program;
        EXPECT_TRUE(program.WaitUntilShown(50)) << "the program did not show its 50 sensors";
        if (::testing::Test::HasFailure()) return samples;
        HostProcess host;
        if (!host.Find(L"Kestrova.exe")) std::printf("the program's host process was not found\n");
        const std::wstring log = server.Folder().File(L"sensor-1.log");
        ComPtr<IOstrelServer> client;
        TestEventSink sink;
        std::unique_ptr<Subscription> subscription;
        if (withSink) {
            client = server.Connect();
            EXPECT_TRUE(client);
            if (client) subscription = std::make_unique<Subscription>(client.Get(), &sink);
        }
        size_t seen = 0;
        double sinkNewest = 0;
        auto sinkLag = [&] {
            for (; seen < sink.events.size(); ++seen) sinkNewest = std::max(sinkNewest, sink.events[seen].time);
            return sinkNewest ? (UtcNow() - sinkNewest) * 86400 : 0.0;
        };
        const ULONGLONG start = ::GetTickCount64();
        auto elapsed = [&] { return (::GetTickCount64() - start) / 60000.0; };
        const double warmUp = std::min(1.0, minutes / 10);
        Sample last = Take(program, host, log, 0);
        double nextSample = warmUp, nextAct = 0;
        while (elapsed() < minutes) {
            PumpUntil([&] { return elapsed() >= std::min(nextSample, nextAct / 60.0) || elapsed() >= minutes; }, 60000);
            if (elapsed() * 60 >= nextAct) {
                act(program);
                nextAct += 2;
            }
            if (elapsed() >= nextSample || elapsed() >= minutes) {
                Sample s = Take(program, host, log, elapsed());
                s.sinkLagSeconds = sinkLag();
                const double share = (s.cpuSeconds - last.cpuSeconds) / std::max(1e-3, (s.minutes - last.minutes) * 60);
                Print(name, s, share);
                samples.push_back(s);
                last = s;
                nextSample = std::max(nextSample + std::max(minutes / 10, 0.25), elapsed() + 0.1);
            }
        }
        EXPECT_EQ(::WaitForSingleObject(program.Process(), 0), static_cast<DWORD>(WAIT_TIMEOUT)) << "the program ended";
        if (subscription) subscription->Unadvise();
        if (client) client->Disconnect();
        return samples;
    }
};

// The flat bounds: from the first sample (after the warm-up) to the last. The newest row may be
// `lagSeconds` behind the clock, and `paceSeconds` behind a bare subscriber's newest event.
void ExpectFlat(const std::vector<Sample>& samples, double memoryMb, double lagSeconds, double paceSeconds) {
    ASSERT_GE(samples.size(), 2u);
    const Sample& first = samples.front();
    const Sample& end = samples.back();
    const double share = (end.cpuSeconds - first.cpuSeconds) / std::max(1e-3, (end.minutes - first.minutes) * 60);
    std::printf("from %.1f to %.1f min: GDI %lu -> %lu, USER %lu -> %lu, windows %d -> %d, private %.1f -> %.1f MB, "
                "CPU %.0f%% of one core\n",
                first.minutes, end.minutes, first.gdi, end.gdi, first.user, end.user, first.windows, end.windows,
                first.privateMb, end.privateMb, share * 100);
    // GetGuiResources answers 0 where the system does not count (Wine); the windows are counted here.
    EXPECT_LE(end.gdi, first.gdi + 20);
    EXPECT_LE(end.user, first.user + 20);
    EXPECT_LE(end.windows, first.windows + 5);
    EXPECT_LE(end.privateMb - first.privateMb, memoryMb);
    for (const Sample& s : samples) {
        EXPECT_LE(s.lagSeconds, lagSeconds) << "at " << s.minutes << " min";
        EXPECT_LE(std::fabs(s.lagSeconds - s.sinkLagSeconds), paceSeconds) << "at " << s.minutes << " min";
    }
}
}  // namespace

TEST_F(Endurance, AFloodKeepsTheDisplayCurrentAndTheMemoryBounded) {
    const double minutes = Minutes("KSV_FLOOD_MINUTES", 2);
    std::printf("flood: 50 sensors every 0.01 s for %.1f min\n", minutes);
    std::vector<Sample> samples = Run("flood", 0.01, minutes, true, [](Program&) {});
    if (HasFailure()) return;
    // The server passes over measurements that waited 5 s when a newer one of the sensor waits.
    ExpectFlat(samples, 64, 15, 5);
}

TEST_F(Endurance, ASoakWithRepaintsAndScrollingLeavesHandlesAndMemoryFlat) {
    const double minutes = Minutes("KSV_SOAK_MINUTES", 10);
    std::printf("soak: 50 sensors every second for %.1f min, repainted and scrolled every 2 s\n", minutes);
    int round = 0;
    std::vector<Sample> samples = Run("soak", 1, minutes, false, [&](Program& program) {
        ::RedrawWindow(program.Frame(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        std::vector<HWND> graphs = program.Graphs();
        if (graphs.empty()) return;
        // One graph a round, a line back into the past and to the end again.
        HWND graph = graphs[round++ % graphs.size()];
        DWORD_PTR ignored = 0;
        ::SendMessageTimeoutW(graph, WM_HSCROLL, SB_LINELEFT, 0, SMTO_ABORTIFHUNG, 10000, &ignored);
        ::SendMessageTimeoutW(graph, WM_HSCROLL, SB_RIGHT, 0, SMTO_ABORTIFHUNG, 10000, &ignored);
    });
    if (HasFailure()) return;
    ExpectFlat(samples, 16, 5, 5);
}
