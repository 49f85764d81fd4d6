// The live-preview frame sink. Called on the family's preview thread; the
// receiver takes its own reference to the frame if it keeps it, and only
// hands it over (never touches windows directly). False asks the camera to
// stop delivering frames.
#pragma once

#include "TarselCore_export.h"

class IPictureFromCamera;

class TARSELCORE_EXPORT _ISdkPreviewCallback {
public:
  virtual bool OnPreviewFrame(IPictureFromCamera* frame) = 0;

protected:
  ~_ISdkPreviewCallback() = default;
};
