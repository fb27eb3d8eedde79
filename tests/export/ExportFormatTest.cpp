#include <gtest/gtest.h>

#include "ExportFormat.h"

TEST(ExportFormat, FileTypeByExtension) {
    struct { const wchar_t* path; int type; } cases[] = {
        {L"C:\\logs\\kitchen.txt", 0}, {L"kitchen.TXT", 0}, {L"a.Xls", 1}, {L"a.xml", 2},
        {L"a.csv", -1}, {L"kitchen", -1}, {L"", -1}, {L"C:\\logs.txt\\kitchen", -1},
        {L"a.txt.bak", -1}, {L"a.txtx", -1}, {L"a.tx", -1}, {L"a.xml\u0130", -1},
    };
    for (auto c : cases) EXPECT_EQ(GetExportFileType(c.path), c.type) << c.path;
    EXPECT_EQ(GetExportFileType(std::wstring(300, L'a') + L".txt"), -1);
}

TEST(ExportFormat, InputChecksInOrder) {
    struct { double start, end; const wchar_t* name; const wchar_t* message; } cases[] = {
        {2, 1, L"", L"End date is before start date"},
        {2, 1, L"a.csv", L"End date is before start date"},
        {1, 1, L"", L"No filename given!"},
        {1, 2, L"a.csv", L"Invalid filetype!"},
        {1, 2, L"a", L"Invalid filetype!"},
        {1, 1, L"a.TXT", nullptr},
    };
    for (auto c : cases) {
        const wchar_t* got = CheckExportInput(c.start, c.end, c.name);
        EXPECT_STREQ(got, c.message) << c.name;
    }
}

TEST(ExportFormat, IntervalRowIsTheFirstNotShorter) {
    struct { double interval; int row; } cases[] = {
        {0, 0}, {-1, 0}, {0.001, 1}, {1.0 / 144, 1}, {0.01, 2}, {1.0 / 24, 2}, {0.2, 4}, {0.5, 5}, {0.6, 6}, {7, 6},
    };
    for (auto c : cases) EXPECT_EQ(IntervalRow(c.interval), c.row) << c.interval;
}

TEST(ExportFormat, BrowsedNameFollowsExtensionThenFilter) {
    struct { const wchar_t* chosen; int filter; const wchar_t* result; bool invalid; } cases[] = {
        {L"C:\\a", 2, L"C:\\a.xls", false}, {L"C:\\a", 1, L"C:\\a.txt", false}, {L"C:\\a", 3, L"C:\\a.xml", false},
        {L"C:\\a", 4, L"old.txt", false},   {L"C:\\a.XML", 1, L"C:\\a.XML", false},
        {L"C:\\a.doc", 2, L"old.txt", true},
    };
    for (auto c : cases) {
        bool invalid = false;
        EXPECT_EQ(BrowsedName(c.chosen, c.filter, L"old.txt", invalid), c.result) << c.chosen;
        EXPECT_EQ(invalid, c.invalid) << c.chosen;
    }
}

TEST(ExportFormat, EncodingsEscapingAndNumbers) {
    std::string latin, utf8;
    AppendLatin1(latin, L"Caf\u00e9 \u20ac\u00ff");
    EXPECT_EQ(latin, "Caf\xE9 ?\xFF");
    AppendUtf8(utf8, L"\u00e9\u20ac\U0001F600\xD800");
    EXPECT_EQ(utf8, "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80\xEF\xBF\xBD");
    EXPECT_EQ(XmlEscape(L"A&B <\"x\">"), L"A&amp;B &lt;&quot;x&quot;&gt;");

    struct { float value; const char* text; } numbers[] = {{5, " 5.0"}, {21.5f, "21.5"}, {-3.5f, "-3.5"}, {1234.56f, "1234.6"}};
    for (auto c : numbers) {
        std::string out;
        AppendValue(out, c.value);
        EXPECT_EQ(out, c.text);
    }
    EXPECT_FLOAT_EQ(ExportValue(1, 21.5f, true), 70.7f);
    EXPECT_FLOAT_EQ(ExportValue(1, 21.5f, false), 21.5f);
    EXPECT_FLOAT_EQ(ExportValue(2, 21.5f, true), 21.5f);
    EXPECT_FLOAT_EQ(ExportValue(3, 50.0f, true), 50.0f);
}
