// Small helpers of the dialogs: a control named after its resource id
// ("control<id>", the name tests find it by), a label that wraps its text
// a label whose mnemonic gives the focus to its control, a form whose
// fields keep their natural width, and a dialog's frame. User-interface
// thread only.
#pragma once

#include <QString>

class QDialog;
class QFormLayout;
class QLabel;
class QWidget;

namespace tarsel::ui {

// The Help button of the program's dialogs.
inline constexpr int IDC_HELP = 1035;

QString ControlName(int id);

template <class Widget> Widget* NamedControl(Widget* widget, int id) {
  widget->setObjectName(ControlName(id));
  return widget;
}

QLabel* WrappedLabel(const QString& text, QWidget* parent);
// A label beside `buddy` (made in the buddy's parent): its "&" marks the
// mnemonic that focuses the buddy, instead of showing as text.
QLabel* BuddyLabel(const QString& text, QWidget* buddy);
// A form layout whose number fields and short text fields do not stretch
// across a wide dialog.
QFormLayout* NaturalWidthForm();
// A dialog's frame: a title and a close button, no minimise, maximise or
// context-help button, and the size its contents need (not resizable).
void UseDialogFrame(QDialog* dialog);

} // namespace tarsel::ui
