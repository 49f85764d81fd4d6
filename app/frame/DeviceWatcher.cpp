#include "app/frame/DeviceWatcher.h"

#include "app/frame/DeviceFolderWatcher.h"

#include <cstdlib>
#include <string>

namespace tarsel::frame {
namespace {

// The camera-link library's device folder and node names (BrantelVesk0, ...).
constexpr const char* kVeskDeviceFolderVariable = "VESK_DEVICE_DIR";
constexpr const char* kVeskNodePrefix = "BrantelVesk";

} // namespace

std::unique_ptr<IDeviceWatcher> MakeDeviceWatcher() {
  std::vector<std::unique_ptr<IDeviceWatcher>> watchers;
  watchers.push_back(MakeUdevDeviceWatcher());
  const char* folder = std::getenv(kVeskDeviceFolderVariable);
  if (folder && *folder)
    watchers.push_back(DeviceFolderWatcher::Create(folder, kVeskNodePrefix));
  return CombineDeviceWatchers(std::move(watchers));
}

std::unique_ptr<IDeviceWatcher> CombineDeviceWatchers(std::vector<std::unique_ptr<IDeviceWatcher>> watchers) {
  std::erase(watchers, nullptr);
  if (watchers.empty())
    return nullptr;
  if (watchers.size() == 1)
    return std::move(watchers.front());
  auto combined = std::make_unique<IDeviceWatcher>();
  for (std::unique_ptr<IDeviceWatcher>& watcher : watchers) {
    IDeviceWatcher* part = watcher.release();
    part->setParent(combined.get());
    QObject::connect(part, &IDeviceWatcher::deviceArrived, combined.get(), &IDeviceWatcher::deviceArrived);
    QObject::connect(part, &IDeviceWatcher::deviceRemoved, combined.get(), &IDeviceWatcher::deviceRemoved);
  }
  return combined;
}

} // namespace tarsel::frame
