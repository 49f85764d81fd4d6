// The family's diagnostics text over a sysfs tree of the test's own, the
// test's registry, and stand-ins of the driver installation library.
#include "VeskFamilyTestSupport.h"
#include "VeskTestSupport.h"

#include "app/cameras/vesk/VeskDiagnostics.h"
#include "app/cameras/vesk/VeskSysfs.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

using tarsel::test::ScopedEnv;
using tarsel::test::TempDir;
using tarsel::vesk::VeskDiagnosticText;

namespace {

void put(const std::filesystem::path& file, const std::string& text) {
  std::filesystem::create_directories(file.parent_path());
  tarsel::test::writeFile(file.string(), text);
}

} // namespace

TEST(VeskDiagnostics, ReportsDrivesTypesDevicesAndTheDriverRegistration) {
  tarsel::vesk::test::LogHome home;
  TempDir sysfs;
  ScopedEnv root(tarsel::vesk::kSysfsRootVariable, sysfs.path());
  const std::filesystem::path top = sysfs.path();
  // A card reader without a card, a camera drive, a fixed disk, a floppy
  // drive and a drive whose size cannot be read.
  put(top / "block/sdb/removable", "1\n");
  put(top / "block/sdb/size", "0\n");
  put(top / "block/sdc/removable", "1\n");
  put(top / "block/sdc/size", "7864320\n");
  put(top / "block/sda/removable", "0\n");
  put(top / "block/fd0/removable", "1\n");
  put(top / "block/sdd/removable", "1\n");
  // The camera in its connected mode, and one whose product cannot be read.
  put(top / "bus/usb/devices/1-1/idVendor", "f0e5\n");
  put(top / "bus/usb/devices/1-1/idProduct", "0a01\n");
  put(top / "bus/usb/devices/1-1/product", " XC-701 \n");
  put(top / "bus/usb/devices/1-2/idVendor", "f0e5\n");
  put(top / "bus/usb/devices/1-2/idProduct", "0a02\n");
  put(top / "bus/usb/devices/2-1/idVendor", "1d6b\n");
  put(top / "bus/usb/devices/2-1/idProduct", "0a01\n");
  const std::filesystem::path storage = top / "bus/usb/drivers/usb-storage";
  put(storage / "1-2:1.0/host3/target3:0:0/3:0:0:0/block/sdc/size", "7864320\n");
  put(storage / "1-2:1.0/host3/target3:0:0/3:0:0:0/scsi_generic/sg2/dev", "21:2\n");
  put(storage / "2-4:1.0/uevent", "");
  put(storage / "bind", "");
  tarsel::vesk::test::setTypeList("XC-701,KT-300");

  const std::string usb = "Installed Cameras (LocationInformation) for: usb f0e5:0a01\r\n"
                          "    XC-701\r\n"
                          "Installed Cameras (LocationInformation) for: usb f0e5:0a02\r\n"
                          "***ERROR reading LocationInformation for1-2 key***\r\n"
                          "Installed Devices in USBSTOR:\r\n"
                          "    1-2:1.0\t LowerFilters: sdc;sg2;\r\n"
                          "    2-4:1.0\r\n"
                          "\r\n";
  const std::string drives =
      "Removable Drive: \"/dev/sdb\" is NOT ready - is this Camera drive in PC mode? Then it is OK\r\n"
      "Removable Drive: \"/dev/sdc\" IS READY - is this Camera drive NOT in PC mode? Then it is NOT OK\r\n"
      "Removable Drive: \"/dev/sdd\" Error checking the drive: (2)The system cannot find the file "
      "specified.\r\n";
  EXPECT_EQ(VeskDiagnosticText(true, STUB_INST_REGISTERED_PATH), "SDK: 3.x\r\n" + drives +
                                                                     "Type_S=XC-701,KT-300\r\n" + usb +
                                                                     "BrantelVesk.sys IS registered\r\n\r\n");

  // Without the type list, and a library without the registration's answer.
  tarsel::vesk::test::forgetFamilyState();
  EXPECT_EQ(VeskDiagnosticText(false, STUB_INST_BARE_PATH),
            drives + "Type_S=***ERROR opening key***\r\n" + usb +
                "BrantelVeskInst.dll loaded but IsBrantelVeskRegisterd is not found\r\n\r\n");
}

TEST(VeskDiagnostics, AnEmptyMachineStartsWithTheTypesAndEndsWithTheMissingLibrary) {
  tarsel::vesk::test::LogHome home;
  TempDir sysfs;
  ScopedEnv root(tarsel::vesk::kSysfsRootVariable, sysfs.path());
  tarsel::vesk::test::setTypeList("");
  EXPECT_EQ(VeskDiagnosticText(false, sysfs.file("libBrantelVeskInst.so")),
            "Type_S=\r\n"
            "***ERROR opening BRANTEL USB key usb f0e5:0a01 ***\r\n"
            "***ERROR opening BRANTEL USB key usb f0e5:0a02 ***\r\n"
            "***ERROR opening USBSTOR***\r\n"
            "\r\n"
            "Error loading BrantelVeskInst.dll\r\n"
            "\r\n");
}
