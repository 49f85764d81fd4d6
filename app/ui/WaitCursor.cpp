#include "app/ui/WaitCursor.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>

namespace tarsel::ui {

WaitCursor::WaitCursor() : m_set(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
  if (m_set)
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

WaitCursor::~WaitCursor() {
  if (m_set)
    QGuiApplication::restoreOverrideCursor();
}

} // namespace tarsel::ui
