#include "app/cameras/vesk/VeskTextLists.h"

namespace tarsel::vesk {

std::string_view TrimWhiteSpace(std::string_view text) {
  constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";
  const std::size_t first = text.find_first_not_of(kWhiteSpace);
  if (first == std::string_view::npos)
    return {};
  return text.substr(first, text.find_last_not_of(kWhiteSpace) - first + 1);
}

std::string MakeMultiString(const std::vector<std::string>& texts) {
  std::string list;
  for (const std::string& text : texts) {
    if (text.empty())
      continue;
    list += text;
    list += '\0';
  }
  if (!list.empty())
    list += '\0';
  return list;
}

} // namespace tarsel::vesk
