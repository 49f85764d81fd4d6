#include "app/testsupport/EventPump.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace tarsel::test {

bool pumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  QTimer wake;
  wake.setSingleShot(true);
  for (;;) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    // Objects closed with deleteLater go now, as they would in the event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (condition())
      return true;
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    wake.start(1);
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
}

void pumpFor(std::chrono::milliseconds time) {
  const auto end = std::chrono::steady_clock::now() + time;
  pumpUntil([end] { return std::chrono::steady_clock::now() >= end; }, time);
}

} // namespace tarsel::test
