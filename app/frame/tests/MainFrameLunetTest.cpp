// The main frame with the product's families and the ActiveX family's
// camera on the camera simulator's USB stand-in, the control of the build
// registered with the registration command in a class folder of the test's
// own, as a user sets it up: one camera window titled with the camera's ID,
// its status line, and "Take Picture" filling it with the camera's bytes;
// a capture profile that puts a fresh camera back as it was; a bracketing
// series; the live preview; a take sent by the remote-control program; the
// camera unplugged in the middle of a transfer and plugged in again; and the
// simulator ended while the program rests, then started again.
#include "MainFrameTestSupport.h"
#include "UsbCable.h"

#include "app/cameras/lunet/LunetSdkWrapper.h"
#include "app/cameras/lunet/LunetWr.h"
#include "app/core/ISdkPropertyPage.h"
#include "app/frame/CommandIds.h"
#include "app/frame/PreviewWnd.h"
#include "app/frame/SdkFamily.h"
#include "app/host/ConnectedCameraHost.h"
#include "app/ui/DialogControls.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselSettings.h"
#include "platform/Bytes.h"
#include "platform/testsupport/TestSupport.h"
#include "remote/MailSlotAddress.h"
#include "sim/vantic/testsupport/SimProcess.h"

#include <QCheckBox>
#include <QCryptographicHash>
#include <QPointer>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <optional>
#include <span>

using namespace std::chrono_literals;
using tarsel::frame::test::chooseInFileDialog;
using tarsel::frame::test::FrameTest;
using tarsel::frame::test::pumpFor;
using tarsel::frame::test::pumpUntil;
using tarsel::frame::test::setUserOption;
using tarsel::frame::test::UsbCable;
using tarsel::test::binDir;
using tarsel::vantic::test::Json;
namespace cmd = tarsel::frame::cmd;

namespace {

constexpr auto kPatience = 60s;

std::string sha256Of(IPictureFromCamera* picture) {
  const QByteArray data(reinterpret_cast<const char*>(picture->GetData()), picture->GetDataSize());
  return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex().toStdString();
}

class MainFrameLunet : public FrameTest {
protected:
  void SetUp() override {
    FrameTest::SetUp();
    if (!tarsel::vantic::test::SimProcess::pythonAvailable())
      GTEST_SKIP() << "the camera simulator cannot run here";
    tarsel::test::writeFile(
        m_folder.file("camera.json"),
        R"({"picture_count": 0, "picture_size": 100000, "texts": {"22": "Bench left", "27": "VC320"}})");
    startCamera();
    // The host reaches the camera through a cable the test can pull.
    m_cable = std::make_unique<UsbCable>(m_folder.file("cable.sock"), m_sim->endpoint());
    m_usb.emplace("TARSEL_VANTIC_USB", "sim:" + m_folder.file("cable.sock"));
    for (const char* name :
         {"TARSEL_VANTIC_COM1", "TARSEL_VANTIC_COM2", "TARSEL_VANTIC_COM3", "TARSEL_VANTIC_COM4"})
      m_serial.emplace_back(name, m_folder.file("no-tty"));
    std::filesystem::create_directories(m_folder.file("com"));
    m_classes.emplace("TARSEL_COM_PATH", m_folder.file("com"));
    ASSERT_EQ(tarsel::test::runProgram({binDir() + "/tarselregsvr", binDir() + "/libLunet.so"}).exitCode, 0);
    // The family switched on, as its use flag stands after the Options page.
    GetLunetSdkWrapper(settings())->SaveCameraSelection("on");
    ITarselConfigSettings* user = nullptr;
    ASSERT_EQ(settings()->GetUserSettings(&user, false), 0);
    EXPECT_EQ(user->SetLeavePictureInCamera(true), 0);
    user->Release();
  }

  void TearDown() override {
    FrameTest::TearDown();
    tarsel::frame::ReleaseFamilies(tarsel::frame::ProductFamilies());
    m_cable.reset();
    m_sim.reset();
  }

  // The camera as it comes from the box: its settings at their defaults.
  void startCamera() {
    m_sim.reset();
    m_sim = std::make_unique<tarsel::vantic::test::SimProcess>(std::vector<std::string>{
        "--usb", m_folder.file("usb.sock"), "--time-scale", "0", "--config", m_folder.file("camera.json")});
    ASSERT_TRUE(m_sim->ready());
  }

  // The frame with the camera's window, once its status line was read.
  CChildFrame* startWithWindow(MainFrameOptions options) {
    CMainFrame& frame = start(std::move(options));
    if (!pumpUntil([&] { return frame.CameraWindows().size() == 1; }, kPatience))
      return nullptr;
    CChildFrame* window = frame.CameraWindows().front();
    if (!pumpUntil([&] { return window->PaneText(3).startsWith("F="); }, kPatience))
      return nullptr;
    window->ActivateInMdiClient();
    return window;
  }

  // Every setting the camera holds: registers (its clock left out, it runs),
  // data objects and the lens.
  std::string settingsDump() {
    const Json dump = m_sim->registers();
    std::string text;
    for (const auto& [reg, value] : dump["registers"].members)
      if (reg != "2")
        text += reg + "=" + std::to_string(value.integer()) + " ";
    for (const auto& [object, bytes] : dump["structures"].members)
      text += "#" + object + "=" + bytes.text + " ";
    return text + "lens=" + std::to_string(dump["lens"]["position"].integer());
  }

  // How many times the camera ran `action`.
  int actionsDone(int action) {
    const Json dump = m_sim->registers();
    int count = 0;
    for (const Json& done : dump["actions_done"].items)
      count += done[0].integer() == action;
    return count;
  }

  tarsel::test::TempDir m_folder;
  std::unique_ptr<tarsel::vantic::test::SimProcess> m_sim;
  std::unique_ptr<UsbCable> m_cable;
  std::optional<tarsel::test::ScopedEnv> m_usb;
  std::optional<tarsel::test::ScopedEnv> m_classes;
  std::deque<tarsel::test::ScopedEnv> m_serial;
};

// The exposure bias (object 69, first word; 0 at first) the camera held at
// each take (action 2) of the simulator's log, and last the bias it holds at
// the end. An upload's command packet carries the start of its data.
std::vector<int> biasAtTakes(const Json& log) {
  std::vector<int> values;
  std::int32_t bias = 0;
  for (const Json& entry : log["log"].items) {
    const QByteArray hex = QByteArray::fromStdString(entry["hex"].text);
    const QByteArray packet = QByteArray::fromHex(hex);
    // 1B 'C' length(2) op register-or-action data... checksum(2)
    if (entry["dir"].text != "rx" || packet.size() < 7 || static_cast<std::uint8_t>(packet[0]) != 0x1B)
      continue;
    const std::span bytes(reinterpret_cast<const std::uint8_t*>(packet.constData()),
                          static_cast<std::size_t>(packet.size()));
    if ((bytes[4] == 3 || bytes[4] == 5) && bytes[5] == 69 && bytes.size() >= 12)
      bias = static_cast<std::int32_t>(tarsel::bytes::loadLe32(bytes, 6));
    else if (bytes[4] == 2 && bytes[5] == 2)
      values.push_back(bias);
  }
  values.push_back(bias);
  return values;
}

} // namespace

TEST_F(MainFrameLunet, OneWindowTitledWithTheCameraIdTakesThePictureTheCameraHolds) {
  CMainFrame& frame = start(optionsFor({}));
  ASSERT_TRUE(pumpUntil([&] { return frame.CameraWindows().size() == 1; }, kPatience));
  QPointer<CChildFrame> window = frame.CameraWindows().front();
  EXPECT_EQ(window->windowTitle(), "Bench left");
  ASSERT_TRUE(pumpUntil([&] { return window->PaneText(3).startsWith("F="); }, kPatience));
  EXPECT_TRUE(window->PaneText(3).endsWith(" Z=1.0 LCD=Off")) << window->PaneText(3).toStdString();

  window->ActivateInMdiClient();
  ASSERT_TRUE(frame.RunCommand(cmd::TakePicture));
  ASSERT_TRUE(
      pumpUntil([&] { return window->GetHost()->GetPictureCount() == 1 && !window->IsBusy(); }, kPatience))
      << window->PaneText(0).toStdString();
  const auto stored = m_sim->picture(1);
  ASSERT_TRUE(stored["exists"].boolean) << "the picture stays on the camera";
  EXPECT_EQ(sha256Of(window->GetHost()->GetPicture(0)), stored["sha256"].text);
  EXPECT_EQ(m_errors, std::vector<std::string>{});

  // The family's Options page switches it off; without the control
  // registered there is no page.
  ISdkPropertyPage* page = nullptr;
  ASSERT_EQ(GetLunetSdkWrapper(nullptr)->CreateSettingsPage(&page), 0);
  ASSERT_NE(page, nullptr);
  auto* box = page->GetPropertyPage()->findChild<QCheckBox*>(tarsel::ui::ControlName(1001));
  ASSERT_TRUE(box && box->isChecked());
  box->click();
  bool applied = false;
  QMetaObject::invokeMethod(page->GetPropertyPage(), "Apply", Q_RETURN_ARG(bool, applied));
  EXPECT_TRUE(applied);
  page->Release();
  EXPECT_EQ(GetLunetSdkWrapper(nullptr)->IsEnabled(), nullptr);
  ASSERT_EQ(tarsel::test::runProgram({binDir() + "/tarselregsvr", "-u", binDir() + "/libLunet.so"}).exitCode,
            0);
  ASSERT_EQ(GetLunetSdkWrapper(nullptr)->CreateSettingsPage(&page), 0);
  EXPECT_EQ(page, nullptr);
}

TEST_F(MainFrameLunet, ACaptureProfileSavedFromTheCameraPutsAFreshCameraBackAsItWas) {
  CChildFrame* window = startWithWindow(optionsFor({}));
  ASSERT_TRUE(window);
  const std::string settings = std::string("PROGRAMMODE=shutter priority") + '\0' + "EXPOSURETIME=1/60" +
                               '\0' + "EXPOBIAS=+0.3" + '\0' + "WHITEBALANCE=Flash" + '\0' +
                               "METERING=averaging" + '\0' + "ISOSPEED=400" + '\0' + "FLASH=slow sync." +
                               '\0' + '\0';
  ASSERT_EQ(window->GetCamera()->ApplyKeywordSettings(settings.c_str()), 0);
  for (const auto& [reg, value] : {std::pair{1, 7}, {33, 3}, {103, 57}})
    m_sim->request(R"({"op":"set-register","reg":)" + std::to_string(reg) + R"(,"value":)" +
                   std::to_string(value) + "}");
  const std::string wanted = settingsDump();

  QString started;
  chooseInFileDialog(m_folder.file("bench"), &started);
  ASSERT_TRUE(m_frame->RunCommand(cmd::SaveCaptureSettings));
  ASSERT_TRUE(std::filesystem::exists(m_folder.file("bench.cpff")));

  // The camera restarted with its defaults, then the profile loaded.
  startCamera();
  ASSERT_NE(settingsDump(), wanted);
  chooseInFileDialog(m_folder.file("bench.cpff"), &started);
  ASSERT_TRUE(m_frame->RunCommand(cmd::LoadCaptureSettings));
  EXPECT_EQ(settingsDump(), wanted);
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}

TEST_F(MainFrameLunet, ABracketingSeriesOfThreeTakesAtBiasesAroundZeroAndPutsItBack) {
  ITarselConfigSettings* user = nullptr;
  ASSERT_EQ(settings()->GetUserSettings(&user, false), 0);
  user->SetBracketingParam(1);
  user->SetBracketingNumPics(3);
  user->Release();
  CChildFrame* window = startWithWindow(optionsFor({}));
  ASSERT_TRUE(window);
  m_sim->takeLog();
  // One "Take Picture" takes the whole series.
  ASSERT_TRUE(m_frame->RunCommand(cmd::TakePicture));
  ASSERT_TRUE(
      pumpUntil([&] { return window->GetHost()->GetPictureCount() == 3 && !window->IsBusy(); }, kPatience))
      << window->PaneText(0).toStdString();
  EXPECT_EQ(biasAtTakes(m_sim->takeLog()), (std::vector<int>{-3, 0, 3, 0}));
  EXPECT_EQ(actionsDone(2), 3);
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}

TEST_F(MainFrameLunet, TheLivePreviewShowsFramesPausesForATakeAndStopsAtOnceWhenClosed) {
  ASSERT_TRUE(startWithWindow(optionsFor({})));
  ASSERT_TRUE(m_frame->RunCommand(cmd::ShowPreview));
  QPointer<CPreviewWnd> preview = m_frame->PreviewWindow();
  ASSERT_TRUE(preview);
  ASSERT_TRUE(pumpUntil([&] { return preview->isVisible() && preview->FramesPainted() >= 3; }, kPatience));

  // A take while the preview runs gets the camera's picture, whole, and the
  // preview goes on afterwards.
  CChildFrame* window = m_frame->CameraWindows().front();
  ASSERT_TRUE(m_frame->RunCommand(cmd::TakePicture));
  ASSERT_TRUE(
      pumpUntil([&] { return window->GetHost()->GetPictureCount() == 1 && !window->IsBusy(); }, kPatience));
  EXPECT_EQ(sha256Of(window->GetHost()->GetPicture(0)), m_sim->picture(1)["sha256"].text);
  const std::uint64_t afterTake = preview->FramesPainted();
  ASSERT_TRUE(pumpUntil([&] { return preview && preview->FramesPainted() >= afterTake + 2; }, kPatience));

  // A frame in progress completes; the window goes well within a second.
  const auto closing = std::chrono::steady_clock::now();
  ASSERT_TRUE(m_frame->RunCommand(cmd::ShowPreview));
  ASSERT_TRUE(pumpUntil([&] { return !m_frame->PreviewWindow(); }, 1s));
  EXPECT_LT(std::chrono::steady_clock::now() - closing, 1s);
  const int frames = actionsDone(5);
  pumpUntil([] { return false; }, 200ms); // time for a frame that should not come
  EXPECT_EQ(actionsDone(5), frames);
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}

TEST_F(MainFrameLunet, TheRemoteControlProgramTakesAPictureWithTheCamera) {
  const std::string mailslot = "tarsel-lunet-test-" + std::to_string(getpid());
  tarsel::test::ScopedEnv name(tarsel::remote::kMailslotNameVariable, mailslot);
  MainFrameOptions options = optionsFor({});
  options.remoteControl = true;
  options.mailslot.socketName = mailslot;
  CChildFrame* window = startWithWindow(options);
  ASSERT_TRUE(window);
  ASSERT_NE(m_frame->Receiver(), nullptr);
  ASSERT_EQ(tarsel::test::runProgram({binDir() + "/TarselRemote", "/CAPTURE"}).exitCode, 0);
  ASSERT_TRUE(pumpUntil([&] { return m_takesEnded == 1; }, kPatience));
  EXPECT_EQ(window->GetHost()->GetPictureCount(), 1);
  EXPECT_EQ(actionsDone(2), 1);
  EXPECT_EQ(sha256Of(window->GetHost()->GetPicture(0)), m_sim->picture(1)["sha256"].text);
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}

TEST_F(MainFrameLunet, UnpluggedMidTransferThePictureStaysOnTheCardAndTheWindowComesBack) {
  // Device notifications on; pictures erased from the camera once they are in the window.
  ITarselConfigSettings* user = nullptr;
  ASSERT_EQ(settings()->GetUserSettings(&user, false), 0);
  EXPECT_EQ(user->SetLeavePictureInCamera(false), 0);
  EXPECT_EQ(user->SetUseDeviceNotifications(true), 0);
  user->Release();
  setUserOption("DeviceNotificationDelay", 100);
  CChildFrame* window = startWithWindow(optionsFor({}));
  ASSERT_TRUE(window);
  // The picture's second block never arrives.
  m_cable->unplugAtCameraMessage(2000, 2);
  ASSERT_TRUE(m_frame->RunCommand(cmd::TakePicture));
  ASSERT_TRUE(pumpUntil([&] { return !m_cable->isPlugged(); }, kPatience));
  m_watcher->remove();
  ASSERT_TRUE(pumpUntil([&] { return !window->IsBusy() && !window->IsCameraConnected(); }, kPatience))
      << window->PaneText(0).toStdString();
  pumpFor(300ms); // time for reports that should not come
  // The broken transfer is told once; the family lists its one camera again,
  // which cannot be taken over: the window shows it disconnected and the
  // user is not told a second time.
  const std::vector<std::string> told = {"Error: USB port not responding.(0x81030015)\n"};
  EXPECT_EQ(m_errors, told);
  EXPECT_EQ(window->GetHost()->GetPictureCount(), 0);
  EXPECT_EQ(m_sim->registers()["registers"]["10"].integer(), 1);
  EXPECT_EQ(actionsDone(0), 0);
  const std::string kept = m_sim->picture(1)["sha256"].text;

  // Plugged in again, the same window, and no other, has its camera back.
  m_cable->plug();
  m_watcher->arrive();
  ASSERT_TRUE(pumpUntil([&] { return window->IsCameraConnected() && window->PaneText(3).startsWith("F="); },
                        kPatience));
  EXPECT_EQ(m_frame->CameraWindows(), std::vector<CChildFrame*>{window});
  ASSERT_TRUE(m_frame->RunCommand(cmd::TakePicture));
  ASSERT_TRUE(
      pumpUntil([&] { return window->GetHost()->GetPictureCount() == 1 && !window->IsBusy(); }, kPatience))
      << window->PaneText(0).toStdString();
  // The new picture, whole, was erased after its transfer; the first stays.
  EXPECT_EQ(actionsDone(0), 1);
  EXPECT_EQ(m_sim->registers()["registers"]["10"].integer(), 1);
  EXPECT_EQ(m_sim->picture(1)["sha256"].text, kept);
  EXPECT_EQ(m_errors, told);
  // No connection was left open by the broken transfer.
  EXPECT_EQ(dynamic_cast<CLunetWr&>(*window->GetCamera()).GetConnectionCount(), 0u);
}

TEST_F(MainFrameLunet, ACameraThatLeavesIsShownDisconnectedATakeSaysSoAndItTakesAgainOnceBack) {
  // Device notifications from the product's watcher; the host reaches the
  // simulator's own socket, which goes when the simulator ends.
  ITarselConfigSettings* user = nullptr;
  ASSERT_EQ(settings()->GetUserSettings(&user, false), 0);
  EXPECT_EQ(user->SetUseDeviceNotifications(true), 0);
  user->Release();
  setUserOption("DeviceNotificationDelay", 100);
  m_usb.emplace("TARSEL_VANTIC_USB", "sim:" + m_folder.file("usb.sock"));
  MainFrameOptions options = optionsFor({});
  options.makeDeviceWatcher = {};
  CChildFrame* window = startWithWindow(options);
  ASSERT_TRUE(window);
  EXPECT_EQ(m_frame->PaneText(1), "1 Cameras");

  // Ended while nothing runs: the window shows it at once, and no one is
  // told of a camera that could not be taken over.
  m_sim.reset();
  ASSERT_TRUE(pumpUntil([&] { return !window->IsCameraConnected(); }, kPatience));
  EXPECT_EQ(m_frame->PaneText(1), "0 Cameras");
  pumpFor(300ms); // time for reports that should not come
  EXPECT_EQ(m_errors, std::vector<std::string>{});

  // Started again, the same window takes its pictures.
  startCamera();
  ASSERT_TRUE(pumpUntil([&] { return window->IsCameraConnected() && window->PaneText(3).startsWith("F="); },
                        kPatience));
  EXPECT_EQ(m_frame->CameraWindows(), std::vector<CChildFrame*>{window});
  EXPECT_EQ(m_frame->PaneText(1), "1 Cameras");
  ASSERT_TRUE(m_frame->RunCommand(cmd::TakePicture));
  ASSERT_TRUE(
      pumpUntil([&] { return window->GetHost()->GetPictureCount() == 1 && !window->IsBusy(); }, kPatience))
      << window->PaneText(0).toStdString();
  EXPECT_EQ(m_errors, std::vector<std::string>{});

  // A take that meets the camera gone, before the removal was noticed,
  // says that it is not connected; the window then shows it.
  m_sim.reset();
  ASSERT_TRUE(m_frame->RunCommand(cmd::TakePicture));
  ASSERT_TRUE(pumpUntil([&] { return !window->IsBusy() && !window->IsCameraConnected(); }, kPatience));
  ASSERT_EQ(m_errors.size(), 1u);
  EXPECT_TRUE(m_errors.front().starts_with("Error: Com Port not available.(0x81030003)")) << m_errors.front();
  EXPECT_EQ(window->GetHost()->GetPictureCount(), 1);
}
