// The attached camera-link devices that no model of the family's table
// names: the USB devices of the family's two vendor/product ids, read from
// sysfs (<root>/bus/usb/devices/*, root /sys or $TARSEL_SYSFS_ROOT), each
// known by its product string trimmed of white space, less those matching
// one part of a model's identification list and those the user chose to
// ignore.
//
// Threads: any. Failure: a device folder or attribute that cannot be read
// skips that device; a missing devices folder gives no device.
#pragma once

#include "app/cameras/vesk/NamePair.h"
#include "app/cameras/vesk/VeskSysfs.h"

#include <optional>
#include <string>
#include <vector>

namespace tarsel::vesk {

// A camera-link device as the USB bus names it (lower-case hexadecimal ids).
struct UsbDeviceKey {
  const char* vendorId;
  const char* productId;
};

// The camera-link devices: the camera in its connected mode and in its
// storage mode.
inline constexpr UsbDeviceKey kVeskUsbDevices[2] = {{"f0e5", "0a01"}, {"f0e5", "0a02"}};

// One attached device: its folder's name and its product string (none when
// it cannot be read).
struct UsbDevice {
  std::string name;
  std::optional<std::string> product;
};

// The attached devices of one key, by folder name; none when the devices
// folder cannot be read.
std::optional<std::vector<UsbDevice>> UsbDevicesOf(const UsbDeviceKey& key);

// The product strings of the attached camera-link devices, sorted, each once.
std::vector<std::string> AttachedUsbCameras();

// The attached devices less every part of every model's identification list
// and every identification of `ignored` (its first texts); sorted.
std::vector<std::string> EnumUsbCameraLocations(const std::vector<CNamePair>& models,
                                                const std::vector<CNamePair>& ignored);

} // namespace tarsel::vesk
