// The ActiveX camera as the pages of its camera-settings sheet see it: the
// family-neutral pages' source over one CLunetWr, shared with the calls in
// flight. While focusing the camera takes its high resolution
// (CLunetWr::SetResolutionHigh).
//
// Threads: the camera operations run on the camera window's worker (see
// ICameraSettingsSource); each batch holds the camera's lock and one
// connection. Holds no Qt object. Failure: the camera's errors are thrown as
// _brantel_take_error; a monitor that cannot be switched throws its code.
#pragma once

#include "app/cameras/dialogs/ICameraSettingsSource.h"

class CLunetWr;

class CLunetCameraSettings : public tarsel::dialogs::ICameraSettingsSource {
public:
  explicit CLunetCameraSettings(CLunetWr* camera) : m_camera(camera) {}

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

private:
  // Switches the monitor on when asked and it is off; true when it did.
  bool UseMonitor(bool useMonitor);

  CLunetWr* m_camera;
};
