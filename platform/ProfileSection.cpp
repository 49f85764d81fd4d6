#include "platform/ProfileSection.h"

#include "platform/PrivateProfile.h"

#include <cstring>

namespace tarsel::platform {

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

} // namespace tarsel::platform
