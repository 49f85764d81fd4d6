#include "app/frame/OptionsPage.h"

#include "app/settings/SettingsAccess.h"
#include "app/ui/DialogControls.h"
#include "app/ui/UiGuard.h"
#include "env/HtmlHelp.h"
#include "hostapi/IPropSheetCallback.h"

#include <QBoxLayout>
#include <QButtonGroup>
#include <QRadioButton>
#include <QShortcut>

namespace tarsel::frame {

OptionsPage::OptionsPage(ITarselSettings* settings, IPropSheetCallback* sheet, const QString& title,
                         const char* helpTopic, QWidget* parent)
    : QWidget(parent), m_settings(settings), m_sheet(sheet), m_helpTopic(helpTopic) {
  if (m_sheet)
    m_pageIndex = m_sheet->GetPageCount();
  setWindowTitle(title);
  auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
  f1->setContext(Qt::WidgetWithChildrenShortcut);
  connect(f1, &QShortcut::activated, this, &OptionsPage::Help);
}

OptionsPage::~OptionsPage() = default;

CRefPtr<ITarselConfigSettings> OptionsPage::ReadSettings() const {
  return tarsel::settings::OpenUserSettings(m_settings.get(), true);
}

QButtonGroup* OptionsPage::AddRadios(QBoxLayout* layout, QWidget* parent,
                                     std::initializer_list<Radio> radios) {
  auto* group = new QButtonGroup(this);
  for (const Radio& radio : radios) {
    auto* button = tarsel::ui::NamedControl(new QRadioButton(tr(radio.text), parent), radio.controlId);
    group->addButton(button, radio.value);
    layout->addWidget(button);
  }
  MarksChanged(group, &QButtonGroup::idClicked);
  return group;
}

bool OptionsPage::Apply() {
  bool applied = false;
  tarsel::ui::Guard(this, [this, &applied] {
    if (!Validate())
      return;
    if (const auto user = tarsel::settings::OpenUserSettings(m_settings.get(), false))
      Store(*user);
    applied = true;
    emit cancelToClose();
  });
  return applied;
}

void OptionsPage::Help() {
  tarsel::ui::Guard(this, [this] {
    if (!m_help)
      m_help = std::make_unique<CHtmlHelp>();
    m_help->DisplayHelp(static_cast<HWND>(static_cast<QWidget*>(this)), m_helpTopic);
  });
}

void OptionsPage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  tarsel::ui::Guard(this, [this] {
    if (m_sheet)
      m_sheet->OnPageActivated(m_pageIndex);
  });
}

void OptionsPage::hideEvent(QHideEvent* event) {
  m_help.reset();
  QWidget::hideEvent(event);
}

} // namespace tarsel::frame
