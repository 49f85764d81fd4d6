#include "app/frame/DeviceWatcher.h"

#include "app/frame/DeviceFolderWatcher.h"

#include <cstdlib>
#include <string>
#include <string_view>

namespace tarsel::frame {
namespace {

// The camera-link library's device folder and node names (BrantelVesk0, ...).
constexpr const char* kVeskDeviceFolderVariable = "VESK_DEVICE_DIR";
constexpr const char* kVeskNodePrefix = "BrantelVesk";
// The camera library's USB camera when it is the camera simulator's socket
// ("sim:<path>"): the socket comes and goes with the simulated camera.
constexpr const char* kVanticUsbVariable = "TARSEL_VANTIC_USB";
constexpr std::string_view kVanticSimPrefix = "sim:";

// A watcher of the folder holding the camera simulator's USB socket; null
// when the camera is a real one or the setting names no folder and socket.
std::unique_ptr<IDeviceWatcher> MakeUsbSocketWatcher() {
  const char* value = std::getenv(kVanticUsbVariable);
  const std::string_view setting = value ? value : "";
  if (!setting.starts_with(kVanticSimPrefix))
    return nullptr;
  const std::string path(setting.substr(kVanticSimPrefix.size()));
  const std::size_t slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty())
    return nullptr;
  return DeviceFolderWatcher::Create(folder, std::move(name), DeviceFolderWatcher::NodeNames::Exact);
}

} // namespace

std::unique_ptr<IDeviceWatcher> MakeDeviceWatcher() {
  std::vector<std::unique_ptr<IDeviceWatcher>> watchers;
  watchers.push_back(MakeUdevDeviceWatcher());
  const char* folder = std::getenv(kVeskDeviceFolderVariable);
  if (folder && *folder)
    watchers.push_back(DeviceFolderWatcher::Create(folder, kVeskNodePrefix));
  watchers.push_back(MakeUsbSocketWatcher());
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
