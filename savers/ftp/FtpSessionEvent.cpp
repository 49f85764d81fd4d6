#include "savers/ftp/FtpSessionEvent.h"

#include <QCoreApplication>

#if defined(__SANITIZE_THREAD__)
#include <sanitizer/tsan_interface.h>
#endif

const CFtpSessionEvent* CFtpSessionEvent::From(QEvent* event, QEvent::Type type) {
#if defined(__SANITIZE_THREAD__)
  // Qt's posted-event list is locked where the sanitizer cannot see it.
  __tsan_acquire(event);
#endif
  return event && event->type() == type ? static_cast<const CFtpSessionEvent*>(event) : nullptr;
}

void CFtpSessionEvent::Post(QObject* receiver, CFtpSessionEvent* event) {
#if defined(__SANITIZE_THREAD__)
  __tsan_release(event);
#endif
  QCoreApplication::postEvent(receiver, event);
}
