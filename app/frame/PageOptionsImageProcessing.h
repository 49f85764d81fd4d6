// The Image Processing page of the Options sheet: not displaying pictures
// after capture, and the automatic rotation (0 none, 1 clockwise, 3
// counter-clockwise; any other stored value shows as none).
// User-interface thread only.
#pragma once

#include "app/frame/OptionsPage.h"

class QButtonGroup;
class QCheckBox;

class CPageOptionsImageProcessing : public tarsel::frame::OptionsPage {
  Q_OBJECT

public:
  CPageOptionsImageProcessing(ITarselSettings* settings, IPropSheetCallback* sheet);

private:
  void Store(ITarselConfigSettings& user) override;

  QCheckBox* m_doNotDisplay; // 1065
  QButtonGroup* m_rotation;  // 1050, 1051, 1052 (ids: the stored values 0, 1, 3)
};
