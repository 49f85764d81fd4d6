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

// Every post of the program's events goes through this one lock as well:
// postEvent is thread-safe by itself, but the lock makes the order of the
// posts visible to the thread sanitizer, which cannot see Qt's own lock.
std::mutex g_posting;

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

void PostToUserInterfaceThread(QObject* receiver, QEvent* event) {
  ReleaseHandoff(event);
  const std::lock_guard<std::mutex> posting(g_posting);
  QCoreApplication::postEvent(receiver, event);
}

} // namespace tarsel::host
