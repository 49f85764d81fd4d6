#include "platform/AsciiCase.h"

namespace tarsel::platform {

std::string asciiUpperCased(std::string_view text) {
  std::string folded(text);
  for (char& c : folded)
    c = asciiUpper(c);
  return folded;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (asciiUpper(a[i]) != asciiUpper(b[i]))
      return false;
  }
  return true;
}

} // namespace tarsel::platform
