#include "app/cameras/dialogs/CameraDialogButtons.h"

#include "app/ui/DialogControls.h"
#include "app/ui/MessageQuestion.h"
#include "app/ui/UiGuard.h"
#include "env/HtmlHelp.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QShortcut>

#include <memory>

namespace tarsel::dialogs {

CameraDialogButtons AddCameraDialogButtons(QDialog* dialog, const QString& helpText, int helpId,
                                           const char* helpTopic) {
  using tarsel::ui::NamedControl;
  CameraDialogButtons buttons;
  buttons.row = new QDialogButtonBox(dialog);
  buttons.ok = NamedControl(buttons.row->addButton(QDialogButtonBox::Ok), tarsel::ui::IDOK);
  buttons.ok->setDefault(true);
  buttons.cancel = NamedControl(buttons.row->addButton(QDialogButtonBox::Cancel), tarsel::ui::IDCANCEL);
  auto* help = NamedControl(buttons.row->addButton(helpText, QDialogButtonBox::HelpRole), helpId);
  QObject::connect(buttons.row, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
  QObject::connect(buttons.row, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
  // One display for the button and F1, made on first use, gone with the dialog's connections.
  const auto show = [dialog, helpTopic, display = std::make_shared<std::unique_ptr<CHtmlHelp>>()] {
    if (!*display)
      *display = std::make_unique<CHtmlHelp>();
    (*display)->DisplayHelp(static_cast<HWND>(static_cast<QWidget*>(dialog)), helpTopic);
  };
  tarsel::ui::ConnectGuarded(help, &QPushButton::clicked, dialog, show);
  tarsel::ui::ConnectGuarded(new QShortcut(QKeySequence::HelpContents, dialog), &QShortcut::activated, dialog,
                             show);
  return buttons;
}

} // namespace tarsel::dialogs
