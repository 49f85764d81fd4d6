// The host as the file saver's tests play it: the plug-in loaded from its
// file as the program loads it, a save request and a picture of plain
// bytes, and the program's real settings over a registry of the test's own.
#pragma once

#include "app/settings/TarselSettings.h"
#include "hostapi/ISaverSettings.h"
#include "hostapi/RefPtr.h"
#include "hostapi/TarselSaverPlugin.h"
#include "platform/Module.h"
#include "platform/reg/Registry.h"
#include "savers/testsupport/BytesPicture.h"
#include "savers/testsupport/FakeSaveInfo.h"

#include <QImage>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace tarsel::filesaver::test {

using tarsel::savers::test::FakeSaveInfo;

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The plug-in loaded and initialised for one test, with an empty folder.
class FileSaverTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(m_module.load(TARSEL_FILE_SAVER)) << m_module.errorText();
    save = m_module.function<SavSaveFunction>("SavSave");
    processError = m_module.function<SavProcessErrorFunction>("SavProcessError");
    displayInfo = m_module.function<SavDisplayInfoFunction>("SavDisplayInfo");
    ASSERT_TRUE(save && processError && displayInfo);
    ASSERT_EQ(0, m_module.function<SavInitFunction>("SavInit")(0));
    // The test's own hive may hold what an earlier run of the same case stored.
    const LONG wiped = RegDeleteTreeA(HKEY_CURRENT_USER, "SOFTWARE\\drevant");
    ASSERT_TRUE(wiped == 0 || wiped == 2) << wiped;
    folder = std::filesystem::path(std::getenv("HOME")) / "pictures";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
  }
  void TearDown() override {
    if (const auto term = m_module.function<SavTermFunction>("SavTerm")) {
      EXPECT_EQ(0, term());
    }
  }

  // One value of the saver's own settings key, as the Options page stores it.
  CRefPtr<ISaverSettings> saverKey() {
    ISaverSettings* key = nullptr;
    EXPECT_EQ(0, settings.GetSaverSettings("FILE", &key, false));
    CRefPtr<ISaverSettings> held;
    held.Attach(key);
    return held;
  }

  int saveDirect(FakeSaveInfo& info, BytesPicture& picture) {
    return save(nullptr, &info, &picture, &settings, TRUE);
  }

  CTarselSettings settings;
  std::filesystem::path folder;
  SavSaveFunction save = nullptr;
  SavProcessErrorFunction processError = nullptr;
  SavDisplayInfoFunction displayInfo = nullptr;

private:
  platform::Module m_module;
};

} // namespace tarsel::filesaver::test
