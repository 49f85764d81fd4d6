#include "app/cameras/canon/CanonFailureReport.h"

#include "app/cameras/canon/CanonCDWr.h"
#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"
#include "env/FormatStdString.h"

#include <algorithm>

namespace tarsel::canon {
namespace {

std::string cameraText(CanonCD_Wr* camera) {
  try {
    if (camera->GetSourceIndex() < 0)
      return "unknown (-1)";
    const char* name = camera->GetCameraName();
    if (!name || !*name)
      return "unknown (NULL)";
    return name;
  } catch (...) {
    return "unknown (exception)";
  }
}

} // namespace

std::string ShortenPlaceText(const char* place) {
  std::string text = place ? place : "";
  if (text.find("return") != std::string::npos)
    text.erase(0, std::min<std::size_t>(7, text.size()));
  const std::size_t dot = text.find('.');
  if (dot != std::string::npos)
    text.erase(0, dot + 1);
  const std::size_t parenthesis = text.find('(');
  if (parenthesis != std::string::npos)
    text.erase(parenthesis);
  return text;
}

std::string CanonFailureText(const _brantel_take_error& error, const char* place, CanonCD_Wr* camera) {
  std::string text = "SDK: CanonCD\r\n";
  std::string line;
  FormatStdString(line, "ERROR: %s(0x%X) produced by %s\r\n", error.ErrorMessage(),
                  static_cast<unsigned>(error.Error()), ShortenPlaceText(place).c_str());
  text += line;
  if (camera)
    text += "Camera: " + cameraText(camera) + "\r\n";
  return text;
}

} // namespace tarsel::canon

void ReportCanonFailure(const _brantel_take_error& error, const char* place, CanonCD_Wr* camera) {
  try {
    WriteErrorInfo(tarsel::canon::CanonFailureText(error, place, camera).c_str());
  } catch (...) {
  }
}
