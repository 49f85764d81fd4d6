#include "app/cameras/lunet/LunetPageGeneral.h"

#include "app/cameras/dialogs/LcdOrPreviewBox.h"
#include "app/settings/SettingsAccess.h"
#include "app/ui/DialogControls.h"
#include "app/ui/UiGuard.h"
#include "hostapi/ICamSdkSettings.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselSettings.h"
#include "hostapi/RefPtr.h"

#include <QCheckBox>
#include <QVBoxLayout>

#include <initializer_list>

namespace {

constexpr const char* kCycleLcd = "CycleLCDAfterZoom";

} // namespace

CLunetPageGeneral::CLunetPageGeneral(QWidget* cameraWindow, ITarselSettings* settings, const char* sdkName)
    : CCameraSettingsPage(QStringLiteral("General"), cameraWindow, "05a_general_options.htm"),
      m_settings(settings), m_sdkName(sdkName) {
  using tarsel::ui::NamedControl;
  auto* layout = new QVBoxLayout(this);
  m_lcdOrPreview = new tarsel::dialogs::CLcdOrPreviewBox(this);
  m_cycleLcd = NamedControl(new QCheckBox(QStringLiteral("Briefly turn LCD of and the n on after changing "
                                                         "zoom. Without this on some cameras LCD goes out "
                                                         "of focus."),
                                          this),
                            2067);
  layout->addWidget(m_lcdOrPreview);
  layout->addWidget(m_cycleLcd);
  layout->addStretch(1);
  for (QCheckBox* box : std::initializer_list<QCheckBox*>{m_lcdOrPreview, m_cycleLcd})
    tarsel::ui::ConnectGuarded(box, &QCheckBox::clicked, this, [this] { SetModified(); });
}

void CLunetPageGeneral::OnCreate() {
  m_lcdOrPreview->Load(m_settings);
  const CRefPtr<ICamSdkSettings> family = tarsel::settings::OpenSdkSettings(m_settings, m_sdkName, true);
  m_cycleLcd->setChecked(family && family->GetBool(kCycleLcd, false));
  m_opened = true;
}

void CLunetPageGeneral::OnApply() {
  m_lcdOrPreview->Save(m_settings);
  if (const CRefPtr<ICamSdkSettings> family = tarsel::settings::OpenSdkSettings(m_settings, m_sdkName, false))
    family->SetBool(kCycleLcd, m_cycleLcd->isChecked());
}
