#include "app/ui/PumpWaitingMessages.h"

#include <QCoreApplication>
#include <QEventLoop>

void PumpWaitingMessages(QWidget*) {
  if (!QCoreApplication::instance())
    return;
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}
