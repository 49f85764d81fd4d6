#include "app/ui/GuardedApplication.h"

#include "app/ui/UiGuard.h"

#include <QWidget>

namespace tarsel::ui {

GuardedApplication::GuardedApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool GuardedApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    const auto* widget = qobject_cast<QWidget*>(receiver);
    ReportCurrentException(widget ? widget->window() : nullptr);
  }
  return false;
}

} // namespace tarsel::ui
