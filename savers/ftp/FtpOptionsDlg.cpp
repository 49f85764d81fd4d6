#include "savers/ftp/FtpOptionsDlg.h"

#include "savers/common/ReportFailures.h"
#include "savers/ftp/FtpMessages.h"
#include "savers/ftp/FtpParamsDlgBase.h"

#include <QDialogButtonBox>
#include <QLineEdit>
#include <QVBoxLayout>

using tarsel::savers::ReportFailures;

CFtpOptionsDlg::CFtpOptionsDlg(QWidget* parent, ITarselSettings* settings, HRESULT code)
    : QDialog(parent), m_params(new CFtpParamsDlgBase(this, settings, false)) {
  setWindowTitle(tr("FTP Options"));
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_params);
  layout->addWidget(buttons);
  connect(buttons, &QDialogButtonBox::accepted, this, &CFtpOptionsDlg::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &CFtpOptionsDlg::reject);

  m_params->FillDialog();
  if (code == tarsel::ftp::ReplyCode(530)) {
    QLineEdit* password = m_params->PasswordEdit();
    password->setFocus();
    password->selectAll();
  }
}

void CFtpOptionsDlg::accept() {
  if (ReportFailures(this, [this] {
        m_params->ReadFromDialog();
        m_params->SaveParams();
      }))
    QDialog::accept();
}
