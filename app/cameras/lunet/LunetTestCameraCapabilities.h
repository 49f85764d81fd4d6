// The capability test dialog's camera over the ActiveX camera object,
// detecting by the shared picture trial (ICapabilityTrialCamera): its
// property operations, capability store and model profile, and the camera
// window that runs the work on its worker.
// A value the camera refuses while it is tried counts as not taken; only a
// camera that stops answering ends the run.
//
// Threads: RunOnCamera on the user-interface thread; the other members run
// on the camera window's worker, inside the work RunOnCamera queued, on the
// camera the window holds at that time. Failure: the camera object's
// _brantel_take_error; E_FAIL when the window holds no ActiveX camera.
#pragma once

#include "app/cameras/dialogs/CapabilityTrialAdapter.h"

class CLunetWr;

class CLunetTestCameraCapabilities : public tarsel::dialogs::CCapabilityTrialAdapter<CLunetWr> {
public:
  // `window`: the camera window or a widget inside it.
  explicit CLunetTestCameraCapabilities(QWidget* window);

  // Under the camera's lock and connection.
  Settings ReadSettings() override;
  void WriteSettings(const Settings& settings) override;
  void PrepareForTest() override;
  void SetSetting(Setting setting, std::int32_t value) override;
  void SetOpticalZoomRange(std::int32_t min, std::int32_t max) override;
  std::vector<CCapabilityEntry> GetDefaultValues(const char* name) override;
  void StoreCapability(const char* name, const std::vector<CCapabilityEntry>& values) override;
  void SaveCapabilities() override;
  std::string GetCapabilityFileName() override;
  void RestoreDefaults() override;
};
