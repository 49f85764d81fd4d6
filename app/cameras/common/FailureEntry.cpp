#include "app/cameras/common/FailureEntry.h"

#include "env/BrantelTakeError.h"
#include "env/FormatStdString.h"

#include <algorithm>

namespace tarsel::cameras {

std::string ShortenPlace(const char* place, PlaceCut cut) {
  std::string text = place ? place : "";
  if (text.find("return") != std::string::npos)
    text.erase(0, std::min<std::size_t>(7, text.size()));
  const std::size_t dot = cut == PlaceCut::kLastDot ? text.rfind('.') : text.find('.');
  if (dot != std::string::npos)
    text.erase(0, dot + 1);
  const std::size_t parenthesis = text.find('(');
  if (parenthesis != std::string::npos)
    text.erase(parenthesis);
  return text;
}

std::string FailureEntryText(const char* header, const _brantel_take_error& error,
                             const std::string& operation, const std::string* cameraText) {
  std::string text = header;
  text += "\r\n";
  std::string line;
  FormatStdString(line, "ERROR: %s(0x%X) produced by %s\r\n", error.ErrorMessage(),
                  static_cast<unsigned>(error.Error()), operation.c_str());
  text += line;
  if (cameraText)
    text += "Camera: " + *cameraText + "\r\n";
  return text;
}

} // namespace tarsel::cameras
