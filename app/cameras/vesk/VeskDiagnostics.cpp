#include "app/cameras/vesk/VeskDiagnostics.h"

#include "app/cameras/vesk/VeskSupportedCameraTypes.h"
#include "app/cameras/vesk/VeskSysfs.h"
#include "app/cameras/vesk/VeskUsbCameraLocations.h"
#include "app/ui/ProgramFolder.h"
#include "platform/Module.h"
#include "platform/Win32Error.h"
#include "platform/reg/Registry.h"
#include "veskinst/BrantelVeskInst.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <vector>

namespace tarsel::vesk {

namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr std::size_t kMaxMessageLength = 260;
// Deep enough for interface/hostN/targetN/H:C:T:L/block/sdX.
constexpr int kMaxStorageDepth = 6;

// The folder's entries by name, ascending; none when it cannot be read.
std::optional<std::vector<std::filesystem::path>> SortedEntries(const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::directory_iterator entries(folder, error);
  if (error)
    return std::nullopt;
  std::vector<std::filesystem::path> found;
  for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error))
    found.push_back(entries->path());
  std::sort(found.begin(), found.end());
  return found;
}

// The system's text of a Win32 number, its first line only.
std::string MessageOf(DWORD code) {
  std::string text = SystemMessageText(code).value_or("");
  text = text.substr(0, std::min(text.find(kLineEnd), kMaxMessageLength));
  return text;
}

// Whether a medium is in the drive: its size in sectors is 0 without one.
// 0 when it is ready, else the Win32 number of the reason.
DWORD DriveState(const std::filesystem::path& device) {
  int error = 0;
  const auto size = ReadSysfsAttribute(device / "size", &error);
  if (!size)
    return Win32FromErrno(error);
  unsigned long long sectors = 0;
  const auto [end, parsed] = std::from_chars(size->data(), size->data() + size->size(), sectors);
  if (parsed != std::errc() || end != size->data() + size->size())
    return ERROR_INVALID_DATA;
  return sectors > 0 ? 0 : static_cast<DWORD>(ERROR_NOT_READY);
}

// Removable drives other than floppy and optical drives.
void AppendDrives(std::string& text) {
  for (const auto& device :
       SortedEntries(SysfsRoot() + "/block").value_or(std::vector<std::filesystem::path>())) {
    const std::string name = device.filename().string();
    if (name.starts_with("fd") || name.starts_with("sr") || ReadSysfsAttribute(device / "removable") != "1")
      continue;
    text += "Removable Drive: \"/dev/" + name;
    const DWORD state = DriveState(device);
    if (state == 0)
      text += "\" IS READY - is this Camera drive NOT in PC mode? Then it is NOT OK";
    else if (state == ERROR_NOT_READY)
      text += "\" is NOT ready - is this Camera drive in PC mode? Then it is OK";
    else
      text += "\" Error checking the drive: (" + std::to_string(state) + ")" + MessageOf(state);
    text += kLineEnd;
  }
}

void AppendSupportedTypes(std::string& text) {
  text += "Type_S=";
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kSupportedCameraKey, 0, KEY_READ, &key) != 0) {
    text += std::string("***ERROR opening key***") + kLineEnd;
    return;
  }
  DWORD size = 0;
  LONG error = RegQueryValueExA(key, kSupportedCameraValue, nullptr, nullptr, nullptr, &size);
  std::string value(size, '\0');
  if (error == 0)
    error = RegQueryValueExA(key, kSupportedCameraValue, nullptr, nullptr,
                             reinterpret_cast<BYTE*>(value.data()), &size);
  RegCloseKey(key);
  if (error != 0) {
    text += std::string("***ERROR reading value***") + kLineEnd;
    return;
  }
  value.resize(std::min<std::size_t>(size, value.size()));
  // The text as stored, without its terminating NULs.
  text += value.substr(0, value.find('\0')) + kLineEnd;
}

void AppendUsbCameras(std::string& text) {
  for (const UsbDeviceKey& key : kVeskUsbDevices) {
    const std::string keyPath = std::string("usb ") + key.vendorId + ":" + key.productId;
    const auto devices = UsbDevicesOf(key);
    if (!devices) {
      text += "***ERROR opening BRANTEL USB key " + keyPath + " ***" + kLineEnd;
      continue;
    }
    text += "Installed Cameras (LocationInformation) for: " + keyPath + kLineEnd;
    for (const UsbDevice& device : *devices) {
      if (device.product)
        text += "    " + *device.product;
      else
        text += "***ERROR reading LocationInformation for" + device.name + " key***";
      text += kLineEnd;
    }
  }
}

// The disk and generic SCSI nodes below a usb-storage interface.
void CollectStorageNodes(const std::filesystem::path& folder, int depth, std::vector<std::string>& nodes) {
  if (depth > kMaxStorageDepth)
    return;
  for (const auto& entry : SortedEntries(folder).value_or(std::vector<std::filesystem::path>())) {
    std::error_code error;
    // Links lead back up the device tree; only real sub-folders are walked.
    if (std::filesystem::is_symlink(entry, error) || !std::filesystem::is_directory(entry, error))
      continue;
    const std::string parent = folder.filename().string();
    if (parent == "block" || parent == "scsi_generic")
      nodes.push_back(entry.filename().string());
    else
      CollectStorageNodes(entry, depth + 1, nodes);
  }
}

void AppendStorageDevices(std::string& text) {
  const auto interfaces = SortedEntries(SysfsRoot() + "/bus/usb/drivers/usb-storage");
  if (!interfaces) {
    text += std::string("***ERROR opening USBSTOR***") + kLineEnd;
  } else {
    text += std::string("Installed Devices in USBSTOR:") + kLineEnd;
    for (const auto& interface : *interfaces) {
      // The driver's folder also holds its controls (bind, uevent ...).
      const std::string name = interface.filename().string();
      if (name.find(':') == std::string::npos)
        continue;
      text += "    " + name;
      std::vector<std::string> nodes;
      CollectStorageNodes(interface, 0, nodes);
      if (!nodes.empty()) {
        text += "\t LowerFilters: ";
        for (const std::string& node : nodes)
          text += node + ";";
      }
      text += kLineEnd;
    }
  }
  text += kLineEnd;
}

void AppendDriverRegistration(std::string& text, const std::string& installLibrary) {
  tarsel::platform::Module library;
  if (!library.load(installLibrary)) {
    text += "Error loading BrantelVeskInst.dll";
  } else if (const auto isRegistered =
                 library.function<tarsel::veskinst::IsRegisteredFunction>("IsBrantelVeskRegisterd")) {
    text += isRegistered() != 0 ? "BrantelVesk.sys IS registered" : "BrantelVesk.sys NOT registered";
  } else {
    text += "BrantelVeskInst.dll loaded but IsBrantelVeskRegisterd is not found";
  }
  text += kLineEnd;
  text += kLineEnd;
}

} // namespace

std::string VeskInstLibraryPath() {
  char folder[kProgramFolderSize] = {};
  GetProgramFolder(folder, sizeof folder);
  return std::string(folder) + tarsel::veskinst::kLibraryName;
}

std::string VeskDiagnosticText(bool withHeader, const std::string& installLibrary) {
  std::string text = withHeader ? std::string("SDK: 3.x") + kLineEnd : std::string();
  AppendDrives(text);
  AppendSupportedTypes(text);
  AppendUsbCameras(text);
  AppendStorageDevices(text);
  AppendDriverRegistration(text, installLibrary);
  return text;
}

} // namespace tarsel::vesk
