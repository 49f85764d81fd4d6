#include "app/cameras/vesk/VeskUsbCameraLocations.h"

#include "app/cameras/vesk/VeskSysfs.h"
#include "app/cameras/vesk/VeskTextLists.h"
#include "platform/AsciiCase.h"

#include <algorithm>
#include <filesystem>
#include <set>

namespace tarsel::vesk {

namespace {

bool IsDevice(const std::filesystem::path& folder, const UsbDeviceKey& key) {
  const auto vendor = ReadSysfsAttribute(folder / "idVendor");
  const auto product = ReadSysfsAttribute(folder / "idProduct");
  return vendor && product && tarsel::platform::equalsIgnoringAsciiCase(*vendor, key.vendorId) &&
         tarsel::platform::equalsIgnoringAsciiCase(*product, key.productId);
}

} // namespace

std::optional<std::vector<UsbDevice>> UsbDevicesOf(const UsbDeviceKey& key) {
  std::error_code error;
  std::filesystem::directory_iterator devices(SysfsRoot() + "/bus/usb/devices", error);
  if (error)
    return std::nullopt;
  std::vector<UsbDevice> found;
  for (; !error && devices != std::filesystem::directory_iterator(); devices.increment(error)) {
    // The entries are links to the device folders.
    const std::filesystem::path folder = devices->path();
    if (IsDevice(folder, key))
      found.push_back({folder.filename().string(), ReadSysfsAttribute(folder / "product")});
  }
  std::sort(found.begin(), found.end(),
            [](const UsbDevice& a, const UsbDevice& b) { return a.name < b.name; });
  return found;
}

std::vector<std::string> AttachedUsbCameras() {
  std::set<std::string> found;
  for (const UsbDeviceKey& key : kVeskUsbDevices) {
    for (const UsbDevice& device : UsbDevicesOf(key).value_or(std::vector<UsbDevice>())) {
      if (device.product && !device.product->empty())
        found.insert(*device.product);
    }
  }
  return {found.begin(), found.end()};
}

std::vector<std::string> EnumUsbCameraLocations(const std::vector<CNamePair>& models,
                                                const std::vector<CNamePair>& ignored) {
  const std::vector<std::string> attached = AttachedUsbCameras();
  std::set<std::string> unlisted(attached.begin(), attached.end());
  for (const CNamePair& model : models) {
    std::size_t start = 0;
    while (start <= model.first.size()) {
      std::size_t end = model.first.find(',', start);
      if (end == std::string::npos)
        end = model.first.size();
      const std::string_view part = TrimWhiteSpace(std::string_view(model.first).substr(start, end - start));
      if (!part.empty())
        unlisted.erase(std::string(part));
      start = end + 1;
    }
  }
  for (const CNamePair& device : ignored)
    unlisted.erase(device.first);
  return {unlisted.begin(), unlisted.end()};
}

} // namespace tarsel::vesk
