#include "app/cameras/dialogs/CapabilityTrialCamera.h"

#include "app/cameras/dialogs/CapabilityTrial.h"

ICapabilityTestCamera::DetectionResult ICapabilityTrialCamera::Detect(const DetectionRun& run) {
  const std::int32_t whiteBalance = run.saved ? run.saved->whiteBalance : GetSetting(Setting::WhiteBalance);
  CCapabilityTrial trial(*this, run.log, whiteBalance, run.stop, run.resolutionSettle);
  DetectionResult result;
  result.completed = trial.Run() == CCapabilityTrial::Outcome::Completed;
  result.fileName = trial.FileName();
  return result;
}
