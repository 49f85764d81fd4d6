// The save thread with a scripted saver: the queue's limit, the saver's
// decisions after a failure, the bound on retrying one error, a job without
// saver, the all-cameras take's results and stopping a thread stuck in a save.
#include "SaveQueueTestSupport.h"

#include "app/testsupport/EventPump.h"
#include "hostapi/TarselSaverPlugin.h"
#include "platform/Win32Error.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>

namespace tarsel::saving::test {
namespace {

using namespace std::chrono_literals;
using tarsel::test::pumpUntil;
using Results = std::vector<std::pair<std::int32_t, HRESULT>>;
using Outcomes = std::vector<std::pair<SaveOutcome, HRESULT>>;

class SaveThreadTest : public ::testing::Test {
protected:
  SaveThreadTest() { frame.saver = &saver; }
  ~SaveThreadTest() override { saver.Open(); }

  // Queues a picture of camera `name` the way a camera window does.
  bool Queue(CSaveThread& thread, const char* name) {
    CRefPtr<IPictureFromCamera> picture(new CountedPicture);
    CSaveInfoMultiPics windowInfo(name, 7, nullptr, nullptr, nullptr);
    return thread.QueuePictureSave(picture.get(), &windowInfo, name);
  }

  // The same, the outcome going to `window`; the picture comes back in `queued`.
  bool Queue(CSaveThread& thread, const char* name, QObject* window, CRefPtr<IPictureFromCamera>& queued) {
    queued = CRefPtr<IPictureFromCamera>(new CountedPicture);
    CSaveInfoMultiPics windowInfo(name, 7, nullptr, nullptr, nullptr);
    return thread.QueuePictureSave(queued.get(), &windowInfo, name, window);
  }

  ScriptedSaver saver;
  FakeFrame frame;
};

// A camera window as the save thread sees it: the outcomes it was told, by picture.
class OutcomeWindow : public QObject {
public:
  std::map<IPictureFromCamera*, std::pair<SaveOutcome, HRESULT>> told;

protected:
  bool event(QEvent* event) override {
    if (event->type() != SaveOutcomeEvent::Type())
      return QObject::event(event);
    const auto* outcome = static_cast<SaveOutcomeEvent*>(event);
    EXPECT_FALSE(told.count(outcome->picture())) << "told twice";
    told[outcome->picture()] = {outcome->outcome(), outcome->code()};
    return true;
  }
};

TEST_F(SaveThreadTest, RefusesTheTwentyFirstJobWhileTheThreadIsBusy) {
  CSaveThread thread(&frame, nullptr, nullptr, frame);
  saver.Hold();
  ASSERT_TRUE(Queue(thread, "busy"));
  ASSERT_TRUE(saver.WaitUntil([](int, int waiting, auto&) { return waiting == 1; }));
  for (int i = 0; i < 20; ++i)
    ASSERT_TRUE(Queue(thread, ("cam" + std::to_string(i)).c_str()));
  EXPECT_FALSE(Queue(thread, "refused"));
  EXPECT_EQ(frame.reported, std::vector<HRESULT>{CSaveThread::kQueueFull});
  EXPECT_EQ(thread.GetSaveQueueLength(), 20u);
  EXPECT_EQ(CountedPicture::alive, 21);

  saver.Open();
  ASSERT_TRUE(saver.WaitUntil([](int, int, auto& saved) { return saved.size() == 21; }));
  EXPECT_EQ(saver.saved().front(), "busy");
  EXPECT_EQ(saver.saved().back(), "cam19");
  ASSERT_TRUE(pumpUntil([&] { return !frame.lengths.empty() && frame.lengths.back() == 0; }));
  EXPECT_EQ(CountedPicture::alive, 0);

  // The same queue without a limit takes them all.
  CSaveQueue unlimited;
  for (int i = 0; i < 25; ++i) {
    auto job = std::make_unique<CSaveInfoMultiPics>("x", 0, nullptr, nullptr, nullptr);
    ASSERT_TRUE(unlimited.PushSaveJob(job));
  }
}

TEST_F(SaveThreadTest, RetriesOnAgainAndGoesOnAfterSkip) {
  saver.Script({E_FAIL, 0, ERROR_DISK_FULL}, {0, kSaverSkipPicture});
  CSaveThread thread(&frame, nullptr, nullptr, frame);
  ASSERT_TRUE(Queue(thread, "retried"));
  ASSERT_TRUE(Queue(thread, "skipped"));
  ASSERT_TRUE(Queue(thread, "next"));
  ASSERT_TRUE(pumpUntil([&] { return saver.saved().size() == 2 && frame.outcomes.size() == 3; }));
  EXPECT_EQ(saver.saved(), (std::vector<std::string>{"retried", "next"}));
  EXPECT_EQ(frame.outcomes, (Outcomes{{SaveOutcome::Saved, 0},
                                      {SaveOutcome::Skipped, static_cast<HRESULT>(ERROR_DISK_FULL)},
                                      {SaveOutcome::Saved, 0}}));
  EXPECT_TRUE(frame.results.empty());
}

TEST_F(SaveThreadTest, CancelEmptiesTheQueueUnsavedAndShowsNothing) {
  CSaveThread thread(&frame, nullptr, nullptr, frame);
  saver.Hold();
  saver.Script({kSaverCancelled}, {kSaverCancelled});
  ASSERT_TRUE(Queue(thread, "cancelled"));
  ASSERT_TRUE(saver.WaitUntil([](int, int waiting, auto&) { return waiting == 1; }));
  ASSERT_TRUE(Queue(thread, "waiting1"));
  ASSERT_TRUE(Queue(thread, "waiting2"));
  saver.Open();
  ASSERT_TRUE(pumpUntil([&] { return CountedPicture::alive == 0; }));
  ASSERT_TRUE(pumpUntil([&] { return !frame.lengths.empty() && frame.lengths.back() == 0; }));
  EXPECT_TRUE(saver.WaitUntil([](int calls, int, auto&) { return calls == 1; }));
  EXPECT_TRUE(saver.saved().empty());
  EXPECT_TRUE(frame.results.empty());
  EXPECT_TRUE(frame.outcomes.empty());
}

TEST_F(SaveThreadTest, AnErrorThatStaysIsRetriedABoundedNumberOfTimes) {
  // A saver without SavProcessError answers "again" to everything.
  saver.Script({E_FAIL, E_FAIL, E_FAIL}, {}, 0);
  CSaveThread thread(&frame, nullptr, nullptr, frame);
  ASSERT_TRUE(Queue(thread, "failing"));
  ASSERT_TRUE(Queue(thread, "next"));
  ASSERT_TRUE(pumpUntil([&] { return saver.saved().size() == 1 && frame.outcomes.size() == 2; }));
  EXPECT_TRUE(
      saver.WaitUntil([](int calls, int, auto&) { return calls == CSaveThread::kMaxSameErrorAttempts + 1; }));
  EXPECT_EQ(saver.saved(), std::vector<std::string>{"next"});
  EXPECT_EQ(frame.outcomes, (Outcomes{{SaveOutcome::Skipped, E_FAIL}, {SaveOutcome::Saved, 0}}));
}

TEST_F(SaveThreadTest, AJobWithoutSaverFailsCleanly) {
  frame.saver = nullptr;
  CSaveThread thread(&frame, nullptr, nullptr, frame);
  ASSERT_TRUE(Queue(thread, "nosaver"));
  frame.saver = &saver;
  ASSERT_TRUE(Queue(thread, "next"));
  ASSERT_TRUE(pumpUntil([&] { return saver.saved().size() == 1 && CountedPicture::alive == 0; }));
  ASSERT_TRUE(pumpUntil([&] { return frame.outcomes.size() == 2; }));
  EXPECT_EQ(frame.outcomes,
            (Outcomes{{SaveOutcome::Failed, CSaveThread::kNoSaver}, {SaveOutcome::Saved, 0}}));
}

TEST_F(SaveThreadTest, EachJobTellsItsWindowOnceHowItEndedAndAWindowGoneGetsNothing) {
  CSaveThread thread(&frame, nullptr, nullptr, frame);
  OutcomeWindow window;
  auto closed = std::make_unique<OutcomeWindow>();
  saver.Script({0, ERROR_DISK_FULL, 0, 0}, {kSaverSkipPicture});
  saver.Hold();
  CRefPtr<IPictureFromCamera> saved, skipped, ofClosed, later, dropped;
  ASSERT_TRUE(Queue(thread, "saved", &window, saved));
  ASSERT_TRUE(saver.WaitUntil([](int, int waiting, auto&) { return waiting == 1; }));
  ASSERT_TRUE(Queue(thread, "skipped", &window, skipped));
  ASSERT_TRUE(Queue(thread, "closed", closed.get(), ofClosed));
  // The window goes while its picture waits in the queue.
  closed.reset();
  saver.Open();
  ASSERT_TRUE(saver.WaitUntil([](int calls, int, auto&) { return calls == 3; }));
  // A job deleted from the queue unsaved is told as dropped.
  saver.Hold();
  ASSERT_TRUE(Queue(thread, "later", &window, later));
  ASSERT_TRUE(saver.WaitUntil([](int, int waiting, auto&) { return waiting == 1; }));
  ASSERT_TRUE(Queue(thread, "dropped", &window, dropped));
  thread.ClearSaveQueue();
  saver.Open();
  ASSERT_TRUE(pumpUntil([&] { return window.told.size() == 4; }));
  using Told = std::pair<SaveOutcome, HRESULT>;
  EXPECT_EQ(window.told[saved.get()], (Told{SaveOutcome::Saved, 0}));
  EXPECT_EQ(window.told[skipped.get()], (Told{SaveOutcome::Skipped, static_cast<HRESULT>(ERROR_DISK_FULL)}));
  EXPECT_EQ(window.told[later.get()], (Told{SaveOutcome::Saved, 0}));
  EXPECT_EQ(window.told[dropped.get()], (Told{SaveOutcome::Dropped, 0}));
  EXPECT_EQ(saver.saved(), (std::vector<std::string>{"saved", "closed", "later"}));
}

TEST_F(SaveThreadTest, AllCamerasTakeReportsEachCameraThenTheEnd) {
  CSaveThread thread(&frame, nullptr, nullptr, frame);
  AllCamerasTake take{5, 3, 3, false};
  CRefPtr<IPictureFromCamera> picture(new CountedPicture);
  // Neither saved by the take nor automatically: counted, not queued.
  EXPECT_FALSE(thread.QueueSynchronizedSave(take, picture.get(), "A", 0));
  take.save = true;
  EXPECT_TRUE(thread.QueueSynchronizedSave(take, picture.get(), "B", 0));
  EXPECT_FALSE(thread.QueueSynchronizedSave(take, nullptr, "C", E_FAIL));
  EXPECT_EQ(take.pending, 0);
  EXPECT_EQ(frame.ready, 1);
  ASSERT_TRUE(pumpUntil([&] { return frame.results.size() == 2 && saver.saved().size() == 1; }));
  EXPECT_EQ(frame.results, (Results{{1, E_FAIL}, {0, 0}}));
  EXPECT_EQ(saver.saved(), std::vector<std::string>{"B"});
}

TEST_F(SaveThreadTest, StopEndsWithinItsDeadlineWhileASaveBlocks) {
  {
    CSaveThread idle(&frame, nullptr, nullptr, frame, CSaveQueue::kFrameLimit, 200ms);
    idle.Stop();
    EXPECT_FALSE(idle.WasAbandoned());
  }
  auto thread =
      std::make_unique<CSaveThread>(&frame, nullptr, nullptr, frame, CSaveQueue::kFrameLimit, 200ms);
  saver.Hold();
  saver.Script({E_FAIL}, {});
  ASSERT_TRUE(Queue(*thread, "stuck"));
  ASSERT_TRUE(Queue(*thread, "queued"));
  ASSERT_TRUE(saver.WaitUntil([](int, int waiting, auto&) { return waiting == 1; }));
  const auto start = std::chrono::steady_clock::now();
  thread->Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  EXPECT_TRUE(thread->WasAbandoned());
  EXPECT_TRUE(CSaveThread::AnySaveThreadAbandoned());
  thread.reset();
  // The queued job went with the stop; the stuck one ends when its save
  // returns, without a retry and without posting to the frame.
  EXPECT_EQ(CountedPicture::alive, 1);
  saver.Open();
  ASSERT_TRUE(pumpUntil([&] { return CountedPicture::alive == 0; }));
  EXPECT_TRUE(saver.WaitUntil([](int calls, int, auto&) { return calls == 1; }));
  EXPECT_TRUE(frame.results.empty());
  EXPECT_TRUE(frame.outcomes.empty());
}

TEST_F(SaveThreadTest, StopAbortsTheSaveUnderWayAndStartsNoOtherOne) {
  // The default deadline: only the abort can end the stop within a second.
  CSaveThread thread(&frame, nullptr, nullptr, frame);
  saver.HonourAbort();
  saver.Hold();
  ASSERT_TRUE(Queue(thread, "held"));
  ASSERT_TRUE(Queue(thread, "queued"));
  ASSERT_TRUE(saver.WaitUntil([](int, int waiting, auto&) { return waiting == 1; }));
  const auto start = std::chrono::steady_clock::now();
  thread.Stop();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  EXPECT_FALSE(thread.WasAbandoned());
  EXPECT_TRUE(saver.WaitUntil([](int calls, int waiting, auto&) { return calls == 1 && waiting == 0; }));
  EXPECT_TRUE(saver.saved().empty());
  EXPECT_EQ(CountedPicture::alive, 0);
  EXPECT_TRUE(frame.results.empty());
}

} // namespace
} // namespace tarsel::saving::test
