// The attached camera-link devices that no model names, from a sysfs tree
// of the test's own.
#include "VeskFamilyTestSupport.h"

#include "app/cameras/vesk/VeskUsbCameraLocations.h"

#include <filesystem>

using tarsel::test::ScopedEnv;
using tarsel::test::TempDir;
using tarsel::test::writeFile;
using tarsel::vesk::test::listTexts;
using tarsel::vesk::test::TestVeskSdk;

namespace {

// A device folder elsewhere in the tree, linked from bus/usb/devices as sysfs does.
void addDevice(const TempDir& root, const std::string& name, const std::string& vendor,
               const std::string& product, const std::string& productName) {
  const std::string folder = root.file("devices/" + name);
  std::filesystem::create_directories(folder);
  std::filesystem::create_directories(root.file("bus/usb/devices"));
  writeFile(folder + "/idVendor", vendor + "\n");
  writeFile(folder + "/idProduct", product + "\n");
  writeFile(folder + "/product", productName);
  std::filesystem::create_directory_symlink(folder, root.file("bus/usb/devices/" + name));
}

} // namespace

TEST(VeskUsbCameraLocations, ListsAttachedDevicesNoModelNamesTrimmedAndSorted) {
  tarsel::vesk::test::forgetFamilyState();
  TempDir sysfs;
  ScopedEnv root(tarsel::vesk::kSysfsRootVariable, sysfs.path());
  addDevice(sysfs, "1-1", "f0e5", "0a01", "  XC-999 CAMERA \n");
  addDevice(sysfs, "1-2", "F0E5", "0A02", "ZZ-1\n");
  addDevice(sysfs, "1-3", "f0e5", "0a01", "XC-520Z\n"); // second part of a built-in model's list
  addDevice(sysfs, "1-4", "f0e5", "0a01", "QQ-5\n");    // ignored below
  addDevice(sysfs, "1-5", "f0e5", "0a02", "NEW-1\n");   // added as a model below
  addDevice(sysfs, "1-6", "1234", "0a01", "OTHER\n");   // another maker's device
  addDevice(sysfs, "2-1", "f0e5", "0a02", "AA-0\n");
  addDevice(sysfs, "2-2", "f0e5", "0a01", "ZZ-1"); // the same device type twice

  TestVeskSdk sdk;
  sdk.SaveUsedCameras("QQ-5", "ignore", false);
  sdk.SaveUsedCameras("NEW-1", "New One", true);
  EXPECT_EQ(listTexts(sdk.GetInstalledCameras()),
            (std::vector<std::string>{"AA-0", "XC-999 CAMERA", "ZZ-1"}));

  sdk.SaveUsedCameras("AA-0", "", false);
  sdk.SaveUsedCameras("XC-999 CAMERA", "ignore", false);
  sdk.SaveUsedCameras("ZZ-1", "ignore", false);
  EXPECT_EQ(sdk.GetInstalledCameras(), nullptr);
}
