#include "app/cameras/canon/CanonCameraChoice.h"

#include "hostapi/ICamSdkSettings.h"
#include "hostapi/ITarselSettings.h"

#include <QCheckBox>
#include <QComboBox>

#include <cstring>

std::string CCanonCameraChoice::StoredChoiceName(CanonCDSDK_Wr& sdk) {
  if (!sdk.GetUserChoiceName().empty())
    return sdk.GetUserChoiceName();
  ITarselSettings* settings = sdk.GetSettings();
  ICamSdkSettings* family = nullptr;
  if (!settings || settings->GetSdkSettings(sdk.GetSdkName(), &family, true) != 0 || !family)
    return {};
  std::string name;
  if (family->GetBool(CanonCDSDK_Wr::kUseChoiceValue, false)) {
    char text[260] = {};
    DWORD size = sizeof text;
    if (family->GetString(CanonCDSDK_Wr::kChoiceNameValue, text, &size) == 0)
      name.assign(text, strnlen(text, sizeof text));
  }
  family->Release();
  return name;
}

bool CCanonCameraChoice::Fill(const CanonCameraList& cameras, const std::string& choiceName, bool use) {
  m_cameras = cameras;
  m_list->clear();
  int selected = m_cameras.cameras.empty() ? -1 : 0;
  for (const CanonSourceInfo& camera : m_cameras.cameras) {
    if (!choiceName.empty() && camera.displayName == choiceName)
      selected = m_list->count();
    m_list->addItem(QString::fromStdString(camera.displayName));
  }
  m_list->setCurrentIndex(selected);
  m_use->setChecked(use);
  return selected >= 0;
}

int CCanonCameraChoice::SelectedPosition() const {
  const int position = m_list->currentIndex();
  return position >= 0 && position < static_cast<int>(m_cameras.cameras.size()) ? position : -1;
}

bool CCanonCameraChoice::Save(CanonCDSDK_Wr& sdk) const {
  const int position = SelectedPosition();
  if (position < 0)
    return false;
  sdk.SaveCameraOfUserChoice(m_cameras.cameras[static_cast<std::size_t>(position)].displayName.c_str(),
                             m_use->isChecked());
  return true;
}
