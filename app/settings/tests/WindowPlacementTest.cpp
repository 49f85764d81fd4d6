// The stored window placement record: its bytes, and the records refused.
#include "app/settings/WindowPlacement.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tarsel::settings {
namespace {

std::vector<BYTE> bytesOf(const std::string& hex) {
  std::vector<BYTE> out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 3)
    out.push_back(static_cast<BYTE>(std::stoul(hex.substr(i, 2), nullptr, 16)));
  return out;
}

TEST(WindowPlacement, RecordIsTwentyEightLittleEndianBytes) {
  WindowPlacement placement;
  placement.x = -8;
  placement.y = 0x0102;
  placement.width = 800;
  placement.height = 600;
  placement.maximized = true;
  const auto bytes = placement.toBytes();
  const std::vector<BYTE> expected = bytesOf("1c 00 00 00 01 00 00 00 01 00 00 00 f8 ff ff ff 02 01 00 00 "
                                             "20 03 00 00 58 02 00 00 ");
  EXPECT_EQ(expected, std::vector<BYTE>(bytes.begin(), bytes.end()));
  const auto back = WindowPlacement::fromBytes(bytes.data(), static_cast<DWORD>(bytes.size()));
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(placement, *back);
}

TEST(WindowPlacement, ForeignShortLongOrCraftedRecordsAreRefused) {
  WindowPlacement good;
  good.width = 640;
  good.height = 480;
  const auto valid = good.toBytes();
  struct Row {
    const char* why;
    std::size_t offset;
    BYTE value;
  };
  const Row rows[] = {{"size field", 0, 44},         {"version", 4, 2},
                      {"unknown flag", 8, 2},        {"zero width", 21, 0},
                      {"negative height", 27, 0x80}, {"huge x", 15, 0x7F}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.why);
    auto bytes = valid;
    if (row.offset == 21)
      bytes[20] = 0;
    bytes[row.offset] = row.value;
    EXPECT_FALSE(WindowPlacement::fromBytes(bytes.data(), static_cast<DWORD>(bytes.size())).has_value());
  }
  // A 44-byte record of another program's layout, a short and a long record.
  std::vector<BYTE> foreign(44, 0);
  foreign[0] = 44;
  EXPECT_FALSE(WindowPlacement::fromBytes(foreign.data(), 44).has_value());
  EXPECT_FALSE(WindowPlacement::fromBytes(valid.data(), 27).has_value());
  std::vector<BYTE> longer(valid.begin(), valid.end());
  longer.push_back(0);
  EXPECT_FALSE(WindowPlacement::fromBytes(longer.data(), 29).has_value());
  EXPECT_FALSE(WindowPlacement::fromBytes(nullptr, 28).has_value());
}

} // namespace
} // namespace tarsel::settings
