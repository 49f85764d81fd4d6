// The "General" page of the camera-link camera-settings sheet: the external
// flash (sent to the camera at once, put back on Cancel) and three options
// stored on OK: taking pictures into the camera's buffer ("BypassMedia"),
// the reminder to refresh the camera-link access for a new camera
// ("DontAskForRefreshBrantelVesk", shown inverted), and the program-wide
// choice of only one of monitor and preview ("LcdOrPreview", three states:
// indeterminate while nothing is stored). User-interface thread only.
#pragma once

#include "app/cameras/dialogs/CameraSettingsSheet.h"

#include <memory>

class CVeskCameraSettings;
class ITarselSettings;
class QCheckBox;
namespace tarsel::dialogs {
class CLcdOrPreviewBox;
}
class QComboBox;

class CVeskPageGeneral : public tarsel::dialogs::CCameraSettingsPage {
  Q_OBJECT

public:
  CVeskPageGeneral(std::shared_ptr<CVeskCameraSettings> source, QWidget* cameraWindow,
                   ITarselSettings* settings);

  void OnApply() override;
  void OnCancel() override;

protected:
  void OnCreate() override;
  void UpdateEnabled() override;

private:
  bool LeavesPicturesInCamera() const;
  void OnBypassMedia();
  void OnExternalFlash();

  std::shared_ptr<CVeskCameraSettings> m_source;
  ITarselSettings* m_settings;
  QComboBox* m_externalFlash = nullptr;
  QCheckBox* m_remindRefresh = nullptr;
  tarsel::dialogs::CLcdOrPreviewBox* m_lcdOrPreview = nullptr;
  QCheckBox* m_bypassMedia = nullptr;
  bool m_updating = false;
  std::int32_t m_flashOnEntry = 0;
  std::int32_t m_flash = 0;
};
