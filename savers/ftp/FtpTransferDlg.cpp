#include "savers/ftp/FtpTransferDlg.h"

#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"
#include "hostapi/IPictureFromCamera.h"
#include "platform/Win32Error.h"
#include "savers/common/ReportFailures.h"
#include "savers/ftp/FtpParamsDlgBase.h"
#include "savers/ftp/FtpSession.h"
#include "savers/ftp/FtpSessionEvent.h"
#include "savers/ftp/SharedSession.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

using namespace tarsel::ftpsaver;
using tarsel::savers::ReportFailures;

namespace {

constexpr int kPositionStarted = 2;
constexpr int kPositionConnected = 6;
constexpr int kPositionDirectoryChanged = 8;
constexpr int kPositionDone = 12;

// Turns the "\" a user may type into the "/" of FTP paths.
std::string ftpPath(std::string text) {
  for (char& c : text) {
    if (c == '\\')
      c = '/';
  }
  return text;
}

} // namespace

CFtpTransferDlg::CFtpTransferDlg(QWidget* parent, ITarselSettings* settings)
    : QDialog(parent), m_params(new CFtpParamsDlgBase(this, settings, true)),
      m_progress(new QProgressBar(this)),
      m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this)) {
  m_progress->setTextVisible(false);
  m_progress->setValue(0);
  connect(m_buttons, &QDialogButtonBox::accepted, this, &CFtpTransferDlg::accept);
  connect(m_buttons, &QDialogButtonBox::rejected, this, &CFtpTransferDlg::reject);
}

CFtpTransferDlg::~CFtpTransferDlg() {
  SetBusy(false);
  try {
    SharedSession shared;
    if (CFtpSession* session = shared.Existing())
      session->Detach(this);
  } catch (...) {
    // The session stays with nothing to tell.
  }
}

void CFtpTransferDlg::Open(const QString& caption, QLayout* fields, int progressMaximum) {
  setWindowTitle(caption);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(m_params);
  if (fields)
    layout->addLayout(fields);
  layout->addWidget(m_progress);
  layout->addWidget(m_buttons);
  m_progress->setRange(0, progressMaximum);
  m_params->FillDialog();
  ReportFailures(this, [this] { Session(); });
}

CFtpSession& CFtpTransferDlg::Session() {
  SharedSession shared;
  return shared.Use(false, this);
}

void CFtpTransferDlg::SetBusy(bool busy) {
  if (busy == m_busy)
    return;
  m_busy = busy;
  m_buttons->button(QDialogButtonBox::Ok)->setEnabled(!busy);
  if (busy) {
    QApplication::setOverrideCursor(Qt::BusyCursor);
  } else {
    QApplication::restoreOverrideCursor();
    m_progress->setValue(0);
  }
}

void CFtpTransferDlg::AdvanceTo(int position) {
  // Later pictures of a series pass these steps again: the bar never runs back.
  m_progress->setValue(std::max(m_progress->value(), position));
}

void CFtpTransferDlg::Failed(HRESULT code) {
  SetBusy(false);
  ReportError(code, this);
}

void CFtpTransferDlg::accept() {
  if (m_busy)
    return;
  const bool started = ReportFailures(this, [this] {
    m_params->ReadFromDialog();
    if (!PrepareRun())
      return;
    m_progress->setValue(kPositionStarted);
    m_reusedConnection = false;
    SetBusy(true);
    ConnectAsAsked();
  });
  if (!started)
    SetBusy(false);
}

void CFtpTransferDlg::ConnectAsAsked() {
  CFtpSession& session = Session();
  if (!session.IsConnected()) {
    ThrowIfFailed(session.Connect(m_params->m_server.c_str(), m_params->m_userName.c_str(),
                                  m_params->m_passwordText.c_str()));
    return;
  }
  if (session.IsSameServerAndUser(m_params->m_server.c_str(), m_params->m_userName.c_str())) {
    m_reusedConnection = true;
    OnNotify(tarsel::ftp::NotifyState, tarsel::ftp::NotifyConnected);
    return;
  }
  m_pending = Pending::ConnectAgain;
  ThrowIfFailed(session.Quit());
}

void CFtpTransferDlg::Upload(IPictureFromCamera& picture, const std::string& name) {
  ThrowIfFailed(Session().Upload(picture.GetData(), picture.GetDataSize(), ftpPath(name).c_str()));
}

void CFtpTransferDlg::Finish() {
  AdvanceTo(kPositionDone);
  m_params->SaveParams();
  SetBusy(false);
  QDialog::accept();
}

void CFtpTransferDlg::reject() {
  const bool done = ReportFailures(this, [this] {
    SharedSession shared;
    CFtpSession* session = shared.Existing();
    if (session && session->IsBusy()) {
      m_pending = Pending::Close;
      CFtpSession& posted = shared.Use(false, this);
      // No upload may be running (a log-in, a folder change): only the log-out then.
      posted.Abort();
      ThrowIfFailed(posted.Quit());
      return;
    }
    // Idle: log out only when there is a connection to leave.
    if (session && session->IsConnected())
      shared.Use(false, this).Quit();
    SetBusy(false);
    QDialog::reject();
  });
  if (!done) {
    SetBusy(false);
    QDialog::reject();
  }
}

void CFtpTransferDlg::customEvent(QEvent* event) {
  if (event->type() != WM_FTP_SESSION_NOTIFY) {
    QDialog::customEvent(event);
    return;
  }
  const auto* notice = static_cast<const CFtpSessionEvent*>(event);
  if (!ReportFailures(this, [&] { OnNotify(notice->wParam(), notice->lParam()); }))
    SetBusy(false);
}

void CFtpTransferDlg::OnNotify(std::intptr_t kind, std::intptr_t value) {
  using namespace tarsel::ftp;
  if (kind == NotifyProgress) {
    m_progress->setValue(UploadProgressBase() + static_cast<int>(value));
    return;
  }
  if (kind != NotifyState) {
    if (m_pending == Pending::Close) {
      // The failure of what Cancel cut off: nothing left to tell.
      SetBusy(false);
      QDialog::reject();
      return;
    }
    Failed(static_cast<HRESULT>(value));
    return;
  }
  switch (value) {
  case NotifyConnected:
    if (!m_busy)
      return;
    AdvanceTo(kPositionConnected);
    // A new connection starts in the home folder, whichever picture is next.
    if ((EntersRootFolder() || !std::exchange(m_reusedConnection, false)) && !m_params->m_rootDir.empty()) {
      ThrowIfFailed(Session().ChangeDir(ftpPath(m_params->m_rootDir).c_str()));
      return;
    }
    UploadCurrent();
    return;
  case NotifyDirectoryChanged:
    if (!m_busy)
      return;
    AdvanceTo(kPositionDirectoryChanged);
    UploadCurrent();
    return;
  case NotifyUploadEnded:
    if (m_busy)
      UploadEnded();
    return;
  case NotifyDisconnected:
    if (m_pending == Pending::ConnectAgain) {
      m_pending = Pending::None;
      ConnectAsAsked();
    } else if (m_pending == Pending::Close) {
      m_pending = Pending::None;
      SetBusy(false);
      QDialog::reject();
    } else {
      SetBusy(false);
    }
    return;
  default: // worker ended, upload aborted
    if (m_pending != Pending::Close)
      SetBusy(false);
    return;
  }
}
