#include "savers/common/SaverPropPage.h"

#include "env/HtmlHelp.h"
#include "savers/common/ReportFailures.h"

#include <QShortcut>

namespace tarsel::savers {

SaverPropPage::SaverPropPage(IPropSheetCallback* sheet, const char* title, const char* helpTopic)
    : m_sheet(sheet), m_helpTopic(helpTopic) {
  if (m_sheet)
    m_pageIndex = m_sheet->GetPageCount();
  m_description.dwSize = sizeof m_description;
  m_description.dwFlags = PSP_HASHELP;
  m_description.pszTitle = title;
  m_description.page = this;
  setWindowTitle(QString::fromLatin1(title));
  auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
  connect(f1, &QShortcut::activated, this, &SaverPropPage::Help);
}

SaverPropPage::~SaverPropPage() = default;

bool SaverPropPage::Apply() {
  bool applied = false;
  ReportFailures(this, [this, &applied] { applied = ApplyValues(); });
  return applied;
}

void SaverPropPage::Help() {
  ReportFailures(this, [this] {
    if (!m_help)
      m_help = std::make_unique<CHtmlHelp>();
    m_help->DisplayHelp(nullptr, m_helpTopic);
  });
}

void SaverPropPage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  ReportFailures(this, [this] {
    if (m_sheet)
      m_sheet->OnPageActivated(m_pageIndex);
  });
}

void SaverPropPage::hideEvent(QHideEvent* event) {
  m_help.reset();
  QWidget::hideEvent(event);
}

} // namespace tarsel::savers
