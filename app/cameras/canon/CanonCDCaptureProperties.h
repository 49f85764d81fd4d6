// The Canon camera as its capture-properties dialog sees it: the
// family-neutral dialog's source over one CanonCD_Wr, with the family's AF
// distance list and AF lock box and without focus-mode radios. A value the
// camera refuses is not an error: the camera keeps the one it had, which the
// dialog reads back and shows with a beep. Made by the
// camera when it first shows its dialog (CanonCD_Wr::ShowCaptureProperties)
// and shared with the calls in flight.
//
// Threads: the camera operations run on the camera window's worker (see
// ICapturePropertiesSource); each takes the camera's lock through the
// camera's own operations. Holds no Qt object. Failure: the camera's codes
// are thrown as _brantel_take_error.
#pragma once

#include "app/cameras/dialogs/ICapturePropertiesSource.h"

#include <array>
#include <atomic>
#include <cstdint>

class CanonCD_Wr;

class CCanonCDCaptureProperties : public tarsel::dialogs::ICapturePropertiesSource {
public:
  // The camera outlives every call (its host's worker runs them).
  explicit CCanonCDCaptureProperties(CanonCD_Wr* camera) : m_camera(camera) {}

  tarsel::dialogs::CaptureSnapshot ReadAll() override;
  tarsel::dialogs::ZoomAndFocus ReadZoomAndFocus() override;
  tarsel::dialogs::ExposureBlock SetExposure(const tarsel::dialogs::ExposureBlock& block) override;
  std::int32_t SetValue(tarsel::dialogs::CaptureList list, std::int32_t value) override;
  std::int32_t GetValue(tarsel::dialogs::CaptureList list) override;
  std::pair<std::int32_t, double> SetOpticalZoom(std::int32_t position) override;
  void SetFocusMode(std::int32_t) override {}
  void SetDigitalZoom(std::int32_t value) override;
  std::string StatusLine() override;
  bool SetAfLock(bool locked) override;

  bool UsesAperture(std::int32_t mode) const override;
  bool UsesExposureTime(std::int32_t mode) const override;
  bool UsesExpoBias(std::int32_t mode) const override;
  unsigned Features() const override;
  // The camera's settings are the fine zoom dialog alone.
  std::int32_t SettingsPage(tarsel::dialogs::SettingsPageFor) const override { return 0; }

private:
  tarsel::dialogs::ExposureBlock ReadExposure();
  CanonCD_Wr* m_camera;
  // Which exposure values each program mode lets the user set, read on the
  // worker with the values: the dialog asks on its own thread, where the
  // camera's capability sets may be rebuilt by a detection at the same time.
  static constexpr std::size_t kModeCount = 16;
  static constexpr std::uint8_t kApertureSettable = 1, kTimeSettable = 2, kBiasSettable = 4;
  std::array<std::atomic<std::uint8_t>, kModeCount> m_settable{};
  void ReadSettable();
  bool Settable(std::int32_t mode, std::uint8_t what) const;
};
