#include "app/frame/ChildFrame.h"
#include "app/frame/ChildView.h"
#include "app/frame/CommandIds.h"
#include "app/frame/tests/FakeChildFrameSite.h"
#include "app/host/CameraStatusCodes.h"
#include "app/host/ConnectedCameraHost.h"
#include "app/host/SynchronizedTake.h"
#include "app/host/TarselEvents.h"
#include "app/host/WaitEvent.h"
#include "app/pictures/CamExtraCommand.h"
#include "app/saving/SaveOutcomeEvent.h"
#include "hostapi/ISaveInfo.h"
#include "hostapi/ITarselConfigSettings.h"

#include <QCoreApplication>
#include <QMdiArea>
#include <QObject>

#include <gtest/gtest.h>

namespace tarsel::frame::test {
namespace {

using testcamera::CameraOp;
using testcamera::FakeCamera;

constexpr HRESULT kCameraError = static_cast<HRESULT>(0x81040042u);

// Records what a waiting dialog or the take's result window is sent.
class Recorder : public QObject {
public:
  std::vector<std::pair<HRESULT, std::intptr_t>> jobsDone;
  std::vector<std::pair<std::int32_t, HRESULT>> takeResults;

protected:
  bool event(QEvent* event) override {
    if (auto* done = dynamic_cast<host::CameraJobDoneEvent*>(event)) {
      jobsDone.emplace_back(done->code(), done->value());
      return true;
    }
    if (auto* result = dynamic_cast<host::SaveResultEvent*>(event)) {
      takeResults.emplace_back(result->kind(), result->code());
      return true;
    }
    return QObject::event(event);
  }
};

using TakeTest = WindowTest;

TEST_F(TakeTest, AttachingStartsTheSessionWithTitleStatusAndReady) {
  auto camera = makeCamera();
  camera->setNames("Cam A", "A-1", "Model A");
  FakeCamera* fake = nullptr;
  CChildFrame* window = attach(std::move(camera), &fake);
  EXPECT_TRUE(window->IsCameraConnected());
  EXPECT_EQ(window->windowTitle(), QStringLiteral("Cam A"));
  EXPECT_EQ(window->CameraName(), QStringLiteral("Cam A"));
  ASSERT_NE(window->SaveInfo(), nullptr);
  EXPECT_STREQ(window->SaveInfo()->GetFilePrefix(), "Cam A");
  EXPECT_EQ(window->SaveInfo()->GetNumDigits(), 3);
  EXPECT_EQ(window->PaneText(0), QStringLiteral("Ready"));
  EXPECT_EQ(window->PaneText(3), QStringLiteral("F=A Z=1.0 LCD=Off"));
  EXPECT_NE(fake->statusSink(), nullptr);
  EXPECT_EQ(fake->connectDepth(), 0);
  EXPECT_EQ(fake->script().calls(CameraOp::ReportStatus), 1);
  CCmdUI state;
  ASSERT_TRUE(window->OnUpdateCommand(cmd::TakePicture, &state));
  EXPECT_TRUE(state.enabled);
  EXPECT_TRUE(questions.empty());
}

TEST_F(TakeTest, ACameraThatDoesNotStartStaysDisconnectedAndWarnsOnlyWhenItsFamilyAsksAndTheConnectWasSlow) {
  struct Row {
    bool wants;
    std::chrono::milliseconds delay;
    std::chrono::milliseconds limit;
    bool warned;
  };
  const Row rows[] = {
      {false, 30ms, 1ms, false},
      {true, 0ms, 10000ms, false},
      {true, 30ms, 1ms, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.warned);
    questions.clear();
    auto camera = makeCamera();
    camera->setWantsConnectTimeWarning(row.wants);
    camera->script().setDelay(CameraOp::InitCameraObject, row.delay);
    camera->script().failNext(CameraOp::InitCameraObject, kCameraError);
    ChildFrameOptions options = FakeChildFrameSite::testOptions();
    options.connectTimeWarning = row.limit;
    CChildFrame* window = attach(std::move(camera), nullptr, options);
    EXPECT_FALSE(window->IsCameraConnected());
    EXPECT_EQ(window->PaneText(0), QStringLiteral("Camera Disconnected"));
    EXPECT_EQ(window->PaneText(3), QString());
    EXPECT_EQ(window->PaneText(4), QString());
    CCmdUI state;
    window->OnUpdateCommand(cmd::TakePicture, &state);
    EXPECT_FALSE(state.enabled);
    ASSERT_EQ(questions.size(), row.warned ? 1u : 0u);
    if (row.warned) {
      EXPECT_TRUE(questions[0].text.startsWith(QStringLiteral("The camera seems to be disconnected.")));
      EXPECT_EQ(questions[0].icon, ui::Icon::Information);
    }
    delete window;
  }
}

TEST_F(TakeTest, ATakeAppendsItsPictureShowsItAndMarksItUnsavedWhileASecondTakeIsIgnored) {
  auto camera = makeCamera();
  FakeCamera* fake = nullptr;
  camera->script().setDelay(CameraOp::Capture, 50ms);
  CChildFrame* window = attach(std::move(camera), &fake);
  ASSERT_TRUE(window->OnCommand(cmd::TakePicture));
  EXPECT_TRUE(window->IsBusy());
  EXPECT_EQ(window->PaneText(0), QStringLiteral("Connecting to camera..."));
  EXPECT_FALSE(fake->capturePropertiesEnabled());
  CCmdUI state;
  window->OnUpdateCommand(cmd::TakePicture, &state);
  EXPECT_FALSE(state.enabled);
  window->OnCommand(cmd::TakePicture);
  window->QueueTakePicture(nullptr);
  QCoreApplication::postEvent(window, new CommandEvent(cmd::TakePicture));
  ASSERT_TRUE(pumpUntil([&] { return !window->IsBusy(); }));
  pumpFor(80ms);
  EXPECT_EQ(fake->picturesTaken(), 1);
  EXPECT_EQ(window->GetHost()->GetPictureCount(), 1);
  IPictureFromCamera* picture = window->GetHost()->GetPicture();
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(window->View()->Picture(), picture);
  EXPECT_TRUE(picture->HasBitmap());
  EXPECT_EQ(picture->GetScaleDenominator(), 1u);
  EXPECT_TRUE(window->HasUnsavedPictures());
  EXPECT_TRUE(fake->capturePropertiesEnabled());
  EXPECT_EQ(window->PaneText(0), QStringLiteral("Ready"));
  EXPECT_EQ(window->PaneText(1), QString());
  EXPECT_TRUE(site->queuedSaves.empty());
  EXPECT_TRUE(errorBoxes.empty());
}

TEST_F(TakeTest, AutomaticSaveQueuesThePictureClearsUnsavedAndTheNextTakeStartsANewSeries) {
  userSettings(*site)->SetAutoSaveAfterTakingSingle(true);
  userSettings(*site)->SetLeavePictureInCamera(true);
  FakeCamera* fake = nullptr;
  CChildFrame* window = attach(makeCamera(), &fake);
  takeOne(window);
  ASSERT_EQ(site->queuedSaves.size(), 1u);
  EXPECT_EQ(site->queuedSaves[0].picture.get(), window->GetHost()->GetPicture());
  EXPECT_EQ(site->queuedSaves[0].cameraName, "Test Camera 1");
  EXPECT_FALSE(window->HasUnsavedPictures());
  EXPECT_EQ(fake->lastCaptureValue(), 3u);

  site->acceptSaves = false;
  takeOne(window);
  EXPECT_EQ(window->GetHost()->GetPictureCount(), 1);
  EXPECT_TRUE(window->HasUnsavedPictures());
}

TEST_F(TakeTest, AFailedTakeGoesToTheWaitingDialogElseToTheUser) {
  FakeCamera* fake = nullptr;
  CChildFrame* window = attach(makeCamera(), &fake);

  fake->script().failNext(CameraOp::Capture, kCameraError);
  window->OnCommand(cmd::TakePicture);
  ASSERT_TRUE(pumpUntil([&] { return !window->IsBusy(); }));
  EXPECT_EQ(window->PaneText(0), QStringLiteral("Error"));
  ASSERT_EQ(errorBoxes.size(), 1u);
  EXPECT_NE(errorBoxes[0].find("0x81040042"), std::string::npos);

  // The dialog reaches its camera window as a family does, from its parent.
  ICameraWindow* seen = ICameraWindow::FromObject(window->View());
  ASSERT_EQ(seen, window);
  Recorder dialog;
  auto waitEvent = std::make_shared<CWaitEvent>();
  seen->SetWaitingWindow(&dialog);
  seen->SetWaitingEvent(waitEvent);
  fake->script().failNext(CameraOp::Capture, kCameraError);
  window->OnCommand(cmd::TakePicture);
  ASSERT_TRUE(pumpUntil([&] { return !dialog.jobsDone.empty(); }));
  EXPECT_EQ(dialog.jobsDone[0].first, kCameraError);
  EXPECT_TRUE(waitEvent->IsSet());
  EXPECT_EQ(errorBoxes.size(), 1u);

  waitEvent->Reset();
  window->OnCommand(cmd::TakePicture);
  ASSERT_TRUE(pumpUntil([&] { return dialog.jobsDone.size() == 2; }));
  EXPECT_EQ(dialog.jobsDone[1], std::make_pair(HRESULT(0), std::intptr_t(0)));
  EXPECT_TRUE(waitEvent->Wait(0ms));

  // Clearing with another dialog leaves the registration; with the same one it ends it.
  Recorder other;
  seen->ClearWaitingWindow(&other);
  seen->ClearWaitingEvent(std::make_shared<CWaitEvent>());
  seen->ClearWaitingWindow(&dialog);
  seen->ClearWaitingEvent(waitEvent);
  fake->script().failNext(CameraOp::Capture, kCameraError);
  window->OnCommand(cmd::TakePicture);
  ASSERT_TRUE(pumpUntil([&] { return !window->IsBusy(); }));
  pumpFor(5ms);
  EXPECT_EQ(dialog.jobsDone.size(), 2u);
  EXPECT_EQ(errorBoxes.size(), 2u);
}

struct TakeOfAll {
  std::shared_ptr<host::CSynchronizedTake> take;
  Recorder results;
};

void StartTakeOfAll(TakeOfAll& all, const std::vector<CChildFrame*>& windows,
                    std::chrono::milliseconds barrier) {
  host::CSynchronizedTake::Params params;
  params.cameraCount = static_cast<int>(windows.size());
  params.resultReceiver = &all.results;
  params.barrier = barrier;
  all.take = host::CSynchronizedTake::Create(params);
  CCamExtraCommand command;
  for (std::size_t slot = 0; slot < windows.size(); ++slot)
    windows[slot]->QueueSynchronizedTake(all.take->TakeTicket(static_cast<int>(slot)), &command);
}

TEST_F(TakeTest, AnAllCamerasTakeReportsEveryCameraAndSavesEachPicture) {
  site->savers = true;
  userSettings(*site)->SetAutoSaveAfterTaking(true);
  FakeCamera* first = nullptr;
  FakeCamera* second = nullptr;
  CChildFrame* one = attach(makeCamera(0), &first);
  CChildFrame* two = attach(makeCamera(1), &second);
  TakeOfAll all;
  StartTakeOfAll(all, {one, two}, 5000ms);
  EXPECT_EQ(one->PaneText(0), QStringLiteral("Connecting to camera..."));
  EXPECT_FALSE(one->IsBusy());
  ASSERT_TRUE(pumpUntil([&] { return !all.results.takeResults.empty(); }));
  ASSERT_EQ(all.results.takeResults.size(), 1u);
  EXPECT_EQ(all.results.takeResults[0], std::make_pair(std::int32_t(0), HRESULT(0)));
  ASSERT_EQ(site->synchronizedSaves.size(), 2u);
  for (const SavedPicture& saved : site->synchronizedSaves) {
    EXPECT_TRUE(saved.picture);
    EXPECT_EQ(saved.code, 0);
  }
  EXPECT_EQ(first->script().calls(CameraOp::FirePreparedCapture), 1);
  EXPECT_EQ(second->script().calls(CameraOp::FirePreparedCapture), 1);
  EXPECT_EQ(one->GetHost()->GetPictureCount(), 1);
  EXPECT_EQ(one->View()->Picture(), one->GetHost()->GetPicture());
  // Queued for saving and kept on the card until it is saved: the series
  // is replaced at the next picture.
  EXPECT_FALSE(one->HasUnsavedPictures());
  EXPECT_EQ(first->lastTransferFlags() & 1u, 1u);
  EXPECT_EQ(one->PaneText(0), QStringLiteral("Ready"));
  EXPECT_EQ(all.take->pending(), 0);

  // Only the picture its saver reported saved leaves its card.
  using tarsel::saving::SaveOutcome;
  const auto tell = [](CChildFrame* window, SaveOutcome outcome, HRESULT code) {
    CRefPtr<IPictureFromCamera> picture(window->GetHost()->GetPicture());
    QCoreApplication::postEvent(window, new tarsel::saving::SaveOutcomeEvent(outcome, code, picture, {}));
  };
  tell(two, SaveOutcome::Skipped, static_cast<HRESULT>(0x80004005u));
  tell(one, SaveOutcome::Saved, 0);
  ASSERT_TRUE(pumpUntil([&] { return !first->erasedPictures().empty(); }));
  pumpFor(50ms);
  EXPECT_EQ(first->erasedPictures(), std::vector<std::string>{"TST_0001.JPG"});
  EXPECT_TRUE(second->erasedPictures().empty());
}

TEST_F(TakeTest, AnAllCamerasResultDoesNotEndTheWindowsOwnTake) {
  FakeCamera* fake = nullptr;
  auto camera = makeCamera();
  // Long enough that the window's own take still runs when the all-cameras
  // result arrives, even on a busy machine.
  camera->script().setDelay(CameraOp::TransferPicture, 500ms);
  CChildFrame* window = attach(std::move(camera), &fake);
  TakeOfAll all;
  StartTakeOfAll(all, {window}, 5000ms);
  ASSERT_TRUE(window->OnCommand(cmd::TakePicture));
  ASSERT_TRUE(pumpUntil([&] { return !site->synchronizedSaves.empty(); }));
  // The window's own take is still queued or running: no second one.
  EXPECT_TRUE(window->IsBusy());
  CCmdUI state;
  window->OnUpdateCommand(cmd::TakePicture, &state);
  EXPECT_FALSE(state.enabled);
  window->OnCommand(cmd::TakePicture);
  ASSERT_TRUE(pumpUntil([&] { return !window->IsBusy(); }));
  pumpFor(80ms);
  EXPECT_EQ(fake->script().calls(CameraOp::Capture), 1);
  EXPECT_EQ(fake->script().calls(CameraOp::FirePreparedCapture), 1);
}

TEST_F(TakeTest, AFailingCameraReportsItsCodeAndTheOthersStillFire) {
  FakeCamera* first = nullptr;
  FakeCamera* second = nullptr;
  CChildFrame* one = attach(makeCamera(0), &first);
  CChildFrame* two = attach(makeCamera(1), &second);
  second->script().failNext(CameraOp::PrepareCapture, kCameraError);
  site->acceptSaves = false;
  TakeOfAll all;
  StartTakeOfAll(all, {one, two}, 5000ms);
  ASSERT_TRUE(pumpUntil(
      [&] { return !all.results.takeResults.empty() && all.results.takeResults.back().first == 0; }));
  ASSERT_EQ(all.results.takeResults.size(), 2u);
  EXPECT_EQ(all.results.takeResults[0], std::make_pair(std::int32_t(1), kCameraError));
  ASSERT_EQ(site->synchronizedSaves.size(), 2u);
  int failures = 0;
  for (const SavedPicture& saved : site->synchronizedSaves) {
    if (saved.cameraName == "Test Camera 2") {
      EXPECT_FALSE(saved.picture);
      EXPECT_EQ(saved.code, kCameraError);
      ++failures;
    } else {
      EXPECT_TRUE(saved.picture);
    }
  }
  EXPECT_EQ(failures, 1);
  EXPECT_EQ(two->PaneText(0), QStringLiteral("Error"));
  // Not queued: the picture stays in the window, unsaved.
  EXPECT_TRUE(one->HasUnsavedPictures());
  EXPECT_TRUE(errorBoxes.empty());
}

TEST_F(TakeTest, AWindowClosedDuringAnAllCamerasTakeCountsAsFailedAndTheTakeEnds) {
  FakeCamera* first = nullptr;
  FakeCamera* second = nullptr;
  CChildFrame* one = attach(makeCamera(0), &first);
  CChildFrame* two = attach(makeCamera(1), &second);
  second->script().setDelay(CameraOp::PrepareCapture, 300ms);
  TakeOfAll all;
  StartTakeOfAll(all, {one, two}, 10000ms);
  ASSERT_TRUE(pumpUntil([&] { return first->script().calls(CameraOp::PrepareCapture) == 1; }));
  const int serial = first->serial();
  delete one;
  ASSERT_EQ(site->closedWindows.size(), 1u);
  EXPECT_EQ(family.timesDestroyed(serial), 1);
  const auto started = std::chrono::steady_clock::now();
  ASSERT_TRUE(pumpUntil([&] { return all.results.takeResults.size() == 2; }, 5000ms));
  EXPECT_LT(std::chrono::steady_clock::now() - started, 5000ms);
  EXPECT_EQ(all.results.takeResults[0].first, 1);
  EXPECT_NE(all.results.takeResults[0].second, 0);
  EXPECT_EQ(all.results.takeResults[1], std::make_pair(std::int32_t(0), HRESULT(0)));
  EXPECT_EQ(all.take->pending(), 0);
  ASSERT_TRUE(pumpUntil([&] { return !site->synchronizedSaves.empty(); }));
  EXPECT_EQ(site->synchronizedSaves.back().cameraName, "Test Camera 2");
  static_cast<void>(two);
}

TEST_F(TakeTest, AResultStillQueuedWhenTheWindowIsDestroyedIsHandledWithoutBoxes) {
  FakeCamera* fake = nullptr;
  CChildFrame* window = attach(makeCamera(), &fake);
  TakeOfAll all;
  StartTakeOfAll(all, {window}, 5000ms);
  // Wait for the worker without delivering anything to the window.
  const auto deadline = std::chrono::steady_clock::now() + 5000ms;
  while (!(fake->script().calls(CameraOp::TransferPicture) == 1 && fake->connectDepth() == 0) &&
         std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(1ms);
  std::this_thread::sleep_for(100ms);
  delete window;
  ASSERT_EQ(site->synchronizedSaves.size(), 1u);
  EXPECT_TRUE(site->synchronizedSaves[0].picture);
  EXPECT_EQ(site->synchronizedSaves[0].code, 0);
  ASSERT_TRUE(pumpUntil([&] { return !all.results.takeResults.empty(); }));
  EXPECT_EQ(all.results.takeResults[0], std::make_pair(std::int32_t(0), HRESULT(0)));
  EXPECT_TRUE(errorBoxes.empty());
  EXPECT_TRUE(questions.empty());
}

TEST_F(TakeTest, ClosingAWindowDuringASlowTakeEndsWithoutHangAndFreesTheCamera) {
  FakeCamera* fake = nullptr;
  auto camera = makeCamera();
  // Long enough that the close comes while the transfer still runs, even on a busy machine.
  camera->script().setDelay(CameraOp::TransferPicture, 1000ms);
  CChildFrame* window = attach(std::move(camera), &fake);
  const int serial = fake->serial();
  window->OnCommand(cmd::TakePicture);
  ASSERT_TRUE(pumpUntil([&] { return fake->script().calls(CameraOp::TransferPicture) == 1; }));
  window->close();
  ASSERT_TRUE(pumpUntil([&] { return !site->closedWindows.empty(); }));
  ASSERT_EQ(site->closedWindows.size(), 1u);
  EXPECT_EQ(family.timesDestroyed(serial), 1);
  EXPECT_TRUE(site->mdiArea()->subWindowList().isEmpty());
  EXPECT_GE(site->previewCloses, 1);
  EXPECT_TRUE(errorBoxes.empty());
}

TEST_F(TakeTest, ReconnectTakesOverTheSameCameraOnly) {
  FakeCamera* fake = nullptr;
  auto camera = makeCamera(0);
  CChildFrame* window = attach(std::move(camera), &fake);
  window->MarkDisconnected();
  EXPECT_FALSE(window->IsCameraConnected());
  EXPECT_EQ(window->PaneText(3), QString());
  EXPECT_EQ(fake->lastCapturePropertiesEvent(), 2);

  const auto other = makeCamera(1);
  EXPECT_FALSE(window->ReconnectCamera(other.get()));
  EXPECT_FALSE(window->IsCameraConnected());
  EXPECT_EQ(fake->script().calls(CameraOp::TakeOverFrom), 0);

  const auto same = makeCamera(0);
  EXPECT_TRUE(window->ReconnectCamera(same.get()));
  EXPECT_TRUE(window->IsCameraConnected());
  EXPECT_EQ(fake->script().calls(CameraOp::TakeOverFrom), 1);
  EXPECT_EQ(window->PaneText(0), QStringLiteral("Ready"));
  EXPECT_EQ(window->PaneText(3), QStringLiteral("F=A Z=1.0 LCD=Off"));

  fake->script().failNext(CameraOp::TakeOverFrom, kCameraError);
  EXPECT_FALSE(window->ReconnectCamera(same.get()));
  EXPECT_FALSE(window->IsCameraConnected());
  EXPECT_EQ(window->PaneText(0), QStringLiteral("Camera Disconnected"));
  EXPECT_EQ(errorBoxes.size(), 1u);
}

TEST_F(TakeTest, CapabilityOfferIsMadeOncePerSessionAndOnlyWhenCapabilitiesAreUnknown) {
  FakeCamera* fake = nullptr;
  auto camera = makeCamera();
  camera->setCapabilitiesKnown(false);
  CChildFrame* window = attach(std::move(camera), &fake);
  answers = {ui::IDYES};
  window->OfferCapabilityDetection();
  window->OfferCapabilityDetection();
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_TRUE(questions[0].text.startsWith(QStringLiteral("Tarsel does not know capabilities of TC-1.")));
  EXPECT_EQ(site->activateRequests.size(), 1u);
  EXPECT_EQ(fake->script().calls(CameraOp::ShowCapabilityTest), 1);

  fake->setCapabilitiesKnown(true);
  const auto same = makeCamera(0);
  ASSERT_TRUE(window->ReconnectCamera(same.get()));
  window->OfferCapabilityDetection();
  EXPECT_EQ(questions.size(), 1u);
}

TEST_F(TakeTest, LoadingProgressOfACameraCallIsClearedWhenTheCallEnds) {
  FakeCamera* fake = nullptr;
  CChildFrame* window = attach(makeCamera(), &fake);
  QObject receiver;
  // Pictures of a capability test, transferred inside one camera call.
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    QString shownAtTheEnd;
    bool done = false;
    ASSERT_TRUE(window->QueueCameraCall(
        [fake] {
          for (const std::intptr_t percent : {0, 40, 100, 0, 100})
            fake->statusSink()->OnStatus(host::StatusLoading, percent);
        },
        &receiver,
        [&](HRESULT) {
          shownAtTheEnd = window->PaneText(1);
          done = true;
        }));
    ASSERT_TRUE(pumpUntil([&] { return done; }));
    EXPECT_EQ(shownAtTheEnd, QStringLiteral("Loading: 100%"));
    EXPECT_TRUE(pumpUntil([&] { return window->PaneText(1).isEmpty(); }))
        << window->PaneText(1).toStdString();
  }
  // A take's own progress ends with its picture as before.
  takeOne(window);
  EXPECT_EQ(window->PaneText(1), QString());
  EXPECT_TRUE(errorBoxes.empty());
}

} // namespace
} // namespace tarsel::frame::test
