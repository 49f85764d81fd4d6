// An exposure-bracketing series of one camera; the camera object owns it.
#pragma once

#include "TarselCore_export.h"

class TARSELCORE_EXPORT IBracketing {
public:
  virtual ~IBracketing() = default;

  // The step count is above 0.
  virtual bool IsEnabled() = 0;
  // Sets the camera to the next value; false after the last step.
  virtual bool NextStep() = 0;
  // Puts the camera's value back.
  virtual void EndSeries() = 0;
  virtual int GetCurrentStep() = 0;
  virtual int GetStepCount() = 0;
};
