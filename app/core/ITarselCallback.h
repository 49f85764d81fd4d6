// The camera window as a camera sees it. Called on the user-interface thread.
#pragma once

#include "TarselCore_export.h"

class TARSELCORE_EXPORT _ITarselCallback {
public:
  // The window answers true.
  virtual bool QueryContinue(int reason) = 0;
  // Shows the camera's status line in the window's status pane.
  virtual bool SetStatusText(const char* text) = 0;
  // Holds (true) or releases (false) the camera's live preview.
  virtual void SuspendPreview(bool suspend) = 0;

protected:
  ~_ITarselCallback() = default;
};
