#include "app/frame/PageOptionsGeneral.h"

#include "app/ui/CheckBoxLabel.h"
#include "app/ui/DialogControls.h"
#include "app/ui/UiGuard.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

using tarsel::ui::NamedControl;

namespace {

QColor ColorOf(DWORD colorRef) {
  return QColor(static_cast<int>(colorRef & 0xFF), static_cast<int>((colorRef >> 8) & 0xFF),
                static_cast<int>((colorRef >> 16) & 0xFF));
}

DWORD ColorRefOf(const QColor& color) {
  return static_cast<DWORD>(color.red()) | (static_cast<DWORD>(color.green()) << 8) |
         (static_cast<DWORD>(color.blue()) << 16);
}

// The colour dialog's custom colours live for the program's run: the first
// use in a run starts them white, whatever an earlier run left.
void StartCustomColorsOnce() {
  static bool started = false;
  if (started)
    return;
  started = true;
  for (int i = 0; i < QColorDialog::customCount(); ++i)
    QColorDialog::setCustomColor(i, Qt::white);
}

} // namespace

CPageOptionsGeneral::CPageOptionsGeneral(ITarselSettings* settings, IPropSheetCallback* sheet)
    : OptionsPage(settings, sheet, tr("General"), "07a_options_dialog_general_tab.htm") {
  auto* layout = new QVBoxLayout(this);
  m_deviceNotifications =
      NamedControl(new QCheckBox(tr("&Monitor camera connection and disconnection events"), this), 1063);
  layout->addWidget(m_deviceNotifications);
  layout->addWidget(
      tarsel::ui::WrappedLabel(tr("(This settings will take effect next time you run Tarsel)"), this));
  m_leaveInCamera = NamedControl(new QCheckBox(this), 1069);
  layout->addLayout(tarsel::ui::CheckBoxLabel::Row(
      m_leaveInCamera, tr("&Leave pictures in the camera and use the camera-generated file names (media card "
                          "will eventually get full). This setting is ignored for Time Lapse Photography.")));
  m_lcdOrPreview = NamedControl(
      new QCheckBox(tr("Use only &one of: LCD or Preview (when one is selected, turn the other one off)"),
                    this),
      2027);
  m_lcdOrPreview->setTristate(true);
  layout->addWidget(m_lcdOrPreview);
  auto* colorButton = NamedControl(new QPushButton(tr("Set &Background Color"), this), 2106);
  layout->addWidget(colorButton, 0, Qt::AlignLeft);
  layout->addStretch();

  if (const auto user = ReadSettings()) {
    m_deviceNotifications->setChecked(user->GetUseDeviceNotifications());
    m_leaveInCamera->setChecked(user->GetLeavePictureInCamera());
    bool onlyOne = false;
    if (user->GetLcdOrPreview(&onlyOne) == 0)
      m_lcdOrPreview->setCheckState(onlyOne ? Qt::Checked : Qt::Unchecked);
    else
      m_lcdOrPreview->setCheckState(Qt::PartiallyChecked);
    m_readColor = m_chosenColor = user->GetBackgroundColor();
  } else {
    m_lcdOrPreview->setCheckState(Qt::PartiallyChecked);
  }

  for (QCheckBox* box : {m_deviceNotifications, m_leaveInCamera, m_lcdOrPreview})
    MarksChanged(box, &QCheckBox::stateChanged);
  tarsel::ui::ConnectGuarded(colorButton, &QPushButton::clicked, this, [this] { ChooseColor(); });
}

void CPageOptionsGeneral::ChooseColor() {
  StartCustomColorsOnce();
  QColorDialog dialog(ColorOf(m_chosenColor), this);
  if (dialog.exec() != QDialog::Accepted)
    return;
  m_chosenColor = ColorRefOf(dialog.selectedColor());
  emit changed();
}

void CPageOptionsGeneral::Store(ITarselConfigSettings& user) {
  user.SetUseDeviceNotifications(m_deviceNotifications->isChecked());
  user.SetLeavePictureInCamera(m_leaveInCamera->isChecked());
  if (m_lcdOrPreview->checkState() == Qt::PartiallyChecked)
    user.ClearLcdOrPreview();
  else
    user.SetLcdOrPreview(m_lcdOrPreview->checkState() == Qt::Checked);
  if (m_chosenColor != m_readColor)
    user.SetBackgroundColor(m_chosenColor);
}
