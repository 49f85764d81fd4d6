// The camera-link camera as the pages of its camera-settings sheet see it:
// the family-neutral pages' source over one CVeskDllWr, shared with the
// calls in flight. While focusing the camera uses its model's resolution
// (CVeskDllWr::SetModelResolution).
//
// Threads: the camera operations run on the camera window's worker (see
// ICameraSettingsSource). Holds no Qt object. Failure: the camera's errors
// are thrown as _brantel_take_error; a monitor that cannot be switched
// throws its code.
#pragma once

#include "app/cameras/dialogs/ICameraSettingsSource.h"

class CVeskDllWr;

class CVeskCameraSettings : public tarsel::dialogs::ICameraSettingsSource {
public:
  explicit CVeskCameraSettings(CVeskDllWr* camera) : m_camera(camera) {}

  tarsel::dialogs::FocusOpening OpenFocus(bool useMonitor) override;
  void SetFocus(std::int32_t mode, std::int32_t position) override;
  void SetFocusPosition(std::int32_t position) override;
  std::int32_t SetDigitalZoom(std::int32_t value) override;
  std::int32_t GetDigitalZoom() override;
  std::int32_t GetResolution() override;
  void SetResolution(std::int32_t value) override;
  tarsel::dialogs::ZoomOpening OpenZoom(bool useMonitor) override;
  std::pair<std::int32_t, double> SetOpticalZoom(std::int32_t position) override;
  tarsel::dialogs::LcdOpening OpenLcd(bool useMonitor) override;
  void SetLcdBrightness(std::int32_t value) override;
  std::int32_t GetLcdBrightness() override;
  void MonitorOff() override;
  std::string StatusAfter(const std::function<void()>& change) override;
  bool NeedsDigitalZoomReset() const override;

  // The external flash of the general page.
  std::int32_t SetExternalFlash(std::int32_t value);
  std::int32_t GetExternalFlash();
  tarsel::dialogs::CaptureValueList ExternalFlashValues();

private:
  // Switches the monitor on when asked and it is off; true when it did.
  bool UseMonitor(bool useMonitor);

  CVeskDllWr* m_camera;
};
