#include "lunet/LunetCtrl.h"
#include "lunet/LunetIds.h"
#include "lunet/LunetStrings.h"

#include "LunetTestSupport.h"
#include "hostapi/RefPtr.h"
#include "platform/testsupport/TestSupport.h"
#include "vantic/CameraLibrary.h"
#include "vantic/Vantic.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <memory>

using namespace tarsel::lunet;
using tarsel::com::ByteArray;
using tarsel::com::Variant;
using tarsel::vantic::test::Json;
using tarsel::vantic::test::SimProcess;
using namespace tarsel::lunet::test;

namespace {

enum : DISPID {
  kSpeed = 1,
  kPort = 2,
  kCancel = 3,
  kFlash = 6,
  kCameraID = 9,
  kCameraTime = 10,
  kPicSize = 19,
  kPowerSaveCamera = 20,
  kCurrentPicture = 27,
  kConnect = 35,
  kDisConnect = 36,
  kGetPicTagProp = 44,
  kGetPicture = 46,
  kSetExposurePropVB = 55,
  kPreview = 61,
  kGetPreview = 62,
};

// One simulated serial camera for every case of the program (it refuses
// speeds above index 3, 38400 baud); each case connects and leaves the camera
// at its starting speed.
class LunetControl : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    if (!SimProcess::pythonAvailable())
      return;
    s_dir = new tarsel::test::TempDir();
    tarsel::test::writeFile(s_dir->file("camera.json"),
                            R"({"picture_count": 2, "picture_size": 7000, "preview_size": 3000,
                                "texts": {"22": "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"},
                                "structures": {"102": [2, 4, 7, 100000, 9]}})");
    s_sim = startSerialCamera(*s_dir, s_dir->file("camera.json")).release();
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    // The simulator needs none of the camera's pauses between exchanges.
    auto& timings = tarsel::vantic::CameraLibrary::instance().timings();
    timings.replyMs = 300;
    timings.delayAfterControlMs = 2;
    timings.pendingLookMs = 10;
    timings.settleMs = 2;
    timings.openPauseMs = 10;
    timings.loadedDataPauseMs = 10;
  }

  static void TearDownTestSuite() {
    delete s_sim;
    delete s_dir;
  }

  void SetUp() override {
    if (s_sim == nullptr || !s_sim->ready())
      GTEST_SKIP() << "the camera simulator cannot run here";
    control.Attach(CLunetCtrl::create({400, 20}));
  }

  void TearDown() override {
    if (s_sim == nullptr || !s_sim->ready())
      return;
    s_sim->clearFaults();
    call(kDisConnect, {});
    control.Release();
    Cam_reset_dll();
    // Whatever a case did, the camera starts the next one at 19200 baud.
    s_sim->request(R"({"op":"set-register","reg":17,"value":0})");
    s_sim->takeLog();
  }

  HRESULT put(DISPID id, Variant value, EXCEPINFO* info = nullptr) {
    return control->Invoke(id, DISPATCH_PROPERTYPUT, std::span(&value, 1), nullptr, info);
  }
  std::int32_t getLong(DISPID id) {
    Variant value;
    std::int32_t number = 0;
    EXPECT_EQ(control->Invoke(id, DISPATCH_PROPERTYGET, {}, &value, nullptr), S_OK);
    EXPECT_EQ(value.asLong(number), S_OK);
    return number;
  }
  HRESULT call(DISPID id, std::vector<Variant> args, Variant* result = nullptr, EXCEPINFO* info = nullptr) {
    return control->Invoke(id, DISPATCH_METHOD, args, result, info);
  }
  // Port COM1 at the camera's speed: no search.
  void connect() {
    ASSERT_EQ(put(kPort, Variant::fromLong(1)), S_OK);
    ASSERT_EQ(put(kSpeed, Variant::fromLong(3)), S_OK);
    Variant result;
    ASSERT_EQ(call(kConnect, {}, &result), S_OK);
    ASSERT_EQ(getLong(kSpeed), 3);
    std::int32_t rc = -1;
    ASSERT_EQ(result.asLong(rc), S_OK);
    ASSERT_EQ(rc, 0);
  }
  // The speeds asked for (the writes of 0 that close a session left out; a
  // refused write repeated by the library counted once).
  std::vector<int> speedWrites() {
    std::vector<int> indexes;
    const Json registers = s_sim->registers();
    for (const Json& write : registers["state"]["speed_writes"].items) {
      const auto index = static_cast<int>(write["index"].integer());
      if (index != 0 && (indexes.empty() || indexes.back() != index || write["accepted"].boolean))
        indexes.push_back(index);
    }
    return indexes;
  }

  static inline SimProcess* s_sim = nullptr;
  static inline tarsel::test::TempDir* s_dir = nullptr;
  CRefPtr<CLunetCtrl> control;
};

} // namespace

TEST_F(LunetControl, ConnectSearchesTheSpeedOnceAndReportsAMissingPort) {
  const std::size_t before = speedWrites().size();
  ASSERT_EQ(put(kPort, Variant::fromLong(0)), S_OK); // automatic: no USB camera, COM1 answers
  ASSERT_EQ(put(kCancel, Variant::fromLong(1)), S_OK);
  Variant result;
  ASSERT_EQ(call(kConnect, {}, &result), S_OK);
  EXPECT_EQ(getLong(kSpeed), 3); // 6, 5 and 4 are refused; 3 is 38400 baud
  EXPECT_EQ(getLong(kPort), 1);
  EXPECT_EQ(getLong(kCancel), 0);
  std::vector<int> writes = speedWrites();
  EXPECT_EQ(std::vector<int>(writes.begin() + static_cast<std::ptrdiff_t>(before), writes.end()),
            (std::vector<int>{6, 5, 4, 3}));
  EXPECT_EQ(s_sim->registers()["link"]["camera_baud"].integer(), 38400);

  // A second Connect keeps the speed it found.
  ASSERT_EQ(call(kDisConnect, {}, &result), S_OK);
  ASSERT_EQ(call(kConnect, {}, &result), S_OK);
  const std::vector<int> again = speedWrites();
  EXPECT_EQ(std::vector<int>(again.begin() + static_cast<std::ptrdiff_t>(writes.size()), again.end()),
            std::vector<int>{3});

  ASSERT_EQ(call(kDisConnect, {}, &result), S_OK);
  ASSERT_EQ(put(kPort, Variant::fromLong(3)), S_OK); // nothing there
  ASSERT_EQ(call(kConnect, {}, &result), S_OK);
  std::int32_t rc = 0;
  EXPECT_EQ(result.asLong(rc), S_OK);
  EXPECT_EQ(rc, 255);
  EXPECT_EQ(getLong(kPort), 3);
}

TEST_F(LunetControl, FailuresRaiseTheCameraCodeWhilePlainGettersGiveMinusOne) {
  connect();
  s_sim->fault("nak@op=0@reg=7");
  EXCEPINFO info;
  EXPECT_EQ(put(kFlash, Variant::fromLong(1), &info), DISP_E_EXCEPTION);
  EXPECT_EQ(info.wCode, CAM_NAK_RESPONSE);
  EXPECT_EQ(info.scode, 0);
  EXPECT_EQ(info.bstrDescription, kLunetFailureText);
  s_sim->clearFaults();
  s_sim->fault("bad-checksum@op=1@reg=7");
  EXPECT_EQ(getLong(kFlash), -1);
  // A clock that cannot be read reads as 1 January 1970 (25569 in UTC), raising nothing.
  s_sim->fault("bad-checksum@op=1@reg=2");
  Variant date;
  ASSERT_EQ(control->Invoke(kCameraTime, DISPATCH_PROPERTYGET, {}, &date, nullptr), S_OK);
  EXPECT_EQ(date.type(), VT_DATE);
  DATE value = 0;
  EXPECT_EQ(date.asDate(value), S_OK);
  EXPECT_DOUBLE_EQ(value, 25569.0);
  // The power-save setter writes nothing when it cannot read the other value.
  s_sim->clearFaults();
  const auto before = static_cast<std::int32_t>(s_sim->registers()["registers"]["23"].integer());
  s_sim->fault("bad-checksum@op=1@reg=24");
  EXPECT_EQ(put(kPowerSaveCamera, Variant::fromLong(before + 5), &info), DISP_E_EXCEPTION);
  EXPECT_NE(info.wCode, 0);
  s_sim->clearFaults();
  EXPECT_EQ(s_sim->registers()["registers"]["23"].integer(), before);
}

TEST_F(LunetControl, TextsAndStructuresKeepTheirBounds) {
  connect();
  Variant id;
  ASSERT_EQ(control->Invoke(kCameraID, DISPATCH_PROPERTYGET, {}, &id, nullptr), S_OK);
  std::string text;
  EXPECT_EQ(id.asText(text), S_OK);
  EXPECT_EQ(text, "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345"); // all 32 bytes, no terminator needed
  ASSERT_EQ(put(kCameraID, Variant::fromText("abcdefghijklmnopqrstuvwxyz0123456789ABCD")), S_OK);
  EXPECT_EQ(s_sim->registers()["texts"]["22"].text, "abcdefghijklmnopqrstuvwxyz01234");
  ASSERT_EQ(control->Invoke(kCameraID, DISPATCH_PROPERTYGET, {}, &id, nullptr), S_OK);
  EXPECT_EQ(id.asText(text), S_OK);
  EXPECT_EQ(text, "abcdefghijklmnopqrstuvwxyz01234"); // stops at the camera's NUL

  // The exposure words the caller does not give keep the camera's values.
  ASSERT_EQ(call(kSetExposurePropVB, {Variant::fromLong(1), Variant::fromLong(3), Variant::fromLong(500)}),
            S_OK);
  EXPECT_EQ(s_sim->registers()["structures"]["102"].text, "010000000300000007000000f401000009000000");
}

TEST_F(LunetControl, TransfersCheckTheArrayReportProgressAndCanBeCancelled) {
  connect();
  IConnectionPoint* point = nullptr;
  ASSERT_EQ(control->FindConnectionPoint(DIID_DLunetEvents, &point), S_OK);
  ProgressSink sink;
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
  s_sim->takeLog();

  EXCEPINFO info;
  auto array = std::make_shared<ByteArray>(100);
  EXPECT_EQ(call(kGetPreview, {Variant::fromLong(100), Variant::fromArray(array)}, nullptr, &info),
            DISP_E_EXCEPTION);
  EXPECT_EQ(info.wCode, kWrongPreviewNumber);
  EXPECT_TRUE(s_sim->takeLog()["log"].items.empty()); // the camera was not asked

  const std::int32_t size = getLong(kPicSize);
  ASSERT_EQ(size, 7000);
  EXPECT_EQ(call(kGetPicture, {Variant::fromLong(size), Variant()}, nullptr, &info), DISP_E_EXCEPTION);
  EXPECT_EQ(info.wCode, kMemoryError);
  auto shortArray = std::make_shared<ByteArray>(static_cast<std::size_t>(size - 1));
  EXPECT_EQ(call(kGetPicture, {Variant::fromLong(size), Variant::fromArray(shortArray)}, nullptr, &info),
            DISP_E_EXCEPTION);
  EXPECT_EQ(info.wCode, kMemoryError);
  EXPECT_TRUE(sink.seen.empty());

  auto picture = std::make_shared<ByteArray>(static_cast<std::size_t>(size));
  Variant holder = Variant::fromArray(picture);
  ASSERT_EQ(call(kGetPicture, {Variant::fromLong(size), Variant::refVariant(&holder)}), S_OK);
  EXPECT_EQ(sha256Hex(ByteArray::Access(*picture).bytes()), s_sim->picture(1)["sha256"].text);
  ASSERT_FALSE(sink.seen.empty());
  EXPECT_TRUE(std::is_sorted(sink.seen.begin(), sink.seen.end()));
  EXPECT_EQ(sink.seen.back(), 100);

  // The preview is picture 0.
  ASSERT_EQ(put(kCurrentPicture, Variant::fromLong(0)), S_OK);
  ASSERT_EQ(call(kPreview, {}), S_OK);
  const std::int32_t previewSize = getLong(kPicSize);
  auto preview = std::make_shared<ByteArray>(static_cast<std::size_t>(previewSize));
  ASSERT_EQ(call(kGetPreview, {Variant::fromLong(previewSize), Variant::fromArray(preview)}), S_OK);
  EXPECT_EQ(sha256Hex(ByteArray::Access(*preview).bytes()), s_sim->picture(0)["sha256"].text);
  // A structure's array must hold all of it.
  auto tag = std::make_shared<ByteArray>(75);
  EXPECT_EQ(call(kGetPicTagProp, {Variant::fromArray(tag)}, nullptr, &info), DISP_E_EXCEPTION);
  EXPECT_EQ(info.wCode, kMemoryError);
  ASSERT_EQ(put(kCurrentPicture, Variant::fromLong(1)), S_OK);

  // Setting propCancel from the sink stops the next transfer at its first progress call.
  sink.seen.clear();
  sink.cancelFrom = control.get();
  EXPECT_EQ(call(kGetPicture, {Variant::fromLong(size), Variant::fromArray(picture)}, nullptr, &info),
            DISP_E_EXCEPTION);
  EXPECT_EQ(info.wCode, CAM_USER_BREAK);
  EXPECT_EQ(sink.seen.size(), 1u);
  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  point->Release();
}

TEST_F(LunetControl, ReadyWaitEndsWithNotResponding) {
  connect();
  s_sim->fault("not-ready");
  EXCEPINFO info;
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(put(kFlash, Variant::fromLong(1), &info), DISP_E_EXCEPTION);
  EXPECT_EQ(info.wCode, kNotResponding);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
}
