// The live preview over the real library and the simulator: repeated
// starts, a declining listener, stops while paused or while the listener
// waits for the user-interface thread, and camera jobs between frames.
#include "VeskPreviewTestSupport.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <future>

using namespace std::chrono_literals;
using namespace tarsel::vesk::test;
using tarsel::test::pumpUntil;

namespace {

struct LogFolder {
  tarsel::test::TempDir folder;
};

// The daemon logs every request.
class PreviewCamera : private LogFolder, public SimulatedCamera {
protected:
  PreviewCamera() : SimulatedCamera("log = " + folder.file("requests.log") + "\n", "") {}
  std::string requests() const { return tarsel::test::readFile(folder.file("requests.log")); }
};

// Answers once the user-interface thread has delivered it.
class AnswerEvent : public QEvent {
public:
  explicit AnswerEvent(std::shared_ptr<std::promise<void>> answer)
      : QEvent(static_cast<QEvent::Type>(QEvent::User + 999)), m_answer(std::move(answer)) {}
  ~AnswerEvent() override {
    tarsel::host::AcquireHandoff(this);
    m_answer->set_value();
  }

private:
  const std::shared_ptr<std::promise<void>> m_answer;
};

// Asks the user-interface thread for an answer on every frame and waits for
// it (declining after 10 s).
class WaitingListener : public _ISdkPreviewCallback {
public:
  std::atomic<int> frames{0};
  std::atomic<bool> waiting{false};
  std::atomic<bool> timedOut{false};
  bool OnPreviewFrame(IPictureFromCamera*) override {
    auto served = std::make_shared<std::promise<void>>();
    std::future<void> answer = served->get_future();
    tarsel::host::PostToUserInterfaceThread(QCoreApplication::instance(), new AnswerEvent(served));
    waiting = true;
    ++frames;
    timedOut = answer.wait_for(10s) != std::future_status::ready;
    return !timedOut;
  }
};

} // namespace

TEST_F(SimulatedCamera, StartingTwiceKeepsOneThreadAndTakesTheSecondListener) {
  FrameListener first;
  FrameListener second;
  ASSERT_EQ(camera->StartPreview(&first), 0);
  ASSERT_TRUE(pumpUntil([&] { return first.frames() >= 2; }));
  ASSERT_EQ(camera->StartPreview(&second), 0);
  ASSERT_TRUE(pumpUntil([&] { return second.frames() >= 1; }));
  const int firstFrames = first.frames();
  ASSERT_TRUE(pumpUntil([&] { return second.frames() >= 3; }));
  EXPECT_EQ(first.frames(), firstFrames);
  EXPECT_EQ(first.threads(), second.threads());
  EXPECT_EQ(second.threads().size(), 1u);
  EXPECT_EQ(camera->StopPreview(), 0);
  EXPECT_FALSE(camera->IsPreviewRunning());
  EXPECT_EQ(camera->GetConnectionCount(), 0u);
  EXPECT_EQ(home.entries(), 0) << home.log();
}

TEST_F(SimulatedCamera, ADeclinedFrameEndsThePreviewAndAStartRunsItAgain) {
  FrameListener declining(0);
  ASSERT_EQ(camera->StartPreview(&declining), 0);
  ASSERT_TRUE(pumpUntil([&] { return !camera->IsPreviewRunning(); }));
  FrameListener accepting;
  ASSERT_EQ(camera->StartPreview(&accepting), 0);
  ASSERT_TRUE(pumpUntil([&] { return accepting.frames() >= 2; }));
  EXPECT_EQ(camera->StopPreview(), 0);
  EXPECT_EQ(declining.frames(), 1);
}

TEST_F(SimulatedCamera, StopReturnsWhileThePreviewIsPaused) {
  FrameListener listener;
  ASSERT_EQ(camera->StartPreview(&listener), 0);
  ASSERT_TRUE(pumpUntil([&] { return listener.frames() >= 1; }));
  ASSERT_EQ(camera->PausePreview(true), 0);
  const int paused = listener.frames();
  auto stop = std::async(std::launch::async, [&] { return camera->StopPreview(); });
  const bool returned = stop.wait_for(10s) == std::future_status::ready;
  if (!returned)
    camera->PausePreview(false);
  EXPECT_TRUE(returned);
  // A frame under way when the gate closed completes; no other begins.
  EXPECT_LE(listener.frames(), paused + 1);
}

TEST_F(SimulatedCamera, StopOnTheUserInterfaceThreadServesAListenerThatWaitsForIt) {
  WaitingListener listener;
  ASSERT_EQ(camera->StartPreview(&listener), 0);
  ASSERT_TRUE(pumpUntil([&] { return listener.frames >= 2; }));
  // Without serving this thread's events until the next frame waits for it.
  listener.waiting = false;
  while (!listener.waiting)
    std::this_thread::sleep_for(1ms);
  EXPECT_EQ(camera->StopPreview(), 0);
  EXPECT_FALSE(listener.timedOut);
}

TEST_F(PreviewCamera, ATakeThroughTheHostRunsWithoutPreviewFramesInside) {
  HostedCamera hosted(std::move(camera));
  ASSERT_TRUE(hosted.start(2));
  hosted.host.QueueTakePicture(nullptr);
  ASSERT_TRUE(pumpUntil([&] { return hosted.window.has(0) || hosted.window.has(10000); }));
  ASSERT_TRUE(hosted.window.has(0));
  const int afterJob = hosted.listener.frames();
  ASSERT_TRUE(pumpUntil([&] { return hosted.listener.frames() >= afterJob + 2; }));
  EXPECT_EQ(hosted.camera->StopPreview(), 0);

  // From the capture (action 2) to the erase of its picture (action 0).
  const std::string log = requests();
  const std::size_t capture = log.find(" kind=2 no=2 ");
  const std::size_t erase = log.find(" kind=2 no=0 ", capture);
  ASSERT_NE(erase, std::string::npos);
  const auto previews = [&](std::size_t from, std::size_t to) {
    int count = 0;
    for (std::size_t at = log.find(" kind=2 no=5 ", from); at < to; at = log.find(" kind=2 no=5 ", at + 1))
      ++count;
    return count;
  };
  EXPECT_GE(previews(0, capture), 2);
  EXPECT_EQ(previews(capture, erase), 0);
  EXPECT_GE(previews(erase, log.size()), 2);
}
