// What the two FTP save dialogs share: the parameters editor, a progress
// bar, OK and Cancel, and the run that OK starts: log in (or reuse the
// session's connection to the same server and user), enter the root folder,
// upload picture after picture, store the parameters and close. The session
// runs in posted mode towards the dialog, which goes on step by step as the
// session's notifications arrive and never waits for an exchange.
//
// A failure shows the error box and leaves the dialog open and idle for
// another try. Cancel during a run aborts the upload, logs out and closes
// once the session reports the disconnection.
//
// User-interface thread only; every handler catches its failures. The
// dialog detaches from the session when it goes away.
#pragma once

#include "hostapi/RefPtr.h"
#include "hostapi/Win32Types.h"

#include <QDialog>

#include <cstddef>
#include <string>

class CFtpParamsDlgBase;
class CFtpSession;
class IPictureFromCamera;
class ITarselSettings;
class QDialogButtonBox;
class QLayout;
class QProgressBar;

class CFtpTransferDlg : public QDialog {
  Q_OBJECT

public:
  ~CFtpTransferDlg() override;

  void accept() override;
  void reject() override;

protected:
  CFtpTransferDlg(QWidget* parent, ITarselSettings* settings);

  // Lays the dialog out with `fields` between the parameters and the
  // progress bar, fills the parameters, and turns the session to this dialog.
  void Open(const QString& caption, QLayout* fields, int progressMaximum);

  // OK: takes the dialog's own fields; false leaves the dialog idle.
  virtual bool PrepareRun() = 0;
  // Connected: whether the root folder is entered before the next upload.
  virtual bool EntersRootFolder() const = 0;
  // Starts the upload of the current picture.
  virtual void UploadCurrent() = 0;
  // The current upload ended: the next one, or Finish.
  virtual void UploadEnded() = 0;
  // The progress position that 0 % of the current upload stands for.
  virtual int UploadProgressBase() const = 0;

  void Upload(IPictureFromCamera& picture, const std::string& name);
  // Logs in, or goes on at once when the session is logged in as asked.
  void ConnectAsAsked();
  // Stores the parameters and closes with OK.
  void Finish();

  CFtpParamsDlgBase* m_params;
  QProgressBar* m_progress; // 1009

private:
  enum class Pending { None, ConnectAgain, Close };

  void customEvent(QEvent* event) override;
  void OnNotify(std::intptr_t kind, std::intptr_t value);
  void SetBusy(bool busy);
  void AdvanceTo(int position);
  void Failed(HRESULT code);
  CFtpSession& Session();

  Pending m_pending = Pending::None;
  bool m_busy = false;
  // The run goes on over a connection it did not make (no new log-in).
  bool m_reusedConnection = false;
  QDialogButtonBox* m_buttons;
};
