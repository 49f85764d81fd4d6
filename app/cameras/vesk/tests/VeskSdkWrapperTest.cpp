// The family's SDK object: the selection file, discovery and the camera-list
// file, with python's configparser reading what it wrote.
#include "VeskFamilyTestSupport.h"

#include "app/cameras/vesk/VeskLibrary.h"
#include "app/core/ConnectedCameras.h"
#include "app/testcamera/FakeCamera.h"
#include "app/testcamera/FakeCameraFamily.h"
#include "env/BrantelTakeError.h"
#include "env/FacilityRegistry.h"

#include <stdexcept>

using tarsel::vesk::test::listTexts;
using tarsel::vesk::test::readWithConfigParser;
using tarsel::vesk::test::TestVeskSdk;
using tarsel::vesk::test::typeList;

namespace {

// Reports `count` cameras and cannot make the camera of index `failing`.
class CountingVeskSdk : public TestVeskSdk {
public:
  int count = 3;
  int failing = 1;
  bool countFails = false;
  tarsel::testcamera::FakeCameraFamily cameras;

protected:
  int CountCameras() override {
    if (countFails)
      throw _brantel_take_error(static_cast<HRESULT>(0x81041000u));
    return count;
  }
  ICameraHiLevel* MakeCamera(int index) override {
    if (index == failing)
      throw std::runtime_error("no camera object");
    return cameras.makeCamera(index).release();
  }
};

} // namespace

TEST(VeskSdk, ChosenModelsRoundTripThroughTheFamilyFileAndEmptyChoiceDisablesTheFamily) {
  tarsel::vesk::test::forgetFamilyState();
  TestVeskSdk sdk;
  EXPECT_EQ(sdk.IsEnabled(), nullptr);

  sdk.SaveCameraSelection("Vesk Mini 2\0XC-701\0\0");
  EXPECT_EQ(listTexts(sdk.IsEnabled()), (std::vector<std::string>{"Vesk Mini 2", "XC-701"}));
  const std::string file = sdk.dataFolder() + "BRANTEL_SDK3.4";
  EXPECT_EQ(readWithConfigParser(file), "[ACTIVE CAMERAS]\nVesk Mini 2=1\nXC-701=1\n");
  // The chosen models' identification lists join "Type_S" in ascending order.
  EXPECT_EQ(typeList(), "VESK MINI2,VESK MINI2B,XC-701");

  sdk.SaveCameraSelection("\0");
  EXPECT_EQ(sdk.IsEnabled(), nullptr);
  EXPECT_EQ(readWithConfigParser(file), "[ACTIVE CAMERAS]\n");
  EXPECT_EQ(typeList(), "VESK MINI2,VESK MINI2B,XC-701");
}

TEST(VeskSdk, EnumerationStopsAtTheFirstCameraThatCannotBeMade) {
  CountingVeskSdk sdk;
  CConnectedCameras list;
  EXPECT_EQ(sdk.EnumerateCameras(nullptr, &list), 1);
  EXPECT_EQ(list.GetCount(), 1);

  sdk.countFails = true;
  EXPECT_EQ(sdk.EnumerateCameras(nullptr, &list), 0);
  EXPECT_EQ(list.GetCount(), 1);
  list.Clear();
  EXPECT_EQ(sdk.cameras.camerasDestroyed(), 1);
}

TEST(VeskSdk, HostileDeviceTextsLeaveTheCameraListFileIntact) {
  tarsel::vesk::test::forgetFamilyState();
  TestVeskSdk sdk;
  sdk.SaveUsedCameras("GOOD-1", "First Model", true);
  sdk.SaveUsedCameras("EVIL\r\n[Ignored Cameras]\r\nX", "Broken\nName", true);
  sdk.SaveUsedCameras("A=B", "[Model]", true);
  sdk.SaveUsedCameras(";HIDDEN", "x", true);
  sdk.SaveUsedCameras("[Section]", "y", false);
  sdk.SaveUsedCameras(" \t ", "nothing", false);
  sdk.SaveUsedCameras("GOOD-2", "any", false);

  EXPECT_EQ(readWithConfigParser(sdk.dataFolder() + "ExtraCams.cams"),
            "[Used Cameras]\n"
            "GOOD-1=First Model\n"
            "EVIL___Ignored Cameras___X=Broken_Name\n"
            "A_B=_Model_\n"
            "_HIDDEN=x\n"
            "[Ignored Cameras]\n"
            "_Section_=y\n"
            "GOOD-2=any\n");
  // The added models come first in the model list, as the file holds them.
  const auto names = listTexts(sdk.GetCameraModelList());
  ASSERT_EQ(names.size(), 29u);
  EXPECT_EQ(std::vector<std::string>(names.begin(), names.begin() + 4),
            (std::vector<std::string>{"First Model", "Broken_Name", "_Model_", "x"}));
  // A chosen model of that kind is stored like any other.
  sdk.SaveCameraSelection("_Model_\0\0");
  EXPECT_EQ(listTexts(sdk.IsEnabled()), std::vector<std::string>{"_Model_"});
}

TEST(VeskSdk, AccessorMakesOneObjectThatRegistersTheFamilysErrorTexts) {
  // Without the library the object cannot be made; with it, it binds once.
  EXPECT_THROW(GetVeskSdkWrapper(nullptr), _brantel_take_error);
  LoadVeskDll(tarsel::test::binDir() + "/libVeskDLL.so");
  CVeskSDK_Wr* sdk = GetVeskSdkWrapper(nullptr);
  EXPECT_EQ(GetVeskSdkWrapper(nullptr), sdk);
  EXPECT_STREQ(sdk->GetSdkName(), "BRANTEL_SDK3.4");
  EXPECT_TRUE(FormatFacilityMessage(0x104, 0x01040000).has_value());
  ReleaseVeskSdkWrapper();
  EXPECT_FALSE(FormatFacilityMessage(0x104, 0x01040000).has_value());
}
