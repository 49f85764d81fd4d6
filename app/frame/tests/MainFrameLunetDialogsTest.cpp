// The ActiveX camera's dialogs, opened from its window over the simulator's
// USB camera and driven through their controls: the settings sheet's pages
// and manual focus. (The camera information, download-all and capability
// test dialogs are tested with app/cameras/dialogs, for every family.)
#include "MainFrameTestSupport.h"

#include "app/cameras/dialogs/CameraSettingsSheet.h"
#include "app/cameras/dialogs/CapturePropertiesDialog.h"
#include "app/cameras/dialogs/FocusAdjustmentPage.h"
#include "app/cameras/dialogs/LcdBrightnessPage.h"
#include "app/cameras/dialogs/ZoomAdjustmentPage.h"
#include "app/cameras/lunet/LunetPageGeneral.h"
#include "app/cameras/lunet/LunetSdkWrapper.h"
#include "app/frame/ChildView.h"
#include "app/frame/CommandIds.h"
#include "app/frame/FocusStrip.h"
#include "app/frame/SdkFamily.h"
#include "app/host/ConnectedCameraHost.h"
#include "app/settings/SettingsAccess.h"
#include "app/testsupport/ModalDialogDriver.h"
#include "app/ui/DialogControls.h"
#include "app/ui/MessageQuestion.h"
#include "hostapi/ICamSdkSettings.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselSettings.h"
#include "platform/testsupport/TestSupport.h"
#include "sim/vantic/testsupport/SimProcess.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>

#include <deque>
#include <filesystem>
#include <optional>

using namespace std::chrono_literals;
using tarsel::dialogs::CCameraSettingsSheet;
using tarsel::dialogs::CCapturePropertiesDialog;
using tarsel::dialogs::CFocusAdjustmentPage;
using tarsel::dialogs::CZoomAdjustmentPage;
using tarsel::frame::test::FrameTest;
using tarsel::frame::test::pumpUntil;
using tarsel::test::binDir;
namespace fs = std::filesystem;
namespace cmd = tarsel::frame::cmd;

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

TEST_F(LunetDialogs, TheSheetOpensAtTheFocusPageAndItsPagesPutBackWhatCancelMeans) {
  // The three-state option stored as on, to be deleted.
  {
    const CRefPtr<ITarselConfigSettings> user = tarsel::settings::OpenUserSettings(settings(), false);
    ASSERT_TRUE(user);
    user->SetLcdOrPreview(true);
  }
  std::vector<QString> titles;
  bool focusFirst = false;
  std::int32_t applied = -1;
  int step = 0;
  drive<CCameraSettingsSheet>([&](CCameraSettingsSheet& sheet) {
    auto* tabs = sheet.findChild<QTabWidget*>();
    auto* zoom = page<CZoomAdjustmentPage>(sheet);
    if (step == 0 && idle(page<CFocusAdjustmentPage>(sheet))) {
      EXPECT_EQ(sheet.windowTitle(), "Advanced Settings - Bench left");
      for (auto* candidate : sheet.Pages())
        titles.push_back(candidate->Title());
      focusFirst = tabs->currentWidget() == page<CFocusAdjustmentPage>(sheet);
      tabs->setCurrentWidget(zoom);
      step = 1;
    } else if (step == 1 && idle(zoom)) {
      auto* slider = control<QSlider>(zoom, 1097);
      applied = slider->minimum() + 5;
      slider->setValue(applied);
      step = 2;
    } else if (step == 2 && idle(zoom)) {
      // Applied, then moved on: Cancel goes back to the applied position.
      press(sheet, QDialogButtonBox::Apply);
      control<QSlider>(zoom, 1097)->setValue(applied + 3);
      step = 3;
    } else if (step == 3 && idle(zoom)) {
      EXPECT_EQ(m_sim->registers()["lens"]["position"].integer(), applied + 3);
      press(sheet, QDialogButtonBox::Cancel);
      step = 4;
      return true;
    }
    return false;
  });
  m_window->PostOpenCameraSettings(0);
  ASSERT_TRUE(pumpUntil([&] { return step == 4 && !QApplication::activeModalWidget(); }, kPatience));
  EXPECT_EQ(titles, (std::vector<QString>{"Focus Adjustment", "General", "Optical Zoom Adjustment",
                                          "LCD Brightness"}));
  EXPECT_TRUE(focusFirst);
  ASSERT_TRUE(
      pumpUntil([&] { return m_sim->registers()["lens"]["position"].integer() == applied; }, kPatience))
      << m_sim->registers()["lens"]["position"].integer();

  // Opened at the general page: the three-state box back to indeterminate
  // and OK delete the stored value.
  Qt::CheckState before = Qt::Unchecked;
  drive<CCameraSettingsSheet>([&](CCameraSettingsSheet& sheet) {
    auto* general = page<CLunetPageGeneral>(sheet);
    if (sheet.findChild<QTabWidget*>()->currentWidget() != general || !idle(general))
      return false;
    auto* box = control<QCheckBox>(general, 2027);
    before = box->checkState();
    EXPECT_FALSE(control<QCheckBox>(general, 2067)->isChecked());
    box->click();
    box->click();
    control<QCheckBox>(general, 2067)->click();
    press(sheet, QDialogButtonBox::Ok);
    step = 5;
    return true;
  });
  m_window->PostOpenCameraSettings(1);
  ASSERT_TRUE(pumpUntil([&] { return step == 5 && !QApplication::activeModalWidget(); }, kPatience));
  EXPECT_EQ(before, Qt::Checked);
  bool onlyOne = false;
  const CRefPtr<ITarselConfigSettings> user = tarsel::settings::OpenUserSettings(settings(), true);
  EXPECT_NE(user->GetLcdOrPreview(&onlyOne), 0) << "the value is deleted";
  ICamSdkSettings* family = nullptr;
  ASSERT_EQ(settings()->GetSdkSettings("BRANTEL_SDK2.0", &family, true), 0);
  EXPECT_TRUE(family->GetBool("CycleLCDAfterZoom", false));
  family->Release();
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}

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

TEST_F(LunetDialogs, OneBrightnessWritePerDragAndCancelWritesTheOldValueBack) {
  constexpr std::uint8_t kBrightness = 35;
  m_sim->request(R"({"op":"set-register","reg":35,"value":3})");
  // The values of the brightness writes in the simulator's log since the last look.
  std::vector<int> writes;
  const auto look = [&] {
    const auto log = m_sim->takeLog();
    for (const auto& entry : log["log"].items) {
      const QByteArray packet = QByteArray::fromHex(QByteArray::fromStdString(entry["hex"].text));
      // 1B 'C' length(2) op register value... checksum(2)
      if (entry["dir"].text == "rx" && packet.size() >= 10 && static_cast<std::uint8_t>(packet[0]) == 0x1B &&
          packet[4] == 0 && static_cast<std::uint8_t>(packet[5]) == kBrightness)
        writes.push_back(static_cast<std::uint8_t>(packet[6]) | static_cast<std::uint8_t>(packet[7]) << 8);
    }
    return writes;
  };
  QString tracked;
  int step = 0;
  drive<CCameraSettingsSheet>([&](CCameraSettingsSheet& sheet) {
    auto* lcd = page<tarsel::dialogs::CLcdBrightnessPage>(sheet);
    if (!idle(lcd))
      return false;
    auto* slider = control<QSlider>(lcd, 1031);
    if (step == 0) {
      EXPECT_EQ(slider->value(), 3);
      look();
      // A drag over three positions, the field following it.
      slider->setSliderDown(true);
      for (const int position : {4, 5, 6})
        slider->setSliderPosition(position);
      tracked = control<QLineEdit>(lcd, 1032)->text();
      slider->setSliderDown(false);
      step = 1;
    } else if (step == 1) {
      EXPECT_EQ(look(), std::vector<int>{6});
      press(sheet, QDialogButtonBox::Cancel);
      step = 2;
      return true;
    }
    return false;
  });
  m_window->PostOpenCameraSettings(3);
  ASSERT_TRUE(pumpUntil([&] { return step == 2 && !QApplication::activeModalWidget(); }, kPatience));
  EXPECT_EQ(tracked.trimmed(), "6");
  EXPECT_TRUE(pumpUntil([&] { return look().size() >= 2; }, kPatience));
  EXPECT_EQ(writes, (std::vector<int>{6, 3}));
  EXPECT_EQ(m_sim->registers()["registers"]["35"].integer(), 3);
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}

TEST_F(LunetDialogs, ManualFocusInTheCapturePropertiesOpensTheSheetAtTheFocusPage) {
  ASSERT_TRUE(m_frame->RunCommand(cmd::CaptureProperties));
  const QPointer<CCapturePropertiesDialog> dialog = m_window->findChild<CCapturePropertiesDialog*>();
  ASSERT_TRUE(dialog);
  ASSERT_TRUE(pumpUntil([&] { return !dialog->IsBusy(); }, kPatience));
  EXPECT_EQ(dialog->windowTitle(), "Bench left");

  bool focusShown = false;
  drive<CCameraSettingsSheet>([&](CCameraSettingsSheet& sheet) {
    focusShown = sheet.findChild<QTabWidget*>()->currentWidget() == page<CFocusAdjustmentPage>(sheet);
    sheet.reject();
    return true;
  });
  control<QRadioButton>(dialog, 1083)->click();
  ASSERT_TRUE(pumpUntil([&] { return focusShown && !QApplication::activeModalWidget(); }, kPatience));
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}
