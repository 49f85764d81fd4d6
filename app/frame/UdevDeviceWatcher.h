// The product's device watcher: a udev monitor of USB devices ("usb" /
// "usb_device") whose socket a QSocketNotifier watches on the
// user-interface thread; "add" emits deviceArrived, "remove" deviceRemoved,
// other actions nothing.
//
// Threads: made, used and destroyed on the user-interface thread. Failure:
// Create gives null when udev or its monitor cannot be opened; a device
// that cannot be read is skipped.
#pragma once

#include "app/frame/DeviceWatcher.h"

#include <memory>

struct udev;
struct udev_monitor;
class QSocketNotifier;

namespace tarsel::frame {

class UdevDeviceWatcher : public IDeviceWatcher {
  Q_OBJECT

public:
  static std::unique_ptr<UdevDeviceWatcher> Create();
  ~UdevDeviceWatcher() override;

private:
  UdevDeviceWatcher(udev* context, udev_monitor* monitor);
  void readDevices();

  udev* m_udev;
  udev_monitor* m_monitor;
  QSocketNotifier* m_notifier = nullptr;
};

} // namespace tarsel::frame
