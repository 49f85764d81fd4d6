// The ActiveX camera as its capture-properties dialog sees it: the
// family-neutral dialog's source over one CLunetWr, filled from the family's
// value tables. Made by the camera when it first shows its dialog
// (CLunetWr::ShowCaptureProperties) and shared with the calls in flight.
//
// Threads: the camera operations run on the camera window's worker (see
// ICapturePropertiesSource); each batch holds the camera's lock and one
// connection, so the control is not reset between its calls. Holds no Qt
// object. Failure: the camera's errors are thrown as _brantel_take_error.
#pragma once

#include "app/cameras/dialogs/ICapturePropertiesSource.h"

#include <string>

class CLunetWr;

class CLunetCaptureProperties : public tarsel::dialogs::ICapturePropertiesSource {
public:
  // The settings sheet's page that "Manual" focus opens: the focus page, its first.
  static constexpr std::int32_t kFocusPage = 0;

  explicit CLunetCaptureProperties(CLunetWr* camera) : m_camera(camera) {}

  tarsel::dialogs::CaptureSnapshot ReadAll() override;
  tarsel::dialogs::ZoomAndFocus ReadZoomAndFocus() override;
  tarsel::dialogs::ExposureBlock SetExposure(const tarsel::dialogs::ExposureBlock& block) override;
  std::int32_t SetValue(tarsel::dialogs::CaptureList list, std::int32_t value) override;
  std::int32_t GetValue(tarsel::dialogs::CaptureList list) override;
  std::pair<std::int32_t, double> SetOpticalZoom(std::int32_t position) override;
  void SetFocusMode(std::int32_t mode) override;
  void SetDigitalZoom(std::int32_t value) override;
  std::string StatusLine() override;

  bool UsesAperture(std::int32_t mode) const override;
  bool UsesExposureTime(std::int32_t mode) const override;
  bool UsesExpoBias(std::int32_t mode) const override;
  std::int32_t SettingsPage(tarsel::dialogs::SettingsPageFor request) const override;

  // A capability's values as the dialogs list them.
  static tarsel::dialogs::CaptureValueList ValuesOf(CLunetWr& camera, const char* capability);

private:
  CLunetWr* m_camera;
};
