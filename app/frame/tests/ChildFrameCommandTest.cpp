#include "app/core/IBracketing.h"
#include "app/frame/ChildFrame.h"
#include "app/frame/ChildView.h"
#include "app/frame/CommandIds.h"
#include "app/frame/OpenCameraSettingsEvent.h"
#include "app/frame/tests/FakeChildFrameSite.h"
#include "app/host/ConnectedCameraHost.h"
#include "app/pictures/PicInfoDisplayBase.h"
#include "env/BrantelTakeError.h"
#include "hostapi/ITarselConfigSettings.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMdiArea>
#include <QStatusBar>

#include <gtest/gtest.h>

namespace tarsel::frame::test {
namespace {

using testcamera::CameraOp;
using testcamera::FakeCamera;

bool Enabled(CChildFrame* window, UINT id, bool* checked = nullptr) {
  CCmdUI state;
  EXPECT_TRUE(window->OnUpdateCommand(id, &state)) << id;
  if (checked)
    *checked = state.checked;
  return state.enabled;
}

using CommandTest = WindowTest;

TEST_F(CommandTest, StepsThroughTheSeriesAndDeletingTheLastPictureClearsUnsaved) {
  CChildFrame* window = attach(makeCamera());
  EXPECT_FALSE(Enabled(window, cmd::DeletePicture));
  EXPECT_FALSE(Enabled(window, cmd::PreviousPicture));
  for (int i = 0; i < 3; ++i)
    takeOne(window);
  host::CConnectedCameraHost* host = window->GetHost();
  ASSERT_EQ(host->GetPictureCount(), 3);
  EXPECT_TRUE(Enabled(window, cmd::PreviousPicture));
  EXPECT_FALSE(Enabled(window, cmd::NextPicture));

  window->OnCommand(cmd::PreviousPicture);
  EXPECT_EQ(host->GetCurrentIndex(), 1);
  EXPECT_EQ(window->View()->Picture(), host->GetPicture(1));
  window->OnCommand(cmd::PreviousPicture);
  EXPECT_EQ(host->GetCurrentIndex(), 0);
  EXPECT_FALSE(Enabled(window, cmd::PreviousPicture));
  window->OnCommand(cmd::PreviousPicture);
  EXPECT_EQ(host->GetCurrentIndex(), 0);
  window->OnCommand(cmd::NextPicture);
  EXPECT_EQ(host->GetCurrentIndex(), 1);

  answers = {ui::IDCANCEL};
  window->OnCommand(cmd::DeletePicture);
  EXPECT_EQ(host->GetPictureCount(), 3);
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_EQ(questions[0].text, QStringLiteral("The current picture will be deleted."));
  EXPECT_EQ(questions[0].buttons, ui::Buttons::OkCancel);

  IPictureFromCamera* last = host->GetPicture(2);
  answers = {ui::IDOK};
  window->OnCommand(cmd::DeletePicture);
  EXPECT_EQ(host->GetPictureCount(), 2);
  EXPECT_EQ(window->View()->Picture(), last);
  EXPECT_TRUE(window->HasUnsavedPictures());

  answers = {ui::IDOK, ui::IDOK};
  window->OnCommand(cmd::DeletePicture);
  window->OnCommand(cmd::DeletePicture);
  EXPECT_FALSE(host->HasPictures());
  EXPECT_EQ(window->View()->Picture(), nullptr);
  EXPECT_FALSE(window->HasUnsavedPictures());
  EXPECT_FALSE(Enabled(window, cmd::DeletePicture));
}

TEST_F(CommandTest, CancellingTheSeriesAsksThenEmptiesIt) {
  CChildFrame* window = attach(makeCamera());
  takeOne(window);
  takeOne(window);
  answers = {ui::IDCANCEL};
  window->OnCommand(cmd::CancelSeries);
  EXPECT_EQ(window->GetHost()->GetPictureCount(), 2);
  answers = {ui::IDOK};
  window->OnCommand(cmd::CancelSeries);
  ASSERT_EQ(questions.size(), 2u);
  EXPECT_EQ(questions[1].text, QStringLiteral("The whole series will be deleted."));
  EXPECT_FALSE(window->GetHost()->HasPictures());
  EXPECT_EQ(window->View()->Picture(), nullptr);
  EXPECT_FALSE(window->HasUnsavedPictures());
}

TEST_F(CommandTest, ZoomDecodesAtTheDivisorAndKeepsItForNewPictures) {
  auto camera = makeCamera();
  camera->setPictureSize(64, 48);
  CChildFrame* window = attach(std::move(camera));
  EXPECT_FALSE(Enabled(window, cmd::Zoom100));
  takeOne(window);
  IPictureFromCamera* picture = window->GetHost()->GetPicture();
  // A picture that fits opens at 100 %.
  EXPECT_EQ(picture->GetBitmapWidth(), 64u);
  window->OnCommand(cmd::Zoom25);
  EXPECT_EQ(picture->GetBitmapWidth(), 16u);
  EXPECT_FALSE(Enabled(window, cmd::Zoom25));
  EXPECT_TRUE(Enabled(window, cmd::Zoom100));
  window->OnCommand(cmd::Zoom100);
  EXPECT_EQ(picture->GetScaleDenominator(), 1u);
  EXPECT_EQ(picture->GetBitmapWidth(), 64u);
  EXPECT_EQ(window->GetHost()->GetZoomDivisor(), 1);
  EXPECT_EQ(window->View()->GetImageHeight(picture), 48 + window->View()->Overlay()->GetHeight());
  EXPECT_FALSE(Enabled(window, cmd::Zoom100));
  EXPECT_EQ(window->PaneText(0), QStringLiteral("Ready"));

  takeOne(window);
  EXPECT_EQ(window->GetHost()->GetPicture()->GetBitmapWidth(), 64u);
  // Stepping back to a picture of the same zoom shows it as it is.
  window->OnCommand(cmd::PreviousPicture);
  EXPECT_EQ(window->View()->Picture(), picture);
  window->OnCommand(cmd::Zoom50);
  EXPECT_EQ(picture->GetBitmapWidth(), 32u);
  // The next picture was decoded at 100 %: stepping to it decodes it at 50 %.
  window->OnCommand(cmd::NextPicture);
  EXPECT_EQ(window->GetHost()->GetPicture()->GetBitmapWidth(), 32u);
}

TEST_F(CommandTest, RotationTurnsTheCurrentPictureBothWays) {
  auto camera = makeCamera();
  camera->setPictureSize(64, 48);
  CChildFrame* window = attach(std::move(camera));
  EXPECT_FALSE(Enabled(window, cmd::RotateClockwise));
  takeOne(window);
  IPictureFromCamera* picture = window->GetHost()->GetPicture();
  window->OnCommand(cmd::RotateClockwise);
  EXPECT_EQ(picture->GetPictureWidth(), 48u);
  EXPECT_EQ(picture->GetPictureHeight(), 64u);
  EXPECT_TRUE(picture->HasBitmap());
  EXPECT_EQ(window->View()->GetImageWidth(picture), 48 + window->View()->Overlay()->GetWidth());
  window->OnCommand(cmd::RotateCounterclockwise);
  EXPECT_EQ(picture->GetPictureWidth(), 64u);
  EXPECT_EQ(window->PaneText(0), QStringLiteral("Ready"));
}

TEST_F(CommandTest, CopyPutsTheBitmapOnTheClipboard) {
  CChildFrame* window = attach(makeCamera());
  EXPECT_FALSE(Enabled(window, cmd::EditCopy));
  takeOne(window);
  ASSERT_TRUE(Enabled(window, cmd::EditCopy));
  window->OnCommand(cmd::EditCopy);
  EXPECT_TRUE(errorBoxes.empty());
  const QImage image = QGuiApplication::clipboard()->image();
  EXPECT_EQ(image.size(), QSize(64, 48));
}

TEST_F(CommandTest, ClosingWithUnsavedPicturesNeverLosesAPictureWhoseSaveDidNotHappen) {
  struct Row {
    int answer;
    bool savers;
    HRESULT saveResult;
    bool closes;
    std::size_t errors;
  };
  const Row rows[] = {
      {ui::IDCANCEL, true, 0, false, 0},
      {ui::IDYES, true, 1223, false, 0},
      {ui::IDYES, true, static_cast<HRESULT>(0x80004005u), false, 1},
      {ui::IDYES, false, 0, false, 0},
      {ui::IDYES, true, 0, true, 0},
      {ui::IDNO, true, 0, true, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.answer * 10 + (row.closes ? 1 : 0));
    errorBoxes.clear();
    questions.clear();
    site->closedWindows.clear();
    site->savers = row.savers;
    site->saveResults = {row.saveResult};
    site->interactiveSaveCounts.clear();
    CChildFrame* window = attach(makeCamera());
    takeOne(window);
    ASSERT_TRUE(window->HasUnsavedPictures());
    answers = {row.answer};
    window->OnCommand(cmd::FileClose);
    pumpFor(5ms);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0].text,
              QStringLiteral("Some pictures are not saved. Do you want to save them before exiting?"));
    EXPECT_EQ(questions[0].buttons, ui::Buttons::YesNoCancel);
    EXPECT_EQ(site->closedWindows.size(), row.closes ? 1u : 0u);
    EXPECT_EQ(errorBoxes.size(), row.errors);
    if (row.answer == ui::IDYES && row.savers) {
      EXPECT_EQ(site->interactiveSaveCounts, std::vector<int>{1});
    }
    if (!row.closes) {
      EXPECT_TRUE(window->HasUnsavedPictures());
      EXPECT_EQ(window->GetHost()->GetPictureCount(), 1);
      delete window;
    }
  }
}

TEST_F(CommandTest, SavingNeedsASaverAndASuccessfulSaveClearsUnsaved) {
  CChildFrame* window = attach(makeCamera());
  takeOne(window);
  takeOne(window);
  EXPECT_FALSE(Enabled(window, cmd::FileSaveAs));
  EXPECT_FALSE(Enabled(window, cmd::SaveSeries));
  site->savers = true;
  EXPECT_TRUE(Enabled(window, cmd::FileSaveAs));
  site->saveResults = {1223};
  window->OnCommand(cmd::FileSaveAs);
  EXPECT_TRUE(window->HasUnsavedPictures());
  EXPECT_TRUE(errorBoxes.empty());
  site->saveResults = {0};
  window->OnCommand(cmd::SaveSeries);
  EXPECT_EQ(site->interactiveSaveCounts, (std::vector<int>{1, 2}));
  EXPECT_FALSE(window->HasUnsavedPictures());
  // The saved series is replaced by the next picture.
  takeOne(window);
  EXPECT_EQ(window->GetHost()->GetPictureCount(), 1);
}

TEST_F(CommandTest, CommandsOfPartsNotBuiltAreDisabledAndCameraCommandsNeedAConnection) {
  FakeCamera* fake = nullptr;
  CChildFrame* window = attach(makeCamera(), &fake);
  EXPECT_FALSE(Enabled(window, cmd::SaveAllFocusingImages));
  for (UINT id : {cmd::ShowPreview, cmd::LcdOn, cmd::LcdOff, cmd::CameraInfo, cmd::DetectCapabilities,
                  cmd::DownloadAllPictures, cmd::AdvancedSettings, cmd::CaptureProperties,
                  cmd::SaveCaptureSettings, cmd::LoadCaptureSettings})
    EXPECT_TRUE(Enabled(window, id)) << id;
  CCmdUI state;
  EXPECT_FALSE(window->OnUpdateCommand(cmd::AppExit, &state));
  EXPECT_FALSE(window->OnCommand(cmd::AppExit));

  window->OnCommand(cmd::LcdOn);
  EXPECT_TRUE(fake->IsLcdOn());
  EXPECT_EQ(window->PaneText(3), QStringLiteral("F=A Z=1.0 LCD=On"));
  window->OnCommand(cmd::LcdOff);
  EXPECT_FALSE(fake->IsLcdOn());
  window->OnCommand(cmd::AdvancedSettings);
  EXPECT_EQ(fake->lastSettingsPage(), 0);
  EXPECT_EQ(fake->lastCapturePropertiesEvent(), 1);
  QCoreApplication::postEvent(window, new OpenCameraSettingsEvent(3));
  pumpUntil([&] { return fake->lastSettingsPage() == 3; }, 2000ms);
  EXPECT_EQ(fake->lastSettingsPage(), 3);
  window->OnCommand(cmd::DownloadAllPictures);
  EXPECT_EQ(fake->script().calls(CameraOp::ShowDownloadAllPictures), 1);

  bool checked = true;
  window->OnUpdateCommand(cmd::CaptureProperties, &state);
  EXPECT_FALSE(state.checked);
  window->OnCommand(cmd::CaptureProperties);
  EXPECT_EQ(site->captureDialogShows, 1);
  Enabled(window, cmd::CaptureProperties, &checked);
  EXPECT_TRUE(checked);
  window->OnCommand(cmd::CaptureProperties);
  EXPECT_EQ(site->captureDialogHides, 1);

  window->MarkDisconnected();
  for (UINT id :
       {cmd::TakePicture, cmd::LcdOn, cmd::CameraInfo, cmd::AdvancedSettings, cmd::SaveCaptureSettings})
    EXPECT_FALSE(Enabled(window, id)) << id;
  window->OnCommand(cmd::CameraInfo);
  EXPECT_EQ(fake->script().calls(CameraOp::ShowCameraInfo), 0);
}

TEST_F(CommandTest, MonitorOnWithAPreviewAsksOnceAndRemembersTheAnswer) {
  FakeCamera* fake = nullptr;
  CChildFrame* window = attach(makeCamera(), &fake);
  site->previewWindow = true;
  bool checked = false;
  EXPECT_TRUE(Enabled(window, cmd::ShowPreview, &checked));
  EXPECT_TRUE(checked);
  answers = {ui::IDYES};
  window->OnCommand(cmd::LcdOn);
  ASSERT_EQ(questions.size(), 1u);
  EXPECT_TRUE(questions[0].text.startsWith(QStringLiteral("Having both Preview window and LCD On")));
  EXPECT_FALSE(site->previewWindow);
  EXPECT_TRUE(fake->IsLcdOn());
  bool onlyOne = false;
  EXPECT_EQ(userSettings(*site)->GetLcdOrPreview(&onlyOne), 0);
  EXPECT_TRUE(onlyOne);

  site->previewWindow = true;
  window->OnCommand(cmd::LcdOn);
  EXPECT_EQ(questions.size(), 1u);
  EXPECT_FALSE(site->previewWindow);
}

TEST_F(CommandTest, MaximisedWindowWritesItsStatusIntoTheFramesPanes) {
  CChildFrame* window = attach(makeCamera());
  QStatusBar* bar = window->findChild<QStatusBar*>();
  ASSERT_NE(bar, nullptr);
  EXPECT_FALSE(bar->isHidden());
  window->showMaximized();
  pumpFor(5ms);
  EXPECT_TRUE(bar->isHidden());
  EXPECT_EQ(site->framePanes[4], QStringLiteral("F=A Z=1.0 LCD=Off"));
  EXPECT_EQ(site->frameMessage, QStringLiteral("Ready"));
  window->SetStatusText("Z=2.0");
  EXPECT_EQ(site->framePanes[4], QStringLiteral("Z=2.0"));
  EXPECT_EQ(window->PaneText(3), QStringLiteral("Z=2.0"));

  window->showNormal();
  pumpFor(5ms);
  EXPECT_FALSE(bar->isHidden());
  EXPECT_EQ(site->framePanes[4], QString());
  window->SetStatusText("Z=3.0");
  EXPECT_EQ(site->framePanes[4], QString());

  bool checked = false;
  EXPECT_TRUE(Enabled(window, cmd::ViewStatusBar, &checked));
  EXPECT_TRUE(checked);
  window->OnCommand(cmd::ViewStatusBar);
  EXPECT_TRUE(bar->isHidden());
  EXPECT_FALSE(window->IsStatusBarShown());
}

// A bracketing series of three steps that counts what the window did.
class CountingBracketing : public IBracketing {
public:
  bool IsEnabled() override { return true; }
  bool NextStep() override { return ++step < 3; }
  void EndSeries() override {
    ++ends;
    if (restoreFails)
      throw _brantel_take_error(static_cast<HRESULT>(0x81041001u));
  }
  int GetCurrentStep() override { return step; }
  int GetStepCount() override { return 3; }
  int step = 0;
  int ends = 0;
  bool restoreFails = false;
};

class BracketingCamera : public FakeCamera {
public:
  using FakeCamera::FakeCamera;
  IBracketing* GetBracketing() override { return &series; }
  CountingBracketing series;
};

TEST_F(CommandTest, ABracketingSeriesTakesEveryStepThenEnds) {
  userSettings(*site)->SetBracketingNumPics(3);
  auto camera = std::make_unique<BracketingCamera>(&family, std::make_shared<testcamera::FamilyTracker>(), 0);
  BracketingCamera* fake = camera.get();
  CChildFrame* window = site->addWindow();
  window->AttachCamera(camera.release());
  window->OnCommand(cmd::TakePicture);
  EXPECT_EQ(window->PaneText(2), QStringLiteral("Picture 1 of 3"));
  ASSERT_TRUE(pumpUntil([&] { return fake->series.ends == 1; }));
  pumpFor(5ms);
  EXPECT_EQ(fake->picturesTaken(), 3);
  EXPECT_EQ(window->GetHost()->GetPictureCount(), 3);
  EXPECT_EQ(window->PaneText(2), QString());
  EXPECT_FALSE(window->IsBusy());

  fake->series.step = 0;
  fake->script().failNext(CameraOp::TransferPicture, static_cast<HRESULT>(0x80004005u), 1);
  window->OnCommand(cmd::TakePicture);
  ASSERT_TRUE(pumpUntil([&] { return fake->series.ends == 2; }));
  EXPECT_EQ(window->PaneText(0), QStringLiteral("Error"));
  EXPECT_EQ(window->PaneText(2), QString());
  EXPECT_EQ(errorBoxes.size(), 1u);

  // A camera that refuses the restore too: the take's failure is still reported.
  fake->series.step = 0;
  fake->series.restoreFails = true;
  fake->script().failNext(CameraOp::TransferPicture, static_cast<HRESULT>(0x80004005u), 1);
  window->OnCommand(cmd::TakePicture);
  ASSERT_TRUE(pumpUntil([&] { return fake->series.ends == 3; }));
  pumpFor(5ms);
  EXPECT_EQ(errorBoxes.size(), 3u);
  EXPECT_FALSE(window->IsBusy());
  EXPECT_FALSE(window->IsBracketingRunning());
}

TEST_F(CommandTest, ABracketingCountOfOneTakesASinglePicture) {
  userSettings(*site)->SetBracketingNumPics(1);
  auto camera = std::make_unique<BracketingCamera>(&family, std::make_shared<testcamera::FamilyTracker>(), 0);
  BracketingCamera* fake = camera.get();
  CChildFrame* window = site->addWindow();
  window->AttachCamera(camera.release());
  takeOne(window);
  pumpFor(5ms);
  EXPECT_EQ(fake->picturesTaken(), 1);
  EXPECT_EQ(fake->series.ends, 0);
}

TEST_F(CommandTest, ActivationReportsStatusAndMakesTheWindowThePreviewSource) {
  FakeCamera* first = nullptr;
  CChildFrame* one = attach(makeCamera(0), &first);
  CChildFrame* two = attach(makeCamera(1));
  const int reports = first->script().calls(CameraOp::ReportStatus);
  const int sources = site->previewSources;
  site->mdiArea()->setActiveSubWindow(one);
  pumpFor(5ms);
  EXPECT_GT(first->script().calls(CameraOp::ReportStatus), reports);
  EXPECT_GT(site->previewSources, sources);
  EXPECT_EQ(ICameraWindow::FromObject(one->View()), one);
  EXPECT_EQ(ICameraWindow::FromObject(two), two);
  EXPECT_EQ(ICameraWindow::FromObject(site->mdiArea()), nullptr);
}

} // namespace
} // namespace tarsel::frame::test
