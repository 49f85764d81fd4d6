// A German locale for one scope, as a desktop session would have one: the C
// library then writes and reads numbers with a decimal comma. Takes the
// locale the build made (TARSEL_TEST_LOCPATH) or makes one with localedef;
// `active()` is false when neither is possible. Back to "C" at the end.
#pragma once

#include "platform/testsupport/TestSupport.h"

#include <clocale>
#include <cstdlib>
#include <optional>
#include <string>

class CommaLocale {
public:
  CommaLocale() {
    const char* prepared = std::getenv("TARSEL_TEST_LOCPATH");
    std::string locales = prepared && *prepared ? prepared : "";
    if (locales.empty()) {
      if (tarsel::test::runProgram({"localedef", "-i", "de_DE", "-f", "UTF-8", m_dir.file("de_DE.UTF-8")})
              .exitCode != 0)
        return;
      locales = m_dir.path();
    }
    m_path.emplace("LOCPATH", locales);
    m_active = std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr;
  }
  ~CommaLocale() { std::setlocale(LC_ALL, "C"); }
  CommaLocale(const CommaLocale&) = delete;
  CommaLocale& operator=(const CommaLocale&) = delete;

  bool active() const { return m_active; }

private:
  tarsel::test::TempDir m_dir;
  std::optional<tarsel::test::ScopedEnv> m_path;
  bool m_active = false;
};
