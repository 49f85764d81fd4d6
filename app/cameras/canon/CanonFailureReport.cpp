#include "app/cameras/canon/CanonFailureReport.h"

#include "app/cameras/canon/CanonCDWr.h"
#include "app/cameras/common/FailureEntry.h"
#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"

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
  return tarsel::cameras::ShortenPlace(place, tarsel::cameras::PlaceCut::kFirstDot);
}

std::string CanonFailureText(const _brantel_take_error& error, const char* place, CanonCD_Wr* camera) {
  const std::string name = camera ? cameraText(camera) : std::string();
  return tarsel::cameras::FailureEntryText("SDK: CanonCD", error, ShortenPlaceText(place),
                                           camera ? &name : nullptr);
}

} // namespace tarsel::canon

void ReportCanonFailure(const _brantel_take_error& error, const char* place, CanonCD_Wr* camera) {
  try {
    WriteErrorInfo(tarsel::canon::CanonFailureText(error, place, camera).c_str());
  } catch (...) {
  }
}
