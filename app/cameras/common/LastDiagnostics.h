// A family's diagnostic text as its error-log entries add it: only when it
// differs from the one added last (one object per family for the whole
// process; several camera workers may log at once).
//
// Threads: any.
#pragma once

#include <functional>
#include <mutex>
#include <string>

class IBaseSDK_Wr;

namespace tarsel::cameras {

class CLastDiagnostics {
public:
  // The diagnostic text of the SDK object `sdk` hands out without its
  // header; empty when it hands out none or anything fails.
  static std::string Read(const std::function<IBaseSDK_Wr*()>& sdk);

  // The text to add to an entry: `diagnostics`, or empty when it is the one
  // added last; it becomes the last either way.
  std::string Changed(const std::string& diagnostics);

private:
  std::mutex m_lock;
  std::string m_text;
};

} // namespace tarsel::cameras
