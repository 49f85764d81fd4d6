#include "app/cameras/vesk/VeskCameraListFile.h"

#include "app/cameras/vesk/VeskTextLists.h"
#include "platform/PrivateProfile.h"

namespace tarsel::vesk {

std::vector<CNamePair> ReadCameraListSection(const std::string& dataFolder, const char* section) {
  std::vector<CNamePair> pairs;
  for (const std::string& line : ReadProfileSection(section, dataFolder + kCameraListFile)) {
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos)
      pairs.push_back({line, {}});
    else
      pairs.push_back({line.substr(0, equals), line.substr(equals + 1)});
  }
  return pairs;
}

std::string ProfileSafeText(std::string_view text) {
  std::string safe(TrimWhiteSpace(text));
  for (char& c : safe) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '=' || c == '[' || c == ']' || byte < 0x20 || byte == 0x7F)
      c = '_';
  }
  // A line that starts with one of these is a comment to some readers.
  if (!safe.empty() && (safe.front() == ';' || safe.front() == '#'))
    safe.front() = '_';
  return safe;
}

bool WriteCameraListLine(const std::string& dataFolder, std::string_view identification,
                         std::string_view text, bool used) {
  const std::string key = ProfileSafeText(identification);
  if (key.empty())
    return false;
  const std::string value = ProfileSafeText(text);
  const std::string file = dataFolder + kCameraListFile;
  return WritePrivateProfileStringA(used ? kUsedCamerasSection : kIgnoredCamerasSection, key.c_str(),
                                    value.c_str(), file.c_str()) != FALSE;
}

} // namespace tarsel::vesk
