#include <gtest/gtest.h>

#include "AppModule.h"
#include "Com.h"

TEST(ComErrorText, SystemMessageWithoutItsLineEnd) {
    std::wstring text = ComErrorText(E_OUTOFMEMORY);
    ASSERT_FALSE(text.empty());
    EXPECT_NE(text.find(L"memory"), std::wstring::npos) << text;
    EXPECT_NE(text.back(), L'\n');
    EXPECT_NE(text.back(), L'\r');
}

TEST(ComErrorText, FallbacksWhenTheSystemHasNoMessage) {
    struct {
        HRESULT hr;
        const wchar_t* text;
    } cases[] = {
        {static_cast<HRESULT>(0x80040200), L"IDispatch error #0"},
        {static_cast<HRESULT>(0x8004F123), L"IDispatch error #61219"},
        {static_cast<HRESULT>(0x8004FFFF), L"IDispatch error #65023"},
        {static_cast<HRESULT>(0xA0041234), L"Unknown error 0xA0041234"},
        {static_cast<HRESULT>(0x8005F123), L"Unknown error 0x8005F123"},
    };
    for (const auto& c : cases) EXPECT_EQ(ComErrorText(c.hr), c.text) << std::hex << c.hr;
}

TEST(ComError, CarriesTheResultAndItsText) {
    try {
        ThrowIfFailed(static_cast<HRESULT>(0x80040205));
        FAIL() << "no exception";
    } catch (const ComError& e) {
        EXPECT_EQ(e.Error(), static_cast<HRESULT>(0x80040205));
        EXPECT_EQ(e.ErrorMessage(), L"IDispatch error #5");
    }
    EXPECT_NO_THROW(ThrowIfFailed(S_FALSE));
}

TEST(FormatText, TakesWideStringsForPercentSAndGrowsForLongTexts) {
    EXPECT_EQ(FormatText(L"Could not connect to server (%s, %x)", L"Class not registered", 0x80040154u),
              L"Could not connect to server (Class not registered, 80040154)");
    std::wstring longText(1000, L'x');
    EXPECT_EQ(FormatText(L"[%s]", longText.c_str()), L"[" + longText + L"]");
    EXPECT_EQ(FormatText(L"%d to %d degrees", -50, 150), L"-50 to 150 degrees");
}
