#include "app/cameras/vesk/VeskActiveCameras.h"

#include "app/cameras/vesk/VeskTextLists.h"

namespace tarsel::vesk {

std::string ReadActiveCameraList(const std::string& file) {
  const std::vector<std::string> lines = ReadProfileSection(kActiveCamerasSection, file);
  std::string list;
  if (lines.empty())
    return list;
  for (const std::string& line : lines) {
    const std::size_t equals = line.find('=');
    // A line without a name ends the list.
    if (equals == std::string::npos || equals == 0)
      break;
    list.append(line, 0, equals);
    list += '\0';
  }
  // A section that names no model still makes the family one to use.
  list += '\0';
  if (list.size() < 2)
    list += '\0';
  return list;
}

} // namespace tarsel::vesk
