// The ActiveX camera's settings sheet, opened from its window over the
// simulator's USB camera: the focus page's samples reach the window's strip
// and a take of the window's own starts none. (The sheet's pages and the
// camera information, download-all and capability test dialogs are tested
// with app/cameras/dialogs, for every family.)
#include "MainFrameTestSupport.h"

#include "app/cameras/dialogs/CameraSettingsSheet.h"
#include "app/cameras/dialogs/FocusAdjustmentPage.h"
#include "app/cameras/lunet/LunetSdkWrapper.h"
#include "app/frame/ChildView.h"
#include "app/frame/FocusStrip.h"
#include "app/frame/SdkFamily.h"
#include "app/host/ConnectedCameraHost.h"
#include "app/testsupport/ModalDialogDriver.h"
#include "app/ui/DialogControls.h"
#include "platform/testsupport/TestSupport.h"
#include "sim/vantic/testsupport/SimProcess.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>

#include <deque>
#include <filesystem>

using namespace std::chrono_literals;
using tarsel::dialogs::CCameraSettingsSheet;
using tarsel::dialogs::CFocusAdjustmentPage;
using tarsel::frame::test::FrameTest;
using tarsel::frame::test::pumpUntil;
using tarsel::test::binDir;
namespace fs = std::filesystem;

namespace {

constexpr auto kPatience = 60s;

template <class Control> Control* control(QWidget* dialog, int id) {
  return dialog->findChild<Control*>(tarsel::ui::ControlName(id));
}

class LunetDialogs : public FrameTest {
protected:
  // The simulated camera's configuration.
  static std::string cameraConfig() {
    return R"({"picture_count": 2, "picture_size": 9000, "texts": {"22": "Bench left", "27": "VC320"}})";
  }

  void SetUp() override {
    // What an earlier run left in the test's home is not this run's.
    for (const char* folder : {"TARSEL_REGISTRY_DIR", "XDG_DATA_HOME"})
      if (const char* path = std::getenv(folder))
        fs::remove_all(path);
    FrameTest::SetUp();
    if (!tarsel::vantic::test::SimProcess::pythonAvailable())
      GTEST_SKIP() << "the camera simulator cannot run here";
    tarsel::test::writeFile(m_folder.file("camera.json"), cameraConfig());
    m_sim = std::make_unique<tarsel::vantic::test::SimProcess>(std::vector<std::string>{
        "--usb", m_folder.file("usb.sock"), "--time-scale", "0", "--config", m_folder.file("camera.json")});
    ASSERT_TRUE(m_sim->ready());
    m_env.emplace_back("TARSEL_VANTIC_USB", "sim:" + m_sim->endpoint());
    for (const char* name :
         {"TARSEL_VANTIC_COM1", "TARSEL_VANTIC_COM2", "TARSEL_VANTIC_COM3", "TARSEL_VANTIC_COM4"})
      m_env.emplace_back(name, m_folder.file("no-tty"));
    fs::create_directories(m_folder.file("com"));
    m_env.emplace_back("TARSEL_COM_PATH", m_folder.file("com"));
    ASSERT_EQ(tarsel::test::runProgram({binDir() + "/tarselregsvr", binDir() + "/libLunet.so"}).exitCode, 0);
    GetLunetSdkWrapper(settings())->SaveCameraSelection("on");
    CMainFrame& frame = start(optionsFor({}));
    ASSERT_TRUE(pumpUntil([&] { return frame.CameraWindows().size() == 1; }, kPatience));
    m_window = frame.CameraWindows().front();
    m_window->ActivateInMdiClient();
  }

  void TearDown() override {
    m_drivers.reset();
    FrameTest::TearDown();
    tarsel::frame::ReleaseFamilies(tarsel::frame::ProductFamilies());
    m_sim.reset();
  }

  // Drives the modal dialog of type D with `step` (see driveModalDialog);
  // the drives go with the test that made them.
  template <class D> void drive(std::function<bool(D&)> step) {
    if (!m_drivers)
      m_drivers = std::make_unique<QObject>();
    tarsel::test::driveModalDialog<D>(m_drivers.get(), std::move(step), kPatience);
  }

  template <class Page> static Page* page(CCameraSettingsSheet& sheet) {
    for (auto* candidate : sheet.Pages())
      if (auto* wanted = dynamic_cast<Page*>(candidate))
        return wanted;
    return nullptr;
  }
  static bool idle(tarsel::dialogs::CCameraSettingsPage* page) { return page && !page->IsBusy(); }
  static void press(CCameraSettingsSheet& sheet, QDialogButtonBox::StandardButton which) {
    sheet.findChild<QDialogButtonBox*>()->button(which)->click();
  }

  tarsel::test::TempDir m_folder;
  std::unique_ptr<tarsel::vantic::test::SimProcess> m_sim;
  std::deque<tarsel::test::ScopedEnv> m_env;
  std::unique_ptr<QObject> m_drivers;
  CChildFrame* m_window = nullptr;
};

} // namespace

TEST_F(LunetDialogs, TheFocusSamplesReachTheStripAndAnUnrelatedTakeStartsNone) {
  const auto takes = [this] {
    const auto actions = m_sim->registers()["actions_done"].items;
    return std::count_if(actions.begin(), actions.end(),
                         [](const auto& action) { return action.items.at(0).integer() == 2; });
  };
  const long before = takes();
  int start = 0;
  std::chrono::steady_clock::time_point quietUntil;
  int step = 0;
  drive<CCameraSettingsSheet>([&](CCameraSettingsSheet& sheet) {
    auto* focus = page<CFocusAdjustmentPage>(sheet);
    if (!idle(focus))
      return false;
    if (step == 0) {
      control<QRadioButton>(focus, 1083)->click();
      control<QSpinBox>(focus, 1093)->setValue(15);
      control<QSpinBox>(focus, 1090)->setValue(3);
      // A take of the window's own, whose end the page hears.
      EXPECT_TRUE(m_window->QueueTakePicture(nullptr));
      step = 1;
    } else if (step == 1 && takes() == before + 1) {
      quietUntil = std::chrono::steady_clock::now() + 300ms;
      step = 2;
    } else if (step == 2 && std::chrono::steady_clock::now() > quietUntil) {
      EXPECT_EQ(takes(), before + 1) << "the job's end started a sample";
      start = control<QSlider>(focus, 1084)->value();
      control<QAbstractButton>(focus, 1030)->click();
      step = 3;
    } else if (step == 3) {
      press(sheet, QDialogButtonBox::Cancel);
      step = 4;
      return true;
    }
    return false;
  });
  m_window->PostOpenCameraSettings(0);
  ASSERT_TRUE(pumpUntil([&] { return step == 4 && !QApplication::activeModalWidget(); }, kPatience));
  EXPECT_EQ(takes(), before + 4);
  ASSERT_TRUE(m_window->View()->IsFocusStripShown());
  const tarsel::host::CConnectedCameraHost* host = m_window->GetHost();
  ASSERT_GE(host->GetPictureCount(), 3);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(CFocusStrip::Label(host->GetPicture(i)), QStringLiteral("F=%1").arg(start + 15 * i));
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}
