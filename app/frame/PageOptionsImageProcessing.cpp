#include "app/frame/PageOptionsImageProcessing.h"

#include "app/ui/DialogControls.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QVBoxLayout>

using tarsel::ui::NamedControl;

CPageOptionsImageProcessing::CPageOptionsImageProcessing(ITarselSettings* settings, IPropSheetCallback* sheet)
    : OptionsPage(settings, sheet, tr("Image Processing"), "07b_options_dialog_image_processing_tab.htm") {
  auto* layout = new QVBoxLayout(this);
  m_doNotDisplay =
      NamedControl(new QCheckBox(tr("&Do not display pictures after capture (saves time)"), this), 1065);
  layout->addWidget(m_doNotDisplay);
  m_rotation = AddRadios(layout, this,
                         {{1050, 0, QT_TR_NOOP("&No rotation, it is also faster.")},
                          {1051, 1, QT_TR_NOOP("Rotate 90 degrees &clockwise")},
                          {1052, 3, QT_TR_NOOP("Rotate 90 degrees c&ounterclockwise")}});
  layout->addStretch();

  DWORD rotation = 0;
  if (const auto user = ReadSettings()) {
    m_doNotDisplay->setChecked(user->GetDoNotDisplayPicture());
    rotation = user->GetRotation();
  }
  m_rotation->button(rotation == 1 || rotation == 3 ? static_cast<int>(rotation) : 0)->setChecked(true);

  MarksChanged(m_doNotDisplay, &QCheckBox::stateChanged);
}

void CPageOptionsImageProcessing::Store(ITarselConfigSettings& user) {
  user.SetDoNotDisplayPicture(m_doNotDisplay->isChecked());
  if (const int rotation = m_rotation->checkedId(); rotation >= 0)
    user.SetRotation(static_cast<DWORD>(rotation));
}
