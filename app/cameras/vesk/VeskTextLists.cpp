#include "app/cameras/vesk/VeskTextLists.h"

#include "platform/PrivateProfile.h"

#include <cstring>

namespace tarsel::vesk {

std::string_view TrimWhiteSpace(std::string_view text) {
  constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";
  const std::size_t first = text.find_first_not_of(kWhiteSpace);
  if (first == std::string_view::npos)
    return {};
  return text.substr(first, text.find_last_not_of(kWhiteSpace) - first + 1);
}

std::vector<std::string> ReadProfileSection(const std::string& section, const std::string& file) {
  // A result two short of the buffer may have been cut: read again with more room.
  std::vector<char> buffer(2048);
  DWORD length = 0;
  for (;;) {
    length = GetPrivateProfileSectionA(section.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()),
                                       file.c_str());
    if (length != buffer.size() - 2)
      break;
    buffer.resize(buffer.size() * 2);
  }
  std::vector<std::string> lines;
  for (const char* p = buffer.data(); p < buffer.data() + length && *p; p += std::strlen(p) + 1)
    lines.emplace_back(p);
  return lines;
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
