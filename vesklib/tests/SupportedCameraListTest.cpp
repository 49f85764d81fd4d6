// Which devices count as supported cameras: the comma list "Type_S" of the
// current user, then of the machine, matched anywhere in the product id.
#include "TypeListFixture.h"

#include "vesklib/SupportedCameraList.h"

#include <gtest/gtest.h>

using tarsel::vesk::SupportedCameraList;
using tarsel::vesk::test::setTypeList;

TEST(SupportedCameraList, EmptyOrBlankNamesNeverMatchEveryDevice) {
  struct Row {
    const char* list;
    const char* product;
    bool supported;
  };
  const Row rows[] = {
      {"XC-701", "XC-701 CAMERA   ", true},
      {"CAMERA", "XC-701 CAMERA   ", true}, // anywhere, not only at the start
      {"XC-702", "XC-701 CAMERA   ", false},
      {",,", "GENERIC DISK    ", false},
      {",XC-701,", "GENERIC DISK    ", false},
      {"XC-701, ,", "GENERIC DISK    ", false},
      {" XC-701 , XC-702", "XC-702 CAMERA   ", true},
      {"", "GENERIC DISK    ", false},
      {"   ", "GENERIC DISK    ", false},
      {"XC-701,,XC-702", "XC-702 CAMERA   ", true},
  };
  for (const auto& row : rows)
    EXPECT_EQ(SupportedCameraList::matches(row.list, row.product), row.supported)
        << row.list << " / " << row.product;
  EXPECT_EQ(SupportedCameraList::parseNames(" a ,, b,\tc\t,"), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(SupportedCameraList, TheUserListIsReadFirstAndANameInEitherSuffices) {
  setTypeList(HKEY_CURRENT_USER, std::nullopt);
  setTypeList(HKEY_LOCAL_MACHINE, std::nullopt);
  EXPECT_FALSE(SupportedCameraList::isSupportedCamera("XC-701 CAMERA   "));

  setTypeList(HKEY_LOCAL_MACHINE, std::string("XC-701"));
  EXPECT_TRUE(SupportedCameraList::isSupportedCamera("XC-701 CAMERA   "));

  setTypeList(HKEY_CURRENT_USER, std::string("XC-702,"));
  EXPECT_TRUE(SupportedCameraList::isSupportedCamera("XC-701 CAMERA   "));
  EXPECT_TRUE(SupportedCameraList::isSupportedCamera("XC-702 CAMERA   "));
  EXPECT_FALSE(SupportedCameraList::isSupportedCamera("GENERIC DISK    "));

  setTypeList(HKEY_CURRENT_USER, std::nullopt);
  setTypeList(HKEY_LOCAL_MACHINE, std::nullopt);
}

TEST(SupportedCameraList, TheModelNameIsTheProductIdUpToItsFirstBlank) {
  EXPECT_EQ(SupportedCameraList::modelName("XC-701 CAMERA   "), "XC-701");
  EXPECT_EQ(SupportedCameraList::modelName("ABCDEFGHIJKLMNOP"), "ABCDEFGHIJKLMNOP");
  EXPECT_EQ(SupportedCameraList::modelName(std::string_view("AB\0\0", 4)), "AB");
  EXPECT_EQ(SupportedCameraList::modelName(" LEADING"), "");
}
