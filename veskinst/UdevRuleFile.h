// The text of the udev rule file that opens the camera-link cameras' SCSI
// generic nodes to the user at the console: one rule per model name, which
// udev matches against the device's SCSI model text (the product
// identification the camera-link library compares with the same names).
//
// A rule matches the whole model field: udev ignores the padding blanks the
// kernel keeps at the end of the field, so "XC-702" matches a device whose
// model reads "XC-702" and nothing else; a disk whose model merely contains
// the name is never opened. The rule is for SCSI generic nodes only.
//
// A name goes into a rule only when it cannot change the rule's meaning and
// can name a model: printable ASCII without quotes, commas, backslashes or
// udev's pattern characters (* ? [ ] |), kMinNameLength to kMaxNameLength
// characters (the field holds 16), no blank at either end; anything else is
// refused and left out.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tarsel::veskinst {

inline constexpr const char* kRuleFileName = "70-tarsel-vesk.rules";
inline constexpr std::size_t kMinNameLength = 3;
inline constexpr std::size_t kMaxNameLength = 16;

class UdevRuleFile {
public:
  // Whether a name may stand in a rule.
  static bool isSafeName(std::string_view name);
  // The whole file for the names (each once, in order); the refused ones
  // are added to `refused` when given.
  static std::string text(const std::vector<std::string>& names, std::vector<std::string>* refused);
  // The names of `names` that are refused, each once, in order.
  static std::vector<std::string> refusedNames(const std::vector<std::string>& names);
};

} // namespace tarsel::veskinst
