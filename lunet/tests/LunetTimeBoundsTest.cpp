#include "lunet/LunetCtrl.h"

#include "LunetTestSupport.h"
#include "hostapi/RefPtr.h"
#include "vantic/CameraLibrary.h"
#include "vantic/Vantic.h"

#include <gtest/gtest.h>

#include <chrono>

using namespace tarsel::lunet;
using namespace tarsel::lunet::test;
using tarsel::com::ByteArray;
using tarsel::com::Variant;
using tarsel::vantic::Timings;
using tarsel::vantic::test::SimProcess;
using Clock = std::chrono::steady_clock;

namespace {

enum : DISPID {
  kFlash = 6,
  kPicCount = 18,
  kPort = 2,
  kConnect = 35,
  kDisConnect = 36,
  kCapture = 37,
  kGetPicture = 46
};

constexpr long kPictureSize = 7000;

// A USB camera that stops answering or never becomes ready. The library
// waits 300 ms per reply, so one register write to a silent camera would
// last 4 x 6 x 300 ms = 7.2 s; the control's bounds are shorter.
class LunetTimeBounds : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    if (!SimProcess::pythonAvailable())
      return;
    s_dir = new tarsel::test::TempDir();
    tarsel::test::writeFile(s_dir->file("camera.json"), R"({"picture_count": 2, "picture_size": 7000})");
    s_sim = startUsbCamera(*s_dir, s_dir->file("camera.json")).release();
    Timings& timings = tarsel::vantic::CameraLibrary::instance().timings();
    s_saved = timings;
    timings.replyMs = 300;
    timings.settleMs = 2;
  }

  static void TearDownTestSuite() {
    tarsel::vantic::CameraLibrary::instance().timings() = s_saved;
    delete s_sim;
    delete s_dir;
  }

  void SetUp() override {
    if (s_sim == nullptr || !s_sim->ready())
      GTEST_SKIP() << "the camera simulator cannot run here";
    LunetTimings timings;
    timings.readyWaitMs = 1500;
    timings.readyPollMs = 20;
    timings.answerWaitMs = 1500;
    timings.probeMs = 200;
    control.Attach(CLunetCtrl::create(timings));
    Variant usb = Variant::fromLong(CAM_PORT_USB);
    ASSERT_EQ(control->Invoke(kPort, DISPATCH_PROPERTYPUT, std::span(&usb, 1), nullptr, nullptr), S_OK);
    Variant result;
    ASSERT_EQ(control->Invoke(kConnect, DISPATCH_METHOD, {}, &result, nullptr), S_OK);
    std::int32_t rc = -1;
    ASSERT_EQ(result.asLong(rc), S_OK);
    ASSERT_EQ(rc, 0);
  }

  void TearDown() override {
    if (s_sim == nullptr || !s_sim->ready())
      return;
    s_sim->clearFaults();
    control->Invoke(kDisConnect, DISPATCH_METHOD, {}, nullptr, nullptr);
    control.Release();
    Cam_reset_dll();
  }

  // A member's raised code (0 when it raised nothing) and how long it took.
  struct Outcome {
    int code;
    Clock::duration took;
  };
  Outcome run(DISPID id, WORD flags, std::vector<Variant> args = {}, Variant* result = nullptr) {
    EXCEPINFO info{};
    const auto start = Clock::now();
    const HRESULT hr = control->Invoke(id, flags, args, result, &info);
    const auto took = Clock::now() - start;
    EXPECT_TRUE(hr == S_OK || hr == DISP_E_EXCEPTION) << hr;
    return {hr == S_OK ? 0 : info.wCode, took};
  }
  Outcome getPicture(std::shared_ptr<ByteArray> array) {
    return run(kGetPicture, DISPATCH_METHOD, {Variant::fromLong(kPictureSize), Variant::fromArray(array)});
  }

  static inline SimProcess* s_sim = nullptr;
  static inline tarsel::test::TempDir* s_dir = nullptr;
  static inline Timings s_saved;
  CRefPtr<CLunetCtrl> control;
};

} // namespace

TEST_F(LunetTimeBounds, ASilentCameraFailsWithinTheAnswerWaitThenAtOnceUntilItAnswersAgain) {
  s_sim->fault("silence");
  auto array = std::make_shared<ByteArray>(kPictureSize);
  // The picture's selection is not answered: its own code, within the bound.
  const Outcome first = getPicture(array);
  EXPECT_EQ(first.code, CAM_NOT_RESPONDING);
  EXPECT_LT(first.took, std::chrono::milliseconds(4000));
  // The next members ask once, briefly, and fail.
  for (const DISPID id : {kPicCount, kFlash}) {
    const Outcome next = run(id, DISPATCH_PROPERTYGET);
    EXPECT_EQ(next.code, CAM_NOT_RESPONDING) << id;
    EXPECT_LT(next.took, std::chrono::milliseconds(1000)) << id;
  }
  const Outcome capture = run(kCapture, DISPATCH_METHOD);
  EXPECT_NE(capture.code, 0);
  EXPECT_LT(capture.took, std::chrono::milliseconds(1000));

  // Answering again, the camera is used as before.
  s_sim->clearFaults();
  Variant count;
  EXPECT_EQ(run(kPicCount, DISPATCH_PROPERTYGET, {}, &count).code, 0);
  std::int32_t pictures = 0;
  EXPECT_EQ(count.asLong(pictures), S_OK);
  EXPECT_EQ(pictures, 2);
  ASSERT_EQ(getPicture(array).code, 0);
  ByteArray::Access access(*array);
  EXPECT_EQ(sha256Hex(access.bytes()), s_sim->picture(1)["sha256"].text);
}

TEST_F(LunetTimeBounds, ACameraNeverReadyFailsTheReadyWaitThenEachMemberAtOnce) {
  s_sim->fault("not-ready");
  const Outcome capture = run(kCapture, DISPATCH_METHOD);
  EXPECT_EQ(capture.code, kNotResponding);
  EXPECT_GE(capture.took, std::chrono::milliseconds(1500));
  EXPECT_LT(capture.took, std::chrono::milliseconds(4000));
  for (const DISPID id : {kFlash, kPicCount}) {
    const Outcome next = run(id, DISPATCH_PROPERTYGET);
    EXPECT_EQ(next.code, kNotResponding) << id;
    EXPECT_LT(next.took, std::chrono::milliseconds(800)) << id;
  }
  s_sim->clearFaults();
  Variant count;
  EXPECT_EQ(run(kPicCount, DISPATCH_PROPERTYGET, {}, &count).code, 0);
  std::int32_t pictures = 0;
  EXPECT_EQ(count.asLong(pictures), S_OK);
  EXPECT_EQ(pictures, 3); // the picture the camera took
}
