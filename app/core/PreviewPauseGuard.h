// Holds the main window's "busy" state for a scope: while a dialog refills
// itself or a camera operation runs, the live-preview window stops taking
// frames. The main frame registers itself as the listener for as long as it
// exists; without one the guard does nothing. The listener is called on the
// thread that creates and destroys the guard (the user-interface thread).
#pragma once

#include "TarselCore_export.h"

class TARSELCORE_EXPORT IPreviewBusyListener {
public:
  virtual ~IPreviewBusyListener() = default;
  virtual void NotifyPreviewBusy(bool busy) = 0;
};

class TARSELCORE_EXPORT CPreviewPauseGuard {
public:
  CPreviewPauseGuard();
  ~CPreviewPauseGuard();
  CPreviewPauseGuard(const CPreviewPauseGuard&) = delete;
  CPreviewPauseGuard& operator=(const CPreviewPauseGuard&) = delete;

  // The main frame registers itself (null when it goes away).
  static void SetListener(IPreviewBusyListener* listener);

private:
  IPreviewBusyListener* m_paused = nullptr;
};
