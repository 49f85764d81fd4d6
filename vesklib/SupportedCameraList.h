// Decides whether a device is a supported camera: the registry value
// "Type_S" under Software\Brantel\Vesk\SupportedCamera (the current user's
// first, then the machine's) is a comma list of names, and a device is
// supported when one of the names occurs anywhere in its product
// identification. Names are trimmed of blanks and empty names are ignored, so
// a stray comma never makes every device a camera. Reads the registry on each
// call; any thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tarsel::vesk {

class SupportedCameraList {
public:
  // The names of one "Type_S" text, trimmed, without empty ones.
  static std::vector<std::string> parseNames(std::string_view typeList);
  // Whether one of the names of typeList occurs in productId.
  static bool matches(std::string_view typeList, std::string_view productId);
  // The registry test: the current user's list, then the machine's.
  static bool isSupportedCamera(std::string_view productId);
  // The names of the current user's list, then the machine's, each once.
  static std::vector<std::string> supportedNames();
  // The model name of a product identification: up to its first blank.
  static std::string modelName(std::string_view productId);
};

} // namespace tarsel::vesk
