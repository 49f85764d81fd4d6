// The "Optical Zoom Adjustment" page of the camera-settings sheet: a slider
// that moves the lens when a move ends, and a picture taken by the camera
// window from the page. Cancel returns the lens to where it was when the
// page opened (or at the last Apply). User-interface thread only (see
// CCameraSettingsSheet).
#pragma once

#include "app/cameras/dialogs/CameraSettingsSheet.h"
#include "app/cameras/dialogs/ICameraSettingsSource.h"
#include "app/cameras/dialogs/ZoomSlider.h"

#include <cstdint>
#include <memory>

class CButtonTP;
class QPushButton;

namespace tarsel::dialogs {

class CZoomAdjustmentPage : public CCameraSettingsPage {
  Q_OBJECT

public:
  CZoomAdjustmentPage(std::shared_ptr<ICameraSettingsSource> source, QWidget* cameraWindow);

  void OnSetActive() override;
  void OnKillActive() override;
  void OnApply() override;
  void OnCancel() override;

  bool IsBusy() const override { return m_taking || CCameraSettingsPage::IsBusy(); }

protected:
  void OnCreate() override;
  bool event(QEvent* event) override;
  void UpdateEnabled() override;

private:
  void Opened(const ZoomOpening& opening);
  void OnSlider(std::int32_t position);

  std::shared_ptr<ICameraSettingsSource> m_source;
  std::unique_ptr<CZoomSlider> m_zoom;
  CButtonTP* m_take = nullptr;
  QPushButton* m_detect = nullptr;
  bool m_taking = false;
  std::int32_t m_positionOnEntry = -1;
  std::int32_t m_position = -1;
};

} // namespace tarsel::dialogs
