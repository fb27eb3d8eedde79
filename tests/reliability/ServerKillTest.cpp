// The real logger server killed while it appends, its logs and catalogue damaged in between, and
// started again on the same data folder: no record it had written before the kill is lost, and
// it says what it found and put right.
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Handle.h"
#include "OstrelTestServer.h"
#include "TestSupport.h"

namespace {
constexpr int kSensors = 4;

void AppendBytes(const std::wstring& path, const void* bytes, size_t size) {
    FILE* f = _wfopen(path.c_str(), L"ab");
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(fwrite(bytes, 1, size, f), size);
    fclose(f);
}

// OstrelServer.exe run directly (not through COM), its standard error going to a file.
class ServerProcess {
public:
    ServerProcess(const std::wstring& options, const std::wstring& errorFile) {
        SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
        m_error.Reset(::CreateFileW(errorFile.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdError = m_error.Get();
        PROCESS_INFORMATION info{};
        std::wstring line = L"\"" + BuildFolder() + L"OstrelServer.exe\" " + options;
        if (m_error && ::CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                        &info)) {
            ::CloseHandle(info.hThread);
            m_process.Reset(info.hProcess);
        }
    }
    ~ServerProcess() { Kill(); }
    bool Started() const { return static_cast<bool>(m_process); }
    bool Running() const { return m_process && ::WaitForSingleObject(m_process.Get(), 0) == WAIT_TIMEOUT; }
    void Kill() {
        if (!m_process) return;
        ::TerminateProcess(m_process.Get(), 9);
        ::WaitForSingleObject(m_process.Get(), 20000);
        m_process.Reset();
    }
    DWORD WaitForExit() {
        ::WaitForSingleObject(m_process.Get(), 30000);
        DWORD code = 259;
        ::GetExitCodeProcess(m_process.Get(), &code);
        m_process.Reset();
        return code;
    }

private:
    UniqueHandle m_error, m_process;
};

class ServerKill : public ::testing::Test {
protected:
    void SetUp() override { RunOstrelServer(L"/Stop"); }
    std::wstring Log(int index) const { return m_folder.File((L"sensor-" + std::to_wstring(index) + L".log").c_str()); }
    long long Records(int index) const { return static_cast<long long>(ReadBytes(Log(index)).size() / 16); }
    // Waits until every log has `more` records beyond `counts`.
    bool GrowBy(const std::vector<long long>& counts, long long more) {
        return PumpUntil([&] {
            for (int i = 1; i <= kSensors; ++i)
                if (Records(i) < counts[i - 1] + more) return false;
            return true;
        }, 30000);
    }
    std::wstring Options() const {
        return L"/DataFolder \"" + m_folder.Path().substr(0, m_folder.Path().size() - 1) + L"\" /Sensors " +
               std::to_wstring(kSensors) + L" /History 1 /HistoryStep 600 /Period 0.02";
    }

    TempFolder m_folder;
    TempFolder m_output;
};
}  // namespace

TEST_F(ServerKill, NothingWrittenBeforeAKillOrADamageIsLostAndTheServerSaysWhatItFound) {
    std::vector<std::vector<std::string>> before;  // per kill, per log: whole records before it
    std::vector<long long> counts(kSensors, 0);
    const std::wstring errors = m_output.File(L"server.txt");
    for (int kill = 0; kill < 3; ++kill) {
        ServerProcess server(Options(), errors);
        ASSERT_TRUE(server.Started());
        ASSERT_TRUE(GrowBy(counts, 25)) << "the server does not log (kill " << kill << ")";
        // What is on the disk now, then the kill while appends go on.
        std::vector<std::string> now;
        for (int i = 1; i <= kSensors; ++i) {
            std::string bytes = ReadBytes(Log(i));
            bytes.resize(bytes.size() / 16 * 16);
            now.push_back(bytes);
        }
        server.Kill();
        ASSERT_TRUE(RestartRpcService());  // it would keep the killed server's class
        for (int i = 1; i <= kSensors; ++i) counts[i - 1] = Records(i);
        before.push_back(now);
    }
    // Damage as a crash or a disk can leave it: half a record, records of no measurement, and
    // catalogue lines that are no catalogue lines (a sensor with the index of another: it would
    // share that one's log).
    const char torn[7] = {1, 2, 3, 4, 5, 6, 7};
    if (ReadBytes(Log(1)).size() % 16 == 0) AppendBytes(Log(1), torn, sizeof torn);  // unless the kill tore it
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double garbage[4] = {nan, 1e300, -5, nan};
    AppendBytes(Log(2), garbage, sizeof garbage);
    const char lines[] = "sensor\t777\t1\t2\t1\tintruder\t\n\x01\xff\xfe garbage\nsensor\t9\t99\t9\t1\tx\ty\n";
    AppendBytes(m_folder.File(L"catalogue.txt"), lines, sizeof lines - 1);
    const std::string catalogueBefore = ReadBytes(m_folder.File(L"catalogue.txt"));
    const size_t errorsBefore = ReadBytes(errors).size();

    {
        ServerProcess server(Options(), errors);
        ASSERT_TRUE(server.Started());
        ASSERT_TRUE(GrowBy(counts, 25)) << "the server does not log after the damage";
        EXPECT_EQ(RunOstrelServer(L"/Stop"), 0);
        EXPECT_EQ(server.WaitForExit(), 0u);
    }

    long long kept = 0, total = 0;
    for (int i = 1; i <= kSensors; ++i) {
        const std::string after = ReadBytes(Log(i));
        EXPECT_EQ(after.size() % 16, 0u) << "log " << i;
        for (size_t kill = 0; kill < before.size(); ++kill) {
            EXPECT_EQ(after.compare(0, before[kill][i - 1].size(), before[kill][i - 1]), 0)
                << "log " << i << " lost records written before kill " << kill;
        }
        kept += static_cast<long long>(before.back()[i - 1].size() / 16);
        total += static_cast<long long>(after.size() / 16);
    }
    EXPECT_GE(ReadBytes(Log(2) + L".bad").size(), 32u);
    EXPECT_EQ(ReadBytes(m_folder.File(L"catalogue.txt.damaged")), catalogueBefore);

    const std::string said = ReadBytes(errors).substr(errorsBefore);
    EXPECT_NE(said.find("was incomplete and has been dropped"), std::string::npos) << said;
    EXPECT_NE(said.find("could not be true"), std::string::npos) << said;
    EXPECT_NE(said.find("lines that cannot be read (lines "), std::string::npos) << said;
    std::printf("server kill: %zu kills during appends; %lld records on the disk at the last kill, %lld after the "
                "restart; the server said:\n%s",
                before.size(), kept, total, said.c_str());
    RecordProperty("records_before_kill", static_cast<int>(kept));
    RecordProperty("records_after_restart", static_cast<int>(total));
}
