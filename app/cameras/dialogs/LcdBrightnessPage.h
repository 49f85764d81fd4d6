// The "LCD Brightness" page of the camera-settings sheet: a slider that
// sets the brightness of the camera's monitor when a move ends. The page
// switches the monitor on (holding the live preview meanwhile) when it is
// off, and off again (releasing the preview) when it is left or cancelled.
// Cancel puts back the brightness of the opening or of the last Apply. A
// model without a brightness range leaves the slider disabled.
// User-interface thread only (see CCameraSettingsSheet).
#pragma once

#include "app/cameras/dialogs/CameraSettingsSheet.h"
#include "app/cameras/dialogs/ICameraSettingsSource.h"

#include <memory>

class QLabel;
class QLineEdit;
class QSlider;

namespace tarsel::dialogs {

class CLcdBrightnessPage : public CCameraSettingsPage {
  Q_OBJECT

public:
  CLcdBrightnessPage(std::shared_ptr<ICameraSettingsSource> source, QWidget* cameraWindow);

  void OnSetActive() override;
  void OnKillActive() override;
  void OnApply() override;
  void OnCancel() override;

protected:
  void OnCreate() override;
  void UpdateEnabled() override;

private:
  void Opened(const LcdOpening& opening);
  void OnSlider();
  // Switches the monitor off again when this page switched it on.
  void GiveMonitorBack(std::int32_t restoreBrightness);

  std::shared_ptr<ICameraSettingsSource> m_source;
  QSlider* m_slider = nullptr;
  QLineEdit* m_value = nullptr;
  QLabel* m_min = nullptr;
  QLabel* m_max = nullptr;
  bool m_rangeKnown = false;
  bool m_updating = false;
  bool m_active = false;
  std::int32_t m_brightnessOnEntry = 0;
};

} // namespace tarsel::dialogs
