#include "lunet/LunetCtrl.h"

#include "hostapi/RefPtr.h"
#include "platform/testsupport/TestSupport.h"
#include "sim/vantic/testsupport/SimProcess.h"
#include "vantic/CameraLibrary.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

using namespace std::chrono_literals;
using tarsel::com::Variant;
using tarsel::vantic::test::SimProcess;

namespace {

// A USB camera that stops answering or never becomes ready. The library
// waits 300 ms per reply: one register write to a silent camera would last
// 4 x 6 x 300 ms = 7.2 s, far longer than the control's bounds.
class LunetTimeBounds : public ::testing::Test {
protected:
  void SetUp() override {
    if (!SimProcess::pythonAvailable())
      GTEST_SKIP() << "python3 cannot run here: no camera simulator";
    sim = std::make_unique<SimProcess>(std::vector<std::string>{"--usb", dir.file("s"), "--time-scale", "0"});
    ASSERT_TRUE(sim->ready());
    ::setenv("TARSEL_VANTIC_USB", ("sim:" + sim->endpoint()).c_str(), 1);
    library.replyMs = 300;
    control.Attach(CLunetCtrl::create({1500, 20, 1500, 200})); // ready wait, poll, answer wait, probe
    ASSERT_EQ(run(2, DISPATCH_PROPERTYPUT, {Variant::fromLong(160)}), 0);
    ASSERT_EQ(run(35, DISPATCH_METHOD), 0); // Connect
  }
  void TearDown() override {
    control.Release();
    Cam_reset_dll();
    library = saved;
  }
  // The code a member raised (0 for none); `took` its time.
  int run(DISPID id, WORD flags, std::vector<Variant> args = {}) {
    const auto start = std::chrono::steady_clock::now();
    EXCEPINFO info{};
    const HRESULT hr = control->Invoke(id, flags, args, nullptr, &info);
    took = std::chrono::steady_clock::now() - start;
    return hr == S_OK ? 0 : hr == DISP_E_EXCEPTION ? info.wCode : -1;
  }

  tarsel::test::TempDir dir;
  std::unique_ptr<SimProcess> sim;
  tarsel::vantic::Timings& library = tarsel::vantic::CameraLibrary::instance().timings();
  const tarsel::vantic::Timings saved = library;
  CRefPtr<CLunetCtrl> control;
  std::chrono::steady_clock::duration took{};
};

constexpr DISPID kFlash = 6, kFolderName = 11, kPicCount = 18, kCapture = 37, kGetPicture = 46;

} // namespace

TEST_F(LunetTimeBounds, ASilentCameraFailsWithinTheAnswerWaitThenAtOnceUntilItAnswersAgain) {
  sim->fault("silence");
  const std::vector<Variant> picture = {Variant::fromLong(100),
                                        Variant::fromArray(std::make_shared<tarsel::com::ByteArray>(100))};
  EXPECT_EQ(run(kGetPicture, DISPATCH_METHOD, picture), CAM_NOT_RESPONDING); // its selection unanswered
  EXPECT_LT(took, 4000ms);
  for (const DISPID id : {kPicCount, kFlash, kCapture}) {
    EXPECT_EQ(run(id, id == kCapture ? DISPATCH_METHOD : DISPATCH_PROPERTYGET), CAM_NOT_RESPONDING) << id;
    EXPECT_LT(took, 1000ms) << id;
  }
  sim->clearFaults();
  EXPECT_EQ(run(kCapture, DISPATCH_METHOD), 0);
  EXPECT_EQ(run(kFolderName, DISPATCH_PROPERTYGET), 0); // a new control names the first folder
}

TEST_F(LunetTimeBounds, ACameraNeverReadyFailsTheReadyWaitThenEachMemberAtOnce) {
  sim->fault("not-ready");
  EXPECT_EQ(run(kCapture, DISPATCH_METHOD), tarsel::lunet::kNotResponding);
  EXPECT_LT(took, 4000ms);
  for (const DISPID id : {kFlash, kPicCount}) {
    EXPECT_EQ(run(id, DISPATCH_PROPERTYGET), tarsel::lunet::kNotResponding) << id;
    EXPECT_LT(took, 800ms) << id;
  }
  sim->clearFaults();
  EXPECT_EQ(run(kPicCount, DISPATCH_PROPERTYGET), 0);
}
