// The camera manager's threads and guards against the simulator: the
// command thread of an asynchronous capture, the busy refusal while it runs,
// the synchronous fallback when no thread starts, texts of two cameras on two
// threads, and the open time-out lengthened by a long exposure.
#include "SimulatorFixture.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace tarsel::vesk;
using namespace tarsel::vesk::test;

namespace {

// What the completion call-back saw.
struct Completion {
  std::mutex lock;
  std::condition_variable changed;
  int calls = 0;
  int camera = -1;
  const VESK_PROGRESS* record = reinterpret_cast<const VESK_PROGRESS*>(1);
  std::thread::id thread;
  bool readyInside = false;
  std::string errorInside;

  // Waits for the first call; the limit only stops a broken build from hanging.
  bool waitForCall() {
    std::unique_lock guard(lock);
    return changed.wait_for(guard, std::chrono::seconds(60), [this] { return calls > 0; });
  }
  int callCount() {
    std::lock_guard guard(lock);
    return calls;
  }
};

void onComplete(int camera, const VESK_PROGRESS* record, void* context) {
  auto* c = static_cast<Completion*>(context);
  // The camera is ready again, and the library may be called from here.
  const bool ready = CameraReady(camera) == 1;
  const std::string error = errorOf([camera] { GetPropPicCount(camera); });
  std::lock_guard guard(c->lock);
  ++c->calls;
  c->camera = camera;
  c->record = record;
  c->thread = std::this_thread::get_id();
  c->readyInside = ready;
  c->errorInside = error;
  c->changed.notify_all();
}

class Manager : public SimulatorFixture {};

class NoThreadManager : public CLinkCameraManager {
public:
  using CLinkCameraManager::CLinkCameraManager;
  int StartCommandThread(std::function<void()>, int& errorNumber) override {
    errorNumber = EAGAIN;
    return 0;
  }
};

class ManagerWithoutThreads : public SimulatorFixture {
protected:
  std::shared_ptr<CLinkCameraManager> makeManager(std::unique_ptr<IDeviceBackend> backend) override {
    return std::make_shared<NoThreadManager>(std::move(backend));
  }
};

class ManagerWithShortTimeOut : public SimulatorFixture {
protected:
  std::shared_ptr<CLinkCameraManager> makeManager(std::unique_ptr<IDeviceBackend> backend) override {
    return std::make_shared<CLinkCameraManager>(std::move(backend), 5000);
  }
};

} // namespace

TEST_F(Manager, AsynchronousCaptureCallsItsCompletionOnceOnItsOwnThread) {
  connectBoth();
  const int count = GetPropPicCount(0);
  Completion completion;
  const int handle = Capture(0, true, onComplete, &completion);
  EXPECT_NE(handle, 0);
  ASSERT_TRUE(completion.waitForCall());
  // Destroying the manager waits for every command thread.
  ManagerInstance::replace(nullptr);
  manager.reset();
  EXPECT_EQ(completion.callCount(), 1);
  EXPECT_EQ(completion.camera, 0);
  EXPECT_EQ(completion.record, nullptr);
  EXPECT_NE(completion.thread, std::this_thread::get_id());
  EXPECT_TRUE(completion.readyInside);
  EXPECT_EQ(completion.errorInside, "none");
  EXPECT_EQ(engine.pictureCount(kSlot0), static_cast<std::size_t>(count) + 1);
}

TEST_F(Manager, CommandsDuringAnAsynchronousCaptureAreRefusedAsBusy) {
  connectBoth();
  Completion completion;
  gate->holdNext(0xC0);
  const int handle = Capture(0, true, onComplete, &completion);
  EXPECT_NE(handle, 0);
  gate->waitHeld();
  EXPECT_EQ(CameraReady(0), 0);
  EXPECT_EQ(errorOf([] { GetPropFlash(0); }), "VESK_CAMERA_BUSY/0/30");
  EXPECT_EQ(errorOf([] { Capture(0, true, nullptr, nullptr); }), "VESK_CAMERA_BUSY/0/30");
  EXPECT_EQ(DisConnect(0), 30);
  // The other camera works meanwhile.
  EXPECT_EQ(errorOf([] { GetPropFlash(1); }), "none");
  EXPECT_EQ(completion.callCount(), 0);
  // The end of the process does not wait past its limit for a held command.
  EXPECT_FALSE(manager->waitForCommands(std::chrono::milliseconds(20)));
  gate->release();
  ASSERT_TRUE(completion.waitForCall());
  EXPECT_TRUE(manager->waitForCommands(std::chrono::seconds(60)));
  EXPECT_EQ(CameraReady(0), 1);
  EXPECT_EQ(errorOf([] { GetPropFlash(0); }), "none");
  // A second asynchronous capture starts once the first has ended.
  Completion second;
  EXPECT_NE(Capture(0, true, onComplete, &second), 0);
  ASSERT_TRUE(second.waitForCall());
}

TEST_F(Manager, AFailedAsynchronousActionIsReportedOnlyByItsCompletion) {
  connectBoth();
  tarsel::vesksim::Fault fault;
  fault.action = tarsel::vesksim::FaultAction::SecondStatus;
  fault.match.kind = 2;
  fault.value = 0x15;
  ASSERT_TRUE(engine.injectFault(kSlot0, fault).has_value());
  Completion completion;
  EXPECT_NE(Preview(0, true, onComplete, &completion), 0);
  ASSERT_TRUE(completion.waitForCall());
  ManagerInstance::replace(nullptr);
  manager.reset();
  EXPECT_EQ(completion.callCount(), 1);
  EXPECT_TRUE(completion.readyInside);
}

TEST_F(ManagerWithoutThreads, ACaptureWhoseThreadCannotStartRunsSynchronously) {
  connectBoth();
  const int count = GetPropPicCount(0);
  Completion completion;
  EXPECT_EQ(Capture(0, true, onComplete, &completion), 0);
  EXPECT_EQ(GetPropPicCount(0), count + 1);
  EXPECT_EQ(CameraReady(0), 1);
  EXPECT_EQ(completion.callCount(), 0);
}

TEST_F(Manager, TwoCamerasReadTheirFileNamesOnTwoThreadsAtOnce) {
  connectBoth();
  ASSERT_EQ(SetPropCurrentPicture(0, 1), 0x06);
  ASSERT_EQ(SetPropCurrentPicture(1, 2), 0x06);
  const std::string expected0 = engine.picture(kSlot0, 1)->fileName;
  const std::string expected1 = engine.picture(kSlot1, 2)->fileName;
  ASSERT_NE(expected0, expected1);
  int wrong0 = 0;
  int wrong1 = 0;
  std::thread a([&] {
    for (int i = 0; i < 40; ++i)
      wrong0 += std::string(GetPropFileName(0)) != expected0;
  });
  std::thread b([&] {
    for (int i = 0; i < 40; ++i)
      wrong1 += std::string(GetPropFileName(1)) != expected1;
  });
  a.join();
  b.join();
  EXPECT_EQ(wrong0, 0);
  EXPECT_EQ(wrong1, 0);
}

TEST_F(ManagerWithShortTimeOut, ALongExposureLengthensTheOpenTimeOutByItsWholeSeconds) {
  connectBoth();
  std::mutex lock;
  std::vector<std::uint32_t> openTimeOuts;
  engine.setRequestLog([&](const tarsel::vesksim::LogEntry& entry) {
    if (entry.device == kSlot0 && entry.request && entry.request->header.cdb[0] == 0xC0) {
      std::lock_guard guard(lock);
      openTimeOuts.push_back(entry.request->header.timeoutMs);
    }
  });
  // Two and a half seconds add two, whether or not the camera takes the value.
  errorOf([] { SetExposureProp3(0, 1, 28, 2500000); });
  EXPECT_EQ(errorOf([] { GetPropFlash(0); }), "none");
  {
    std::lock_guard guard(lock);
    ASSERT_FALSE(openTimeOuts.empty());
    EXPECT_EQ(openTimeOuts.back(), 7000u);
  }
  // A 15-second exposure outlasts the 5-second time-out, but not the lengthened one.
  EXPECT_EQ(SetExposureProp3(0, 1, 28, 15000000), 0x06);
  EXPECT_EQ(errorOf([] { Capture(0, false, nullptr, nullptr); }), "none");
  std::lock_guard guard(lock);
  EXPECT_EQ(openTimeOuts.back(), 20000u);
  engine.setRequestLog(nullptr);
}
