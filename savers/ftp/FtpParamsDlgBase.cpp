#include "savers/ftp/FtpParamsDlgBase.h"

#include "platform/Win32Error.h"
#include "savers/common/ReportFailures.h"
#include "savers/ftp/FtpSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <string.h>

using namespace tarsel::ftpsaver;
using tarsel::savers::ReportFailures;

namespace {

constexpr int kMaxText = 260;

std::string localText(const QString& text) {
  return text.toLocal8Bit().left(kMaxText).toStdString();
}

QString qtText(const std::string& text) {
  return QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size()));
}

QLineEdit* boundedEdit(QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setMaxLength(kMaxText);
  return edit;
}

} // namespace

CFtpParamsDlgBase::CFtpParamsDlgBase(QWidget* parent, ITarselSettings* settings, bool saveDialog)
    : QWidget(parent), m_settings(settings), m_serverBox(new QComboBox(this)),
      m_rootFolder(boundedEdit(this)), m_user(boundedEdit(this)), m_password(boundedEdit(this)),
      m_keepPassword(new QCheckBox(saveDialog
                                       ? tr("&Save password on this computer (with reversable encryption)")
                                       : tr("Save password on this computer (using reversable encryption)"),
                                   this)) {
  // Named after what they hold, for tests and accessibility tools.
  m_serverBox->setObjectName(QStringLiteral("server"));
  m_rootFolder->setObjectName(QStringLiteral("rootFolder"));
  m_user->setObjectName(QStringLiteral("userName"));
  m_password->setObjectName(QStringLiteral("password"));
  m_keepPassword->setObjectName(QStringLiteral("savePassword"));
  m_serverBox->setEditable(true);
  m_serverBox->lineEdit()->setMaxLength(kMaxText);
  m_password->setEchoMode(QLineEdit::Password);

  auto* serverGroup = new QGroupBox(tr("Server Info"), this);
  auto* serverForm = new QFormLayout(serverGroup);
  serverForm->addRow(tr("Host name/IP address:"), m_serverBox);
  serverForm->addRow(tr("Root Folder:"), m_rootFolder);
  auto* userGroup = new QGroupBox(tr("User Info"), this);
  auto* userForm = new QFormLayout(userGroup);
  userForm->addRow(tr("User Name:"), m_user);
  userForm->addRow(tr("Password:"), m_password);
  userForm->addRow(m_keepPassword);
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->addWidget(serverGroup);
  layout->addWidget(userGroup);

  connect(m_serverBox, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (index < 0)
      return;
    OnServerSelected(localText(m_serverBox->itemText(index)));
    emit changed();
  });
  connect(m_serverBox, &QComboBox::editTextChanged, this, [this] { emit changed(); });
  connect(m_rootFolder, &QLineEdit::textEdited, this, &CFtpParamsDlgBase::changed);
  connect(m_user, &QLineEdit::textEdited, this, &CFtpParamsDlgBase::changed);
  connect(m_password, &QLineEdit::textEdited, this, &CFtpParamsDlgBase::changed);
  connect(m_keepPassword, &QCheckBox::clicked, this, &CFtpParamsDlgBase::changed);
}

void CFtpParamsDlgBase::FillDialog() {
  ReportFailures(this, [this] {
    const CFtpSettings settings(m_settings.get(), true);
    const QSignalBlocker quiet(m_serverBox);
    for (const std::string& name : settings.ServerNames())
      m_serverBox->addItem(qtText(name));
    if (settings.GetServer().empty())
      return;
    const int found = m_serverBox->findText(qtText(settings.GetServer()), Qt::MatchStartsWith);
    if (found < 0)
      return;
    m_serverBox->setCurrentIndex(found);
    OnServerSelected(localText(m_serverBox->itemText(found)));
  });
}

void CFtpParamsDlgBase::OnServerSelected(const std::string& server) {
  ReportFailures(this, [this, &server] {
    const CFtpSettings settings(m_settings.get(), true);
    CFtpServerSettings serverKey = settings.OpenServerKey(server);
    m_rootDir = serverKey.GetRootDir();
    m_userName = serverKey.GetUserName();
    DWORD size = SecretBuffer::kSize - 1;
    serverKey.GetPassword(m_passwordText.data(), &size);
    m_savePassword = serverKey.GetSavePassword();
    m_server = server;
    m_rootFolder->setText(qtText(m_rootDir));
    m_user->setText(qtText(m_userName));
    m_password->setText(QString::fromLocal8Bit(m_passwordText.c_str()));
    m_keepPassword->setChecked(m_savePassword);
  });
}

void CFtpParamsDlgBase::ReadFromDialog() {
  m_server = localText(m_serverBox->currentText());
  m_rootDir = localText(m_rootFolder->text());
  m_userName = localText(m_user->text());
  QByteArray password = m_password->text().toLocal8Bit();
  m_passwordText.Assign(password.constData());
  explicit_bzero(password.data(), static_cast<std::size_t>(password.size()));
  m_savePassword = m_keepPassword->isChecked();
}

void CFtpParamsDlgBase::SaveParams() {
  CFtpSettings settings(m_settings.get(), false);
  settings.SetServer(m_server);
  // Without a server there is no sub-key to keep its values in.
  if (m_server.empty())
    return;
  CFtpServerSettings serverKey = settings.OpenServerKey(m_server);
  serverKey.SetRootDir(m_rootDir);
  serverKey.SetUserName(m_userName);
  serverKey.StorePassword(m_passwordText.c_str(), m_savePassword);
}
