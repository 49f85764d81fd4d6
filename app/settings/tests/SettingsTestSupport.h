// Shared by the settings tests: a fixture that starts every test with no
// program keys in the current user's hive, and small helpers around the
// factory's reference-counted results.
#pragma once

#include "app/settings/TarselSettings.h"
#include "hostapi/ICamSdkSettings.h"
#include "hostapi/ISaverSettings.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselPersistentParams.h"
#include "hostapi/RefPtr.h"
#include "platform/reg/Registry.h"

#include <gtest/gtest.h>

#include <string>

namespace tarsel::settings::test {

class SettingsTest : public ::testing::Test {
protected:
  void SetUp() override { wipe(); }
  void TearDown() override { wipe(); }

  static void wipe() {
    const LONG error = RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\drevant");
    ASSERT_TRUE(error == 0 || error == 2) << error;
  }

  CRefPtr<ITarselPersistentParams> params(bool readOnly) {
    ITarselPersistentParams* p = nullptr;
    EXPECT_EQ(0, m_factory.GetPersistentParams(&p, readOnly));
    CRefPtr<ITarselPersistentParams> ref;
    ref.Attach(p);
    return ref;
  }
  CRefPtr<ITarselConfigSettings> user(bool readOnly) {
    ITarselConfigSettings* p = nullptr;
    EXPECT_EQ(0, m_factory.GetUserSettings(&p, readOnly));
    CRefPtr<ITarselConfigSettings> ref;
    ref.Attach(p);
    return ref;
  }
  CRefPtr<ICamSdkSettings> sdk(const char* name, bool readOnly) {
    ICamSdkSettings* p = nullptr;
    EXPECT_EQ(0, m_factory.GetSdkSettings(name, &p, readOnly));
    CRefPtr<ICamSdkSettings> ref;
    ref.Attach(p);
    return ref;
  }
  CRefPtr<ISaverSettings> saver(const char* name, bool readOnly) {
    ISaverSettings* p = nullptr;
    EXPECT_EQ(0, m_factory.GetSaverSettings(name, &p, readOnly));
    CRefPtr<ISaverSettings> ref;
    ref.Attach(p);
    return ref;
  }
  static CRefPtr<ISaverSettings> subKey(ISaverSettings& parent, const char* name, bool readOnly) {
    ISaverSettings* p = nullptr;
    EXPECT_EQ(0, parent.OpenSubKey(name, readOnly, &p));
    CRefPtr<ISaverSettings> ref;
    ref.Attach(p);
    return ref;
  }

  // Whether the key exists below HKEY_CURRENT_USER.
  static bool keyExists(const char* path) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != 0)
      return false;
    RegCloseKey(key);
    return true;
  }

  // Writes a raw value below HKEY_CURRENT_USER, creating the key.
  static void putRaw(const char* path, const char* name, DWORD type, const std::string& bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(0, RegCreateKeyExA(HKEY_CURRENT_USER, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                                 nullptr, &key, nullptr));
    ASSERT_EQ(0, RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                                static_cast<DWORD>(bytes.size())));
    RegCloseKey(key);
  }

  // Reads a raw value below HKEY_CURRENT_USER; false when it is missing.
  static bool getRaw(const char* path, const char* name, DWORD& type, std::string& bytes) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != 0)
      return false;
    DWORD size = 0;
    LONG error = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    if (error == 0) {
      bytes.assign(size, '\0');
      error = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size);
    }
    RegCloseKey(key);
    return error == 0;
  }

  CTarselSettings m_factory;
};

} // namespace tarsel::settings::test
