// The configuration program's dialog: refresh the cameras' access, register
// it, unregister it, each through the installation library, with a message
// for the outcome; the maker's camera list as a link; help on F1. A user
// without administrator rights is told so once, after the dialog first
// shows, and the dialog closes with result 2. Controls are named
// "control<id>": 1000 Refresh, 1001 Register, 1002 Unregister, 1003 the
// explanation, 1004 Help (hidden), 1005 the link, 2 Close.
// User-interface thread only; every handler catches its failures.
#pragma once

#include "drvconfig/VeskInstCalls.h"

#include <QDialog>

#include <functional>
#include <memory>

class CHtmlHelp;

namespace tarsel::drvconfig {

class CBrantelVeskConfigDlg : public QDialog {
  Q_OBJECT

public:
  // folder: the installation library's folder; isAdministrator: the
  // administrator test.
  CBrantelVeskConfigDlg(std::string folder, std::function<bool()> isAdministrator, QWidget* parent = nullptr);
  ~CBrantelVeskConfigDlg() override;

  void OnRefresh();
  void OnRegister();
  void OnUnregister();
  void OnHelp();

protected:
  void showEvent(QShowEvent* event) override;

private:
  // Runs a button's work; an exception in it is the code 0x8000FFFF.
  int Run(const std::function<int()>& work);
  void ShowError(unsigned textId, int code);
  void ShowInformation(unsigned textId);
  void AskReconnect();
  void ShowModelsLeftOut();

  CVeskInstCalls m_calls;
  std::function<bool()> m_isAdministrator;
  bool m_adminChecked = false;
  std::unique_ptr<CHtmlHelp> m_help;
};

} // namespace tarsel::drvconfig
