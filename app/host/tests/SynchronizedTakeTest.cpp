// The all-cameras take across several camera hosts: the common release,
// cameras that fail, arrive late or go away, and overlapping takes.
#include "app/host/SynchronizedTake.h"

#include "HostTestSupport.h"
#include "app/pictures/CamExtraCommand.h"
#include "platform/Win32Error.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

namespace tarsel::host::test {
namespace {

using testcamera::CameraOp;
using testcamera::FakeCameraFamily;

// Camera windows, each with its host and a fake camera.
struct Rig {
  explicit Rig(int count, std::chrono::milliseconds stopDeadline = 5000ms) {
    for (int i = 0; i < count; ++i) {
      std::unique_ptr<testcamera::FakeCamera> camera = family.makeCamera(i);
      cameras.push_back(camera.get());
      windows.push_back(std::make_unique<RecordingWindow>());
      hosts.push_back(std::make_unique<CConnectedCameraHost>(camera.release(), stopDeadline));
      windows.back()->setHost(hosts.back().get());
      hosts.back()->Start(windows.back().get(), nullptr);
    }
  }
  ~Rig() {
    // Hosts stop before their windows go.
    hosts.clear();
  }

  std::vector<CConnectedCameraHost*> hostList() const {
    std::vector<CConnectedCameraHost*> out;
    for (const auto& host : hosts)
      out.push_back(host.get());
    return out;
  }

  std::shared_ptr<CSynchronizedTake> take(ResultWindow& results,
                                          std::chrono::milliseconds barrier = 10000ms) {
    CCamExtraCommand command;
    command.SetOption(3);
    CSynchronizedTake::Params params;
    params.resultReceiver = &results;
    params.barrier = barrier;
    const std::vector<CConnectedCameraHost*> list = hostList();
    return CSynchronizedTake::TakePictureAllCameras(list, &command, params);
  }

  FakeCameraFamily family;
  std::vector<testcamera::FakeCamera*> cameras;
  std::vector<std::unique_ptr<RecordingWindow>> windows;
  std::vector<std::unique_ptr<CConnectedCameraHost>> hosts;
};

TEST(SynchronizedTake, EightCamerasAreReleasedTogetherAndAllReport) {
  Rig rig(8);
  for (int i = 0; i < 8; ++i)
    rig.cameras[static_cast<std::size_t>(i)]->script().setDelay(CameraOp::PrepareCapture,
                                                                std::chrono::milliseconds(20 * i));
  ResultWindow results;
  int reportedAtFinal = -1;
  results.onFinal = [&] {
    reportedAtFinal = 0;
    for (const auto& window : rig.windows)
      reportedAtFinal += window->has(1) || window->has(10001) ? 1 : 0;
  };
  const std::shared_ptr<CSynchronizedTake> take = rig.take(results);
  ASSERT_NE(take, nullptr);
  EXPECT_EQ(take->cameraCount(), 8);
  ASSERT_TRUE(pumpUntil([&] { return results.finals() == 1; }));

  EXPECT_EQ(reportedAtFinal, 8) << "the final result comes after every camera's own";
  const std::vector<std::pair<std::int32_t, HRESULT>> expected = {{0, 0}};
  EXPECT_EQ(results.results, expected);
  std::vector<std::chrono::steady_clock::time_point> fired;
  for (std::size_t i = 0; i < 8; ++i) {
    EXPECT_TRUE(rig.windows[i]->has(1)) << i;
    EXPECT_EQ(rig.hosts[i]->GetPictureCount(), 1) << i;
    EXPECT_EQ(rig.cameras[i]->lastCaptureValue(), 3u) << i;
    EXPECT_EQ(rig.cameras[i]->connectDepth(), 0) << i;
    EXPECT_EQ(rig.cameras[i]->script().calls(CameraOp::PausePreview), 2) << i;
    ASSERT_TRUE(rig.cameras[i]->lastTakeTime().has_value()) << i;
    fired.push_back(*rig.cameras[i]->lastTakeTime());
  }
  const auto [first, last] = std::minmax_element(fired.begin(), fired.end());
  // The last camera was ready 140 ms after the first; released together,
  // they fire within a few milliseconds of each other.
  EXPECT_LT(*last - *first, 100ms);
  EXPECT_EQ(take->pending(), 0);
}

TEST(SynchronizedTake, ACameraThatFailsToPrepareDoesNotHoldTheOthers) {
  constexpr HRESULT kCode = static_cast<HRESULT>(0x81040007u);
  Rig rig(3);
  rig.cameras[1]->script().failNext(CameraOp::PrepareCapture, kCode);
  ResultWindow results;
  const auto before = std::chrono::steady_clock::now();
  ASSERT_NE(rig.take(results), nullptr);
  ASSERT_TRUE(pumpUntil([&] { return results.finals() == 1; }));
  EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);

  EXPECT_TRUE(rig.windows[0]->has(1));
  EXPECT_TRUE(rig.windows[2]->has(1));
  ASSERT_TRUE(rig.windows[1]->has(10001));
  EXPECT_EQ(rig.windows[1]->log().back().argument, kCode);
  EXPECT_EQ(rig.cameras[1]->script().calls(CameraOp::FirePreparedCapture), 0);
  EXPECT_EQ(rig.cameras[1]->connectDepth(), 0);
  EXPECT_EQ(rig.cameras[1]->script().calls(CameraOp::PausePreview), 2);
  const std::vector<std::pair<std::int32_t, HRESULT>> expected = {{1, kCode}, {0, 0}};
  EXPECT_EQ(results.results, expected);
}

TEST(SynchronizedTake, ACameraThatNeverArrivesHoldsNobodyBeyondTheBarrier) {
  Rig rig(3);
  rig.cameras[2]->script().setDelay(CameraOp::PrepareCapture, 1500ms);
  ResultWindow results;
  const auto before = std::chrono::steady_clock::now();
  ASSERT_NE(rig.take(results, 200ms), nullptr);
  ASSERT_TRUE(pumpUntil([&] { return rig.windows[0]->has(10001) && rig.windows[1]->has(10001); }));
  const auto waited = std::chrono::steady_clock::now() - before;
  EXPECT_GE(waited, 200ms);
  EXPECT_LT(waited, 1200ms);
  EXPECT_EQ(rig.windows[0]->log().back().argument, E_FAIL);
  EXPECT_EQ(rig.windows[1]->log().back().argument, E_FAIL);

  // The late camera finds the take given up and does not fire alone.
  ASSERT_TRUE(pumpUntil([&] { return results.finals() == 1; }));
  ASSERT_TRUE(rig.windows[2]->has(10001));
  EXPECT_EQ(rig.windows[2]->log().back().argument, E_FAIL);
  for (testcamera::FakeCamera* camera : rig.cameras) {
    EXPECT_FALSE(camera->lastTakeTime().has_value());
    EXPECT_EQ(camera->connectDepth(), 0);
  }
  const std::vector<std::pair<std::int32_t, HRESULT>> expected = {
      {1, E_FAIL}, {1, E_FAIL}, {1, E_FAIL}, {0, 0}};
  EXPECT_EQ(results.results, expected);
}

TEST(SynchronizedTake, StoppingAHostDuringTheWaitEndsItAndCountsItAsFailed) {
  Rig rig(2);
  rig.cameras[1]->script().setDelay(CameraOp::PrepareCapture, 400ms);
  ResultWindow results;
  ASSERT_NE(rig.take(results, 5000ms), nullptr);
  // Camera 0 prepares at once and waits for camera 1.
  pumpUntil([&] { return rig.cameras[0]->script().calls(CameraOp::PrepareCapture) == 1; });
  std::this_thread::sleep_for(20ms);
  const auto before = std::chrono::steady_clock::now();
  rig.hosts[0].reset();
  EXPECT_LT(std::chrono::steady_clock::now() - before, 300ms);
  pumpFor(10ms);
  EXPECT_FALSE(rig.windows[0]->has(1));
  EXPECT_FALSE(rig.windows[0]->has(10001));

  ASSERT_TRUE(pumpUntil([&] { return results.finals() == 1; }));
  // Camera 0 had reached the release, so camera 1 still fires.
  EXPECT_TRUE(rig.windows[1]->has(1));
  const std::vector<std::pair<std::int32_t, HRESULT>> expected = {{1, E_FAIL}, {0, 0}};
  EXPECT_EQ(results.results, expected);
}

TEST(SynchronizedTake, AJobDroppedAtStopCountsAsFailedAndReleasesTheOthers) {
  Rig rig(2);
  rig.cameras[0]->script().setDelay(CameraOp::Capture, 150ms);
  rig.hosts[0]->QueueTakePicture(nullptr);
  ResultWindow results;
  ASSERT_NE(rig.take(results, 5000ms), nullptr);
  pumpUntil([&] { return rig.cameras[0]->script().calls(CameraOp::Capture) == 1; });
  const auto before = std::chrono::steady_clock::now();
  rig.hosts[0].reset();
  ASSERT_TRUE(pumpUntil([&] { return results.finals() == 1; }));
  EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
  EXPECT_EQ(rig.cameras[1]->script().calls(CameraOp::FirePreparedCapture), 1);
  EXPECT_TRUE(rig.windows[1]->has(1));
  const std::vector<std::pair<std::int32_t, HRESULT>> expected = {{1, E_FAIL}, {0, 0}};
  EXPECT_EQ(results.results, expected);
}

TEST(SynchronizedTake, AResultThatNeverReachesItsWindowCountsAsFailed) {
  Rig rig(2);
  ResultWindow results;
  ASSERT_NE(rig.take(results), nullptr);
  // Both cameras report before the first window handles anything.
  ASSERT_TRUE(std::all_of(rig.cameras.begin(), rig.cameras.end(), [](testcamera::FakeCamera* camera) {
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    while (camera->connectDepth() != 0 || camera->script().calls(CameraOp::TransferPicture) != 1) {
      if (std::chrono::steady_clock::now() >= deadline)
        return false;
      std::this_thread::sleep_for(1ms);
    }
    return true;
  }));
  std::this_thread::sleep_for(20ms);
  rig.hosts[1].reset();
  rig.windows[1].reset();
  ASSERT_TRUE(pumpUntil([&] { return results.finals() == 1; }));
  EXPECT_TRUE(rig.windows[0]->has(1));
  const std::vector<std::pair<std::int32_t, HRESULT>> expected = {{1, E_FAIL}, {0, 0}};
  EXPECT_EQ(results.results, expected);
}

TEST(SynchronizedTake, OverlappingTakesEachHaveTheirOwnContext) {
  Rig rig(3);
  for (testcamera::FakeCamera* camera : rig.cameras)
    camera->script().setDelay(CameraOp::TransferPicture, 20ms);
  ResultWindow first;
  ResultWindow second;
  const std::shared_ptr<CSynchronizedTake> one = rig.take(first);
  const std::shared_ptr<CSynchronizedTake> two = rig.take(second);
  ASSERT_NE(one, nullptr);
  ASSERT_NE(two, nullptr);
  EXPECT_NE(one, two);
  ASSERT_TRUE(pumpUntil([&] { return first.finals() == 1 && second.finals() == 1; }));
  const std::vector<std::pair<std::int32_t, HRESULT>> expected = {{0, 0}};
  EXPECT_EQ(first.results, expected);
  EXPECT_EQ(second.results, expected);
  for (std::size_t i = 0; i < rig.hosts.size(); ++i) {
    EXPECT_EQ(rig.hosts[i]->GetPictureCount(), 2) << i;
    EXPECT_EQ(rig.cameras[i]->script().calls(CameraOp::FirePreparedCapture), 2) << i;
  }
}

TEST(SynchronizedTake, OneCameraFiresAtOnce) {
  Rig rig(1);
  ResultWindow results;
  const auto before = std::chrono::steady_clock::now();
  ASSERT_NE(rig.take(results), nullptr);
  ASSERT_TRUE(pumpUntil([&] { return results.finals() == 1; }));
  EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);
  EXPECT_TRUE(rig.windows[0]->has(1));
}

TEST(SynchronizedTake, ATakeWithoutCamerasIsRefusedAndTicketsAreHandedOutOnce) {
  CSynchronizedTake::Params params;
  EXPECT_EQ(CSynchronizedTake::TakePictureAllCameras({}, nullptr, params), nullptr);
  std::vector<CConnectedCameraHost*> withNull = {nullptr};
  EXPECT_EQ(CSynchronizedTake::TakePictureAllCameras(withNull, nullptr, params), nullptr);
  EXPECT_EQ(CSynchronizedTake::Create(params), nullptr);

  ResultWindow results;
  params.cameraCount = 2;
  params.resultReceiver = &results;
  const std::shared_ptr<CSynchronizedTake> take = CSynchronizedTake::Create(params);
  ASSERT_NE(take, nullptr);
  CSyncTakeTicket zero = take->TakeTicket(0);
  EXPECT_TRUE(zero);
  EXPECT_FALSE(take->TakeTicket(0));
  EXPECT_FALSE(take->TakeTicket(2));
  EXPECT_FALSE(take->TakeTicket(-1));
  {
    CSyncTakeTicket one = take->TakeTicket(1);
    one.Complete(0);
    one.Complete(E_FAIL); // an emptied ticket reports nothing more
  }
  EXPECT_EQ(take->pending(), 1);
  zero = CSyncTakeTicket(); // the dropped ticket counts as a failure
  EXPECT_EQ(take->pending(), 0);
  pumpFor(5ms);
  const std::vector<std::pair<std::int32_t, HRESULT>> expected = {{1, E_FAIL}, {0, 0}};
  EXPECT_EQ(results.results, expected);
}

} // namespace
} // namespace tarsel::host::test
