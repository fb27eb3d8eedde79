// The settings store: typed values under HKEY_CURRENT_USER\software\KV\Kestrova\<settings key>.
//
// Every call opens what it needs and closes it again; nothing is kept between calls. Reads
// create missing keys just as writes do. A read that fails in any way (no key, no value, a value
// of another size) yields the caller's default; writes and deletions fail silently.
#pragma once
#include <windows.h>

#include "Registry.h"

// The product key, opened for reading and writing; "KV" and "Kestrova" are created when missing,
// "software" never is.
RegKey OpenProductKey();
// A direct subkey of the product key, created when missing.
RegKey OpenSettingsKey(const wchar_t* settingsKey);

int ReadSettingDword(const wchar_t* settingsKey, const wchar_t* valueName, int defaultValue);
void WriteSettingDword(const wchar_t* settingsKey, const wchar_t* valueName, int value);

// Copies the stored bytes into `buffer` and sets `size` to their number. Returns true when it
// FAILED: no key, no value, or a stored value larger than `size` (then nothing is copied).
bool ReadSettingBinary(const wchar_t* settingsKey, const wchar_t* valueName, void* buffer, DWORD& size);
void WriteSettingBinary(const wchar_t* settingsKey, const wchar_t* valueName, const void* bytes, DWORD size);

// IEEE values stored as REG_BINARY of exactly 4 or 8 bytes, little-endian.
float ReadSettingFloat(const wchar_t* settingsKey, const wchar_t* valueName, float defaultValue);
void WriteSettingFloat(const wchar_t* settingsKey, const wchar_t* valueName, float value);
double ReadSettingDouble(const wchar_t* settingsKey, const wchar_t* valueName, double defaultValue);
void WriteSettingDouble(const wchar_t* settingsKey, const wchar_t* valueName, double value);

// One settings key opened (created when missing, as for single reads) for a batch of reads and
// writes with the same rules as the single calls above, and closed when the object goes. A batch
// saves opening the product key path again for every value.
class SettingsBatch {
public:
    explicit SettingsBatch(const wchar_t* settingsKey) : m_key(OpenSettingsKey(settingsKey)) {}

    int ReadDword(const wchar_t* valueName, int defaultValue) const;
    float ReadFloat(const wchar_t* valueName, float defaultValue) const;
    double ReadDouble(const wchar_t* valueName, double defaultValue) const;
    // True when it FAILED, as ReadSettingBinary.
    bool ReadBinary(const wchar_t* valueName, void* buffer, DWORD& size) const;
    void WriteDword(const wchar_t* valueName, int value) const;
    void WriteFloat(const wchar_t* valueName, float value) const;
    void WriteDouble(const wchar_t* valueName, double value) const;
    void WriteBinary(const wchar_t* valueName, const void* bytes, DWORD size) const;

private:
    bool ReadExactly(const wchar_t* valueName, void* buffer, DWORD expected) const;
    void WriteValue(const wchar_t* valueName, DWORD type, const void* bytes, DWORD size) const;

    RegKey m_key;
};

// Deletes one settings key (it has no subkeys). Missing keys are not created for this.
void DeleteSettingsKey(const wchar_t* settingsKey);
// Deletes the whole product key with everything below it.
void DeleteProductKey();
