#include "app/cameras/vesk/VeskModelFile.h"

#include <algorithm>

namespace tarsel::vesk {

std::string ModelFileName(std::string_view cameraType) {
  std::string name(cameraType);
  std::replace(name.begin(), name.end(), '/', '_');
  return name + ".camd";
}

} // namespace tarsel::vesk
