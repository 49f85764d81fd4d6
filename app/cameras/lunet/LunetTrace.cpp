#include "app/cameras/lunet/LunetTrace.h"

#include "app/cameras/lunet/LunetSdkWrapper.h"
#include "app/core/ICameraHiLevel.h"
#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"
#include "env/FormatStdString.h"

#include <algorithm>
#include <mutex>

namespace tarsel::lunet {

namespace {

struct LastDiagnostics {
  std::mutex lock;
  std::string text;
};

LastDiagnostics& lastDiagnostics() {
  static LastDiagnostics instance;
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

std::string diagnosticsText() {
  std::string text;
  try {
    if (IBaseSDK_Wr* sdk = GetLunetSdkWrapper(nullptr))
      sdk->GetDiagnosticText(&text, false);
  } catch (...) {
    text.clear();
  }
  return text;
}

} // namespace

std::string OperationName(const char* callText) {
  std::string name = callText ? callText : "";
  if (name.find("return") != std::string::npos)
    name.erase(0, std::min<std::size_t>(7, name.size()));
  const std::size_t dot = name.find('.');
  if (dot != std::string::npos)
    name.erase(0, dot + 1);
  const std::size_t parenthesis = name.find('(');
  if (parenthesis != std::string::npos)
    name.erase(parenthesis);
  return name;
}

std::string TraceText(HRESULT code, const char* callText, ICameraHiLevel* camera) {
  std::string text = "SDK: 2.0\r\n";
  std::string line;
  const _brantel_take_error error(code);
  FormatStdString(line, "ERROR: %s(0x%X) produced by %s\r\n", error.ErrorMessage(),
                  static_cast<unsigned>(code), OperationName(callText).c_str());
  text += line;
  if (camera)
    text += "Camera: " + cameraText(camera) + "\r\n";
  text += "\r\n";
  return text;
}

void WriteLunetTrace(HRESULT code, const char* callText, ICameraHiLevel* camera) noexcept {
  try {
    std::string text = TraceText(code, callText, camera);
    const std::string diagnostics = diagnosticsText();
    {
      LastDiagnostics& last = lastDiagnostics();
      const std::lock_guard<std::mutex> guard(last.lock);
      if (diagnostics != last.text) {
        text += diagnostics;
        last.text = diagnostics;
      }
    }
    WriteErrorInfo(text.c_str());
  } catch (...) {
    // Tracing never replaces the error being traced.
  }
}

} // namespace tarsel::lunet
