// What the camera-link family's tests share: a home of their own, so that the
// error log they read is theirs, and the log's entries.
#pragma once

#include "env/CamStorageDir.h"
#include "env/FacilityRegistry.h"
#include "platform/testsupport/TestSupport.h"

#include <filesystem>
#include <string>

namespace tarsel::vesk::test {

// A home of its own, with the family's error texts registered as the program
// registers them at start.
struct LogHome {
  LogHome() { RegisterFacility(0x104, TarselEnvMessageTable()); }

  tarsel::test::TempDir dir;
  tarsel::test::ScopedEnv home{"HOME", dir.path()};
  tarsel::test::ScopedEnv config{"XDG_CONFIG_HOME", dir.path() + "/.config"};
  tarsel::test::ScopedEnv data{"XDG_DATA_HOME", dir.path() + "/.local/share"};
  tarsel::test::ScopedEnv documents{"XDG_DOCUMENTS_DIR", std::nullopt};

  std::string logPath() const { return std::string(CCamDataDir().GetPath()) + "/ErrorLog.txt"; }
  std::string log() const {
    return std::filesystem::exists(logPath()) ? tarsel::test::readFile(logPath()) : std::string();
  }
  // Entries written so far: each has exactly one error line.
  int entries() const {
    const std::string text = log();
    int count = 0;
    for (std::size_t at = text.find("ERROR: "); at != std::string::npos; at = text.find("ERROR: ", at + 1))
      ++count;
    return count;
  }
};

} // namespace tarsel::vesk::test
