// The note shown before the camera-link access is refreshed with
// administrator rights ("Select Camera Models"): what will happen, with a
// box to stop showing it. Controls are named "control<id>" (2107 the box).
// User-interface thread only.
#pragma once

#include <QDialog>

#include <memory>

class CHtmlHelp;
class QCheckBox;

class CVeskVistaCamRefreshNoteDlg : public QDialog {
  Q_OBJECT

public:
  explicit CVeskVistaCamRefreshNoteDlg(QWidget* parent = nullptr);
  ~CVeskVistaCamRefreshNoteDlg() override;

  // The state of "Do not show this dialog in the future".
  bool DoNotShow() const;

private:
  QCheckBox* m_doNotShow = nullptr;
  std::unique_ptr<CHtmlHelp> m_help;
};
