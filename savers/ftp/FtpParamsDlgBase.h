// The editor of the FTP parameters that all four FTP windows share: the
// server (a combo box of the servers stored so far, with an edit field), the
// root folder, the user name, the password and whether to keep it. Loads a
// server's values when it is chosen and stores the edited values on request.
//
// User-interface thread only. FillDialog and OnServerSelected show their
// failures with the error box and leave the controls as they are;
// SaveParams throws the settings' error code.
#pragma once

#include "hostapi/ITarselSettings.h"
#include "hostapi/RefPtr.h"
#include "savers/ftp/SecretBuffer.h"

#include <QWidget>

#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;

class CFtpParamsDlgBase : public QWidget {
  Q_OBJECT

public:
  // saveDialog: the check box reads as in the save dialogs.
  CFtpParamsDlgBase(QWidget* parent, ITarselSettings* settings, bool saveDialog);

  // Lists the stored servers and selects the one last used.
  void FillDialog();
  // Shows the stored values of `server`.
  void OnServerSelected(const std::string& server);
  // Takes the controls' values into the texts below.
  void ReadFromDialog();
  // Stores the texts: "Server" and, in the server's sub-key, its values.
  void SaveParams();

  QLineEdit* PasswordEdit() const { return m_password; }

  std::string m_server;
  std::string m_rootDir;
  std::string m_userName;
  tarsel::ftpsaver::SecretBuffer m_passwordText;
  bool m_savePassword = false;

signals:
  // The user changed a value.
  void changed();

private:
  CRefPtr<ITarselSettings> m_settings;
  QComboBox* m_serverBox;    // 1001
  QLineEdit* m_rootFolder;   // 1000
  QLineEdit* m_user;         // 1004
  QLineEdit* m_password;     // 1005
  QCheckBox* m_keepPassword; // 1006
};
