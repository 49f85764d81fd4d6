// The camera-link camera as its capture-properties dialog sees it: the
// family-neutral dialog's source over one CVeskDllWr. Made by the camera
// when it first shows its dialog (CVeskDllWr::ShowCaptureProperties) and
// shared with the calls in flight, so a call the worker still runs keeps it.
//
// Threads: the camera operations run on the camera window's worker (see
// ICapturePropertiesSource); each takes the camera's lock through the
// camera's own operations. Holds no Qt object, so it may end on any thread.
// Failure: the camera's errors are thrown as _brantel_take_error.
#pragma once

#include "app/cameras/dialogs/ICapturePropertiesSource.h"

class CVeskDllWr;

class CVeskCaptureProperties : public tarsel::dialogs::ICapturePropertiesSource {
public:
  // The camera outlives every call (its host's worker runs them).
  explicit CVeskCaptureProperties(CVeskDllWr* camera) : m_camera(camera) {}

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

  // A set's values as the dialogs list them.
  static tarsel::dialogs::CaptureValueList ValuesOf(CVeskDllWr& camera, const char* capability);

private:
  CVeskDllWr* m_camera;
};
