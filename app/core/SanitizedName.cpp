#include "app/core/SanitizedName.h"

#include <algorithm>

namespace tarsel::core {

std::string SanitizedNamePart(std::string_view text) {
  std::string result(text);
  for (char& c : result) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '/' || byte < 0x20 || byte == 0x7F)
      c = '_';
  }
  return result;
}

std::string SanitizedPathComponent(std::string_view text) {
  std::string result = SanitizedNamePart(text);
  if (!result.empty() && result.find_first_not_of('.') == std::string::npos)
    std::replace(result.begin(), result.end(), '.', '_');
  return result;
}

} // namespace tarsel::core
