#include "app/host/TarselEvents.h"

#include <QCoreApplication>
#include <QObject>
#include <QThread>

#include <mutex>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#define TARSEL_TSAN 1
#endif

namespace tarsel::host {

namespace {

#if defined(TARSEL_TSAN)
// Sees every event of the user-interface thread before its receiver does.
class HandoffFilter : public QObject {
protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    // Before anything of the event is read, its type included; acquiring
    // an event that was never released costs nothing.
    AcquireHandoff(event);
    return QObject::eventFilter(watched, event);
  }
};

void InstallHandoffFilter() {
  QCoreApplication* application = QCoreApplication::instance();
  if (!application || QThread::currentThread() != application->thread())
    return;
  static std::once_flag once;
  std::call_once(once, [application] { application->installEventFilter(new HandoffFilter); });
}
#endif

} // namespace

void ReserveTarselEventTypes() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (int number = 101; number <= 117; ++number)
      QEvent::registerEventType(QEvent::User + number);
  });
#if defined(TARSEL_TSAN)
  InstallHandoffFilter();
#endif
}

void ReleaseHandoff([[maybe_unused]] const void* object) {
#if defined(TARSEL_TSAN)
  __tsan_release(const_cast<void*>(object));
#endif
}

void AcquireHandoff([[maybe_unused]] const void* object) {
#if defined(TARSEL_TSAN)
  __tsan_acquire(const_cast<void*>(object));
#endif
}

} // namespace tarsel::host
