#include "MainFrameTestSupport.h"

#include "app/core/ResString.h"
#include "app/frame/CommandIds.h"
#include "app/receiver/MailslotServer.h"
#include "app/ui/MessageQuestion.h"
#include "env/CamStorageDir.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselSettings.h"
#include "platform/testsupport/TestSupport.h"
#include "remote/MailSlotAddress.h"
#include "remote/MailSlotClient.h"
#include "remote/RemoteDatagram.h"
#include "remote/RemoteKey.h"

#include <QCoreApplication>
#include <QMdiArea>

#include <unistd.h>

#include <algorithm>
#include <atomic>

using namespace std::chrono_literals;
using tarsel::frame::test::FrameTest;
using tarsel::frame::test::Gate;
using tarsel::frame::test::pumpFor;
using tarsel::frame::test::pumpUntil;
using tarsel::frame::test::TimedCamera;
using tarsel::frame::test::TimedFamily;
using tarsel::testcamera::CameraOp;
namespace cmd = tarsel::frame::cmd;

namespace {

TimedCamera& cameraOf(CChildFrame* window) {
  return *static_cast<TimedCamera*>(window->GetCamera());
}

int picturesTaken(CMainFrame& frame) {
  int taken = 0;
  for (CChildFrame* window : frame.CameraWindows())
    taken += cameraOf(window).picturesTaken();
  return taken;
}

std::string uniqueSocketName() {
  static std::atomic<int> counter{0};
  return "tarsel-frame-test-" + std::to_string(getpid()) + "-" + std::to_string(++counter);
}

class MainFrameTake : public FrameTest {};

} // namespace

TEST_F(MainFrameTake, EightCamerasFireWithinAFewMillisecondsAndAllReport) {
  TimedFamily& family = addFamily();
  family.setCameraCount(8);
  MainFrameOptions options = optionsFor({&family});
  options.takeBarrier = 10s;
  CMainFrame& frame = start(options);
  ASSERT_EQ(frame.CameraWindows().size(), 8u);

  EXPECT_TRUE(frame.RunCommand(cmd::AllCamerasTakePicture));
  EXPECT_EQ(frame.RunningTakes(), 1);
  EXPECT_EQ(frame.PaneText(0), "Taking Pictures");
  ASSERT_TRUE(pumpUntil([this] { return m_takesEnded == 1; }));

  std::vector<std::chrono::steady_clock::time_point> fired;
  for (CChildFrame* window : frame.CameraWindows()) {
    const auto time = cameraOf(window).lastTakeTime();
    ASSERT_TRUE(time.has_value());
    fired.push_back(*time);
    EXPECT_EQ(cameraOf(window).picturesTaken(), 1);
  }
  const auto [first, last] = std::minmax_element(fired.begin(), fired.end());
  EXPECT_LT(*last - *first, 50ms);
  EXPECT_TRUE(m_errors.empty());
  EXPECT_EQ(frame.RunningTakes(), 0);
  EXPECT_EQ(frame.PaneText(0), "Ready");
}

TEST_F(MainFrameTake, AFailingCameraDoesNotHoldTheOthersBack) {
  TimedFamily& family = addFamily();
  family.setCameraCount(3);
  family.setTimedSetup([](TimedCamera& camera) {
    if (camera.index() == 1)
      camera.script().failNext(CameraOp::PrepareCapture, static_cast<HRESULT>(0x81040010u));
  });
  MainFrameOptions options = optionsFor({&family});
  options.takeBarrier = 10s;
  CMainFrame& frame = start(options);

  ASSERT_TRUE(frame.TakePictureAllCameras(-1, false));
  ASSERT_TRUE(pumpUntil([this] { return m_takesEnded == 1; }));
  const auto windows = frame.CameraWindows();
  EXPECT_EQ(cameraOf(windows[0]).picturesTaken(), 1);
  EXPECT_EQ(cameraOf(windows[1]).picturesTaken(), 0);
  EXPECT_EQ(cameraOf(windows[2]).picturesTaken(), 1);
  EXPECT_EQ(m_errors.size(), 1u);
}

TEST_F(MainFrameTake, ACameraThatNeverArrivesReleasesTheOthersAtTheBarrier) {
  TimedFamily& family = addFamily();
  family.setCameraCount(3);
  auto gate = std::make_shared<Gate>();
  gate->close();
  family.setTimedSetup([gate](TimedCamera& camera) {
    if (camera.index() == 2)
      camera.setPrepareGate(gate);
  });
  MainFrameOptions options = optionsFor({&family});
  options.takeBarrier = std::chrono::milliseconds(300);
  CMainFrame& frame = start(options);

  ASSERT_TRUE(frame.TakePictureAllCameras(-1, false));
  // The two waiting cameras give up at the (short) barrier and report,
  // while the third is still held in its preparation.
  ASSERT_TRUE(pumpUntil([this] { return m_errors.size() == 2; }));
  EXPECT_EQ(m_takesEnded, 0);
  EXPECT_EQ(picturesTaken(frame), 0);
  gate->open();
  ASSERT_TRUE(pumpUntil([this] { return m_takesEnded == 1; }));
  EXPECT_EQ(m_errors.size(), 3u);
  EXPECT_EQ(picturesTaken(frame), 0);
}

TEST_F(MainFrameTake, OverlappingTakesEachEndWithExactlyOneFinalResult) {
  TimedFamily& family = addFamily();
  family.setCameraCount(2);
  family.setTimedSetup(
      [](TimedCamera& camera) { camera.script().setDelay(CameraOp::FirePreparedCapture, 50ms); });
  MainFrameOptions options = optionsFor({&family});
  options.takeBarrier = 10s;
  CMainFrame& frame = start(options);

  ASSERT_TRUE(frame.TakePictureAllCameras(-1, false));
  ASSERT_TRUE(frame.TakePictureAllCameras(-1, false));
  EXPECT_EQ(frame.RunningTakes(), 2);
  ASSERT_TRUE(pumpUntil([this] { return m_takesEnded == 2; }));
  pumpFor(100ms);
  EXPECT_EQ(m_takesEnded, 2);
  EXPECT_EQ(picturesTaken(frame), 4);
  EXPECT_TRUE(m_errors.empty());
}

TEST_F(MainFrameTake, APostedAllCamerasTakeRunsOnlyWhenACameraIsConnectedWhenItArrives) {
  TimedFamily& family = addFamily();
  family.setCameraCount(0);
  CMainFrame& frame = start(optionsFor({&family}));

  EXPECT_FALSE(frame.TakePictureAllCameras(-1, false));
  frame.PostFrameCommand(cmd::AllCamerasTakePicture);
  QCoreApplication::sendPostedEvents(&frame);
  EXPECT_EQ(frame.RunningTakes(), 0);
  EXPECT_EQ(frame.PaneText(0), "No Camera");

  // Posted while connected, dispatched after the camera went away: dropped.
  family.setCameraCount(1);
  frame.RefreshCameras();
  ASSERT_TRUE(frame.CameraWindows().front()->IsCameraConnected());
  frame.PostFrameCommand(cmd::AllCamerasTakePicture);
  family.setCameraCount(0);
  frame.RefreshCameras();
  QCoreApplication::sendPostedEvents(&frame);
  EXPECT_EQ(frame.RunningTakes(), 0);

  family.setCameraCount(1);
  frame.RefreshCameras();
  frame.PostFrameCommand(cmd::AllCamerasTakePicture);
  QCoreApplication::sendPostedEvents(&frame);
  EXPECT_EQ(frame.RunningTakes(), 1);
  ASSERT_TRUE(pumpUntil([this] { return m_takesEnded == 1; }));
  EXPECT_EQ(picturesTaken(frame), 1);
  EXPECT_TRUE(m_errors.empty());
}

TEST_F(MainFrameTake, ACaptureDatagramMakesExactlyOneTakeAndASecondReceiverIsReportedNotFatal) {
  const std::string socket = uniqueSocketName();
  tarsel::test::ScopedEnv name(tarsel::remote::kMailslotNameVariable, socket);
  TimedFamily& family = addFamily();
  family.setCameraCount(2);
  MainFrameOptions options = optionsFor({&family});
  options.remoteControl = true;
  options.mailslot.socketName = socket;
  options.takeBarrier = 10s;
  CMainFrame& frame = start(options);
  ASSERT_NE(frame.Receiver(), nullptr);

  const auto datagram = tarsel::remote::encodeDatagram(tarsel::remote::currentNonce(), "MSL?CAPTURE",
                                                       tarsel::remote::builtInRemoteKey());
  ASSERT_TRUE(datagram);
  tarsel::remote::CMailSlotClient client(nullptr);
  ASSERT_EQ(client.OpenError(), 0u);
  ASSERT_EQ(client.Write(datagram->data(), datagram->size()), 0);
  ASSERT_TRUE(pumpUntil([this] { return m_takesEnded == 1; }));
  pumpFor(100ms);
  EXPECT_EQ(m_takesEnded, 1);
  EXPECT_EQ(picturesTaken(frame), 2);
  EXPECT_TRUE(m_errors.empty());

  // A second frame cannot have the mailslot: it says so and runs on.
  TimedFamily& other = addFamily("OTHER");
  other.setCameraCount(0);
  MainFrameOptions second = optionsFor({&other});
  second.remoteControl = true;
  second.mailslot.socketName = socket;
  CMainFrame secondFrame(settings(), second);
  ASSERT_TRUE(pumpUntil([&] { return secondFrame.StartupDone(); }));
  EXPECT_EQ(secondFrame.Receiver(), nullptr);
  EXPECT_EQ(m_errors.size(), 1u);
  EXPECT_TRUE(secondFrame.close());
}

TEST_F(MainFrameTake, ClosingAWindowOrTheFrameDuringATakeEndsWithoutHang) {
  TimedFamily& family = addFamily();
  family.setCameraCount(3);
  family.setTimedSetup(
      [](TimedCamera& camera) { camera.script().setDelay(CameraOp::TransferPicture, 100ms); });
  MainFrameOptions options = optionsFor({&family});
  options.takeBarrier = 10s;
  CMainFrame& frame = start(options);

  ASSERT_TRUE(frame.TakePictureAllCameras(-1, false));
  CChildFrame* closing = frame.CameraWindows()[1];
  EXPECT_TRUE(closing->close());
  ASSERT_TRUE(pumpUntil([this] { return m_takesEnded == 1; }));
  EXPECT_EQ(frame.CameraWindows().size(), 2u);

  ASSERT_TRUE(frame.TakePictureAllCameras(-1, false));
  EXPECT_TRUE(frame.close());
  EXPECT_TRUE(frame.CameraWindows().empty());
  destroyFrame();
}

TEST_F(MainFrameTake, PicturesStayInTheCameraOnlyForAnUnsavedTakeWhenTheUserAsksForIt) {
  struct Row {
    bool leaveInCamera;
    bool save;
    std::uint32_t option;
  };
  TimedFamily& family = addFamily();
  family.setCameraCount(2);
  MainFrameOptions options = optionsFor({&family});
  options.takeBarrier = 10s;
  CMainFrame& frame = start(options);
  int ended = 0;
  for (const Row& row :
       {Row{false, false, 0}, Row{true, false, 3}, Row{true, true, 0}, Row{false, true, 0}}) {
    SCOPED_TRACE(testing::Message() << "leave " << row.leaveInCamera << " save " << row.save);
    ITarselConfigSettings* user = nullptr;
    ASSERT_EQ(settings()->GetUserSettings(&user, false), 0);
    EXPECT_EQ(user->SetLeavePictureInCamera(row.leaveInCamera), 0);
    user->Release();
    ASSERT_TRUE(frame.TakePictureAllCameras(-1, row.save));
    ++ended;
    ASSERT_TRUE(pumpUntil([&] { return m_takesEnded == ended; }));
    for (CChildFrame* window : frame.CameraWindows()) {
      EXPECT_EQ(cameraOf(window).lastCaptureValue(), row.option);
      EXPECT_EQ(cameraOf(window).lastTransferFlags(), row.option);
    }
  }
  ITarselConfigSettings* user = nullptr;
  ASSERT_EQ(settings()->GetUserSettings(&user, false), 0);
  user->SetLeavePictureInCamera(false);
  user->Release();
}

TEST_F(MainFrameTake, UnsavedPicturesAreAskedAboutAndCancelKeepsTheFrameOpen) {
  TimedFamily& family = addFamily();
  family.setCameraCount(1);
  CMainFrame& frame = start(optionsFor({&family}));
  CChildFrame* window = frame.CameraWindows().front();
  frame.MdiArea()->setActiveSubWindow(window);
  ASSERT_TRUE(frame.RunCommand(cmd::TakePicture));
  ASSERT_TRUE(pumpUntil([&] { return window->HasUnsavedPictures(); }));

  m_answer = tarsel::ui::IDCANCEL;
  EXPECT_FALSE(frame.close());
  ASSERT_EQ(m_questions.size(), 1u);
  EXPECT_EQ(m_questions[0].toStdString(), CResString(61278).c_str());
  EXPECT_EQ(frame.CameraWindows().size(), 1u);
  EXPECT_TRUE(frame.StartupDone());

  // A camera window activated by a posted request.
  frame.PostActivateChild(window);
  QCoreApplication::sendPostedEvents(&frame);
  EXPECT_EQ(frame.ActiveCameraWindow(), window);

  // A termination request while the question is open closes without asking
  // again and logs what was left unsaved.
  const auto previous =
      tarsel::ui::SetAskUserHook([&frame](const QString&, tarsel::ui::Buttons, tarsel::ui::Icon) {
        frame.CloseWithoutAsking();
        return tarsel::ui::IDCANCEL;
      });
  EXPECT_TRUE(frame.close());
  tarsel::ui::SetAskUserHook(previous);
  EXPECT_TRUE(frame.CameraWindows().empty());
  const std::string errorLog = tarsel::test::readFile(std::string(CCamDataDir().GetPath()) + "/ErrorLog.txt");
  EXPECT_NE(errorLog.find("pictures left unsaved in camera window"), std::string::npos);
}
