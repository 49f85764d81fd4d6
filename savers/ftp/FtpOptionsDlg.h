// "FTP Options" as a dialog: the parameters editor with OK and Cancel,
// opened after a queued save failed for want of parameters or because the
// server refused the log-in (then the password is selected for retyping).
// OK stores the values. User-interface thread only.
#pragma once

#include "hostapi/Win32Types.h"

#include <QDialog>

class CFtpParamsDlgBase;
class ITarselSettings;

class CFtpOptionsDlg : public QDialog {
  Q_OBJECT

public:
  // `code`: the failure that led to the dialog.
  CFtpOptionsDlg(QWidget* parent, ITarselSettings* settings, HRESULT code);

  void accept() override;

private:
  CFtpParamsDlgBase* m_params;
};
