#include "app/frame/UdevDeviceWatcher.h"

#include <QSocketNotifier>

#include <cstring>

#include <libudev.h>

namespace tarsel::frame {

std::unique_ptr<UdevDeviceWatcher> UdevDeviceWatcher::Create() {
  udev* context = udev_new();
  if (!context)
    return nullptr;
  udev_monitor* monitor = udev_monitor_new_from_netlink(context, "udev");
  if (!monitor) {
    udev_unref(context);
    return nullptr;
  }
  if (udev_monitor_filter_add_match_subsystem_devtype(monitor, "usb", "usb_device") < 0 ||
      udev_monitor_enable_receiving(monitor) < 0 || udev_monitor_get_fd(monitor) < 0) {
    udev_monitor_unref(monitor);
    udev_unref(context);
    return nullptr;
  }
  return std::unique_ptr<UdevDeviceWatcher>(new UdevDeviceWatcher(context, monitor));
}

UdevDeviceWatcher::UdevDeviceWatcher(udev* context, udev_monitor* monitor)
    : m_udev(context), m_monitor(monitor) {
  m_notifier = new QSocketNotifier(udev_monitor_get_fd(m_monitor), QSocketNotifier::Read, this);
  connect(m_notifier, &QSocketNotifier::activated, this, [this] { readDevices(); });
}

UdevDeviceWatcher::~UdevDeviceWatcher() {
  delete m_notifier;
  udev_monitor_unref(m_monitor);
  udev_unref(m_udev);
}

void UdevDeviceWatcher::readDevices() {
  // The monitor's socket is non-blocking: read every device queued now.
  while (udev_device* device = udev_monitor_receive_device(m_monitor)) {
    const char* action = udev_device_get_action(device);
    const bool arrived = action && std::strcmp(action, "add") == 0;
    const bool removed = action && std::strcmp(action, "remove") == 0;
    udev_device_unref(device);
    if (arrived)
      emit deviceArrived();
    else if (removed)
      emit deviceRemoved();
  }
}

std::unique_ptr<IDeviceWatcher> MakeUdevDeviceWatcher() {
  return UdevDeviceWatcher::Create();
}

} // namespace tarsel::frame
