// The dialog for an attached device that no camera model names ("Unknown
// Camera"): the device's camera string, a description the user gives it,
// and whether to use it or to ignore it (perhaps for good). Both "Use" and
// "Do not Use" end it accepted; Cancel rejects it. Controls are named
// "control<id>": 1005 camera string, 1006 description, 1007 never remind,
// 1 Use, 1008 Do not Use, 2 Cancel, 1035 Help. User-interface thread only.
#pragma once

#include <QDialog>

#include <memory>

class CHtmlHelp;
class QCheckBox;
class QLineEdit;
class QPushButton;

class CUnknownCamera : public QDialog {
  Q_OBJECT

public:
  explicit CUnknownCamera(const QString& cameraString, QWidget* parent = nullptr);
  ~CUnknownCamera() override;

  // After the dialog was accepted: the description (the camera string when
  // left empty), whether "Use" ended it, and "Never remind me".
  const QString& Description() const { return m_description; }
  bool Use() const { return m_use; }
  bool NeverRemind() const { return m_neverRemind; }

private:
  void End(bool use);

  QLineEdit* m_cameraString = nullptr;
  QLineEdit* m_descriptionEdit = nullptr;
  QCheckBox* m_neverRemindBox = nullptr;
  QPushButton* m_useButton = nullptr;
  QString m_description;
  bool m_use = false;
  bool m_neverRemind = false;
  std::unique_ptr<CHtmlHelp> m_help;
};
