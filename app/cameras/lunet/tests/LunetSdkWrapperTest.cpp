// The family's SDK object: the use flag in the data folder and discovery.
#include "app/cameras/lunet/LunetSdkWrapper.h"
#include "app/cameras/common/FamilyDataFolder.h"
#include "app/core/ConnectedCameras.h"
#include "app/core/ICameraHiLevel.h"
#include "app/settings/TarselSettings.h"
#include "hostapi/RefPtr.h"
#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

TEST(LunetSdk, TheUseFlagSwitchesTheOneCameraOnAndOff) {
  CRefPtr<CTarselSettings> settings(new CTarselSettings);
  IBaseSDK_Wr* sdk = GetLunetSdkWrapper(settings.get());
  const std::string flagFile = tarsel::cameras::FamilyDataFolder(settings.get()) + "BRANTEL_SDK2.0";
  std::filesystem::remove(flagFile);

  EXPECT_EQ(sdk->IsEnabled(), nullptr);
  EXPECT_EQ(sdk->GetCameraCount(), 0);
  CConnectedCameras cameras;
  EXPECT_EQ(sdk->EnumerateCameras(nullptr, &cameras), 0);
  EXPECT_EQ(cameras.GetCount(), 0);

  sdk->SaveCameraSelection("VC-320 Zoom\0");
  EXPECT_NE(tarsel::test::readFile(flagFile).find("[BRANTEL_SDK2.0]\r\nUSED=1\r\n"), std::string::npos);
  ASSERT_NE(sdk->IsEnabled(), nullptr);
  EXPECT_STREQ(sdk->IsEnabled(), "USED");
  EXPECT_EQ(sdk->EnumerateCameras(reinterpret_cast<HWND>(1), &cameras), 1);
  EXPECT_EQ(cameras.GetCount(), 1);
  EXPECT_STREQ(cameras.GetAt(0)->GetSdk()->GetSdkName(), "BRANTEL_SDK2.0");

  // The models of the table, then a camera the table does not know.
  tarsel::test::writeFile(tarsel::cameras::FamilyDataFolder(settings.get()) + "ExtraCams.cams",
                          "[Used Cameras]\nLab camera,1=1\n");
  std::vector<std::string> models;
  for (const char* name = sdk->GetCameraModelList(); name && *name; name += std::strlen(name) + 1)
    models.emplace_back(name);
  ASSERT_EQ(models.size(), 8u);
  EXPECT_EQ(models.back(), "Lab camera");

  sdk->SaveCameraSelection("");
  EXPECT_NE(tarsel::test::readFile(flagFile).find("USED=0\r\n"), std::string::npos);
  EXPECT_EQ(sdk->IsEnabled(), nullptr);
  EXPECT_EQ(sdk->EnumerateCameras(nullptr, &cameras), 0);
  EXPECT_EQ(cameras.GetCount(), 1);
  cameras.Clear();
  ReleaseLunetSdkWrapper();
}
