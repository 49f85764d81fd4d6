// The capability test dialog's camera over a camera-link camera object,
// detecting by the shared picture trial (ICapabilityTrialCamera): its
// property operations, capability sets and camera-model file, and the
// camera window that runs the work on its worker.
//
// Threads: RunOnCamera on the user-interface thread; the other members run
// on the camera window's worker, inside the work RunOnCamera queued, on the
// camera the window holds at that time. Failure: the camera object's
// _brantel_take_error; E_FAIL when the window holds no camera-link camera.
#pragma once

#include "app/cameras/dialogs/CapabilityTrialAdapter.h"

class CVeskDllWr;

class CVeskTestCameraCapabilities : public tarsel::dialogs::CCapabilityTrialAdapter<CVeskDllWr> {
public:
  // `window`: the camera window or a widget inside it.
  explicit CVeskTestCameraCapabilities(QWidget* window);

  void PrepareForTest() override;
  void SetSetting(Setting setting, std::int32_t value) override;
  void SetOpticalZoomRange(std::int32_t min, std::int32_t max) override;
  std::vector<CCapabilityEntry> GetDefaultValues(const char* name) override;
  void StoreCapability(const char* name, const std::vector<CCapabilityEntry>& values) override;
  void SaveCapabilities() override;
  std::string GetCapabilityFileName() override;
  void RestoreDefaults() override;
};
