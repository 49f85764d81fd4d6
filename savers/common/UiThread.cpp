#include "savers/common/UiThread.h"

#include <QCoreApplication>
#include <QThread>

namespace tarsel::savers {

bool RunOnUserInterfaceThread(const std::function<void()>& action) {
  QCoreApplication* application = QCoreApplication::instance();
  if (!application)
    return false;
  if (QThread::currentThread() == application->thread())
    action();
  else
    QMetaObject::invokeMethod(application, action, Qt::BlockingQueuedConnection);
  return true;
}

} // namespace tarsel::savers
