#include "app/cameras/dialogs/LcdOrPreviewBox.h"

#include "app/settings/SettingsAccess.h"
#include "app/ui/DialogControls.h"

namespace tarsel::dialogs {

CLcdOrPreviewBox::CLcdOrPreviewBox(QWidget* parent)
    : QCheckBox(
          QStringLiteral("Use only &one of: LCD or Preview (when one is selected, turn the other one off)"),
          parent) {
  tarsel::ui::NamedControl(this, 2027);
  setTristate(true);
}

void CLcdOrPreviewBox::Load(ITarselSettings* settings) {
  bool onlyOne = false;
  const CRefPtr<ITarselConfigSettings> user = tarsel::settings::OpenUserSettings(settings, true);
  if (user && user->GetLcdOrPreview(&onlyOne) == 0)
    setCheckState(onlyOne ? Qt::Checked : Qt::Unchecked);
  else
    setCheckState(Qt::PartiallyChecked);
}

void CLcdOrPreviewBox::Save(ITarselSettings* settings) const {
  const CRefPtr<ITarselConfigSettings> user = tarsel::settings::OpenUserSettings(settings, false);
  if (!user)
    return;
  switch (checkState()) {
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

} // namespace tarsel::dialogs
