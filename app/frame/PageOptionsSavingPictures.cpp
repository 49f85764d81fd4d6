#include "app/frame/PageOptionsSavingPictures.h"

#include "app/frame/SpinEdit.h"
#include "app/saving/SaveDllDisplayInfo.h"
#include "app/saving/SaveDllList.h"
#include "app/saving/SaveDllWrapper.h"
#include "app/ui/DialogControls.h"
#include "app/ui/UiGuard.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QVBoxLayout>

using tarsel::ui::NamedControl;

namespace {

constexpr const char* kHelpTopic = "07c_options_dialog_saving_pictures_tab.htm";
constexpr DWORD kTextSize = 261;

QString DisplayName(CSaveDllWrapper* saver, ITarselSettings* settings) {
  CSaveDllDisplayInfo display;
  if (!saver || saver->DisplayInfo(settings, &display) != 0)
    return {};
  return QString::fromUtf8(display.GetName());
}

} // namespace

CPageOptionsSavingPictures::CPageOptionsSavingPictures(ITarselSettings* settings, IPropSheetCallback* sheet,
                                                       CSaveDllList* savers)
    : OptionsPage(settings, sheet, tr("Saving Pictures"), kHelpTopic) {
  auto* layout = new QVBoxLayout(this);
  auto* form = tarsel::ui::NaturalWidthForm();
  m_method = NamedControl(new QComboBox(this), 1077);
  form->addRow(tr("&Method:"), m_method);
  m_digits = NamedControl(new tarsel::frame::SpinEdit(0, 32767, this), 1048);
  form->addRow(tr("&Number of digits in the counter:"), m_digits);
  layout->addLayout(form);
  m_autoSaveAll = NamedControl(
      new QCheckBox(tr("&All-cameras mode: automatically save pictures after capture."), this), 1067);
  m_autoSaveSingle = NamedControl(
      new QCheckBox(tr("&Single Camera mode: automatically save pictures after capture."), this), 1068);
  layout->addWidget(m_autoSaveAll);
  layout->addWidget(m_autoSaveSingle);
  auto* group = new QGroupBox(tr("Use Camera ID as:"), this);
  auto* groupLayout = new QVBoxLayout(group);
  m_camNameUse = AddRadios(groupLayout, group,
                           {{1002, 0, QT_TR_NOOP("&File prefix; put all files into the root folder")},
                            {1003, 1, QT_TR_NOOP("F&older name (create folders as needed)")}});
  m_filePrefix = NamedControl(new QLineEdit(group), 1076);
  auto* prefixForm = tarsel::ui::NaturalWidthForm();
  prefixForm->addRow(tr("File &Prefix:"), m_filePrefix);
  groupLayout->addLayout(prefixForm);
  layout->addWidget(group);
  layout->addStretch();

  char lastMethod[kTextSize] = {};
  DWORD use = 0;
  if (const auto user = ReadSettings()) {
    DWORD size = kTextSize - 1;
    if (user->GetLastMethodOfSaving(lastMethod, &size) != 0)
      lastMethod[0] = '\0';
    m_digits->SetStored(static_cast<int>(user->GetNumDigitsInCounter()));
    m_autoSaveAll->setChecked(user->GetAutoSaveAfterTaking());
    m_autoSaveSingle->setChecked(user->GetAutoSaveAfterTakingSingle());
    use = user->GetCamNameUse();
    char prefix[kTextSize] = {};
    size = kTextSize - 1;
    if (user->GetFilePrefix(prefix, &size) == 0)
      m_storedPrefix = QString::fromUtf8(prefix);
  } else {
    m_digits->SetStored(4);
  }
  FillMethods(savers, lastMethod);
  m_camNameUse->button(use == 1 ? 1 : 0)->setChecked(true);
  OnCamNameUse(use == 1 ? 1 : 0);

  MarksChanged(m_method, &QComboBox::currentIndexChanged);
  MarksChanged(m_digits, &QSpinBox::valueChanged);
  MarksChanged(m_autoSaveAll, &QCheckBox::stateChanged);
  MarksChanged(m_autoSaveSingle, &QCheckBox::stateChanged);
  MarksChanged(m_filePrefix, &QLineEdit::textEdited);
  tarsel::ui::ConnectGuarded(m_camNameUse, &QButtonGroup::idClicked, this,
                             [this](int id) { OnCamNameUse(id); });
}

void CPageOptionsSavingPictures::FillMethods(CSaveDllList* savers, const char* lastMethod) {
  if (!savers)
    return;
  for (std::int32_t i = 0; i < savers->GetCount(); ++i)
    m_method->addItem(DisplayName(savers->GetAt(i), m_settings.get()));
  CSaveDllWrapper* chosen = savers->FindSaver(m_settings.get(), lastMethod);
  if (!chosen)
    chosen = savers->FindSaver(m_settings.get(), nullptr);
  const QString name = DisplayName(chosen, m_settings.get());
  const int index = name.isEmpty() ? -1 : m_method->findText(name, Qt::MatchStartsWith);
  m_method->setCurrentIndex(index);
}

void CPageOptionsSavingPictures::OnCamNameUse(int use) {
  // The prefix edit holds the stored prefix only while it is used.
  m_filePrefix->setText(use == 1 ? m_storedPrefix : QString());
  m_filePrefix->setEnabled(use == 1);
}

bool CPageOptionsSavingPictures::Validate() {
  return m_digits->CheckRange();
}

void CPageOptionsSavingPictures::Store(ITarselConfigSettings& user) {
  if (const QByteArray method = m_method->currentText().toUtf8(); !method.isEmpty())
    user.SetLastMethodOfSaving(method.constData());
  user.SetNumDigitsInCounter(static_cast<DWORD>(m_digits->value()));
  user.SetAutoSaveAfterTaking(m_autoSaveAll->isChecked());
  user.SetAutoSaveAfterTakingSingle(m_autoSaveSingle->isChecked());
  const int use = m_camNameUse->checkedId();
  if (use >= 0)
    user.SetCamNameUse(static_cast<DWORD>(use));
  // With the identifier as file prefix the edit is empty; the user's own
  // prefix is kept for when the folder mode is chosen again.
  if (use == 1) {
    m_storedPrefix = m_filePrefix->text();
    user.SetFilePrefix(m_storedPrefix.toUtf8().constData());
  }
}
