#include "savers/ftp/PropPage.h"

#include "savers/common/ReportFailures.h"
#include "savers/ftp/FtpParamsDlgBase.h"

#include <QVBoxLayout>

using tarsel::savers::ReportFailures;

CPropPage::CPropPage(ITarselSettings* settings, IPropSheetCallback* sheet)
    : SaverPropPage(sheet, "FTP Options", "07e_ftp_options_tab.htm"),
      m_params(new CFtpParamsDlgBase(this, settings, false)) {
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_params);
  layout->addStretch(1);
  m_params->FillDialog();
  connect(m_params, &CFtpParamsDlgBase::changed, this, &CPropPage::changed);
}

bool CPropPage::ApplyValues() {
  ReportFailures(this, [this] {
    m_params->ReadFromDialog();
    m_params->SaveParams();
    emit cancelToClose();
  });
  return true;
}
