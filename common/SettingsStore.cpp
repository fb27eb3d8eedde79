#include "SettingsStore.h"

#include <cstring>

namespace {
constexpr REGSAM kReadWrite = KEY_READ | KEY_WRITE;

// Opens software\KV for reading only, without creating anything.
RegKey OpenVendorKeyForDelete() {
    RegKey software;
    if (software.Open(HKEY_CURRENT_USER, L"software", KEY_READ) != ERROR_SUCCESS) return {};
    RegKey vendor;
    if (vendor.Open(software, L"KV", KEY_READ) != ERROR_SUCCESS) return {};
    return vendor;
}
}  // namespace

RegKey OpenProductKey() {
    RegKey software;
    if (software.Open(HKEY_CURRENT_USER, L"software", kReadWrite) != ERROR_SUCCESS) return {};
    RegKey vendor;
    if (vendor.Create(software, L"KV", kReadWrite) != ERROR_SUCCESS) return {};
    RegKey product;
    if (product.Create(vendor, L"Kestrova", kReadWrite) != ERROR_SUCCESS) return {};
    return product;
}

RegKey OpenSettingsKey(const wchar_t* settingsKey) {
    RegKey product = OpenProductKey();
    if (!product) return {};
    RegKey key;
    if (key.Create(product, settingsKey, kReadWrite) != ERROR_SUCCESS) return {};
    return key;
}

int ReadSettingDword(const wchar_t* settingsKey, const wchar_t* valueName, int defaultValue) {
    return SettingsBatch(settingsKey).ReadDword(valueName, defaultValue);
}

void WriteSettingDword(const wchar_t* settingsKey, const wchar_t* valueName, int value) {
    SettingsBatch(settingsKey).WriteDword(valueName, value);
}

bool ReadSettingBinary(const wchar_t* settingsKey, const wchar_t* valueName, void* buffer, DWORD& size) {
    return SettingsBatch(settingsKey).ReadBinary(valueName, buffer, size);
}

void WriteSettingBinary(const wchar_t* settingsKey, const wchar_t* valueName, const void* bytes, DWORD size) {
    SettingsBatch(settingsKey).WriteBinary(valueName, bytes, size);
}

float ReadSettingFloat(const wchar_t* settingsKey, const wchar_t* valueName, float defaultValue) {
    return SettingsBatch(settingsKey).ReadFloat(valueName, defaultValue);
}

void WriteSettingFloat(const wchar_t* settingsKey, const wchar_t* valueName, float value) {
    SettingsBatch(settingsKey).WriteFloat(valueName, value);
}

double ReadSettingDouble(const wchar_t* settingsKey, const wchar_t* valueName, double defaultValue) {
    return SettingsBatch(settingsKey).ReadDouble(valueName, defaultValue);
}

void WriteSettingDouble(const wchar_t* settingsKey, const wchar_t* valueName, double value) {
    SettingsBatch(settingsKey).WriteDouble(valueName, value);
}

bool SettingsBatch::ReadBinary(const wchar_t* valueName, void* buffer, DWORD& size) const {
    if (!m_key) return true;
    // First the size alone: a value larger than the caller's storage is never read.
    DWORD type = 0;
    DWORD stored = 0;
    if (::RegQueryValueExW(m_key, valueName, nullptr, &type, nullptr, &stored) != ERROR_SUCCESS) return true;
    if (stored > size) return true;
    DWORD read = size;  // the buffer's real size bounds the copy even if the value grew meanwhile
    if (::RegQueryValueExW(m_key, valueName, nullptr, &type, static_cast<BYTE*>(buffer), &read) != ERROR_SUCCESS)
        return true;
    size = read;
    return false;
}

// One query into a buffer of our own: a larger value fails with ERROR_MORE_DATA and never reaches
// the caller's, a shorter one fails on its size.
bool SettingsBatch::ReadExactly(const wchar_t* valueName, void* buffer, DWORD expected) const {
    BYTE value[8];
    DWORD size = expected;
    if (!m_key || expected > sizeof(value)) return false;
    if (::RegQueryValueExW(m_key, valueName, nullptr, nullptr, value, &size) != ERROR_SUCCESS || size != expected)
        return false;
    std::memcpy(buffer, value, expected);
    return true;
}

int SettingsBatch::ReadDword(const wchar_t* valueName, int defaultValue) const {
    DWORD value = 0;
    return ReadExactly(valueName, &value, sizeof(value)) ? static_cast<int>(value) : defaultValue;
}

float SettingsBatch::ReadFloat(const wchar_t* valueName, float defaultValue) const {
    float value = 0;
    return ReadExactly(valueName, &value, sizeof(value)) ? value : defaultValue;
}

double SettingsBatch::ReadDouble(const wchar_t* valueName, double defaultValue) const {
    double value = 0;
    return ReadExactly(valueName, &value, sizeof(value)) ? value : defaultValue;
}

void SettingsBatch::WriteValue(const wchar_t* valueName, DWORD type, const void* bytes, DWORD size) const {
    if (m_key) ::RegSetValueExW(m_key, valueName, 0, type, static_cast<const BYTE*>(bytes), size);
}

void SettingsBatch::WriteDword(const wchar_t* valueName, int value) const {
    DWORD data = static_cast<DWORD>(value);
    WriteValue(valueName, REG_DWORD, &data, sizeof(data));
}

void SettingsBatch::WriteBinary(const wchar_t* valueName, const void* bytes, DWORD size) const {
    WriteValue(valueName, REG_BINARY, bytes, size);
}

void SettingsBatch::WriteFloat(const wchar_t* valueName, float value) const { WriteBinary(valueName, &value, sizeof(value)); }

void SettingsBatch::WriteDouble(const wchar_t* valueName, double value) const {
    WriteBinary(valueName, &value, sizeof(value));
}

void DeleteSettingsKey(const wchar_t* settingsKey) {
    RegKey vendor = OpenVendorKeyForDelete();
    if (!vendor) return;
    RegKey product;
    if (product.Open(vendor, L"Kestrova", KEY_READ) != ERROR_SUCCESS) return;
    ::RegDeleteKeyW(product, settingsKey);
}

void DeleteProductKey() {
    RegKey vendor = OpenVendorKeyForDelete();
    if (!vendor) return;
    // The product key always has settings keys below it (reads create them), and a plain key
    // deletion refuses a key with subkeys: delete the whole tree, or nothing would be cleared.
    ::RegDeleteTreeW(vendor, L"Kestrova");
    ::RegDeleteKeyW(vendor, L"Kestrova");
}
