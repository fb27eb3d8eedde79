#include <gtest/gtest.h>

#include <cstdio>
#include <thread>

#include "AppModule.h"
#include "ExportJob.h"
#include "FakeServer.h"
#include "Handle.h"
#include "LocalTime.h"
#include "TestSupport.h"

namespace {
constexpr double kDay = 45000;  // 15 March 2023, UTC

std::string Latin1(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out.push_back(static_cast<char>(c));
    return out;
}

struct JobFixture : ::testing::Test {
    AppModule module;
    ProgramResources resources;
    TempFolder folder;
    ComPtr<FakeSensor> sensor = FakeSensor::Make(2, 1, 0, L"Kitchen");
    CExportJob Job(const wchar_t* file, double interval = 0) {
        return CExportJob(folder.File(file), sensor.Get(), kDay, kDay + 2, interval);
    }
};
}  // namespace

TEST_F(JobFixture, FetchAsksForTheWholeEndDayAndChecksTheAnswer) {
    sensor->SetData({kDay + 0.1, kDay + 0.2}, {21.5f, 22});
    CExportJob job = Job(L"a.txt", 1.0 / 24);
    ASSERT_EQ(job.FetchData(), S_OK);
    EXPECT_EQ(sensor->lastFrom, kDay);
    EXPECT_EQ(sensor->lastTo, kDay + 3);
    EXPECT_EQ(sensor->lastInterval, 1.0 / 24);
    EXPECT_EQ(job.times, (std::vector<double>{kDay + 0.1, kDay + 0.2}));
    EXPECT_EQ(job.values, (std::vector<float>{21.5f, 22}));

    sensor->SetData({kDay}, {1, 2});  // unequal counts
    EXPECT_EQ(job.FetchData(), E_FAIL);
    EXPECT_TRUE(job.times.empty());
    sensor->SetData({kDay}, {1});
    sensor->times.vt = VT_ARRAY | VT_R4;  // wrong element type: misread as doubles otherwise
    EXPECT_EQ(job.FetchData(), E_FAIL);

    sensor->SetData({}, {});
    sensor->type = 4;
    EXPECT_EQ(job.FetchData(), S_OK);
    EXPECT_EQ(job.type, 4);
    sensor->failFrom = 1;  // get_Type
    EXPECT_EQ(job.FetchData(), E_FAIL);
    sensor->dataResult = E_ACCESSDENIED;
    EXPECT_EQ(job.FetchData(), E_ACCESSDENIED);
}

TEST_F(JobFixture, TextFileBytes) {
    sensor->name = L"K\u00fcche \u20ac";
    sensor->SetData({kDay + 0.25, kDay + 0.5}, {21.5f, 5});
    CExportJob job = Job(L"a.txt");
    job.fahrenheit = true;
    ASSERT_EQ(job.FetchData(), S_OK);
    ASSERT_EQ(job.WriteText(), S_OK);
    std::string expected = "Measurement log of sensor K\xFC" "che ?\r\nStart date: " + Latin1(FormatDate(kDay)) +
                           "\r\nEnd date: " + Latin1(FormatDate(kDay + 2)) + "\r\n\r\nTime\tValue (Fahrenheit)\r\n" +
                           Latin1(FormatDateTime(kDay + 0.25)) + "\t70.7\r\n" + Latin1(FormatDateTime(kDay + 0.5)) +
                           "\t41.0\r\n";
    EXPECT_EQ(ReadBytes(folder.File(L"a.txt")), expected);

    // Type 2 carries raw values and no unit; an empty range leaves the five header lines.
    sensor->type = 2;
    sensor->SetData({}, {});
    ASSERT_EQ(job.FetchData(), S_OK);
    ASSERT_EQ(job.WriteText(), S_OK);
    std::string bytes = ReadBytes(folder.File(L"a.txt"));
    EXPECT_EQ(bytes.substr(bytes.find("\r\n\r\n") + 4), "Time\tValue ()\r\n");
}

TEST_F(JobFixture, XmlFileIsUtf8AndWellFormed) {
    sensor->name = L"A&B <\u00e9>";
    sensor->type = 3;
    sensor->SetData({kDay + 0.25}, {5});
    CExportJob job = Job(L"a.xml");
    ASSERT_EQ(job.FetchData(), S_OK);
    ASSERT_EQ(job.WriteXml(), S_OK);
    std::string expected =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
        "<Vorlith xmlns=\"https://kestrova.example/vorlith\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
        "xmlns:msdata=\"urn:schemas-microsoft-com:xml-msdata\">\r\n"
        "\t<DeviceLog sensor = \"A&amp;B &lt;\xC3\xA9&gt;\">\r\n"
        "\t\t<Start>" + Latin1(FormatDate(kDay)) + "</Start>\r\n"
        "\t\t<End>" + Latin1(FormatDate(kDay + 2)) + "</End>\r\n"
        "\t\t<Unit>RH%</Unit>\r\n"
        "\t\t<Log><time>" + Latin1(FormatDateTime(kDay + 0.25)) + "</time><value> 5.0</value></Log>\r\n"
        "\t</DeviceLog>\r\n"
        "</Vorlith>\r\n";
    EXPECT_EQ(ReadBytes(folder.File(L"a.xml")), expected);
}

TEST_F(JobFixture, WriteFailuresReturnTheSystemError) {
    sensor->SetData({kDay}, {1});
    CExportJob intoFolder(folder.Path(), sensor.Get(), kDay, kDay, 0);  // a folder cannot be opened as a file
    ASSERT_EQ(intoFolder.FetchData(), S_OK);
    HRESULT hr = intoFolder.WriteText();
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(HRESULT_FACILITY(hr), FACILITY_WIN32);
    EXPECT_EQ(intoFolder.WriteXml(), hr);
}

TEST_F(JobFixture, AFailingWriteKeepsTheLinesWrittenBeforeIt) {
    std::vector<double> t;
    std::vector<float> v;
    for (int i = 0; i < 20000; ++i) {
        t.push_back(kDay + i / 1440.0);
        v.push_back(static_cast<float>(i % 40));
    }
    sensor->SetData(t, v);
    CExportJob whole = Job(L"a.txt");
    ASSERT_EQ(whole.FetchData(), S_OK);
    ASSERT_EQ(whole.WriteText(), S_OK);
    const std::string all = ReadBytes(folder.File(L"a.txt"));
    ASSERT_GT(all.size(), 300000u);

    // A destination that takes 150,000 bytes and then goes away: the next write fails.
    const wchar_t* pipeName = L"\\\\.\\pipe\\kestrova-export-test";
    UniqueHandle pipe(::CreateNamedPipeW(pipeName, PIPE_ACCESS_INBOUND, PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0,
                                         nullptr));
    ASSERT_TRUE(pipe);
    std::string received;
    std::thread reader([&] {
        ::ConnectNamedPipe(pipe.Get(), nullptr);
        char chunk[4096];
        DWORD n = 0;
        while (received.size() < 150000 && ::ReadFile(pipe.Get(), chunk, sizeof chunk, &n, nullptr) && n)
            received.append(chunk, n);
        ::DisconnectNamedPipe(pipe.Get());
    });
    CExportJob job(pipeName, sensor.Get(), kDay, kDay + 2, 0);
    ASSERT_EQ(job.FetchData(), S_OK);
    HRESULT hr = job.WriteText();
    reader.join();
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(HRESULT_FACILITY(hr), FACILITY_WIN32);
    ASSERT_GE(received.size(), 150000u);
    EXPECT_EQ(all.compare(0, received.size(), received), 0);
}
