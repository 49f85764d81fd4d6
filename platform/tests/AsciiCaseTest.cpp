#include "platform/AsciiCase.h"

#include <gtest/gtest.h>

#include <string>

TEST(AsciiCase, OnlyAsciiLettersFold) {
  struct Row {
    const char* a;
    const char* b;
    bool same;
  };
  const Row rows[] = {
      {"Camera", "cAMERA", true}, {"", "", true},
      {"Key1", "KEY1", true},     {"Key", "Key ", false},
      {"[x]", "[X]", true},       {"@`{", "@`{", true},
      {"@", "`", false},          {"\xC3\xA9", "\xC3\x89", false}, // UTF-8 letters stand as they are
      {"Z[", "z{", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.a) + " / " + row.b);
    EXPECT_EQ(tarsel::platform::equalsIgnoringAsciiCase(row.a, row.b), row.same);
    EXPECT_EQ(tarsel::platform::asciiUpperCased(row.a) == tarsel::platform::asciiUpperCased(row.b), row.same);
  }
  EXPECT_EQ(tarsel::platform::asciiUpperCased("ab-Z\xE9z"), "AB-Z\xE9Z");
}
