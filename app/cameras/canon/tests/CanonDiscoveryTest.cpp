#include "CanonSdkFixture.h"

#include "app/cameras/canon/CanonCDWr.h"
#include "app/core/ConnectedCameras.h"
#include "app/settings/TarselSettings.h"
#include "env/BrantelTakeError.h"
#include "hostapi/ICamSdkSettings.h"

#include <vector>

using tarsel::canon::test::CanonSdkTest;

namespace {

constexpr const char* kThreeSources = "[camera]\nname = Other\nflags = 0x1C\n"
                                      "[camera]\nname = A\n"
                                      "[camera]\nname = B\n";

class CanonDiscovery : public CanonSdkTest {
protected:
  void TearDown() override {
    CanonCDSDK_Wr::SetCameraChooser({});
    CanonSdkTest::TearDown();
  }

  // Installs a chooser that records the names it was offered and picks `position`.
  void Choose(int position) {
    CanonCDSDK_Wr::SetCameraChooser([this, position](CanonCDSDK_Wr*, const CanonCameraList& list) {
      offered.clear();
      for (const CanonSourceInfo& camera : list.cameras)
        offered.push_back(camera.displayName);
      ++asked;
      return position;
    });
  }

  // The source index of the one camera discovery added; -1 when none.
  int Discover(CanonCDSDK_Wr* sdk) {
    CConnectedCameras list;
    const int added = sdk->EnumerateCameras(nullptr, &list);
    EXPECT_EQ(added, list.GetCount());
    return added == 1 ? static_cast<CanonCD_Wr*>(list.GetAt(0))->GetSourceIndex() : -1;
  }

  std::vector<std::string> offered;
  int asked = 0;
};

// A list whose Add fails after taking the camera over.
class FailingList : public CConnectedCameras {
public:
  void Add(ICameraHiLevel* camera) override {
    delete camera;
    throw _brantel_take_error(8);
  }
};

} // namespace

TEST_F(CanonDiscovery, NoSourceGivesNothingAndASingleSourceIsOpenedWithoutAsking) {
  UseCameras("[sdk]\n");
  CanonCDSDK_Wr* sdk = GetCanonCDSdkWrapper(nullptr);
  EXPECT_EQ(sdk->IsEnabled(), nullptr);
  EXPECT_EQ(Discover(sdk), -1);
  ReleaseCanonCDSdkWrapper();

  UseCameras("[camera]\nname = Lone\nflags = 0x1C\nowner =\n");
  Choose(0);
  sdk = GetCanonCDSdkWrapper(nullptr);
  CConnectedCameras list;
  ASSERT_EQ(sdk->EnumerateCameras(nullptr, &list), 1);
  EXPECT_EQ(asked, 0);
  // Without an owner text the display name is the parenthesised source name.
  EXPECT_STREQ(list.GetAt(0)->GetCameraName(), "(Lone)");
  EXPECT_STREQ(list.GetAt(0)->GetModelName(), "Lone");
}

TEST_F(CanonDiscovery, TheChosenEntryOpensItsOwnSourceNotTheSourceAtItsListPosition) {
  UseCameras(kThreeSources);
  Choose(1);
  CanonCDSDK_Wr* sdk = GetCanonCDSdkWrapper(nullptr);
  EXPECT_EQ(Discover(sdk), 2);
  EXPECT_EQ(offered, (std::vector<std::string>{"Owner (A)", "Owner (B)"}));
  EXPECT_EQ(sdk->GetCameraNameList(nullptr, nullptr).NameList(), std::string("Owner (A)\0Owner (B)\0\0", 21));

  // Cancelling adds nothing; so does a list that cannot take the camera.
  Choose(-1);
  EXPECT_EQ(Discover(sdk), -1);
  Choose(0);
  FailingList failing;
  EXPECT_EQ(sdk->EnumerateCameras(nullptr, &failing), 0);
}

TEST_F(CanonDiscovery, TheStoredChoiceOpensWithoutAskingAndTheLastEqualNameWins) {
  UseCameras(kThreeSources);
  Choose(0);
  CanonCDSDK_Wr* sdk = GetCanonCDSdkWrapper(new CTarselSettings);
  sdk->SaveCameraOfUserChoice("Owner (B)", true);
  ReleaseCanonCDSdkWrapper();

  sdk = GetCanonCDSdkWrapper(new CTarselSettings);
  EXPECT_EQ(Discover(sdk), 2);
  EXPECT_EQ(asked, 0);
  int chosen = -1;
  bool use = false;
  sdk->GetCameraNameList(&chosen, &use);
  EXPECT_EQ(chosen, 2);
  EXPECT_TRUE(use);

  // Not used: the stored name is emptied, the object keeps it for this run.
  sdk->SaveCameraOfUserChoice("Owner (A)", false);
  EXPECT_EQ(sdk->GetUserChoiceName(), "Owner (A)");
  ICamSdkSettings* stored = nullptr;
  ASSERT_EQ(sdk->GetSettings()->GetSdkSettings("CANON_CD", &stored, true), 0);
  char name[260] = "x";
  DWORD size = sizeof name;
  stored->GetString("CameraOfUserChoiceName", name, &size);
  EXPECT_STREQ(name, "");
  EXPECT_FALSE(stored->GetBool("UseCameraOfUserChoice", true));
  stored->Release();
  ReleaseCanonCDSdkWrapper();

  UseCameras("[camera]\nname = B\n[camera]\nname = A\n[camera]\nname = B\n");
  sdk = GetCanonCDSdkWrapper(new CTarselSettings);
  sdk->SaveCameraOfUserChoice("Owner (B)", true);
  EXPECT_EQ(Discover(sdk), 2);
  EXPECT_EQ(asked, 0);
}
