// "FTP Whole Series": uploads every picture of a series as base + number +
// extension (see CFtpTransferDlg); the root folder is entered once, before
// the first picture. User-interface thread only.
#pragma once

#include "savers/ftp/FtpTransferDlg.h"

#include <cstdint>
#include <string>

class ISaveInfo;
class IPictureFromCamera;
class ITarselSettings;
class QLineEdit;

class CSaveBunchDlg : public CFtpTransferDlg {
  Q_OBJECT

public:
  // Every entry of `pictures` is a picture.
  CSaveBunchDlg(QWidget* parent, ITarselSettings* settings, ISaveInfo& info, IPictureFromCamera** pictures,
                std::int32_t count);

  // The name base less one trailing "_", for the naming of later pictures.
  const std::string& BaseForNaming() const { return m_baseForNaming; }

private:
  bool PrepareRun() override;
  bool EntersRootFolder() const override { return m_index == 0; }
  void UploadCurrent() override;
  void UploadEnded() override;
  int UploadProgressBase() const override;

  IPictureFromCamera** m_pictures;
  std::size_t m_count;
  std::size_t m_index = 0;
  std::string m_base;
  std::string m_baseForNaming;
  QLineEdit* m_baseEdit; // 1007
};
