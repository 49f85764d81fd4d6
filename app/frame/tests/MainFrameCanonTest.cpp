// The main frame with the product's families, the Canon camera of the SDK
// stand-in of the build (named by TARSEL_CDSDK, as a test program does not
// live beside it) and two camera-link cameras of vesk-simd: the Canon
// window titled with its display name and its status line, "Take Picture"
// giving the stand-in's bytes, "All Cameras Take Picture" releasing all three.
#include "MainFrameTestSupport.h"

#include "app/cameras/dialogs/CapturePropertiesDialog.h"
#include "app/frame/CommandIds.h"
#include "app/frame/SdkFamily.h"
#include "app/host/ConnectedCameraHost.h"
#include "app/testsupport/VeskSimulator.h"
#include "hostapi/ICamSdkSettings.h"
#include "hostapi/ITarselSettings.h"
#include "platform/testsupport/TestSupport.h"
#include "sim/cdsdk/CdSimControl.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <dlfcn.h>

#include <optional>

using namespace std::chrono_literals;
using tarsel::frame::test::FrameTest;
using tarsel::frame::test::pumpUntil;
using tarsel::test::binDir;
namespace cmd = tarsel::frame::cmd;

namespace {

constexpr auto kPatience = 60s;

std::string bytesOf(IPictureFromCamera* picture) {
  return picture ? std::string(reinterpret_cast<const char*>(picture->GetData()), picture->GetDataSize())
                 : std::string();
}

class MainFrameCanon : public FrameTest {
protected:
  void SetUp() override {
    FrameTest::SetUp();
    const std::string library = binDir() + "/libCDSDK.so";
    m_library = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(m_library, nullptr) << dlerror();
    m_sim = std::make_unique<tarsel::cdsim::CdSimControls>(m_library);
    ASSERT_TRUE(m_sim->ok);
    ASSERT_EQ(m_sim->reset("[sdk]\nchunk = 0\n[camera]\n"), 0);
    m_sdk.emplace("TARSEL_CDSDK", library);
  }

  void TearDown() override {
    FrameTest::TearDown();
    tarsel::frame::ReleaseFamilies(tarsel::frame::ProductFamilies());
    if (m_sim) {
      EXPECT_EQ(m_sim->problemsText(), "") << m_sim->logText();
      m_sim.reset();
    }
    if (m_library)
      dlclose(m_library);
  }

  // The window of the Canon camera, or null.
  CChildFrame* canonWindow() const {
    for (CChildFrame* window : m_frame->CameraWindows())
      if (window->CameraName() == "Owner (Sim Camera A)")
        return window;
    return nullptr;
  }

  std::string payload(std::uint32_t item) const {
    std::string bytes(m_sim->payload(0, item, nullptr, 0), '\0');
    m_sim->payload(0, item, bytes.data(), bytes.size());
    return bytes;
  }

  std::uint32_t releases() const {
    CdSimStats stats{};
    m_sim->stats(&stats);
    return stats.releases;
  }

  void* m_library = nullptr;
  std::unique_ptr<tarsel::cdsim::CdSimControls> m_sim;
  std::optional<tarsel::test::ScopedEnv> m_sdk;
  tarsel::test::TempDir m_folder;
};

} // namespace

TEST_F(MainFrameCanon, TheCanonWindowTakesTheStandInsPictureAndAllCamerasTakeReleasesThree) {
  tarsel::frame::test::useVeskModels({"XC-701", "XC-702"});
  tarsel::test::VeskSimulator simulator(binDir() + "/vesk-simd", m_folder.path(),
                                        "speed = 20\n[camera]\nmodel = XC-701\n[camera]\nmodel = XC-702\n");
  ASSERT_TRUE(simulator.ready());
  const tarsel::test::ScopedEnv devices("VESK_DEVICE_DIR", simulator.deviceFolder());
  MainFrameOptions options = optionsFor({});
  options.makeDeviceWatcher = {};
  CMainFrame& frame = start(options);
  ASSERT_TRUE(pumpUntil([&] { return frame.CameraWindows().size() == 3; }, kPatience));
  QPointer<CChildFrame> window = canonWindow();
  ASSERT_TRUE(window);
  EXPECT_EQ(window->windowTitle(), "Owner (Sim Camera A)");
  ASSERT_TRUE(pumpUntil([&] { return window->PaneText(3).startsWith("AFD="); }, kPatience));
  EXPECT_EQ(window->PaneText(3), "AFD=Auto Z=5.8 LCD=Off");

  window->ActivateInMdiClient();
  ASSERT_TRUE(frame.RunCommand(cmd::TakePicture));
  ASSERT_TRUE(
      pumpUntil([&] { return window->GetHost()->GetPictureCount() == 1 && !window->IsBusy(); }, kPatience))
      << window->PaneText(0).toStdString();
  EXPECT_TRUE(bytesOf(window->GetHost()->GetPicture(0)) == payload(0));

  ASSERT_TRUE(frame.RunCommand(cmd::AllCamerasTakePicture));
  ASSERT_TRUE(pumpUntil([this] { return m_takesEnded == 1; }, kPatience));
  EXPECT_EQ(releases(), 2u);
  EXPECT_EQ(simulator.picturesRead(0), 1);
  EXPECT_EQ(simulator.picturesRead(1), 1);
  EXPECT_EQ(window->GetHost()->GetPictureCount(), 2);
  EXPECT_TRUE(bytesOf(window->GetHost()->GetPicture(1)) == payload(0));
  EXPECT_EQ(m_errors, std::vector<std::string>{});
  destroyFrame();
}

TEST_F(MainFrameCanon, TheCameraChosenAmongSeveralOpensAndOpensAgainWithoutAsking) {
  ASSERT_EQ(m_sim->reset("[camera]\nname = Other\nflags = 0x1C\n[camera]\nname = A\n[camera]\nname = B\n"),
            0);
  // No choice from an earlier run.
  ICamSdkSettings* canon = nullptr;
  ASSERT_EQ(settings()->GetSdkSettings("CANON_CD", &canon, false), 0);
  canon->SetBool("UseCameraOfUserChoice", false);
  canon->Release();
  // Answers the selection dialog: the second entry, used every time.
  int asked = 0;
  QTimer answer;
  QObject::connect(&answer, &QTimer::timeout, [&] {
    QWidget* dialog = QApplication::activeModalWidget();
    auto* list = dialog ? dialog->findChild<QComboBox*>("control2104") : nullptr;
    if (!list)
      return;
    ++asked;
    list->setCurrentIndex(1);
    dialog->findChild<QCheckBox*>("control2105")->setChecked(true);
    dialog->findChild<QPushButton*>("control1")->click();
  });
  answer.start(5);
  MainFrameOptions options = optionsFor({});
  options.makeDeviceWatcher = {};
  for (int run = 1; run <= 2; ++run) {
    CMainFrame& frame = start(options);
    ASSERT_TRUE(pumpUntil([&] { return frame.CameraWindows().size() == 1; }, kPatience));
    CChildFrame* window = frame.CameraWindows().front();
    EXPECT_EQ(window->CameraName(), "Owner (B)");
    EXPECT_EQ(asked, 1);
    // Its capture properties fill from the camera.
    window->ActivateInMdiClient();
    ASSERT_TRUE(frame.RunCommand(cmd::CaptureProperties));
    auto* properties = window->findChild<tarsel::dialogs::CCapturePropertiesDialog*>();
    ASSERT_TRUE(properties && pumpUntil([&] { return !properties->IsBusy(); }, kPatience));
    EXPECT_GT(properties->findChild<QComboBox*>("control1021")->count(), 0);
    destroyFrame();
    tarsel::frame::ReleaseFamilies(tarsel::frame::ProductFamilies());
  }
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}
