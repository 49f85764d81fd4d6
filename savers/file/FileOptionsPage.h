// The "File Options" page of the program's Options sheet: the root folder,
// the overwrite rule and the post-processing command with its wait flag.
//
// The sheet takes the widget over and deletes it with the sheet. It talks to
// the page through Qt's meta-object system, which both sides share:
// - the signal changed() stands for "the page has changes" (Apply enabled);
// - the invokable Apply() -> bool stores the values, false refusing the
//   apply (the sheet then stays on the page);
// - the signal cancelToClose() asks the sheet to turn Cancel into Close;
// - the invokable Help() shows the page's help topic (F1 as well).
// Showing the page tells the sheet through IPropSheetCallback that it is the
// active one. User-interface thread only; every handler catches its failures.
#pragma once

#include "hostapi/RefPtr.h"
#include "hostapi/TarselSaverPlugin.h"

#include <QWidget>

#include <memory>

class CHtmlHelp;
class QCheckBox;
class QLineEdit;

class CPropPage : public QWidget {
  Q_OBJECT

public:
  CPropPage(ITarselSettings* settings, IPropSheetCallback* sheet);
  ~CPropPage() override;

  // The page's description for the sheet; valid while the page lives.
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
  void Load();
  bool ApplyValues();

  CRefPtr<ITarselSettings> m_settings;
  IPropSheetCallback* m_sheet;
  std::int32_t m_pageIndex = 0;
  PROPSHEETPAGE m_description{};
  std::unique_ptr<CHtmlHelp> m_help;

  QLineEdit* m_rootFolder;     // 1000
  QCheckBox* m_doNotOverwrite; // 1003
  QLineEdit* m_commandLine;    // 1004
  QCheckBox* m_waitForEnd;     // 1005
};
