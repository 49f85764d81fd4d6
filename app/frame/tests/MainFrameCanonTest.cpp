// The main frame with the product's families, the Canon camera of the SDK
// stand-in of the build (named by TARSEL_CDSDK, as a test program does not
// live beside it) and two camera-link cameras of vesk-simd.
#include "MainFrameTestSupport.h"

#include "app/frame/CommandIds.h"
#include "app/frame/SdkFamily.h"
#include "app/host/ConnectedCameraHost.h"
#include "app/testsupport/VeskSimulator.h"
#include "platform/testsupport/TestSupport.h"
#include "sim/cdsdk/CdSimControl.h"

#include <QPointer>

#include <dlfcn.h>

using namespace std::chrono_literals;
using tarsel::frame::test::pumpUntil;
using tarsel::test::binDir;
namespace cmd = tarsel::frame::cmd;

namespace {

class MainFrameCanon : public tarsel::frame::test::FrameTest {
protected:
  void TearDown() override {
    FrameTest::TearDown();
    tarsel::frame::ReleaseFamilies(tarsel::frame::ProductFamilies());
    if (m_library) {
      EXPECT_EQ(tarsel::cdsim::CdSimControls(m_library).problemsText(), "");
      dlclose(m_library);
    }
  }
  void* m_library = dlopen((binDir() + "/libCDSDK.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  tarsel::test::ScopedEnv m_sdk{"TARSEL_CDSDK", binDir() + "/libCDSDK.so"};
};

} // namespace

TEST_F(MainFrameCanon, TheCanonWindowTakesTheStandInsPictureAndAllCamerasTakeReleasesThree) {
  ASSERT_NE(m_library, nullptr) << dlerror();
  const tarsel::cdsim::CdSimControls sim(m_library);
  ASSERT_EQ(sim.reset("[sdk]\nchunk = 0\n[camera]\n"), 0);
  tarsel::frame::test::useVeskModels({"XC-701", "XC-702"});
  const tarsel::test::TempDir folder;
  tarsel::test::VeskSimulator vesk(binDir() + "/vesk-simd", folder.path(),
                                   "speed = 20\n[camera]\nmodel = XC-701\n[camera]\nmodel = XC-702\n");
  ASSERT_TRUE(vesk.ready());
  const tarsel::test::ScopedEnv devices("VESK_DEVICE_DIR", vesk.deviceFolder());
  MainFrameOptions options = optionsFor({});
  options.makeDeviceWatcher = {};
  CMainFrame& frame = start(options);
  ASSERT_TRUE(pumpUntil([&] { return frame.CameraWindows().size() == 3; }, 60s));
  QPointer<CChildFrame> window;
  for (CChildFrame* each : frame.CameraWindows())
    if (each->windowTitle() == "Owner (Sim Camera A)")
      window = each;
  ASSERT_TRUE(window);
  ASSERT_TRUE(pumpUntil([&] { return window->PaneText(3).startsWith("AFD="); }, 60s));
  EXPECT_EQ(window->PaneText(3), "AFD=Auto Z=5.8 LCD=Off");
  // The picture at `index` is the stand-in's last JPEG.
  const auto taken = [&](int index) {
    std::string bytes(sim.payload(0, 0, nullptr, 0), '\0');
    sim.payload(0, 0, bytes.data(), bytes.size());
    IPictureFromCamera* picture = window->GetHost()->GetPicture(index);
    return picture && bytes.compare(0, bytes.npos, reinterpret_cast<const char*>(picture->GetData()),
                                    picture->GetDataSize()) == 0;
  };
  window->ActivateInMdiClient();
  ASSERT_TRUE(frame.RunCommand(cmd::TakePicture));
  ASSERT_TRUE(pumpUntil([&] { return window->GetHost()->GetPictureCount() == 1 && !window->IsBusy(); }, 60s));
  EXPECT_TRUE(taken(0));

  ASSERT_TRUE(frame.RunCommand(cmd::AllCamerasTakePicture));
  ASSERT_TRUE(pumpUntil([this] { return m_takesEnded == 1; }, 60s));
  EXPECT_EQ(window->GetHost()->GetPictureCount(), 2);
  EXPECT_TRUE(taken(1));
  EXPECT_EQ(vesk.picturesRead(0), 1);
  EXPECT_EQ(vesk.picturesRead(1), 1);
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}
