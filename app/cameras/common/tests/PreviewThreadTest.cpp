// The shared live-preview thread over a fake frame source: frames reach the
// listener until Stop, none after it, a closed gate holds the next frame, a
// declined frame ends the thread, a failing frame does not spin it, and Stop
// neither hangs on a listener that stops the preview itself nor on one that
// waits for the application thread.
#include "app/cameras/common/PreviewThread.h"
#include "app/core/ISdkPreviewCallback.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

using tarsel::cameras::CPreviewThread;
using namespace std::chrono_literals;

namespace {

class Listener final : public _ISdkPreviewCallback {
public:
  // The answer to frame n (1-based); true unless told.
  std::function<bool(int)> answer;
  std::atomic<int> frames{0};

  bool OnPreviewFrame(IPictureFromCamera*) override {
    const int n = ++frames;
    return answer ? answer(n) : true;
  }
};

// A camera's frame: counts the frames begun and ended, runs `during` (if
// set) and offers the frame to the listener.
struct Source {
  std::atomic<int> started{0};
  std::atomic<int> finished{0};
  std::function<void(int)> during;

  CPreviewThread::Frame Frame() {
    return [this](_ISdkPreviewCallback* listener) {
      const int n = ++started;
      if (during)
        during(n);
      const bool keep = listener ? listener->OnPreviewFrame(nullptr) : true;
      ++finished;
      return keep;
    };
  }
};

// Polls `done` for up to five seconds.
bool WaitFor(const std::function<bool()>& done) {
  const auto end = std::chrono::steady_clock::now() + 5s;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end)
      return false;
    std::this_thread::sleep_for(1ms);
  }
  return true;
}

template <class Call> std::chrono::milliseconds Timed(Call&& call) {
  const auto start = std::chrono::steady_clock::now();
  call();
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
}

} // namespace

TEST(PreviewThread, DeliversFramesUntilStoppedAndNoneAfter) {
  Source source;
  std::atomic<bool> slow{false};
  source.during = [&](int) { std::this_thread::sleep_for(slow ? 100ms : 1ms); };
  Listener listener;
  CPreviewThread preview(source.Frame());
  preview.Start(&listener);
  ASSERT_TRUE(WaitFor([&] { return listener.frames >= 3; }));
  EXPECT_TRUE(preview.IsRunning());
  slow = true;
  ASSERT_TRUE(WaitFor([&] { return source.started > source.finished; }));
  // The frame in progress completes before Stop returns, and none follows.
  EXPECT_LT(Timed([&] { preview.Stop(); }), 2s);
  EXPECT_EQ(source.started.load(), source.finished.load());
  const int frames = listener.frames;
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(listener.frames.load(), frames);
  EXPECT_FALSE(preview.IsRunning());
}

TEST(PreviewThread, AClosedGateHoldsTheNextFrameAndStopEndsTheThreadWithoutOpeningIt) {
  Source source;
  Listener listener;
  CPreviewThread preview(source.Frame());
  preview.Start(&listener);
  ASSERT_TRUE(WaitFor([&] { return listener.frames >= 1; }));
  preview.Pause(true);
  // A frame that passed the gate before it closed may not be counted yet;
  // it completes, and no other begins.
  int begun = source.started;
  std::this_thread::sleep_for(50ms);
  EXPECT_LE(source.started.load(), begun + 1);
  EXPECT_EQ(source.finished.load(), source.started.load());
  EXPECT_TRUE(preview.IsRunning());
  preview.Pause(false);
  EXPECT_TRUE(WaitFor([&] { return source.started > begun + 3; }));

  preview.Pause(true);
  EXPECT_LT(Timed([&] { preview.Stop(); }), 2s);
  EXPECT_FALSE(preview.IsRunning());
  // The gate stays closed for the next thread.
  begun = source.started;
  preview.Start(&listener);
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(source.started.load(), begun);
  preview.Pause(false);
  EXPECT_TRUE(WaitFor([&] { return source.started > begun; }));
  preview.Stop();
}

TEST(PreviewThread, AListenerThatDeclinesAFrameEndsThePreviewAndAStartBeginsAgain) {
  Source source;
  Listener listener;
  listener.answer = [](int n) { return n != 3; };
  CPreviewThread preview(source.Frame());
  preview.Start(&listener);
  ASSERT_TRUE(WaitFor([&] { return !preview.IsRunning(); }));
  EXPECT_EQ(listener.frames.load(), 3);
  EXPECT_EQ(source.started.load(), 3);

  preview.Start(&listener);
  EXPECT_TRUE(WaitFor([&] { return listener.frames > 4; }));
  EXPECT_TRUE(preview.IsRunning());
  preview.Stop();
}

TEST(PreviewThread, AStartWhileTheListenerDeclinesKeepsThePreviewRunning) {
  Source source;
  std::promise<void> entered;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  source.during = [&](int n) {
    if (n != 1)
      return;
    entered.set_value();
    released.wait();
  };
  Listener first;
  first.answer = [](int) { return false; };
  Listener second;
  CPreviewThread preview(source.Frame());
  preview.Start(&first);
  entered.get_future().wait();
  // The first listener is about to decline; the new start must win.
  preview.Start(&second);
  release.set_value();
  EXPECT_TRUE(WaitFor([&] { return second.frames >= 2; }));
  EXPECT_EQ(first.frames.load(), 1);
  EXPECT_TRUE(preview.IsRunning());
  preview.Stop();
}

TEST(PreviewThread, AFailingFramePausesBeforeTheNextAndStopCutsThePauseShort) {
  Source source;
  std::mutex lock;
  std::vector<std::chrono::steady_clock::time_point> begun;
  source.during = [&](int) {
    {
      const std::lock_guard<std::mutex> guard(lock);
      begun.push_back(std::chrono::steady_clock::now());
    }
    throw std::runtime_error("no frame");
  };
  CPreviewThread preview(source.Frame());
  preview.Start(nullptr);
  ASSERT_TRUE(WaitFor([&] { return source.started >= 2; }));
  {
    const std::lock_guard<std::mutex> guard(lock);
    EXPECT_GE(begun[1] - begun[0], CPreviewThread::kFailurePause - 10ms);
  }
  EXPECT_TRUE(preview.IsRunning());
  EXPECT_LT(Timed([&] { preview.Stop(); }), CPreviewThread::kFailurePause / 2);
  EXPECT_EQ(source.finished.load(), 0);
}

TEST(PreviewThread, AListenerThatStopsThePreviewOnItsOwnThreadEndsIt) {
  Source source;
  std::unique_ptr<CPreviewThread> preview;
  Listener listener;
  listener.answer = [&](int n) {
    if (n == 2)
      preview->Stop();
    return true;
  };
  preview = std::make_unique<CPreviewThread>(source.Frame());
  preview->Start(&listener);
  ASSERT_TRUE(WaitFor([&] { return !preview->IsRunning(); }));
  EXPECT_EQ(listener.frames.load(), 2);

  // The ended thread is collected by the next start and stop.
  preview->Start(&listener);
  EXPECT_TRUE(WaitFor([&] { return listener.frames > 3; }));
  preview->Stop();
  EXPECT_FALSE(preview->IsRunning());
  preview.reset();
}

TEST(PreviewThread, StopOnTheApplicationThreadLetsAFrameWaitingForItFinish) {
  static int argc = 1;
  static char name[] = "preview_test";
  static char* argv[] = {name, nullptr};
  QCoreApplication application(argc, argv);

  Source source;
  std::atomic<bool> entered{false};
  std::atomic<int> unanswered{0};
  source.during = [&](int) {
    entered = true;
    // The frame, as a listener does, hands something to the application
    // thread and waits for it while Stop is already waiting.
    std::this_thread::sleep_for(20ms);
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> answered = done->get_future();
    QMetaObject::invokeMethod(
        &application, [done] { done->set_value(); }, Qt::QueuedConnection);
    if (answered.wait_for(5s) != std::future_status::ready)
      ++unanswered;
  };
  CPreviewThread preview(source.Frame());
  preview.Start(nullptr);
  ASSERT_TRUE(WaitFor([&] { return entered.load(); }));
  preview.Stop();
  EXPECT_EQ(unanswered.load(), 0);
  EXPECT_EQ(source.finished.load(), source.started.load());
}
