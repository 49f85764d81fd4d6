#include "platform/EnvironmentStrings.h"

#include "platform/Win32Error.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using tarsel::test::ScopedEnv;

namespace {

struct Variables {
  ScopedEnv home{"TARSEL_T_HOME", std::string("/home/ann")};
  ScopedEnv sub{"TARSEL_T_SUB", std::string("Tarsel")};
  ScopedEnv percent{"TARSEL_T_PCT", std::string("100%TARSEL_T_SUB%")};
  ScopedEnv dollar{"TARSEL_T_DOLLAR", std::string("$TARSEL_T_SUB ${TARSEL_T_SUB}")};
  ScopedEnv empty{"TARSEL_T_EMPTY", std::string()};
  ScopedEnv unset{"TARSEL_T_UNSET", std::nullopt};
};

} // namespace

TEST(EnvironmentStrings, ReferencesExpandAndEverythingElseStaysAsWritten) {
  Variables variables;
  struct Row {
    const char* text;
    const char* expected;
  };
  const Row rows[] = {
      {"", ""},
      {"plain text", "plain text"},
      {"%TARSEL_T_HOME%/x.cpff", "/home/ann/x.cpff"},
      {"$TARSEL_T_HOME/x", "/home/ann/x"},
      {"${TARSEL_T_HOME}x", "/home/annx"},
      {"$TARSEL_T_HOME.cpff", "/home/ann.cpff"},
      {"%tarsel_t_home%", "%tarsel_t_home%"}, // names are case-sensitive here
      {"%TARSEL_T_HOME%%TARSEL_T_SUB%", "/home/annTarsel"},
      {"$TARSEL_T_HOME$TARSEL_T_SUB", "/home/annTarsel"},
      {"${TARSEL_T_HOME}${TARSEL_T_SUB}", "/home/annTarsel"},
      {"%TARSEL_T_UNSET%", "%TARSEL_T_UNSET%"},
      {"%TARSEL_T_UNSET%/%TARSEL_T_SUB%", "%TARSEL_T_UNSET%/Tarsel"},
      {"$TARSEL_T_UNSET/x", "$TARSEL_T_UNSET/x"},
      {"${TARSEL_T_UNSET}/x", "${TARSEL_T_UNSET}/x"},
      {"a%TARSEL_T_EMPTY%b$TARSEL_T_EMPTY.c${TARSEL_T_EMPTY}d", "ab.cd"},
      {"%%", "%%"},
      {"100%", "100%"},
      {"%", "%"},
      {"50% of %TARSEL_T_SUB%", "50% of %TARSEL_T_SUB%"}, // the first pair is "% of %"
      {"%%TARSEL_T_SUB%", "%%TARSEL_T_SUB%"},
      {"$", "$"},
      {"a$", "a$"},
      {"$$", "$$"},
      {"$-x", "$-x"},
      {"${", "${"},
      {"${TARSEL_T_SUB", "${TARSEL_T_SUB"},
      {"${TARSEL_T_SUB $TARSEL_T_SUB", "${TARSEL_T_SUB Tarsel"},
      {"${}", "${}"},
      {"${TARSEL-T}", "${TARSEL-T}"},
      {"%TARSEL_T_PCT%", "100%TARSEL_T_SUB%"},
      {"$TARSEL_T_PCT", "100%TARSEL_T_SUB%"},
      {"${TARSEL_T_DOLLAR}", "$TARSEL_T_SUB ${TARSEL_T_SUB}"},
      {"%TARSEL_T_DOLLAR%", "$TARSEL_T_SUB ${TARSEL_T_SUB}"},
      {"%TARSEL_T_HOME=x%", "%TARSEL_T_HOME=x%"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(ExpandEnvironmentStrings(row.text), row.expected) << "text: " << row.text;
}

TEST(EnvironmentStrings, BufferFormReturnsTheNeededSizeAndWritesOnlyWhenItFits) {
  Variables variables;
  const char* source = "%TARSEL_T_HOME%/x"; // "/home/ann/x": 11 characters
  EXPECT_EQ(ExpandEnvironmentStringsA(source, nullptr, 0), 12u);

  char buffer[16];
  struct Row {
    DWORD size;
    bool written;
  };
  const Row rows[] = {{0, false}, {1, false}, {11, false}, {12, true}, {16, true}};
  for (const Row& row : rows) {
    std::string(sizeof buffer, '#').copy(buffer, sizeof buffer);
    EXPECT_EQ(ExpandEnvironmentStringsA(source, buffer, row.size), 12u) << row.size;
    if (row.written) {
      EXPECT_STREQ(buffer, "/home/ann/x") << row.size;
      EXPECT_EQ(buffer[12], '#') << row.size;
    } else {
      EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, '#')) << row.size;
    }
  }

  std::string(sizeof buffer, '#').copy(buffer, sizeof buffer);
  EXPECT_EQ(ExpandEnvironmentStringsA("", buffer, 1), 1u);
  EXPECT_EQ(buffer[0], '\0');

  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(ExpandEnvironmentStringsA(nullptr, buffer, sizeof buffer), 0u);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}
