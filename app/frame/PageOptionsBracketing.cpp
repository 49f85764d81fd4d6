#include "app/frame/PageOptionsBracketing.h"

#include "app/frame/SpinEdit.h"
#include "app/ui/DialogControls.h"
#include "app/ui/UiGuard.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QFormLayout>
#include <QGroupBox>
#include <QVBoxLayout>

using tarsel::ui::NamedControl;

CPageOptionsBracketing::CPageOptionsBracketing(ITarselSettings* settings, IPropSheetCallback* sheet)
    : OptionsPage(settings, sheet, tr("Bracketing"), "07c_options_dialog_saving_pictures_tab.htm") {
  auto* layout = new QVBoxLayout(this);
  auto* form = tarsel::ui::NaturalWidthForm();
  m_count = NamedControl(new tarsel::frame::SpinEdit(1, 32767, this), 1052);
  form->addRow(tr("&Number of pictures to take:"), m_count);
  layout->addLayout(form);
  m_manualMode = NamedControl(new QGroupBox(tr("When in Manual mode:"), this), 2062);
  auto* groupLayout = new QVBoxLayout(m_manualMode);
  m_param =
      AddRadios(groupLayout, m_manualMode,
                {{2059, 1, QT_TR_NOOP("Change &Exposure Time")}, {2060, 2, QT_TR_NOOP("Change &Aperture")}});
  layout->addWidget(m_manualMode);
  layout->addStretch();

  DWORD param = 1;
  if (const auto user = ReadSettings()) {
    m_count->SetStored(static_cast<int>(user->GetBracketingNumPics()));
    param = user->GetBracketingParam();
  } else {
    m_count->SetStored(0);
  }
  m_param->button(param == 2 ? 2 : 1)->setChecked(true);
  EnableChoice();

  tarsel::ui::ConnectGuarded(m_count, &QSpinBox::valueChanged, this, [this] {
    EnableChoice();
    emit changed();
  });
}

void CPageOptionsBracketing::EnableChoice() {
  m_manualMode->setEnabled(m_count->value() > 1);
}

bool CPageOptionsBracketing::Validate() {
  return m_count->CheckRange();
}

void CPageOptionsBracketing::Store(ITarselConfigSettings& user) {
  user.SetBracketingNumPics(static_cast<DWORD>(m_count->value()));
  if (const int param = m_param->checkedId(); param >= 0)
    user.SetBracketingParam(static_cast<DWORD>(param));
}
