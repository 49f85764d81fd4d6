#include "app/frame/CommandTarget.h"

namespace tarsel::frame {

QEvent::Type CommandEvent::type() {
  static const QEvent::Type registered = static_cast<QEvent::Type>(QEvent::registerEventType());
  return registered;
}

} // namespace tarsel::frame
