// Notifications of USB devices arriving and leaving, on the user-interface
// thread. The product's watcher (MakeDeviceWatcher) listens to udev, and to
// the camera-link simulator's device folder and the camera simulator's USB
// socket when they are set; tests make their own and emit the signals.
#pragma once

#include <QObject>

#include <memory>
#include <vector>

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

// The product's watcher: the udev watcher and, when VESK_DEVICE_DIR names
// the folder where the camera-link library finds its (simulated) device
// nodes, a watcher of that folder beside it; when TARSEL_VANTIC_USB is
// "sim:<path>", a watcher of that socket as well; null when none can be made.
std::unique_ptr<IDeviceWatcher> MakeDeviceWatcher();

// Several watchers as one whose signals are those of each. Null entries are
// passed over; null when none is left, the watcher itself when one is.
std::unique_ptr<IDeviceWatcher> CombineDeviceWatchers(std::vector<std::unique_ptr<IDeviceWatcher>> watchers);

} // namespace tarsel::frame
