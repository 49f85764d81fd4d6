#include "savers/ftp/SaveDlg.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QProgressBar>

namespace {

constexpr int kMaxText = 260;
// 13 positions for logging in and changing folder, 100 for the upload.
constexpr int kUploadBase = 13;

} // namespace

CSaveDlg::CSaveDlg(QWidget* parent, ITarselSettings* settings, IPictureFromCamera& picture,
                   const std::string& name)
    : CFtpTransferDlg(parent, settings), m_picture(picture), m_name(name), m_nameEdit(new QLineEdit(this)) {
  m_nameEdit->setObjectName(QStringLiteral("fileName"));
  m_nameEdit->setMaxLength(kMaxText - 1);
  m_nameEdit->setText(QString::fromLocal8Bit(name.c_str()));
  auto* fields = new QFormLayout;
  fields->addRow(tr("&File Name:"), m_nameEdit);
  Open(tr("FTP Picture"), fields, kUploadBase + 100);
}

bool CSaveDlg::PrepareRun() {
  m_name = m_nameEdit->text().toLocal8Bit().left(kMaxText - 1).toStdString();
  return true;
}

void CSaveDlg::UploadCurrent() {
  Upload(m_picture, m_name);
}

int CSaveDlg::UploadProgressBase() const {
  return kUploadBase;
}
