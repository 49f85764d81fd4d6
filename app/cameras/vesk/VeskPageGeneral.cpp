#include "app/cameras/vesk/VeskPageGeneral.h"

#include "app/cameras/dialogs/LcdOrPreviewBox.h"
#include "app/cameras/vesk/VeskCameraSettings.h"
#include "app/cameras/vesk/VeskDriverSetup.h"
#include "app/core/StringIds.h"
#include "app/settings/SettingsAccess.h"
#include "app/ui/DialogControls.h"
#include "app/ui/MessageQuestion.h"
#include "app/ui/SelectComboItemByData.h"
#include "app/ui/UiGuard.h"
#include "hostapi/ICamSdkSettings.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselSettings.h"
#include "hostapi/RefPtr.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QVBoxLayout>

#include <initializer_list>

namespace {

constexpr const char* kSettingsKey = "BRANTEL_SDK3.4";
constexpr const char* kBypassMedia = "BypassMedia";

CRefPtr<ICamSdkSettings> FamilySettings(ITarselSettings* settings, bool readOnly) {
  return tarsel::settings::OpenSdkSettings(settings, kSettingsKey, readOnly);
}

CRefPtr<ITarselConfigSettings> UserSettings(ITarselSettings* settings, bool readOnly) {
  return tarsel::settings::OpenUserSettings(settings, readOnly);
}

} // namespace

CVeskPageGeneral::CVeskPageGeneral(std::shared_ptr<CVeskCameraSettings> source, QWidget* cameraWindow,
                                   ITarselSettings* settings)
    : CCameraSettingsPage(QStringLiteral("General"), cameraWindow, "05a_general_options.htm"),
      m_source(std::move(source)), m_settings(settings) {
  using tarsel::ui::NamedControl;
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  m_externalFlash = NamedControl(new QComboBox(this), 2093);
  form->addRow(QStringLiteral("&External Flash:"), m_externalFlash);
  layout->addLayout(form);
  m_remindRefresh = NamedControl(
      new QCheckBox(QStringLiteral("Remind to run BrantelVesk.sys Configuration every time a new camera is "
                                   "configured for use with Tarsel (on Vista run it automatically)"),
                    this),
      2107);
  m_lcdOrPreview = new tarsel::dialogs::CLcdOrPreviewBox(this);
  m_bypassMedia = NamedControl(
      new QCheckBox(
          QStringLiteral("Take pictures in &buffer bypassing media - saves time (if camera supports it)"),
          this),
      2019);
  for (QCheckBox* box : std::initializer_list<QCheckBox*>{m_remindRefresh, m_lcdOrPreview, m_bypassMedia})
    layout->addWidget(box);
  layout->addStretch(1);
  tarsel::ui::ConnectGuarded(m_remindRefresh, &QCheckBox::clicked, this, [this] { SetModified(); });
  tarsel::ui::ConnectGuarded(m_lcdOrPreview, &QCheckBox::clicked, this, [this] { SetModified(); });
  tarsel::ui::ConnectGuarded(m_bypassMedia, &QCheckBox::clicked, this, [this] { OnBypassMedia(); });
  tarsel::ui::ConnectGuarded(m_externalFlash, &QComboBox::currentIndexChanged, this,
                             [this] { OnExternalFlash(); });
}

bool CVeskPageGeneral::LeavesPicturesInCamera() const {
  const CRefPtr<ITarselConfigSettings> user = UserSettings(m_settings, true);
  return user && user->GetLeavePictureInCamera();
}

void CVeskPageGeneral::OnCreate() {
  const CRefPtr<ICamSdkSettings> family = FamilySettings(m_settings, true);
  m_bypassMedia->setChecked(family && family->GetBool(kBypassMedia, false) && !LeavesPicturesInCamera());
  m_remindRefresh->setChecked(!(family && family->GetBool(tarsel::vesk::kDontAskForRefreshValue, false)));
  m_lcdOrPreview->Load(m_settings);

  struct Flash {
    std::int32_t value = 0;
    tarsel::dialogs::CaptureValueList values;
  };
  auto flash = std::make_shared<Flash>();
  Calls().Run(
      [source = m_source, flash] {
        flash->value = source->GetExternalFlash();
        flash->values = source->ExternalFlashValues();
      },
      [this, flash] {
        m_flashOnEntry = m_flash = flash->value;
        const bool updating = std::exchange(m_updating, true);
        for (const auto& [id, label] : flash->values.values)
          m_externalFlash->addItem(QString::fromStdString(label), id);
        SelectComboItemByData(m_externalFlash, flash->value);
        m_updating = updating;
        m_opened = true;
        UpdateEnabled();
      });
  UpdateEnabled();
}

void CVeskPageGeneral::UpdateEnabled() {
  m_externalFlash->setEnabled(!IsBusy() && m_externalFlash->count() > 0);
}

void CVeskPageGeneral::OnExternalFlash() {
  if (m_updating || m_externalFlash->currentIndex() < 0)
    return;
  const std::int32_t value = m_externalFlash->currentData().toInt();
  auto read = std::make_shared<std::int32_t>(value);
  Calls().Run([source = m_source, value, read] { *read = source->SetExternalFlash(value); },
              [this, read] {
                m_flash = *read;
                const bool updating = std::exchange(m_updating, true);
                SelectComboItemByData(m_externalFlash, *read);
                m_updating = updating;
              });
  SetModified();
}

void CVeskPageGeneral::OnBypassMedia() {
  if (m_bypassMedia->isChecked() && LeavesPicturesInCamera()) {
    m_bypassMedia->setChecked(false);
    tarsel::ui::AskUser(this, tarsel::core::ids::IDS_BYPASS_MEDIA_CONFLICT, tarsel::ui::Buttons::Ok,
                        tarsel::ui::Icon::Information);
    return;
  }
  SetModified();
}

void CVeskPageGeneral::OnApply() {
  m_lcdOrPreview->Save(m_settings);
  if (const CRefPtr<ICamSdkSettings> family = FamilySettings(m_settings, false)) {
    family->SetBool(kBypassMedia, m_bypassMedia->isChecked());
    family->SetBool(tarsel::vesk::kDontAskForRefreshValue, !m_remindRefresh->isChecked());
  }
  m_flashOnEntry = m_flash;
}

void CVeskPageGeneral::OnCancel() {
  if (!m_opened || m_flash == m_flashOnEntry)
    return;
  const std::int32_t flash = m_flashOnEntry;
  Calls().Run([source = m_source, flash] { source->SetExternalFlash(flash); }, {});
}
