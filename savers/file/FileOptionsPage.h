// The "File Options" page of the program's Options sheet: the root folder,
// the overwrite rule and the post-processing command with its wait flag
// (see SaverPropPage for how the sheet drives it). An apply with a bad
// command line, or a root folder the user chose not to create, is refused.
// With no root folder stored the field shows the folder the saver uses
// instead (the per-user data folder); applied unchanged it stays unstored.
// User-interface thread only; every handler catches its failures.
#pragma once

#include "hostapi/ITarselSettings.h"
#include "hostapi/RefPtr.h"
#include "savers/common/SaverPropPage.h"

#include <QString>

class QCheckBox;
class QLineEdit;

class CPropPage : public tarsel::savers::SaverPropPage {
  Q_OBJECT

public:
  CPropPage(ITarselSettings* settings, IPropSheetCallback* sheet);

private:
  void Load();
  bool ApplyValues() override;

  CRefPtr<ITarselSettings> m_settings;

  QLineEdit* m_rootFolder;     // 1000
  QCheckBox* m_doNotOverwrite; // 1003
  QLineEdit* m_commandLine;    // 1004
  QCheckBox* m_waitForEnd;     // 1005
  // The per-user data folder shown while no root folder is stored, else empty.
  QString m_defaultFolder;
};
