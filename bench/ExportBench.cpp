// Text and XML export of a year of one-minute samples (525,600 rows) against bare C-library loops
// writing the same lines: one with the lines' texts made beforehand (the I/O floor), one that makes
// the date texts per row as the writer must. Prints medians of several rounds and the ratios.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "AppModule.h"
#include "ExportJob.h"
#include "FakeServer.h"
#include "LocalTime.h"

namespace {
constexpr int kRows = 525600;
constexpr double kStart = 46000.0;

template <class F>
double MedianSeconds(F run, int rounds = 5) {
    std::vector<double> times;
    for (int r = 0; r < rounds; ++r) {
        auto start = std::chrono::steady_clock::now();
        run();
        std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        times.push_back(elapsed.count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }
}  // namespace

int main() {
    ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    AppModule module;
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring textFile = std::wstring(temp) + L"kestrova-bench.txt";
    const std::wstring xmlFile = std::wstring(temp) + L"kestrova-bench.xml";
    const std::wstring floorFile = std::wstring(temp) + L"kestrova-bench-floor.txt";

    std::vector<double> times(kRows);
    std::vector<float> values(kRows);
    for (int i = 0; i < kRows; ++i) {
        times[i] = kStart + i / 1440.0;
        values[i] = 15.0f + static_cast<float>(i % 200) / 10.0f;
    }
    auto sensor = FakeSensor::Make(1, 1, 0, L"Kitchen");
    sensor->SetData(times, values);
    CExportJob job(textFile, sensor.Get(), kStart, kStart + 365, 0);
    if (FAILED(job.FetchData())) return 1;
    CExportJob xmlJob(xmlFile, sensor.Get(), kStart, kStart + 365, 0);
    if (FAILED(xmlJob.FetchData())) return 1;

    std::vector<std::string> texts(kRows);
    {
        DateTimeTexts dates;
        for (int i = 0; i < kRows; ++i) texts[i] = Narrow(dates.DateTime(times[i]));
    }

    HRESULT textResult = S_OK, xmlResult = S_OK;
    double text = MedianSeconds([&] { textResult = job.WriteText(); });
    double xml = MedianSeconds([&] { xmlResult = xmlJob.WriteXml(); });
    WIN32_FILE_ATTRIBUTE_DATA textSize{}, xmlSize{};
    ::GetFileAttributesExW(textFile.c_str(), GetFileExInfoStandard, &textSize);
    ::GetFileAttributesExW(xmlFile.c_str(), GetFileExInfoStandard, &xmlSize);
    if (FAILED(textResult) || FAILED(xmlResult)) return 1;
    double floorIo = MedianSeconds([&] {
        FILE* f = _wfopen(floorFile.c_str(), L"w");
        for (int i = 0; i < kRows; ++i) std::fprintf(f, "%s\t%4.1f\n", texts[i].c_str(), values[i]);
        std::fclose(f);
    });
    double floorDates = MedianSeconds([&] {
        FILE* f = _wfopen(floorFile.c_str(), L"w");
        DateTimeTexts dates;
        for (int i = 0; i < kRows; ++i)
            std::fprintf(f, "%s\t%4.1f\n", Narrow(dates.DateTime(times[i])).c_str(), values[i]);
        std::fclose(f);
    });

    std::printf("rows                                  %d (text %lu bytes, XML %lu bytes)\n", kRows,
                textSize.nFileSizeLow, xmlSize.nFileSizeLow);
    std::printf("WriteText                             %7.3f s (median of 5)\n", text);
    std::printf("WriteXml                              %7.3f s\n", xml);
    std::printf("C loop, texts made beforehand (floor) %7.3f s   text/floor %.2f  xml/floor %.2f\n", floorIo,
                text / floorIo, xml / floorIo);
    std::printf("C loop making the date texts per row  %7.3f s   text/loop %.2f  xml/loop %.2f\n", floorDates,
                text / floorDates, xml / floorDates);
    ::DeleteFileW(textFile.c_str());
    ::DeleteFileW(xmlFile.c_str());
    ::DeleteFileW(floorFile.c_str());
    return 0;
}
