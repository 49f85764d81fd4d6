// The names, kinds and codes that the library's failures carry to callers,
// and the exports' answer when there is no manager.
#include "vesklib/ErrorMapping.h"
#include "vesklib/ManagerInstance.h"
#include "vesklib/VeskDLL.h"

#include <gtest/gtest.h>

using tarsel::vesk::ErrorMapping;
using tarsel::vesk::VeskFault;

TEST(ErrorMapping, EveryLibraryNumberCarriesItsNameAndWin32NumbersComeFromTheDeviceCommand) {
  struct Row {
    VeskFault fault;
    const char* name;
    int kind;
    int code;
  };
  const Row rows[] = {
      {VeskFault::library(13), "VESK_CAMERA_BAD_RESPONSE", 0, 13},
      {VeskFault::library(14), "VESK_NAK1_RESPONSE", 0, 14},
      {VeskFault::library(15), "VESK_DC1_RESPONSE", 0, 15},
      {VeskFault::library(16), "VESK_BAD_CHECKSUM", 0, 16},
      {VeskFault::library(22), "VESK_ERROR", 0, 22},
      {VeskFault::library(24), "VESK_BAD_CAM_NO", 0, 24},
      {VeskFault::library(26), "VESK_NOT_CONNECTED", 0, 26},
      {VeskFault::library(28), "VESK_ERROR", 0, 28},
      {VeskFault::library(29), "VESK_ERROR", 0, 29},
      {VeskFault::library(30), "VESK_CAMERA_BUSY", 0, 30},
      {VeskFault::library(31), "VESK_ERROR", 0, 31},
      {VeskFault::library(32), "VESK_ERROR", 0, 32},
      {VeskFault::library(99), "VESK_ERROR", 0, 99},
      {VeskFault::win32(121), "DeviceIoControl", 1, 121},
      {VeskFault::win32(5), "DeviceIoControl", 1, 5},
  };
  for (const auto& row : rows) {
    const CVeskNVError error = ErrorMapping::toVeskNVError(row.fault);
    EXPECT_STREQ(error.what(), row.name);
    EXPECT_EQ(error.kind(), row.kind);
    EXPECT_EQ(error.code(), row.code);
  }
}

TEST(ErrorMapping, WithoutAManagerInitControlReportsItAndEveryOtherExportThrows) {
  tarsel::vesk::ManagerInstance::replace(nullptr);
  EXPECT_EQ(InitControl(), 29);
  try {
    GetPropFlash(0);
    ADD_FAILURE() << "no error";
  } catch (const CVeskNVError& error) {
    EXPECT_STREQ(error.what(), "VESK_ERROR");
    EXPECT_EQ(error.code(), 29);
  }
  EXPECT_THROW(GetPropCameraCount(), CVeskNVError);
}
