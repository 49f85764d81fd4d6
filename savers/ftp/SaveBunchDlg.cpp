#include "savers/ftp/SaveBunchDlg.h"

#include "hostapi/IPictureFromCamera.h"
#include "hostapi/ISaveInfo.h"
#include "savers/common/SaverNaming.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include <algorithm>

using namespace tarsel::savers;

namespace {

constexpr int kMaxText = 260;
constexpr int kUploadBase = 13;

std::string textOf(const char* text) {
  return text ? std::string(text) : std::string();
}

} // namespace

CSaveBunchDlg::CSaveBunchDlg(QWidget* parent, ITarselSettings* settings, ISaveInfo& info,
                             IPictureFromCamera** pictures, std::int32_t count)
    : CFtpTransferDlg(parent, settings), m_pictures(pictures),
      m_count(count < 0 ? 0 : static_cast<std::size_t>(count)), m_baseEdit(new QLineEdit(this)) {
  m_baseEdit->setObjectName(QStringLiteral("nameBase"));
  m_baseEdit->setMaxLength(kMaxText - 1);
  m_baseEdit->setText(QString::fromLocal8Bit(
      SeriesBase(textOf(info.GetFilePrefix()), info.GetCounter(), info.GetNumDigits()).c_str()));
  auto* suffix = new QLineEdit(QStringLiteral("N.EXT"), this); // 1008
  suffix->setReadOnly(true);
  auto* namesLabel = new QLabel(tr("&File names will be constructed as follows:"), this);
  namesLabel->setBuddy(m_baseEdit);
  auto* fields = new QGridLayout;
  fields->addWidget(namesLabel, 0, 0, 1, 2);
  fields->addWidget(m_baseEdit, 1, 0);
  fields->addWidget(suffix, 1, 1);
  fields->addWidget(new QLabel(tr("N is the number within Series"), this), 2, 0, 1, 2);
  fields->addWidget(new QLabel(tr("EXT is the proper extension"), this), 3, 0, 1, 2);
  // The progress range stays within an int for any series the program can hold.
  const int maximum = static_cast<int>(std::min<std::size_t>(m_count, 20000000)) * 100 + kUploadBase;
  Open(tr("FTP Whole Series"), fields, maximum);
}

bool CSaveBunchDlg::PrepareRun() {
  m_base = m_baseEdit->text().toLocal8Bit().left(kMaxText - 1).toStdString();
  m_baseForNaming = m_base.ends_with('_') ? m_base.substr(0, m_base.size() - 1) : m_base;
  m_index = 0;
  if (m_count == 0) {
    Finish();
    return false;
  }
  return true;
}

void CSaveBunchDlg::UploadCurrent() {
  IPictureFromCamera& picture = *m_pictures[m_index];
  std::string name = m_base + SeriesNumber(m_index, m_count) + textOf(picture.GetExtension());
  if (name.starts_with('\\'))
    name.erase(0, 1);
  Upload(picture, name);
}

void CSaveBunchDlg::UploadEnded() {
  ++m_index;
  if (m_index >= m_count) {
    Finish();
    return;
  }
  ConnectAsAsked();
}

int CSaveBunchDlg::UploadProgressBase() const {
  return static_cast<int>(m_index) * 100 + kUploadBase;
}
