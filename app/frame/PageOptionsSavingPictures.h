// The Saving Pictures page of the Options sheet: the saver used for saving
// (the loaded savers by display name), the digits of the counter, automatic
// saving in all-cameras and single-camera mode, and how the camera's
// identifier is used (file prefix, or folder name with a file prefix of the
// user's). A number of digits outside 0..32767 that the user typed is
// refused on apply. User-interface thread only.
#pragma once

#include "app/frame/OptionsPage.h"

#include <QString>

class CSaveDllList;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;

namespace tarsel::frame {
class SpinEdit;
}

class CPageOptionsSavingPictures : public tarsel::frame::OptionsPage {
  Q_OBJECT

public:
  // savers: the program's saver list, or null (the method list stays empty).
  CPageOptionsSavingPictures(ITarselSettings* settings, IPropSheetCallback* sheet, CSaveDllList* savers);

private:
  void FillMethods(CSaveDllList* savers, const char* lastMethod);
  void OnCamNameUse(int use);
  bool Validate() override;
  void Store(ITarselConfigSettings& user) override;

  QComboBox* m_method;               // 1077
  tarsel::frame::SpinEdit* m_digits; // 1048 with spin 1049
  QCheckBox* m_autoSaveAll;          // 1067
  QCheckBox* m_autoSaveSingle;       // 1068
  QButtonGroup* m_camNameUse;        // 1002, 1003 (ids: the stored values 0, 1)
  QLineEdit* m_filePrefix;           // 1076
  QString m_storedPrefix;
};
