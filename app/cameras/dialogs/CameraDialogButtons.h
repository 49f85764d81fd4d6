// The button row the camera dialogs share: OK (id 1), Cancel (id 2) and a
// help button, wired to the dialog's accept and reject; the help button and
// F1 open the dialog's help topic (the help display is made on first use).
// User-interface thread only.
#pragma once

#include <QString>

class QDialog;
class QDialogButtonBox;
class QPushButton;

namespace tarsel::dialogs {

struct CameraDialogButtons {
  QDialogButtonBox* row = nullptr;
  QPushButton* ok = nullptr;
  QPushButton* cancel = nullptr;
};

CameraDialogButtons AddCameraDialogButtons(QDialog* dialog, const QString& helpText, int helpId,
                                           const char* helpTopic);

} // namespace tarsel::dialogs
