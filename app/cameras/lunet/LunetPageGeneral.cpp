#include "app/cameras/lunet/LunetPageGeneral.h"

#include "app/settings/SettingsAccess.h"
#include "app/ui/DialogControls.h"
#include "app/ui/UiGuard.h"
#include "hostapi/ICamSdkSettings.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselSettings.h"
#include "hostapi/RefPtr.h"

#include <QCheckBox>
#include <QVBoxLayout>

namespace {

constexpr const char* kCycleLcd = "CycleLCDAfterZoom";

CRefPtr<ICamSdkSettings> FamilySettings(ITarselSettings* settings, const char* sdkName, bool readOnly) {
  CRefPtr<ICamSdkSettings> holder;
  ICamSdkSettings* family = nullptr;
  if (settings && settings->GetSdkSettings(sdkName, &family, readOnly) == 0 && family)
    holder.Attach(family);
  return holder;
}

} // namespace

CLunetPageGeneral::CLunetPageGeneral(QWidget* cameraWindow, ITarselSettings* settings, const char* sdkName)
    : CCameraSettingsPage(QStringLiteral("General"), cameraWindow, "05a_general_options.htm"),
      m_settings(settings), m_sdkName(sdkName) {
  using tarsel::ui::NamedControl;
  auto* layout = new QVBoxLayout(this);
  m_lcdOrPreview = NamedControl(
      new QCheckBox(
          QStringLiteral("Use only &one of: LCD or Preview (when one is selected, turn the other one off)"),
          this),
      2027);
  m_lcdOrPreview->setTristate(true);
  m_cycleLcd = NamedControl(new QCheckBox(QStringLiteral("Briefly turn LCD of and the n on after changing "
                                                         "zoom. Without this on some cameras LCD goes out "
                                                         "of focus."),
                                          this),
                            2067);
  layout->addWidget(m_lcdOrPreview);
  layout->addWidget(m_cycleLcd);
  layout->addStretch(1);
  for (QCheckBox* box : {m_lcdOrPreview, m_cycleLcd})
    tarsel::ui::ConnectGuarded(box, &QCheckBox::clicked, this, [this] { SetModified(); });
}

void CLunetPageGeneral::OnCreate() {
  bool onlyOne = false;
  const CRefPtr<ITarselConfigSettings> user = tarsel::settings::OpenUserSettings(m_settings, true);
  if (user && user->GetLcdOrPreview(&onlyOne) == 0)
    m_lcdOrPreview->setCheckState(onlyOne ? Qt::Checked : Qt::Unchecked);
  else
    m_lcdOrPreview->setCheckState(Qt::PartiallyChecked);
  const CRefPtr<ICamSdkSettings> family = FamilySettings(m_settings, m_sdkName, true);
  m_cycleLcd->setChecked(family && family->GetBool(kCycleLcd, false));
  m_opened = true;
}

void CLunetPageGeneral::OnApply() {
  if (const CRefPtr<ITarselConfigSettings> user = tarsel::settings::OpenUserSettings(m_settings, false)) {
    switch (m_lcdOrPreview->checkState()) {
    case Qt::Unchecked:
      user->SetLcdOrPreview(false);
      break;
    case Qt::Checked:
      user->SetLcdOrPreview(true);
      break;
    case Qt::PartiallyChecked:
      user->ClearLcdOrPreview();
      break;
    }
  }
  if (const CRefPtr<ICamSdkSettings> family = FamilySettings(m_settings, m_sdkName, false))
    family->SetBool(kCycleLcd, m_cycleLcd->isChecked());
}
