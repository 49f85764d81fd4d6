// Notifications of USB devices arriving and leaving, on the user-interface
// thread. The product's watcher listens to udev (MakeUdevDeviceWatcher);
// tests make their own and emit the signals.
#pragma once

#include <QObject>

#include <memory>

namespace tarsel::frame {

class IDeviceWatcher : public QObject {
  Q_OBJECT

public:
  using QObject::QObject;
  ~IDeviceWatcher() override = default;

signals:
  void deviceArrived();
  void deviceRemoved();
};

// A watcher of USB devices (udev "usb"/"usb_device" add and remove); null
// when udev cannot be reached (the program then runs without notifications).
std::unique_ptr<IDeviceWatcher> MakeUdevDeviceWatcher();

} // namespace tarsel::frame
