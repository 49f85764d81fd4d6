// The "FTP Options" page of the program's Options sheet: the parameters
// editor, stored on Apply. Talks to the sheet as the saver pages do (see
// the file saver's page): the signal changed(), the invokables Apply() and
// Help(), the signal cancelToClose(); showing the page tells the sheet that
// it is the active one. User-interface thread only; every handler catches
// its failures.
#pragma once

#include "hostapi/RefPtr.h"
#include "hostapi/TarselSaverPlugin.h"

#include <QWidget>

#include <memory>

class CFtpParamsDlgBase;
class CHtmlHelp;

class CPropPage : public QWidget {
  Q_OBJECT

public:
  CPropPage(ITarselSettings* settings, IPropSheetCallback* sheet);
  ~CPropPage() override;

  PROPSHEETPAGE* Description() { return &m_description; }

  Q_INVOKABLE bool Apply();
  Q_INVOKABLE void Help();

signals:
  void changed();
  void cancelToClose();

protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;

private:
  IPropSheetCallback* m_sheet;
  std::int32_t m_pageIndex = 0;
  PROPSHEETPAGE m_description{};
  std::unique_ptr<CHtmlHelp> m_help;
  CFtpParamsDlgBase* m_params;
};
