#include "app/host/CameraWindow.h"

#include <QObject>

ICameraWindow* ICameraWindow::FromObject(QObject* object) {
  for (; object; object = object->parent()) {
    if (auto* window = dynamic_cast<ICameraWindow*>(object))
      return window;
  }
  return nullptr;
}
