// What the camera window's tests give it in place of the main frame: an MDI
// area to live in, the program's settings, and a record of every call the
// window makes of its frame. Also helpers that make
// fake cameras and attach them.
#pragma once

#include "app/frame/BatteryStatus.h"
#include "app/frame/ChildFrame.h"
#include "app/frame/ChildFrameSite.h"
#include "app/frame/CommandIds.h"
#include "app/settings/TarselSettings.h"
#include "app/testcamera/FakeCamera.h"
#include "app/testcamera/FakeCameraFamily.h"
#include "app/testsupport/EventPump.h"
#include "hostapi/IPictureFromCamera.h"
#include "hostapi/RefPtr.h"

#include <QMainWindow>
#include <QString>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QMdiArea;

namespace tarsel::frame::test {

using namespace std::chrono_literals;

struct SavedPicture {
  CRefPtr<IPictureFromCamera> picture;
  std::string cameraName;
  HRESULT code = 0;
};

class FakeChildFrameSite : public IChildFrameSite {
public:
  FakeChildFrameSite();
  ~FakeChildFrameSite();

  QMdiArea* mdiArea() const { return m_mdi; }
  // A camera window in the MDI area, shown, with short time-outs.
  CChildFrame* addWindow(ChildFrameOptions options = testOptions());
  static ChildFrameOptions testOptions();

  // Behaviour.
  bool savers = false;
  bool previewWindow = false;
  bool acceptSaves = true;
  bool captureDialogShown = false;
  // Answers of SavePicturesInteractive, one per call (then 0).
  std::vector<HRESULT> saveResults;

  // What the window asked.
  QString frameMessage;
  std::map<int, QString> framePanes;
  std::vector<SavedPicture> queuedSaves;
  std::vector<SavedPicture> synchronizedSaves;
  std::vector<int> interactiveSaveCounts;
  std::vector<CChildFrame*> closedWindows;
  std::vector<CChildFrame*> activateRequests;
  int previewCloses = 0;
  int previewOpens = 0;
  int previewSources = 0;
  std::vector<bool> previewBusy;
  int captureDialogShows = 0;
  int captureDialogHides = 0;

  QWidget* FrameWindow() override { return &m_frame; }
  ITarselSettings* GetSettings() override { return &m_settings; }
  bool HasSavers() override { return savers; }
  void ShowFrameMessage(const QString& text) override { frameMessage = text; }
  void SetFramePaneText(int pane, const QString& text) override { framePanes[pane] = text; }
  bool QueuePictureSave(IPictureFromCamera* picture, ISaveInfo*, const char* cameraName, QObject*) override;
  bool QueueSynchronizedSave(IPictureFromCamera* picture, const char* cameraName, HRESULT code, std::int32_t,
                             bool, QObject*) override;
  bool IsCaptureDialogShown() override { return captureDialogShown; }
  void ShowCaptureDialogFor(CChildFrame*) override;
  void HideCaptureDialogs() override;
  void RefreshCaptureDialogs(CChildFrame*) override {}
  bool HasPreviewWindow() override { return previewWindow; }
  void OpenPreview(CChildFrame*) override;
  void ClosePreview(CChildFrame* window = nullptr) override;
  void SetPreviewSource(CChildFrame*) override { ++previewSources; }
  void NotifyPreviewBusy(bool busy) override { previewBusy.push_back(busy); }
  void PostActivateChild(CChildFrame* window) override { activateRequests.push_back(window); }
  void ChildClosed(CChildFrame* window) override { closedWindows.push_back(window); }
  HRESULT SavePicturesInteractive(CChildFrame* window, IPictureFromCamera* const* pictures,
                                  int count) override;

private:
  QMainWindow m_frame;
  QMdiArea* m_mdi = nullptr;
  CTarselSettings m_settings;
};

using tarsel::test::pumpFor;
using tarsel::test::pumpUntil;

// The user settings the window reads, writable.
CRefPtr<ITarselConfigSettings> userSettings(FakeChildFrameSite& site);

} // namespace tarsel::frame::test

#include "app/ui/MessageQuestion.h"
#include "env/ErrorReport.h"

#include <gtest/gtest.h>

#include <deque>

namespace tarsel::frame::test {

// A question or information box the window showed.
struct Question {
  QString text;
  ui::Buttons buttons;
  ui::Icon icon;
};

// The base of the window tests: a fake frame, a fake camera family, the
// user's answers to boxes, and the error boxes and battery warnings shown.
class WindowTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // A fake camera of the family (index picks its name "Test Camera <index+1>").
  std::unique_ptr<testcamera::FakeCamera> makeCamera(int index = 0) { return family.makeCamera(index); }
  // A new window with the camera attached; the camera stays reachable.
  CChildFrame* attach(std::unique_ptr<testcamera::FakeCamera> camera, testcamera::FakeCamera** out = nullptr,
                      ChildFrameOptions options = FakeChildFrameSite::testOptions());
  // Runs one take through the command and waits for its end.
  void takeOne(CChildFrame* window);

  std::unique_ptr<FakeChildFrameSite> site;
  testcamera::FakeCameraFamily family;
  std::deque<int> answers; // answers to the next boxes; empty: Cancel
  std::vector<Question> questions;
  std::vector<std::string> errorBoxes;
  std::vector<QString> batteryWarnings;
  // What a battery warning's hook does with the box.
  std::function<void(CBatteryStatusNotification&)> batteryAnswer;
};

} // namespace tarsel::frame::test
