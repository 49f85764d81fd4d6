// "Save Whole Series": asks for one folder and a name base, then writes
// every picture of the series there as base + number + extension. A failure
// is shown and the dialog stays open; Cancel writes nothing.
// User-interface thread only; its handlers catch every failure.
#pragma once

#include "hostapi/RefPtr.h"

#include <QDialog>

#include <cstdint>

class ISaveInfo;
class IPictureFromCamera;
class ITarselSettings;
class QLineEdit;

class CSaveBunchDlg : public QDialog {
  Q_OBJECT

public:
  CSaveBunchDlg(QWidget* parent, ISaveInfo& info, IPictureFromCamera** pictures, std::int32_t count,
                ITarselSettings* settings);

  void accept() override;

private:
  void SaveSeries();

  CRefPtr<ITarselSettings> m_settings;
  ISaveInfo& m_info;
  IPictureFromCamera** m_pictures;
  std::int32_t m_count;
  QLineEdit* m_folder; // 1039
  QLineEdit* m_base;   // 1007
};
