#include "app/ui/MessageQuestion.h"

#include "app/ui/ResText.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPointer>

#include <utility>

namespace tarsel::ui {
namespace {

AskUserHook& Hook() {
  static AskUserHook hook;
  return hook;
}

QMessageBox::StandardButtons ToQt(Buttons buttons) {
  switch (buttons) {
  case Buttons::Ok:
    return QMessageBox::Ok;
  case Buttons::OkCancel:
    return QMessageBox::Ok | QMessageBox::Cancel;
  case Buttons::YesNo:
    return QMessageBox::Yes | QMessageBox::No;
  case Buttons::YesNoCancel:
    return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
  }
  return QMessageBox::Ok;
}

QMessageBox::Icon ToQt(Icon icon) {
  switch (icon) {
  case Icon::Information:
    return QMessageBox::Information;
  case Icon::Question:
    return QMessageBox::Question;
  case Icon::Warning:
    return QMessageBox::Warning;
  case Icon::Error:
    return QMessageBox::Critical;
  }
  return QMessageBox::NoIcon;
}

int FromQt(int button) {
  switch (button) {
  case QMessageBox::Ok:
    return IDOK;
  case QMessageBox::Yes:
    return IDYES;
  case QMessageBox::No:
    return IDNO;
  default:
    return IDCANCEL;
  }
}

} // namespace

int AskUser(QWidget* parent, const QString& text, Buttons buttons, Icon icon, const QString& caption) {
  if (const AskUserHook hook = Hook())
    return hook(text, buttons, icon);
  // On the heap: a parent closed while the question waits (the program ended
  // by a signal, say) deletes its children, and must not delete a stack object.
  const QPointer<QMessageBox> box =
      new QMessageBox(ToQt(icon), caption.isEmpty() ? QCoreApplication::applicationName() : caption, text,
                      ToQt(buttons), parent);
  const int button = box->exec();
  if (!box)
    return IDCANCEL;
  delete box.data();
  return FromQt(button);
}

int AskUser(QWidget* parent, unsigned stringId, Buttons buttons, Icon icon) {
  return AskUser(parent, ResText(stringId), buttons, icon);
}

AskUserHook SetAskUserHook(AskUserHook hook) {
  return std::exchange(Hook(), std::move(hook));
}

} // namespace tarsel::ui
