// The installation library as the configuration program calls it: loaded by
// name from the program's folder when first needed, each entry bound by
// name. A library or entry that is missing is a failure like any other: the
// call gives the negative code of the loader's Win32 number (126, 127).
// Also the refresh both the quiet mode and the dialog run: "UpdateCameras",
// and when the access must be registered again, "RegisterBrantelVesk" (0).
// One thread.
#pragma once

#include "platform/Module.h"

#include <string>

namespace tarsel::drvconfig {

class CVeskInstCalls {
public:
  // folder: the library's folder, with a trailing separator.
  explicit CVeskInstCalls(std::string folder);

  int UpdateCameras();
  int RegisterBrantelVesk(int reason);
  int UnregisterBrantelVesk(int reason);

  // The refresh: a negative code, or a non-negative one with
  // `reconnectNeeded` telling whether cameras must be connected again.
  int RefreshCameras(bool& reconnectNeeded);

  // The result of a refresh or registration that served every model but the
  // ones it names (RefusedModels).
  static constexpr int kModelsLeftOut = static_cast<int>(0x8007000Du);
  // The refused model names, joined by ", "; empty when the library cannot
  // tell.
  std::string RefusedModels();

private:
  template <class F> F Entry(const char* name);
  int Failure() const;

  std::string m_folder;
  platform::Module m_library;
};

} // namespace tarsel::drvconfig
