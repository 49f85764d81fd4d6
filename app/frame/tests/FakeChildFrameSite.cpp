#include "app/frame/tests/FakeChildFrameSite.h"

#include "hostapi/ITarselConfigSettings.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMdiArea>

#include <thread>

namespace tarsel::frame::test {

FakeChildFrameSite::FakeChildFrameSite() {
  m_mdi = new QMdiArea(&m_frame);
  m_frame.setCentralWidget(m_mdi);
  m_frame.resize(800, 600);
  m_frame.show();
}

FakeChildFrameSite::~FakeChildFrameSite() {
  // The windows die before this site does, as they do before the frame.
  for (QMdiSubWindow* window : m_mdi->subWindowList())
    delete window;
}

ChildFrameOptions FakeChildFrameSite::testOptions() {
  ChildFrameOptions options;
  options.hostStopDeadline = 5000ms;
  options.hostStartWait = 2000ms;
  options.firstBatteryCheck = 24h;
  options.batteryInterval = 24h;
  options.connectTimeWarning = 20000ms;
  return options;
}

CChildFrame* FakeChildFrameSite::addWindow(ChildFrameOptions options) {
  auto* window = new CChildFrame(this, options);
  m_mdi->addSubWindow(window);
  window->resize(400, 300);
  window->show();
  return window;
}

bool FakeChildFrameSite::QueuePictureSave(IPictureFromCamera* picture, ISaveInfo*, const char* cameraName,
                                          QObject*) {
  if (!acceptSaves)
    return false;
  queuedSaves.push_back({CRefPtr<IPictureFromCamera>(picture), cameraName ? cameraName : "", 0});
  return true;
}

bool FakeChildFrameSite::QueueSynchronizedSave(IPictureFromCamera* picture, const char* cameraName,
                                               HRESULT code, std::int32_t, bool, QObject*) {
  synchronizedSaves.push_back({CRefPtr<IPictureFromCamera>(picture), cameraName ? cameraName : "", code});
  return picture && acceptSaves;
}

void FakeChildFrameSite::ShowCaptureDialogFor(CChildFrame*) {
  captureDialogShown = true;
  ++captureDialogShows;
}

void FakeChildFrameSite::HideCaptureDialogs() {
  captureDialogShown = false;
  ++captureDialogHides;
}

void FakeChildFrameSite::OpenPreview(CChildFrame*) {
  previewWindow = true;
  ++previewOpens;
}

void FakeChildFrameSite::ClosePreview(CChildFrame*) {
  previewWindow = false;
  ++previewCloses;
}

HRESULT FakeChildFrameSite::SavePicturesInteractive(CChildFrame*, IPictureFromCamera* const*, int count) {
  interactiveSaveCounts.push_back(count);
  if (saveResults.empty())
    return 0;
  const HRESULT result = saveResults.front();
  saveResults.erase(saveResults.begin());
  return result;
}

CRefPtr<ITarselConfigSettings> userSettings(FakeChildFrameSite& site) {
  CRefPtr<ITarselConfigSettings> user;
  ITarselConfigSettings* opened = nullptr;
  if (site.GetSettings()->GetUserSettings(&opened, false) == 0)
    user.Attach(opened);
  return user;
}

} // namespace tarsel::frame::test

#include "app/frame/BatteryStatus.h"
#include "app/host/ConnectedCameraHost.h"
#include "env/BrantelTakeError.h"

namespace tarsel::frame::test {

void WindowTest::SetUp() {
  site = std::make_unique<FakeChildFrameSite>();
  CBatteryStatusNotification::ClearRunFlagForTests();
  if (const CRefPtr<ITarselConfigSettings> user = userSettings(*site)) {
    user->SetAutoSaveAfterTakingSingle(false);
    user->SetLeavePictureInCamera(false);
    user->SetBracketingNumPics(0);
    user->SetRotation(0);
    user->SetDoNotDisplayPicture(false);
    user->ClearLcdOrPreview();
    user->SetDontShowBatteryStatus(false);
  }
  ui::SetAskUserHook([this](const QString& text, ui::Buttons buttons, ui::Icon icon) {
    questions.push_back({text, buttons, icon});
    if (answers.empty())
      return ui::IDCANCEL;
    const int answer = answers.front();
    answers.pop_front();
    return answer;
  });
  SetMessageBoxHook([this](HWND, const std::string& text, const std::string&, MessageBoxIcon) {
    errorBoxes.push_back(text);
  });
  CBatteryStatusNotification::SetHook([this](CBatteryStatusNotification& box) {
    batteryWarnings.push_back(box.MessageText());
    if (batteryAnswer)
      batteryAnswer(box);
  });
  _brantel_take_error::DoReporting(true);
}

void WindowTest::TearDown() {
  site.reset();
  pumpFor(5ms);
  _brantel_take_error::DoReporting(false);
  CBatteryStatusNotification::SetHook({});
  SetMessageBoxHook({});
  ui::SetAskUserHook({});
  CBatteryStatusNotification::ClearRunFlagForTests();
}

CChildFrame* WindowTest::attach(std::unique_ptr<testcamera::FakeCamera> camera, testcamera::FakeCamera** out,
                                ChildFrameOptions options) {
  CChildFrame* window = site->addWindow(options);
  if (out)
    *out = camera.get();
  window->AttachCamera(camera.release());
  return window;
}

void WindowTest::takeOne(CChildFrame* window) {
  const int taken = static_cast<testcamera::FakeCamera*>(window->GetCamera())->picturesTaken();
  ASSERT_TRUE(window->OnCommand(cmd::TakePicture));
  ASSERT_TRUE(pumpUntil([&] { return !window->IsBusy(); }));
  ASSERT_EQ(static_cast<testcamera::FakeCamera*>(window->GetCamera())->picturesTaken(), taken + 1);
}

} // namespace tarsel::frame::test
