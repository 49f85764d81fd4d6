#include "app/cameras/lunet/LunetTrace.h"

#include "app/cameras/common/FailureEntry.h"
#include "app/cameras/common/LastDiagnostics.h"
#include "app/cameras/lunet/LunetSdkWrapper.h"
#include "app/core/ICameraHiLevel.h"
#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"

namespace tarsel::lunet {

namespace {

tarsel::cameras::CLastDiagnostics& lastDiagnostics() {
  static tarsel::cameras::CLastDiagnostics instance;
  return instance;
}

std::string cameraText(ICameraHiLevel* camera) {
  try {
    const char* model = camera->GetModelName();
    return model ? model : "unknown (NULL)";
  } catch (...) {
    return "unknown (exception)";
  }
}

} // namespace

std::string OperationName(const char* callText) {
  return tarsel::cameras::ShortenPlace(callText, tarsel::cameras::PlaceCut::kFirstDot);
}

std::string TraceText(HRESULT code, const char* callText, ICameraHiLevel* camera) {
  const std::string model = camera ? cameraText(camera) : std::string();
  std::string text = tarsel::cameras::FailureEntryText("SDK: 2.0", _brantel_take_error(code),
                                                       OperationName(callText), camera ? &model : nullptr);
  text += "\r\n";
  return text;
}

void WriteLunetTrace(HRESULT code, const char* callText, ICameraHiLevel* camera) noexcept {
  try {
    std::string text = TraceText(code, callText, camera);
    text += lastDiagnostics().Changed(
        tarsel::cameras::CLastDiagnostics::Read([] { return GetLunetSdkWrapper(nullptr); }));
    WriteErrorInfo(text.c_str());
  } catch (...) {
    // Tracing never replaces the error being traced.
  }
}

} // namespace tarsel::lunet
