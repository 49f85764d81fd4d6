// The camera list and the "connect next time" box that the camera selection
// dialog and the family's Options page share: filled from the eligible
// cameras in source order, the user's stored choice pre-selected by its
// display name (else the first entry), the box checked when the stored flag
// is set; the entry chosen is handed back as its position in that list, the
// SDK object maps it to the camera's own source index.
//
// User-interface thread only.
#pragma once

#include "app/cameras/canon/CanonCDSdkWrapper.h"

#include <string>

class QCheckBox;
class QComboBox;

class CCanonCameraChoice {
public:
  // Both controls are the caller's.
  CCanonCameraChoice(QComboBox* list, QCheckBox* useNextTime) : m_list(list), m_use(useNextTime) {}

  // The name the user chose to use every time: the SDK object's, else the
  // one stored in the family settings; empty when none.
  static std::string StoredChoiceName(CanonCDSDK_Wr& sdk);

  // Fills the controls; false (empty list) when no camera is eligible.
  bool Fill(const CanonCameraList& cameras, const std::string& choiceName, bool use);
  // The position of the selected entry; -1 when none.
  int SelectedPosition() const;
  // Stores the selected entry with the box's state; false (nothing stored)
  // when no entry is selected.
  bool Save(CanonCDSDK_Wr& sdk) const;

private:
  QComboBox* m_list;
  QCheckBox* m_use;
  CanonCameraList m_cameras;
};
