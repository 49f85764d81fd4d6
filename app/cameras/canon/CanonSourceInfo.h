// What discovery learns of one Canon source: its index among the
// enumerated sources, whether it is an eligible camera (device flags bit
// 30), its source name and the display name it is shown and remembered by:
// the owner text, a blank when that is not empty, then "(<source name>)".
#pragma once

#include <cstdint>
#include <string>

struct CanonSourceInfo {
  std::uint32_t index = 0;
  bool eligible = false;
  std::string sourceName;
  std::string displayName;
};
