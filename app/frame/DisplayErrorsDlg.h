// The list of the errors a time-lapse series met: one row per error, in the
// order they happened, with its local date and time, its source (the
// facility's name), its description and its code. Modal; user-interface
// thread only.
#pragma once

#include "app/pictures/TimedTakeError.h"

#include <QDialog>

#include <vector>

class QTreeWidget;

class CDisplayErrorsDlg : public QDialog {
  Q_OBJECT

public:
  static constexpr int IDD = 157;
  static constexpr int IDC_LIST = 1063;

  CDisplayErrorsDlg(const std::vector<CTimedTakeError>& errors, QWidget* parent = nullptr);
  ~CDisplayErrorsDlg() override;

  QTreeWidget* List() const { return m_list; }

private:
  QTreeWidget* m_list;
};
