// What a capability detection run calls back on its dialog. False means the
// user stopped the run.
#pragma once

#include "TarselCore_export.h"

class TARSELCORE_EXPORT _ICapabilitiesCallback {
public:
  // Appends the text and a line break to the log and scrolls to its end.
  virtual bool LogLine(const char* text) = 0;
  // The same with four leading blanks.
  virtual bool LogIndentedLine(const char* text) = 0;

protected:
  ~_ICapabilitiesCallback() = default;
};
