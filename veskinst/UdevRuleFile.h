// The text of the udev rule file that opens the camera-link cameras' SCSI
// generic nodes to the user at the console: one rule per model name, which
// udev matches against the device's SCSI model text (the product
// identification the camera-link library compares with the same names).
//
// A name goes into a rule only when it cannot change the rule's meaning:
// printable ASCII without quotes, commas, backslashes or udev's pattern
// characters (* ? [ ] |); anything else is refused and left out.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarsel::veskinst {

inline constexpr const char* kRuleFileName = "70-tarsel-vesk.rules";

class UdevRuleFile {
public:
  // Whether a name may stand in a rule.
  static bool isSafeName(std::string_view name);
  // The whole file for the names (each once, in order); the refused ones
  // are added to `refused` when given.
  static std::string text(const std::vector<std::string>& names, std::vector<std::string>* refused);
};

} // namespace tarsel::veskinst
