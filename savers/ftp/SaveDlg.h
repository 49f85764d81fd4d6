// "FTP Picture": uploads one picture under the name the user confirms, to
// the server and root folder the user chooses (see CFtpTransferDlg).
// User-interface thread only.
#pragma once

#include "savers/ftp/FtpTransferDlg.h"

#include <string>

class IPictureFromCamera;
class ITarselSettings;
class QLineEdit;

class CSaveDlg : public CFtpTransferDlg {
  Q_OBJECT

public:
  CSaveDlg(QWidget* parent, ITarselSettings* settings, IPictureFromCamera& picture, const std::string& name);

  // The name the picture was uploaded under.
  const std::string& Name() const { return m_name; }

private:
  bool PrepareRun() override;
  bool EntersRootFolder() const override { return true; }
  void UploadCurrent() override;
  void UploadEnded() override { Finish(); }
  int UploadProgressBase() const override;

  IPictureFromCamera& m_picture;
  std::string m_name;
  QLineEdit* m_nameEdit; // 1007
};
