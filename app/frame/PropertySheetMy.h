// The "Options" sheet: the program's own pages General, Image Processing,
// Saving Pictures and Bracketing, then one page from each loaded saver that
// gives one, with OK, Cancel, Apply and Help. Apply (and OK) applies every
// page in order; a page that refuses keeps the sheet open on it. Apply is
// enabled once a page reports a change; after an apply Cancel reads Close.
// The sheet opens on the page shown last during the program's run (General
// when that page is gone). It is the site of its pages (IPropSheetCallback).
//
// User-interface thread only; every handler is guarded. The savers' page
// widgets become the sheet's and go with it.
#pragma once

#include "hostapi/IPropSheetCallback.h"

#include <QDialog>

class CSaveDllList;
class ITarselSettings;
class QDialogButtonBox;
class QPushButton;
class QTabWidget;

class CPropertySheetMy : public QDialog, public IPropSheetCallback {
  Q_OBJECT

public:
  // Adds the own pages and the savers' pages (savers may be null).
  CPropertySheetMy(ITarselSettings* settings, CSaveDllList* savers, QWidget* parent = nullptr);
  ~CPropertySheetMy() override;

  // Selects the page shown last (0 when it is not there any more).
  void SelectLastPage();
  QTabWidget* Tabs() const { return m_tabs; }
  QDialogButtonBox* Buttons() const { return m_buttons; }

  // IPropSheetCallback
  void OnPageActivated(std::int32_t pageIndex) override;
  std::int32_t GetPageCount() override;

  // The page shown last in this run.
  static std::int32_t LastPage();

private slots:
  // A page has changes: Apply becomes enabled.
  void OnPageChanged();
  // A page applied its values: Cancel now only closes.
  void CancelToClose();

private:
  void AddPage(QWidget* page, const QString& title);
  void AddSaverPages(ITarselSettings* settings, CSaveDllList* savers);
  // Applies every page; false when one refused (it is then the current page).
  bool ApplyPages();
  void ShowHelp();

  QTabWidget* m_tabs;
  QDialogButtonBox* m_buttons;
};

namespace tarsel::frame {

// Shows the Options sheet modally over `parent`; its result (QDialog::Accepted or Rejected).
int RunOptions(QWidget* parent, ITarselSettings* settings, CSaveDllList* savers);

} // namespace tarsel::frame
