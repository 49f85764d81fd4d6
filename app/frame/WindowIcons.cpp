#include "app/frame/WindowIcons.h"

#include <QFile>
#include <QString>

// Outside any namespace, as Qt's resource initialisation wants it. The
// frame is a static library: without this call the linker would leave the
// resource out of the program.
static void initFrameIcons() {
  Q_INIT_RESOURCE(FrameIcons);
}

namespace tarsel::frame {

QIcon WindowIcon(UINT id) {
  static const bool initialised = (initFrameIcons(), true);
  static_cast<void>(initialised);
  const QString path = QStringLiteral(":/tarsel/icon%1").arg(id);
  return QFile::exists(path) ? QIcon(path) : QIcon();
}

} // namespace tarsel::frame
