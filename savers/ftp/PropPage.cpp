#include "savers/ftp/PropPage.h"

#include "env/HtmlHelp.h"
#include "savers/common/ReportFailures.h"
#include "savers/ftp/FtpParamsDlgBase.h"

#include <QShortcut>
#include <QVBoxLayout>

using tarsel::savers::ReportFailures;

CPropPage::CPropPage(ITarselSettings* settings, IPropSheetCallback* sheet)
    : m_sheet(sheet), m_params(new CFtpParamsDlgBase(this, settings, false)) {
  if (m_sheet)
    m_pageIndex = m_sheet->GetPageCount();
  m_description.dwSize = sizeof m_description;
  m_description.dwFlags = PSP_HASHELP;
  m_description.pszTitle = "FTP Options";
  m_description.page = this;
  setWindowTitle(QStringLiteral("FTP Options"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_params);
  layout->addStretch(1);

  m_params->FillDialog();
  connect(m_params, &CFtpParamsDlgBase::changed, this, &CPropPage::changed);
  auto* f1 = new QShortcut(QKeySequence::HelpContents, this);
  connect(f1, &QShortcut::activated, this, &CPropPage::Help);
}

CPropPage::~CPropPage() = default;

bool CPropPage::Apply() {
  ReportFailures(this, [this] {
    m_params->ReadFromDialog();
    m_params->SaveParams();
    emit cancelToClose();
  });
  // The sheet closes whatever happened: a failure was shown already.
  return true;
}

void CPropPage::Help() {
  ReportFailures(this, [this] {
    if (!m_help)
      m_help = std::make_unique<CHtmlHelp>();
    m_help->DisplayHelp(nullptr, "07e_ftp_options_tab.htm");
  });
}

void CPropPage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  ReportFailures(this, [this] {
    if (m_sheet)
      m_sheet->OnPageActivated(m_pageIndex);
  });
}

void CPropPage::hideEvent(QHideEvent* event) {
  m_help.reset();
  QWidget::hideEvent(event);
}
