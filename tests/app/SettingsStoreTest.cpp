#include <gtest/gtest.h>

#include <cstring>

#include "SettingsStore.h"
#include "TestSupport.h"

namespace {
constexpr wchar_t kProduct[] = L"software\\KV\\Kestrova";

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override { DeleteProductKey(); }
    void TearDown() override { DeleteProductKey(); }

    // Stores raw bytes of any size, bypassing the store's own writers.
    static void StoreRaw(const wchar_t* key, const wchar_t* name, DWORD type, const void* data, DWORD size) {
        RegKey k = OpenSettingsKey(key);
        ASSERT_TRUE(k);
        ASSERT_EQ(::RegSetValueExW(k, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS);
    }
    static DWORD StoredType(const wchar_t* key, const wchar_t* name, DWORD& size) {
        RegKey k = OpenSettingsKey(key);
        DWORD type = 0;
        size = 0;
        ::RegQueryValueExW(k, name, nullptr, &type, nullptr, &size);
        return type;
    }
};
}  // namespace

TEST_F(SettingsStore, ReadingOnACleanAccountGivesTheDefaultAndLeavesTheKeysBehind) {
    ASSERT_FALSE(KeyExists(kProduct));
    EXPECT_EQ(ReadSettingDword(L"Options", L"Unit", 0), 0);
    EXPECT_EQ(ReadSettingDword(L"DeviceList", L"b", 80), 80);
    EXPECT_FLOAT_EQ(ReadSettingFloat(L"D3", L"ScaleMin", 0.5f), 0.5f);
    EXPECT_DOUBLE_EQ(ReadSettingDouble(L"D3", L"UTCEndLogDate", 0.0), 0.0);
    EXPECT_TRUE(KeyExists(L"software\\KV\\Kestrova\\Options"));
    EXPECT_TRUE(KeyExists(L"software\\KV\\Kestrova\\DeviceList"));
    EXPECT_TRUE(KeyExists(L"software\\KV\\Kestrova\\D3"));
}

TEST_F(SettingsStore, ValuesComeBackAsWrittenWithTheirKindsAndSizes) {
    WriteSettingDword(L"D7", L"GridMajorColor", 0xC0C0C0);
    WriteSettingDword(L"D7", L"TraceStyle", -1);
    WriteSettingFloat(L"D7", L"ScaleMax", -12.75f);
    WriteSettingDouble(L"D7", L"UTCEndLogDate", 46000.123456789);

    EXPECT_EQ(ReadSettingDword(L"D7", L"GridMajorColor", 0), 0xC0C0C0);
    EXPECT_EQ(ReadSettingDword(L"D7", L"TraceStyle", 0), -1);
    EXPECT_EQ(ReadSettingFloat(L"D7", L"ScaleMax", 0), -12.75f);
    EXPECT_EQ(ReadSettingDouble(L"D7", L"UTCEndLogDate", 0), 46000.123456789);

    DWORD size = 0;
    EXPECT_EQ(StoredType(L"D7", L"GridMajorColor", size), static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(StoredType(L"D7", L"ScaleMax", size), static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(size, 4u);
    EXPECT_EQ(StoredType(L"D7", L"UTCEndLogDate", size), static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(size, 8u);
}

TEST_F(SettingsStore, AValueOfAnotherSizeReadsAsTheDefault) {
    const BYTE twelve[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    StoreRaw(L"D1", L"UTCEndLogDate", REG_BINARY, twelve, 4);
    EXPECT_EQ(ReadSettingDouble(L"D1", L"UTCEndLogDate", 0), 0);
    StoreRaw(L"D1", L"UTCEndLogDate", REG_BINARY, twelve, 12);
    EXPECT_EQ(ReadSettingDouble(L"D1", L"UTCEndLogDate", 0), 0);
    StoreRaw(L"D1", L"ScaleMin", REG_BINARY, twelve, 8);
    EXPECT_EQ(ReadSettingFloat(L"D1", L"ScaleMin", 2.5f), 2.5f);
    StoreRaw(L"D1", L"TimeScale", REG_BINARY, twelve, 2);
    EXPECT_EQ(ReadSettingDword(L"D1", L"TimeScale", 1), 1);
    StoreRaw(L"D1", L"TimeScale", REG_QWORD, twelve, 8);
    EXPECT_EQ(ReadSettingDword(L"D1", L"TimeScale", 1), 1);
}

TEST_F(SettingsStore, BlockReadsNeverWriteMoreThanTheBufferHolds) {
    BYTE stored[28];
    for (int i = 0; i < 28; ++i) stored[i] = static_cast<BYTE>(i + 1);
    WriteSettingBinary(L"State", L"List of sensors", stored, sizeof(stored));

    // A 20-byte buffer: refused, untouched, size unchanged.
    BYTE small[24];
    std::memset(small, 0xEE, sizeof(small));
    DWORD size = 20;
    EXPECT_TRUE(ReadSettingBinary(L"State", L"List of sensors", small, size));
    EXPECT_EQ(size, 20u);
    for (BYTE b : small) EXPECT_EQ(b, 0xEE);

    // A larger buffer: the stored bytes, and the size set to theirs.
    BYTE large[40];
    std::memset(large, 0xEE, sizeof(large));
    size = sizeof(large);
    EXPECT_FALSE(ReadSettingBinary(L"State", L"List of sensors", large, size));
    EXPECT_EQ(size, 28u);
    EXPECT_EQ(std::memcmp(large, stored, 28), 0);
    EXPECT_EQ(large[28], 0xEE);

    // A missing value fails and leaves the caller's defaults.
    size = sizeof(large);
    EXPECT_TRUE(ReadSettingBinary(L"State", L"D_4", large, size));
}

TEST_F(SettingsStore, DeletingASettingsKeyLeavesItsSiblings) {
    WriteSettingDword(L"D2", L"TimeScale", 3);
    WriteSettingDword(L"D5", L"TimeScale", 4);
    DeleteSettingsKey(L"D2");
    EXPECT_FALSE(KeyExists(L"software\\KV\\Kestrova\\D2"));
    EXPECT_EQ(ReadSettingDword(L"D5", L"TimeScale", 1), 4);

    DeleteSettingsKey(L"D99");  // missing: nothing happens
    EXPECT_FALSE(KeyExists(L"software\\KV\\Kestrova\\D99"));
}

TEST_F(SettingsStore, DeletionsNeverCreateKeys) {
    RegKey software;
    ASSERT_EQ(software.Open(HKEY_CURRENT_USER, L"software", KEY_READ | KEY_WRITE), ERROR_SUCCESS);
    ::RegDeleteTreeW(software, L"KV");
    DeleteSettingsKey(L"Options");
    DeleteProductKey();
    EXPECT_FALSE(KeyExists(L"software\\KV"));
}

TEST_F(SettingsStore, DeletingTheProductKeyTakesEverythingBelowIt) {
    WriteSettingDword(L"Options", L"Unit", 1);
    WriteSettingDouble(L"D4", L"UTCEndLogDate", 45000.5);
    DeleteProductKey();
    EXPECT_FALSE(KeyExists(kProduct));
    EXPECT_TRUE(KeyExists(L"software\\KV"));
    EXPECT_EQ(ReadSettingDword(L"Options", L"Unit", 0), 0);
}
