// The camera host with the test camera family: the status events of the
// jobs, their pictures, and stopping a worker that is idle, busy or stuck.
#include "app/host/ConnectedCameraHost.h"

#include "HostTestSupport.h"
#include "app/pictures/CamExtraCommand.h"
#include "env/BrantelTakeError.h"
#include "env/CamStorageDir.h"
#include "platform/Win32Error.h"
#include "platform/testsupport/TestSupport.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <mutex>
#include <thread>

namespace tarsel::host::test {
namespace {

using testcamera::CameraOp;
using testcamera::FakeCamera;
using testcamera::FakeCameraFamily;

std::vector<std::pair<std::int32_t, std::intptr_t>> statuses(const RecordingWindow& window) {
  std::vector<std::pair<std::int32_t, std::intptr_t>> out;
  for (const StatusRecord& record : window.log())
    out.emplace_back(record.code, record.argument);
  return out;
}

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 10s) {
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline)
      return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

TEST(CameraHost, TakePostsStatusInOrderAndHandsThePictureToTheWindow) {
  FakeCameraFamily family;
  std::unique_ptr<FakeCamera> owned = family.makeCamera(0);
  FakeCamera* camera = owned.get();
  RecordingWindow window;
  CConnectedCameraHost host(owned.release());
  window.setHost(&host);
  ASSERT_TRUE(host.Start(&window, nullptr));
  EXPECT_NE(camera->statusSink(), nullptr);

  CCamExtraCommand command;
  command.SetOption(3);
  command.SetCommand(1, 250);
  host.QueueTakePicture(&command);
  ASSERT_TRUE(pumpUntil([&] { return window.has(0) || window.has(10000); }));

  // The camera's own transfer progress (3, 100) comes between the two texts
  // and the result.
  const std::vector<std::pair<std::int32_t, std::intptr_t>> expected = {
      {4, 32840}, {4, 32841}, {3, 100}, {0, 0}};
  EXPECT_EQ(statuses(window), expected);
  ASSERT_EQ(window.log().size(), expected.size());
  for (std::size_t i = 0; i + 1 < window.log().size(); ++i)
    EXPECT_FALSE(window.log()[i].withPicture) << i;
  EXPECT_TRUE(window.log().back().withPicture);

  ASSERT_EQ(host.GetPictureCount(), 1);
  IPictureFromCamera* picture = host.GetPicture();
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(picture->GetDataSize(), camera->pictureBytes(1).size());
  ASSERT_NE(picture->GetExtraCommand(), nullptr);
  std::int32_t first = 0;
  std::int32_t second = 0;
  EXPECT_TRUE(picture->GetExtraCommand()->GetCommand(&first, &second));
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 250);

  EXPECT_EQ(camera->lastCaptureValue(), 3u);
  EXPECT_EQ(camera->lastTransferFlags(), 3u);
  EXPECT_EQ(camera->script().calls(CameraOp::PausePreview), 2);
  EXPECT_EQ(camera->script().calls(CameraOp::Connect), 1);
  EXPECT_EQ(camera->script().calls(CameraOp::DisConnect), 1);
  EXPECT_EQ(camera->connectDepth(), 0);
}

TEST(CameraHost, FailedTakeDisconnectsResumesThePreviewAndPostsTheCode) {
  constexpr HRESULT kCode = static_cast<HRESULT>(0x81040005u);
  struct Row {
    CameraOp failing;
    std::vector<std::pair<std::int32_t, std::intptr_t>> expected;
  };
  const Row rows[] = {
      {CameraOp::Capture, {{4, 32840}, {10000, kCode}}},
      {CameraOp::TransferPicture, {{4, 32840}, {4, 32841}, {10000, kCode}}},
      // A connection that fails throws, as the families' counted ones do.
      {CameraOp::Connect, {{4, 32840}, {10000, kCode}}},
  };
  for (const Row& row : rows) {
    FakeCameraFamily family;
    std::unique_ptr<FakeCamera> owned = family.makeCamera(0);
    FakeCamera* camera = owned.get();
    camera->script().failNext(row.failing, kCode);
    RecordingWindow window;
    CConnectedCameraHost host(owned.release());
    window.setHost(&host);
    ASSERT_TRUE(host.Start(&window, nullptr));
    host.QueueTakePicture(nullptr);
    ASSERT_TRUE(pumpUntil([&] { return window.has(0) || window.has(10000); }));
    EXPECT_EQ(statuses(window), row.expected) << static_cast<int>(row.failing);
    EXPECT_EQ(camera->script().calls(CameraOp::PausePreview), 2);
    EXPECT_EQ(camera->connectDepth(), 0);
    EXPECT_EQ(host.GetPictureCount(), 0);
  }
}

TEST(CameraHost, DownloadLeavesThePreviewAloneAndReportsCodeSix) {
  FakeCameraFamily family;
  std::unique_ptr<FakeCamera> owned = family.makeCamera(0);
  FakeCamera* camera = owned.get();
  RecordingWindow window;
  CConnectedCameraHost host(owned.release());
  window.setHost(&host);
  ASSERT_TRUE(host.Start(&window, nullptr));

  host.QueueDownload(2);
  ASSERT_TRUE(pumpUntil([&] { return window.has(6) || window.has(10000); }));
  ASSERT_FALSE(window.log().empty());
  EXPECT_EQ(window.log().front().code, 4);
  EXPECT_EQ(window.log().front().argument, 32841);
  EXPECT_EQ(window.log().back().code, 6);
  EXPECT_TRUE(window.log().back().withPicture);
  ASSERT_EQ(host.GetPictureCount(), 1);
  EXPECT_STREQ(host.GetPicture()->GetFileName(), "TST_0002.JPG");

  // A stored picture that does not exist: the camera's answer 1 is a failure.
  host.QueueDownload(99);
  ASSERT_TRUE(pumpUntil([&] { return window.has(10000); }));
  EXPECT_EQ(window.log().back().argument, 1);
  EXPECT_EQ(camera->script().calls(CameraOp::PausePreview), 0);
  EXPECT_EQ(camera->connectDepth(), 0);
  EXPECT_EQ(host.GetPictureCount(), 1);
}

TEST(CameraHost, StartReportsAFailedInitialisationAndStillRunsJobs) {
  FakeCameraFamily family;
  std::unique_ptr<FakeCamera> owned = family.makeCamera(0);
  owned->script().failNext(CameraOp::InitCameraObject, E_FAIL);
  RecordingWindow window;
  CConnectedCameraHost host(owned.release());
  EXPECT_FALSE(host.Start(&window, nullptr));
  EXPECT_FALSE(host.Start(&window, nullptr)) << "a second start is refused";
  host.QueueTakePicture(nullptr);
  EXPECT_TRUE(pumpUntil([&] { return window.has(0); }));
}

TEST(CameraHost, ACameraCallRunsOnTheWorkerAfterEarlierJobsAndAnswersOnlyALiveReceiver) {
  FakeCameraFamily family;
  std::unique_ptr<FakeCamera> owned = family.makeCamera(0);
  FakeCamera* camera = owned.get();
  camera->script().setDelay(CameraOp::Capture, 30ms);
  RecordingWindow window;
  CConnectedCameraHost host(owned.release());
  window.setHost(&host);
  ASSERT_TRUE(host.Start(&window, nullptr));
  const std::thread::id ui = std::this_thread::get_id();
  // What the calls saw, written on the worker.
  struct Seen {
    std::mutex lock;
    std::vector<int> values;
    void add(int value) {
      const std::lock_guard<std::mutex> guard(lock);
      values.push_back(value);
    }
    std::vector<int> get() {
      const std::lock_guard<std::mutex> guard(lock);
      return values;
    }
  };
  auto seen = std::make_shared<Seen>();
  std::vector<HRESULT> answers;
  host.QueueTakePicture(nullptr);
  // The call finds the take done before it, and runs on the worker.
  EXPECT_TRUE(host.QueueCameraCall(
      [camera, ui, seen] {
        seen->add(std::this_thread::get_id() != ui ? camera->script().calls(CameraOp::Capture) : -1);
      },
      &window, [&](HRESULT code) { answers.push_back(code); }));
  EXPECT_TRUE(host.QueueCameraCall([] { ThrowError(static_cast<HRESULT>(0x81040005u)); }, &window,
                                   [&](HRESULT code) { answers.push_back(code); }));
  auto gone = std::make_unique<QObject>();
  EXPECT_TRUE(host.QueueCameraCall([seen] { seen->add(2); }, gone.get(),
                                   [&](HRESULT code) { answers.push_back(code + 1); }));
  gone.reset();
  EXPECT_TRUE(pumpUntil([&] { return answers.size() == 2 && seen->get().size() == 2; }));
  pumpFor(20ms);
  EXPECT_EQ(seen->get(), (std::vector<int>{1, 2}));
  EXPECT_EQ(answers, (std::vector<HRESULT>{0, static_cast<HRESULT>(0x81040005u)}));
  host.Stop();
  EXPECT_FALSE(host.QueueCameraCall([] {}, &window, {}));
}

TEST(CameraHost, QueuedJobsAtStopAreDroppedUnrun) {
  FakeCameraFamily family;
  std::unique_ptr<FakeCamera> owned = family.makeCamera(0);
  FakeCamera* camera = owned.get();
  const int serial = camera->serial();
  camera->script().setDelay(CameraOp::Capture, 150ms);
  RecordingWindow window;
  auto host = std::make_unique<CConnectedCameraHost>(owned.release());
  ASSERT_TRUE(host->Start(&window, nullptr));
  for (int i = 0; i < 3; ++i)
    host->QueueTakePicture(nullptr);
  host->QueueDownload(1);
  ASSERT_TRUE(waitFor([&] { return camera->script().calls(CameraOp::Capture) == 1; }));

  host.reset();
  EXPECT_EQ(family.camerasDestroyed(), 1);
  EXPECT_EQ(family.timesDestroyed(serial), 1);
  pumpFor(20ms);
  // The running take ended without reaching the closed window; nothing else ran.
  for (const StatusRecord& record : window.log())
    EXPECT_EQ(record.code, 4);
}

TEST(CameraHost, StopDuringATakeEndsWithoutHang) {
  FakeCameraFamily family;
  std::unique_ptr<FakeCamera> owned = family.makeCamera(0);
  FakeCamera* camera = owned.get();
  camera->script().setDelay(CameraOp::TransferPicture, 100ms);
  RecordingWindow window;
  auto host = std::make_unique<CConnectedCameraHost>(owned.release(), 5000ms);
  ASSERT_TRUE(host->Start(&window, nullptr));
  host->QueueTakePicture(nullptr);
  ASSERT_TRUE(waitFor([&] { return camera->script().calls(CameraOp::TransferPicture) == 1; }));
  const auto before = std::chrono::steady_clock::now();
  host.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
  EXPECT_EQ(family.camerasDestroyed(), 1);
}

TEST(CameraHost, AStuckWorkerIsAbandonedAndTheProgramGoesOn) {
  FakeCameraFamily family;
  std::unique_ptr<FakeCamera> owned = family.makeCamera(0);
  FakeCamera* camera = owned.get();
  const int serial = camera->serial();
  camera->script().setDelay(CameraOp::TransferPicture, 400ms);
  RecordingWindow window;
  auto host = std::make_unique<CConnectedCameraHost>(owned.release(), 30ms);
  window.setHost(host.get());
  ASSERT_TRUE(host->Start(&window, nullptr));
  host->QueueTakePicture(nullptr);
  ASSERT_TRUE(waitFor([&] { return camera->script().calls(CameraOp::TransferPicture) == 1; }));
  // The window drains what reached it before it deletes its host.
  QCoreApplication::sendPostedEvents();
  const std::size_t delivered = window.log().size();

  const auto before = std::chrono::steady_clock::now();
  host.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - before, 300ms);
  EXPECT_TRUE(CConnectedCameraHost::AnyWorkerAbandoned());
  const std::string errorLog = tarsel::test::readFile(std::string(CCamDataDir().GetPath()) + "/ErrorLog.txt");
  EXPECT_NE(errorLog.find("did not stop within 30 ms"), std::string::npos);
  EXPECT_EQ(family.camerasDestroyed(), 0) << "the worker still uses the camera";

  // The worker finishes the transfer, during which the camera reports
  // progress through its status sink, and deletes the camera when it ends.
  ASSERT_TRUE(waitFor([&] { return family.camerasDestroyed() == 1; }, 10s));
  EXPECT_EQ(family.timesDestroyed(serial), 1);
  pumpFor(20ms);
  EXPECT_EQ(window.log().size(), delivered);
}

TEST(CameraHost, EventsToADeletedReceiverAreNotDelivered) {
  FakeCameraFamily family;
  std::unique_ptr<FakeCamera> owned = family.makeCamera(0);
  FakeCamera* camera = owned.get();
  camera->script().setDelay(CameraOp::Capture, 100ms);
  auto log = std::make_shared<std::vector<StatusRecord>>();
  auto* window = new RecordingWindow(log);
  CConnectedCameraHost host(owned.release());
  ASSERT_TRUE(host.Start(window, nullptr));
  host.QueueTakePicture(nullptr);
  ASSERT_TRUE(waitFor([&] { return camera->script().calls(CameraOp::Capture) == 1; }));
  ASSERT_TRUE(pumpUntil([&] { return !log->empty(); }));
  const std::size_t delivered = log->size();
  delete window;

  ASSERT_TRUE(waitFor(
      [&] { return camera->connectDepth() == 0 && camera->script().calls(CameraOp::PausePreview) == 2; }));
  pumpFor(50ms);
  EXPECT_EQ(log->size(), delivered);
  SetLastError(0);
  EXPECT_EQ(host.PostStatus(5, 0), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
}

TEST(CameraHost, StuckWorkersAskedToStopTogetherShareOneDeadline) {
  FakeCameraFamily family;
  std::vector<std::unique_ptr<CConnectedCameraHost>> hosts;
  RecordingWindow windows[2];
  for (int i = 0; i < 2; ++i) {
    std::unique_ptr<FakeCamera> owned = family.makeCamera(i);
    FakeCamera* camera = owned.get();
    camera->script().setDelay(CameraOp::TransferPicture, 700ms);
    hosts.push_back(std::make_unique<CConnectedCameraHost>(owned.release(), 250ms));
    windows[i].setHost(hosts.back().get());
    ASSERT_TRUE(hosts.back()->Start(&windows[i], nullptr));
    hosts.back()->QueueTakePicture(nullptr);
    ASSERT_TRUE(waitFor([&] { return camera->script().calls(CameraOp::TransferPicture) == 1; }));
  }
  const auto before = std::chrono::steady_clock::now();
  for (auto& host : hosts)
    host->RequestStop();
  hosts.clear();
  // One after the other they would take two deadlines.
  EXPECT_LT(std::chrono::steady_clock::now() - before, 480ms);
  ASSERT_TRUE(waitFor([&] { return family.camerasDestroyed() == 2; }, 10s));
  QCoreApplication::sendPostedEvents();
}

} // namespace
} // namespace tarsel::host::test
