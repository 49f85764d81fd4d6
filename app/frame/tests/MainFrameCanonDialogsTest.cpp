// The Canon family's dialogs as a user meets them in the main frame, on the
// SDK stand-in of the build with three sources of which the first is not
// eligible: the camera stored as the user's choice opens; the family's page
// of the camera-type dialog switches to another camera, which the detection
// that follows opens; the offer for a model without a capability file runs
// the capability test, a stop cancels it, a second run saves the file, and
// the capture properties offer what the file holds; a model whose test ran
// is not offered again when another camera leaves.
#include "MainFrameTestSupport.h"

#include "app/cameras/canon/CanonCDSdkWrapper.h"
#include "app/cameras/canon/CanonCDWr.h"
#include "app/cameras/dialogs/CapturePropertiesDialog.h"
#include "app/cameras/dialogs/TestCameraCapabilitiesDlg.h"
#include "app/frame/CameraTypesDialog.h"
#include "app/frame/CommandIds.h"
#include "app/frame/SdkFamily.h"
#include "app/testsupport/VeskSimulator.h"
#include "app/ui/MessageQuestion.h"
#include "env/CamStorageDir.h"
#include "hostapi/ICamSdkSettings.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselPersistentParams.h"
#include "hostapi/ITarselSettings.h"
#include "platform/testsupport/TestSupport.h"
#include "sim/cdsdk/CdSimControl.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <dlfcn.h>
#include <filesystem>
#include <mutex>

using namespace std::chrono_literals;
using tarsel::frame::test::pumpFor;
using tarsel::frame::test::pumpUntil;
using tarsel::frame::test::setUserOption;
using tarsel::test::binDir;
namespace cmd = tarsel::frame::cmd;

namespace {

constexpr auto kPatience = 60s;

QPushButton* button(QWidget& dialog, int id) {
  return dialog.findChild<QPushButton*>(QStringLiteral("control%1").arg(id));
}

// The writers' lock files of model files left in the data folder.
std::vector<std::string> modelFileLocks() {
  std::vector<std::string> locks;
  for (const auto& entry : std::filesystem::directory_iterator(CCamConfigDir().GetPath()))
    if (entry.path().filename().string().ends_with(".camd.lock"))
      locks.push_back(entry.path().filename().string());
  return locks;
}

QStringList itemsOf(QWidget& dialog, int id) {
  QStringList items;
  if (auto* list = dialog.findChild<QComboBox*>(QStringLiteral("control%1").arg(id)))
    for (int i = 0; i < list->count(); ++i)
      items << list->itemText(i);
  return items;
}

class MainFrameCanonDialogs : public tarsel::frame::test::FrameTest {
protected:
  void SetUp() override {
    FrameTest::SetUp();
    ASSERT_NE(m_library, nullptr) << dlerror();
    ASSERT_EQ(tarsel::cdsim::CdSimControls(m_library).reset(
                  "[camera]\nname = Other\nflags = 0x1C\n[camera]\nname = A\n[camera]\nname = B\n"),
              0);
    // The case's home outlives a run: no capability file is left from the last.
    for (const char* model : {"A", "B"})
      std::filesystem::remove(std::string(CCamConfigDir().GetPath()) + "/" + model + ".camd");
    CTestCameraCapabilitiesDlg::SetResolutionSettle(1ms);
  }

  void TearDown() override {
    FrameTest::TearDown();
    CTestCameraCapabilitiesDlg::SetResolutionSettle(100ms);
    tarsel::frame::ReleaseFamilies(tarsel::frame::ProductFamilies());
    if (m_library) {
      EXPECT_EQ(tarsel::cdsim::CdSimControls(m_library).problemsText(), "");
      dlclose(m_library);
    }
  }

  // Stores `name` (as the list shows it) as the camera to open without asking.
  void storeChoice(const char* name) {
    ICamSdkSettings* canon = nullptr;
    ASSERT_EQ(settings()->GetSdkSettings("CANON_CD", &canon, false), 0);
    canon->SetBool(CanonCDSDK_Wr::kUseChoiceValue, true);
    canon->SetString(CanonCDSDK_Wr::kChoiceNameValue, name);
    canon->Release();
  }

  // The connected camera window of that name, or null.
  CChildFrame* windowOf(CMainFrame& frame, const QString& name) {
    for (CChildFrame* window : frame.CameraWindows())
      if (window->CameraName() == name && window->IsCameraConnected())
        return window;
    return nullptr;
  }

  // Runs `drive` on the next modal dialog of that class, from inside its
  // loop; a drive that failed half-way does not leave the dialog open.
  template <typename Dialog> void whenShown(std::function<void(Dialog&)> drive) {
    auto* timer = new QTimer(&m_waiters);
    QObject::connect(timer, &QTimer::timeout, [timer, drive = std::move(drive)] {
      auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
      if (!dialog)
        return;
      timer->stop();
      timer->deleteLater();
      const QPointer<Dialog> alive(dialog);
      drive(*dialog);
      if (alive && alive->isVisible() && !pumpUntil([&] { return !alive || !alive->isVisible(); }, 5s)) {
        ADD_FAILURE() << "the dialog stayed open";
        alive->done(0);
      }
    });
    timer->start(5);
  }

  // Starts a run of the capability test and waits for the box that ends it.
  void runTest(CTestCameraCapabilitiesDlg& dialog) {
    const std::size_t boxes = m_questions.size();
    ASSERT_TRUE(pumpUntil([&] { return button(dialog, 1)->isEnabled(); }, kPatience));
    button(dialog, 1)->click();
    EXPECT_EQ(button(dialog, 2)->text(), QStringLiteral("Stop"));
    ASSERT_TRUE(pumpUntil([&] { return m_questions.size() > boxes; }, kPatience));
  }

  void* m_library = dlopen((binDir() + "/libCDSDK.so").c_str(), RTLD_NOW | RTLD_LOCAL);
  tarsel::test::ScopedEnv m_sdk{"TARSEL_CDSDK", binDir() + "/libCDSDK.so"};
  QObject m_waiters;
};

} // namespace

TEST_F(MainFrameCanonDialogs, TheCameraChosenOnTheCanonPageOpensAndItsCapabilityTestFillsItsProperties) {
  storeChoice("Owner (B)");
  // The capture properties were shown when the program last ended.
  ITarselPersistentParams* params = nullptr;
  ASSERT_EQ(settings()->GetPersistentParams(&params, false), 0);
  EXPECT_EQ(params->SetCaptureDlgShown(true), 0);
  params->Release();
  MainFrameOptions options = optionsFor({});
  options.makeDeviceWatcher = {};
  CMainFrame& frame = start(options);
  ASSERT_TRUE(pumpUntil([&] { return windowOf(frame, "Owner (B)") != nullptr; }, kPatience));
  // Its model has no file: the offer was made and declined.
  ASSERT_EQ(m_questions.size(), 1u);
  EXPECT_TRUE(m_questions.front().startsWith("Tarsel does not know capabilities of B."))
      << m_questions.front().toStdString();

  // The Canon page shows the two eligible cameras, B selected; the user takes A.
  QStringList listed;
  whenShown<tarsel::frame::CameraTypesDialog>([&](tarsel::frame::CameraTypesDialog& dialog) {
    auto* list = dialog.findChild<QComboBox*>("control2104");
    ASSERT_NE(list, nullptr);
    listed = itemsOf(dialog, 2104);
    listed << list->currentText();
    EXPECT_TRUE(dialog.findChild<QCheckBox*>("control2105")->isChecked());
    list->setCurrentIndex(list->findText("Owner (A)"));
    emit list->activated(list->currentIndex());
    dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
  });
  // The offer for A is accepted. The stand-in answers faster than any user
  // could press Stop, so the first run waits for the camera until Stop was
  // pressed: it ends at its first line. The second runs to its end.
  m_answer = 6;
  QString cancelledLog;
  int completedLines = 0;
  bool tested = false;
  whenShown<CTestCameraCapabilitiesDlg>([&](CTestCameraCapabilitiesDlg& dialog) {
    auto* log = dialog.findChild<QPlainTextEdit*>("control1036");
    CChildFrame* owner = windowOf(frame, "Owner (A)");
    auto* camera = owner ? dynamic_cast<CanonCD_Wr*>(owner->GetCamera()) : nullptr;
    ASSERT_NE(camera, nullptr);
    ASSERT_TRUE(pumpUntil([&] { return button(dialog, 1)->isEnabled(); }, kPatience));
    {
      const std::lock_guard<std::recursive_mutex> busy(camera->CallMutex());
      button(dialog, 1)->click();
      EXPECT_EQ(button(dialog, 2)->text(), QStringLiteral("Stop"));
      button(dialog, 2)->click();
    }
    ASSERT_TRUE(pumpUntil([&] { return !m_questions.empty() && m_questions.back().contains("cancelled"); },
                          kPatience));
    cancelledLog = log->toPlainText();
    EXPECT_EQ(m_questions.back(), "The test has been cancelled.\n\nYou may run again it at any time.");
    EXPECT_FALSE(std::filesystem::exists(std::string(CCamConfigDir().GetPath()) + "/A.camd"));
    runTest(dialog);
    completedLines = log->blockCount();
    EXPECT_TRUE(m_questions.back().startsWith("The test has been successfully completed."))
        << m_questions.back().toStdString();
    EXPECT_EQ(button(dialog, 2)->text(), QStringLiteral("&Close"));
    button(dialog, 2)->click();
    tested = true;
  });
  ASSERT_TRUE(frame.RunCommand(cmd::SelectCameraTypes));
  EXPECT_EQ(listed, (QStringList{"Owner (A)", "Owner (B)", "Owner (B)"}));
  CChildFrame* window = nullptr;
  ASSERT_TRUE(pumpUntil([&] { return (window = windowOf(frame, "Owner (A)")) && tested; }, kPatience));
  EXPECT_EQ(windowOf(frame, "Owner (B)"), nullptr);
  EXPECT_EQ(cancelledLog, "Firmware:");
  EXPECT_GT(completedLines, 20);
  EXPECT_TRUE(std::filesystem::is_regular_file(std::string(CCamConfigDir().GetPath()) + "/A.camd"));

  // The capture properties, open since the start, offer what the file holds
  // (the camera's three biases, not the table's 25).
  auto* properties = window->findChild<tarsel::dialogs::CCapturePropertiesDialog*>();
  ASSERT_NE(properties, nullptr);
  const QStringList biases{"-1.00", " 0.0", "+1.00"};
  EXPECT_TRUE(pumpUntil([&] { return !properties->IsBusy() && itemsOf(*properties, 1024) == biases; }, 5s))
      << itemsOf(*properties, 1024).join(',').toStdString();
  EXPECT_EQ(itemsOf(*properties, 1027).size(), 6);
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}

TEST_F(MainFrameCanonDialogs, AModelWhoseTestRanIsNotOfferedAgainWhenAnotherCameraLeaves) {
  storeChoice("Owner (A)");
  const tarsel::test::TempDir folder;
  tarsel::frame::test::useVeskModels({"XC-701"});
  tarsel::test::VeskSimulator vesk(binDir() + "/vesk-simd", folder.path(), "[camera]\nmodel = XC-701\n");
  ASSERT_TRUE(vesk.ready());
  const tarsel::test::ScopedEnv devices("VESK_DEVICE_DIR", vesk.deviceFolder());
  ITarselConfigSettings* user = nullptr;
  ASSERT_EQ(settings()->GetUserSettings(&user, false), 0);
  EXPECT_EQ(user->SetUseDeviceNotifications(true), 0);
  user->Release();
  setUserOption("DeviceNotificationDelay", 100);

  // The offer made at the start for the Canon model is accepted and the test
  // runs to its end; the camera-link model's offer is declined.
  tarsel::ui::SetAskUserHook([this](const QString& text, tarsel::ui::Buttons, tarsel::ui::Icon) {
    m_questions.push_back(text);
    return text.contains(QLatin1String("XC-701")) ? 7 : 6;
  });
  bool tested = false;
  whenShown<CTestCameraCapabilitiesDlg>([&](CTestCameraCapabilitiesDlg& dialog) {
    runTest(dialog);
    EXPECT_TRUE(m_questions.back().startsWith("The test has been successfully completed."))
        << m_questions.back().toStdString();
    button(dialog, 2)->click();
    tested = true;
  });
  MainFrameOptions options = optionsFor({});
  options.makeDeviceWatcher = {};
  CMainFrame& frame = start(options);
  ASSERT_TRUE(pumpUntil([&] { return tested && frame.CameraWindows().size() == 2; }, kPatience));
  CChildFrame* canon = windowOf(frame, "Owner (A)");
  ASSERT_NE(canon, nullptr);
  EXPECT_TRUE(std::filesystem::is_regular_file(std::string(CCamConfigDir().GetPath()) + "/A.camd"));
  EXPECT_EQ(modelFileLocks(), std::vector<std::string>{});
  const std::size_t asked = m_questions.size();

  // The camera-link camera leaves: the refresh takes the Canon camera over
  // again, and its saved capabilities are known.
  m_answer = 7;
  const int refreshes = m_refreshes;
  ASSERT_EQ(vesk.control("unplug 0"), "ok");
  ASSERT_TRUE(pumpUntil([&] { return m_refreshes > refreshes; }, kPatience));
  pumpFor(300ms); // time for a question that should not come
  EXPECT_EQ(m_questions.size(), asked) << m_questions.back().toStdString();
  ASSERT_EQ(windowOf(frame, "Owner (A)"), canon);
  EXPECT_TRUE(canon->GetCamera()->GetCapabilities(false));
  EXPECT_EQ(modelFileLocks(), std::vector<std::string>{});
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}
