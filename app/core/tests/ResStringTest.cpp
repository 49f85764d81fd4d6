// The string table and the holder that loads from it.
#include "app/core/ResString.h"
#include "app/core/ResourceStrings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

class LongResString : public CResString {
public:
  explicit LongResString(const char* text) { assign(text); }
};

TEST(ResString, KnownIdsGiveTheirExactTexts) {
  struct Row {
    UINT id;
    const char* text;
  };
  const Row rows[] = {
      {57345, "Ready"},
      {61225, "Error"},
      {61226, "Connecting to camera..."},
      {32840, "Taking picture..."},
      {152, "N/A"},
      {153, "Auto"},
      {128, "Tarsel"},
      {61242, "Next Picture: %ld(%ld):  %s"},
      {61245, "Paused. Press \"Continue\" or \"Stop\""},
      {61264, "Loading: %ld%%"},
      {61268, "\"Warning: only %lu%% of battery remains.\""},
      {61274, "The test has been cancelled.\n\nYou may run again it at any time."},
      {61276, "&Close"},
      {61309, "Raw Image.\r\n\r\nIt cannot be displayed,\r\nbut you can save\r\nthe file as normal."},
      {156, "%s - this computer"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.id);
    EXPECT_STREQ(row.text, CResString(row.id));
  }
}

TEST(ResString, AnIdTheTableLacksGivesTheEmptyText) {
  for (UINT id : {0u, 1u, 127u, 61250u, 65535u, 0xFFFFFFFFu}) {
    EXPECT_STREQ("", CResString(id));
    EXPECT_EQ(nullptr, tarsel::core::FindResourceString(id));
  }
}

TEST(ResString, ALongTextIsCutAtOneThousandCharacters) {
  const std::string text(1200, 'a');
  const LongResString held(text.c_str());
  EXPECT_EQ(1000u, std::strlen(held));
  const LongResString exact(std::string(1000, 'b').c_str());
  EXPECT_EQ(1000u, std::strlen(exact));
  EXPECT_STREQ("", LongResString(nullptr));
}

TEST(ResString, TheTableIsOrderedWithoutDuplicatesAndEveryTextFits) {
  UINT previous = 0;
  for (const auto& entry : tarsel::core::ResourceStringTable()) {
    SCOPED_TRACE(entry.id);
    EXPECT_GT(entry.id, previous);
    previous = entry.id;
    ASSERT_NE(nullptr, entry.text);
    EXPECT_GT(std::strlen(entry.text), 0u);
    EXPECT_LE(std::strlen(entry.text), CResString::kMaxLength);
  }
}

} // namespace
