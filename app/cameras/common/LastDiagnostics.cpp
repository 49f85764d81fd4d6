#include "app/cameras/common/LastDiagnostics.h"

#include "app/core/IBaseSDK_Wr.h"

namespace tarsel::cameras {

std::string CLastDiagnostics::Read(const std::function<IBaseSDK_Wr*()>& sdk) {
  std::string text;
  try {
    if (IBaseSDK_Wr* object = sdk())
      object->GetDiagnosticText(&text, false);
  } catch (...) {
    text.clear();
  }
  return text;
}

std::string CLastDiagnostics::Changed(const std::string& diagnostics) {
  const std::lock_guard<std::mutex> guard(m_lock);
  if (diagnostics == m_text)
    return {};
  m_text = diagnostics;
  return diagnostics;
}

} // namespace tarsel::cameras
