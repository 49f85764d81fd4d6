// Shared by the family's tests: an SDK object over the program's real
// settings (so its files land in the test's own data folder), and python's
// configparser as an independent reader of the files it writes.
#pragma once

#include "app/cameras/common/FamilyDataFolder.h"
#include "app/cameras/vesk/VeskSdkWrapper.h"
#include "app/settings/TarselSettings.h"
#include "platform/reg/Registry.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace tarsel::vesk::test {

class TestVeskSdk : public CVeskSDK_Wr {
public:
  ITarselSettings* GetSettings() override { return &m_settings; }
  std::string dataFolder() { return tarsel::cameras::FamilyDataFolder(&m_settings); }

private:
  CTarselSettings m_settings;
};

// Test homes outlive a run: start without the family's files and "Type_S".
inline void forgetFamilyState() {
  TestVeskSdk sdk;
  const std::string folder = sdk.dataFolder();
  std::filesystem::remove(folder + "ExtraCams.cams");
  std::filesystem::remove(folder + "BRANTEL_SDK3.4");
  const LONG error = RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Brantel");
  ASSERT_TRUE(error == 0 || error == 2) << error;
}

// "Type_S" of the current user; "<none>" when it is missing.
inline std::string typeList() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Brantel\\Vesk\\SupportedCamera", 0, KEY_READ, &key) != 0)
    return "<none>";
  char text[512] = {};
  DWORD size = sizeof text - 1;
  const LONG error = RegQueryValueExA(key, "Type_S", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size);
  RegCloseKey(key);
  return error == 0 ? std::string(text) : "<none>";
}

inline void setTypeList(const std::string& text) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Brantel\\Vesk\\SupportedCamera", 0, nullptr,
                            REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            0);
  EXPECT_EQ(RegSetValueExA(key, "Type_S", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                           static_cast<DWORD>(text.size() + 1)),
            0);
  RegCloseKey(key);
}

// The texts of a list the interface returned, in order.
inline std::vector<std::string> listTexts(const char* list) {
  std::vector<std::string> texts;
  for (const char* p = list; p && *p; p += std::string(p).size() + 1)
    texts.emplace_back(p);
  return texts;
}

// What python's configparser makes of the profile file: one line per
// section "[name]" and per entry "key=value", keys as written.
inline std::string readWithConfigParser(const std::string& file) {
  const char* script = "import configparser, sys\n"
                       "p = configparser.RawConfigParser(strict=False, delimiters=('=',))\n"
                       "p.optionxform = str\n"
                       "p.read(sys.argv[1], encoding='utf-8')\n"
                       "for s in p.sections():\n"
                       "    print('[' + s + ']')\n"
                       "    for k, v in p.items(s):\n"
                       "        print(k + '=' + v)\n";
  const tarsel::test::ProcessResult result = tarsel::test::runProgram({"python3", "-c", script, file});
  EXPECT_EQ(result.exitCode, 0) << result.out;
  return result.out;
}

} // namespace tarsel::vesk::test
