// The "General" page of the ActiveX camera's settings sheet: two options
// stored on OK, the program-wide choice of only one of monitor and preview
// ("LcdOrPreview", three states: indeterminate while nothing is stored, and
// applying it indeterminate deletes the value) and the family's
// "CycleLCDAfterZoom", which CLunetWr::SetPropOpticalZoom reads. A key that
// cannot be opened leaves its box as it starts and is skipped on OK.
// User-interface thread only; the page never calls the camera.
#pragma once

#include "app/cameras/dialogs/CameraSettingsSheet.h"

class ITarselSettings;
class QCheckBox;
namespace tarsel::dialogs {
class CLcdOrPreviewBox;
}

class CLunetPageGeneral : public tarsel::dialogs::CCameraSettingsPage {
  Q_OBJECT

public:
  // `sdkName` names the family's settings key; `settings` may be null.
  CLunetPageGeneral(QWidget* cameraWindow, ITarselSettings* settings, const char* sdkName);

  void OnApply() override;

protected:
  void OnCreate() override;

private:
  ITarselSettings* m_settings;
  const char* m_sdkName;
  tarsel::dialogs::CLcdOrPreviewBox* m_lcdOrPreview = nullptr;
  QCheckBox* m_cycleLcd = nullptr;
};
