// The main frame with the product's families and the ActiveX family's
// camera on the camera simulator's USB stand-in, the control of the build
// registered with the registration command in a class folder of the test's
// own, as a user sets it up: one camera window titled with the camera's ID,
// its status line, and "Take Picture" filling it with the camera's bytes.
#include "MainFrameTestSupport.h"

#include "app/cameras/lunet/LunetSdkWrapper.h"
#include "app/core/ISdkPropertyPage.h"
#include "app/frame/CommandIds.h"
#include "app/frame/SdkFamily.h"
#include "app/host/ConnectedCameraHost.h"
#include "app/ui/DialogControls.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselSettings.h"
#include "platform/testsupport/TestSupport.h"
#include "sim/vantic/testsupport/SimProcess.h"

#include <QCheckBox>
#include <QCryptographicHash>
#include <QPointer>

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <optional>

using namespace std::chrono_literals;
using tarsel::frame::test::FrameTest;
using tarsel::frame::test::pumpUntil;
using tarsel::test::binDir;
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
        R"({"picture_count": 0, "picture_size": 12000, "texts": {"22": "Bench left", "27": "VC320"}})");
    m_sim = std::make_unique<tarsel::vantic::test::SimProcess>(std::vector<std::string>{
        "--usb", m_folder.file("usb.sock"), "--time-scale", "0", "--config", m_folder.file("camera.json")});
    ASSERT_TRUE(m_sim->ready());
    m_usb.emplace("TARSEL_VANTIC_USB", "sim:" + m_sim->endpoint());
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
    m_sim.reset();
  }

  tarsel::test::TempDir m_folder;
  std::unique_ptr<tarsel::vantic::test::SimProcess> m_sim;
  std::optional<tarsel::test::ScopedEnv> m_usb;
  std::optional<tarsel::test::ScopedEnv> m_classes;
  std::deque<tarsel::test::ScopedEnv> m_serial;
};

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
