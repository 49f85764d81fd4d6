#include "app/cameras/vesk/VeskUsbCameraLocations.h"

#include "app/cameras/vesk/VeskTextLists.h"
#include "platform/AsciiCase.h"
#include "platform/FileIo.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>

#include <fcntl.h>
#include <unistd.h>

namespace tarsel::vesk {

namespace {

// A USB product string has at most 126 characters; anything longer is not a
// device's and is cut here.
constexpr std::size_t kMaxAttributeBytes = 260;

std::string SysfsRoot() {
  const char* root = std::getenv(kSysfsRootVariable);
  return root && *root ? root : "/sys";
}

// The attribute's text trimmed of white space; none when it cannot be read.
// sysfs files report a size they do not have, so the read goes to the end.
std::optional<std::string> ReadAttribute(const std::filesystem::path& file) {
  const tarsel::platform::UniqueFd fd = tarsel::platform::openFile(file.string(), O_RDONLY | O_NONBLOCK);
  if (!fd.valid())
    return std::nullopt;
  std::string bytes(kMaxAttributeBytes, '\0');
  std::size_t used = 0;
  while (used < bytes.size()) {
    const ssize_t got = ::read(fd.get(), bytes.data() + used, bytes.size() - used);
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      return std::nullopt;
    if (got == 0)
      break;
    used += static_cast<std::size_t>(got);
  }
  bytes.resize(used);
  return std::string(TrimWhiteSpace(bytes));
}

bool IsVeskDevice(const std::filesystem::path& folder) {
  const auto vendor = ReadAttribute(folder / "idVendor");
  const auto product = ReadAttribute(folder / "idProduct");
  if (!vendor || !product)
    return false;
  for (const UsbDeviceKey& key : kVeskUsbDevices) {
    if (tarsel::platform::equalsIgnoringAsciiCase(*vendor, key.vendorId) &&
        tarsel::platform::equalsIgnoringAsciiCase(*product, key.productId))
      return true;
  }
  return false;
}

} // namespace

std::vector<std::string> AttachedUsbCameras() {
  std::set<std::string> found;
  std::error_code error;
  std::filesystem::directory_iterator devices(SysfsRoot() + "/bus/usb/devices", error);
  for (; !error && devices != std::filesystem::directory_iterator(); devices.increment(error)) {
    // The entries are links to the device folders.
    const std::filesystem::path folder = devices->path();
    if (!IsVeskDevice(folder))
      continue;
    const auto name = ReadAttribute(folder / "product");
    if (name && !name->empty())
      found.insert(*name);
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
