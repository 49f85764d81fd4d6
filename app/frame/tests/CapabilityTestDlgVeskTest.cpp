// The capability test dialog of a camera-link camera against vesk-simd's
// XC-500, which refuses many of the family's generic values: opened from its
// window's command and driven through its controls, a run stores exactly the
// values the camera reads back (capability sets and the model file) and the
// camera's settings are put back on closing; a stop during the ISO speeds
// keeps the earlier results and leaves the file alone; "Restore Default"
// removes the file; a failed test picture ends the run with its error and no
// file; and the offer made for a model without a file opens the dialog.
#include "MainFrameTestSupport.h"

#include "app/cameras/dialogs/TestCameraCapabilitiesDlg.h"
#include "app/cameras/vesk/VeskDllWr.h"
#include "app/frame/CommandIds.h"
#include "app/frame/SdkFamily.h"
#include "app/host/ConnectedCameraHost.h"
#include "app/testsupport/VeskSimulator.h"
#include "app/ui/MessageQuestion.h"
#include "env/CamStorageDir.h"
#include "platform/ProfileSection.h"
#include "platform/testsupport/TestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

using namespace std::chrono_literals;

namespace {

constexpr auto kPatience = 60s;
using tarsel::frame::test::FrameTest;
using tarsel::frame::test::pumpUntil;
using tarsel::test::binDir;
using Lines = std::vector<std::string>;

QPushButton* button(QDialog& dialog, int id) {
  return dialog.findChild<QPushButton*>(QStringLiteral("control%1").arg(id));
}

QString logOf(QDialog& dialog) {
  return dialog.findChild<QPlainTextEdit*>(QStringLiteral("control1036"))->toPlainText();
}

// A set's values as the file writes them: "id=label".
Lines valuesOf(CCapabilitySet* set) {
  Lines lines;
  if (const CCapabilitySet::Value* row = set ? set->GetValues() : nullptr)
    for (; row->label; ++row)
      lines.push_back(std::to_string(row->id) + "=" + row->label);
  return lines;
}

// Runs `drive` on the capability test dialog once it is the active modal
// window, from inside its modal loop; the dialog is closed afterwards should
// the drive have left it open.
// The waiting timers: they go with the test that made them, so a dialog
// that never showed leaves no timer to reach into a later test.
std::unique_ptr<QObject>& waiters() {
  static std::unique_ptr<QObject> owner;
  if (!owner)
    owner = std::make_unique<QObject>();
  return owner;
}

void whenDialogShown(std::function<void(CTestCameraCapabilitiesDlg&)> drive) {
  auto* timer = new QTimer(waiters().get());
  QObject::connect(timer, &QTimer::timeout, [timer, drive = std::move(drive)] {
    auto* dialog = qobject_cast<CTestCameraCapabilitiesDlg*>(QApplication::activeModalWidget());
    if (!dialog)
      return;
    timer->stop();
    timer->deleteLater();
    const QPointer<CTestCameraCapabilitiesDlg> alive(dialog);
    drive(*dialog);
    if (alive && alive->isVisible() && !pumpUntil([&] { return !alive || !alive->isVisible(); }, 5s)) {
      ADD_FAILURE() << "the dialog stayed open";
      alive->done(0);
    }
  });
  timer->start(5);
}

class CapabilityTestDlgVesk : public FrameTest {
protected:
  void SetUp() override {
    FrameTest::SetUp();
    tarsel::frame::test::useVeskModels({"XC-500"});
    // The case's home outlives a run: no model file is left from the last.
    std::filesystem::remove(std::string(CCamConfigDir().GetPath()) + "/XC-500.camd");
    CTestCameraCapabilitiesDlg::SetResolutionSettle(1ms);
    // Busy times run 100 times as fast: a capture takes 15 ms.
    m_simulator = std::make_unique<tarsel::test::VeskSimulator>(binDir() + "/vesk-simd", m_folder.path(),
                                                                "speed = 100\n[camera]\nmodel = XC-500\n");
    ASSERT_TRUE(m_simulator->ready());
    m_deviceFolder.emplace("VESK_DEVICE_DIR", m_simulator->deviceFolder());
  }

  void TearDown() override {
    waiters().reset();
    FrameTest::TearDown();
    CTestCameraCapabilitiesDlg::SetResolutionSettle(100ms);
    tarsel::frame::ReleaseFamilies(tarsel::frame::ProductFamilies());
  }

  CChildFrame* startWithTheWindow() {
    MainFrameOptions options = optionsFor({});
    options.makeDeviceWatcher = {};
    CMainFrame& frame = start(options);
    EXPECT_TRUE(pumpUntil([&] { return frame.CameraWindows().size() == 1; }, kPatience));
    return frame.CameraWindows().empty() ? nullptr : frame.CameraWindows().front();
  }

  // The settings the dialog saves and restores, as the camera holds them:
  // resolution, flash, white balance, ISO, digital zoom; zoom and exposure objects.
  std::vector<std::string> cameraSettings() const {
    std::vector<std::string> values;
    for (const char* reg : {"1", "7", "20", "85", "72"})
      values.push_back(m_simulator->control(std::string("get 0 ") + reg));
    for (const char* object : {"71", "102"})
      values.push_back(m_simulator->control(std::string("object 0 ") + object));
    return values;
  }

  // Starts a run and waits for the box that ends it.
  void startAndWaitForTheEnd(CTestCameraCapabilitiesDlg& dialog) {
    const std::size_t boxes = m_questions.size();
    ASSERT_TRUE(pumpUntil([&] { return button(dialog, 1)->isEnabled(); }, kPatience));
    QTest::mouseClick(button(dialog, 1), Qt::LeftButton);
    EXPECT_EQ(button(dialog, 2)->text(), QStringLiteral("Stop"));
    EXPECT_FALSE(button(dialog, 1034)->isEnabled());
    ASSERT_TRUE(pumpUntil([&] { return m_questions.size() > boxes; }, kPatience));
  }

  tarsel::test::TempDir m_folder;
  std::unique_ptr<tarsel::test::VeskSimulator> m_simulator;
  std::optional<tarsel::test::ScopedEnv> m_deviceFolder;
};

TEST_F(CapabilityTestDlgVesk, StoresWhatTheCameraAcceptsAndPutsItsSettingsBack) {
  QPointer<CChildFrame> window = startWithTheWindow();
  ASSERT_TRUE(window);
  auto* camera = dynamic_cast<CVeskDllWr*>(window->GetCamera());
  ASSERT_TRUE(camera);
  const std::string file = camera->GetCameraDescriptionFile();
  ASSERT_FALSE(std::filesystem::exists(file));
  const std::vector<std::string> before = cameraSettings();
  const std::int32_t picturesBefore = window->GetHost()->GetPictureCount();

  QString log;
  whenDialogShown([&](CTestCameraCapabilitiesDlg& dialog) {
    // Start waits for the settings and the model the worker reads at opening.
    ASSERT_TRUE(pumpUntil([&] { return button(dialog, 1)->isEnabled(); }, kPatience));
    EXPECT_EQ(dialog.findChild<QLineEdit*>(QStringLiteral("control2088"))->text(), QStringLiteral("XC-500"));
    startAndWaitForTheEnd(dialog);
    log = logOf(dialog);
    EXPECT_EQ(button(dialog, 2)->text(), QStringLiteral("&Close"));
    QTest::mouseClick(button(dialog, 2), Qt::LeftButton);
  });
  ASSERT_TRUE(m_frame->RunCommand(tarsel::frame::cmd::DetectCapabilities));

  ASSERT_FALSE(m_questions.empty());
  EXPECT_TRUE(
      m_questions.back().startsWith("The test has been successfully completed.\nSettings were saved in "
                                    "the file '" +
                                    QString::fromStdString(file) + "'"))
      << m_questions.back().toStdString();
  EXPECT_TRUE(m_errors.empty()) << m_errors.front();
  for (const char* line : {"Camera Type: XC-500", "Firmware version: XC500 FW 0.71", "Zoom: 6.0-15.0",
                           "1 = ISO 100 (From Exif: 100)", "4 = JPEG 640x480"})
    EXPECT_TRUE(log.contains(QString::fromUtf8(line))) << line << " is not in\n" << log.toStdString();

  const Lines apertures = {"28= 2.8", "40= 4.0", "56= 5.6", "80= 8.0"};
  const Lines whiteBalances = {"0=Auto", "1=Daylight", "2=Fluorescent", "3=Tungsten", "255=Cloudy"};
  const Lines isoSpeeds = {"0=Auto", "1=100", "2=200", "3=400"};
  // Of the two 640x480 JPEG modes the larger file is "H".
  const Lines resolutions = {"1=JPEG 640x480 N", "4=JPEG 640x480 H", "5=JPEG 1024x768", "33=TIFF 640x480",
                             "49=RAW"};
  EXPECT_EQ(valuesOf(camera->GetCapabilitySet("Aperture")), apertures);
  EXPECT_EQ(valuesOf(camera->GetCapabilitySet("WhiteBalance")), whiteBalances);
  EXPECT_EQ(valuesOf(camera->GetCapabilitySet("ISOSpeed")), isoSpeeds);
  EXPECT_EQ(valuesOf(camera->GetCapabilitySet("Resolution")), resolutions);
  EXPECT_EQ(camera->GetRangeByName("OpticalZoom").GetMin(), 60);
  EXPECT_EQ(camera->GetRangeByName("OpticalZoom").GetMax(), 150);

  EXPECT_EQ(tarsel::platform::ReadProfileSection("Aperture", file), apertures);
  EXPECT_EQ(tarsel::platform::ReadProfileSection("WhiteBalance", file), whiteBalances);
  EXPECT_EQ(tarsel::platform::ReadProfileSection("ISOSpeed", file), isoSpeeds);
  EXPECT_EQ(tarsel::platform::ReadProfileSection("Resolution", file), resolutions);
  EXPECT_EQ(tarsel::platform::ReadProfileSection("OpticalZoomRange", file), (Lines{"Min=60", "Max=150"}));
  // Nothing but the file itself is left in the data folder by the save.
  for (const auto& entry : std::filesystem::directory_iterator(std::filesystem::path(file).parent_path()))
    EXPECT_EQ(entry.path().filename().string().rfind(".camd-", 0), std::string::npos) << entry.path();

  EXPECT_EQ(cameraSettings(), before);
  // Test pictures join no series (and so are never saved).
  EXPECT_EQ(window->GetHost()->GetPictureCount(), picturesBefore);
}

TEST_F(CapabilityTestDlgVesk, StopKeepsEarlierResultsWithoutTheFileAndRestoreDefaultRemovesTheFile) {
  // A file from an earlier detection, which stays as it is while a run is stopped.
  const std::string file = std::string(CCamConfigDir().GetPath()) + "/XC-500.camd";
  const std::string earlier = "[Aperture]\r\n28= 2.8\r\n[ISOSpeed]\r\n1=100\r\n";
  tarsel::test::writeFile(file, earlier);
  QPointer<CChildFrame> window = startWithTheWindow();
  ASSERT_TRUE(window);
  auto* camera = dynamic_cast<CVeskDllWr*>(window->GetCamera());
  ASSERT_TRUE(camera);
  ASSERT_EQ(camera->GetCameraDescriptionFile(), file);
  const std::vector<std::string> before = cameraSettings();

  whenDialogShown([&](CTestCameraCapabilitiesDlg& dialog) {
    ASSERT_TRUE(pumpUntil([&] { return button(dialog, 1)->isEnabled(); }, kPatience));
    const std::size_t boxes = m_questions.size();
    QTest::mouseClick(button(dialog, 1), Qt::LeftButton);
    ASSERT_TRUE(pumpUntil([&] { return logOf(dialog).contains("ISO Speeds:"); }, kPatience));
    // Esc stops the run as the Stop button does, and the dialog stays.
    QTest::keyClick(&dialog, Qt::Key_Escape);
    ASSERT_TRUE(pumpUntil([&] { return m_questions.size() > boxes; }, kPatience));
    EXPECT_EQ(m_questions.back(),
              QStringLiteral("The test has been cancelled.\n\nYou may run again it at any time."));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(button(dialog, 2)->text(), QStringLiteral("Cancel"));
    EXPECT_FALSE(logOf(dialog).contains("Resolutions:"));
    EXPECT_EQ(tarsel::test::readFile(file), earlier);
    EXPECT_EQ(valuesOf(camera->GetCapabilitySet("Aperture")),
              (Lines{"28= 2.8", "40= 4.0", "56= 5.6", "80= 8.0"}));
    EXPECT_EQ(camera->GetRangeByName("OpticalZoom").GetMax(), 150);
    EXPECT_EQ(valuesOf(camera->GetCapabilitySet("ISOSpeed")), (Lines{"1=100"}));

    QTest::mouseClick(button(dialog, 1034), Qt::LeftButton);
    ASSERT_TRUE(pumpUntil([&] { return button(dialog, 2)->text() == QStringLiteral("&Close"); }, kPatience));
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(valuesOf(camera->GetCapabilitySet("Aperture")).size(), 17u);
    QTest::mouseClick(button(dialog, 2), Qt::LeftButton);
  });
  ASSERT_TRUE(m_frame->RunCommand(tarsel::frame::cmd::DetectCapabilities));
  EXPECT_TRUE(m_errors.empty()) << m_errors.front();
  EXPECT_EQ(cameraSettings(), before);
}

TEST_F(CapabilityTestDlgVesk, AFailedTestPictureEndsTheRunWithoutAFileAndTheDialogStillCloses) {
  QPointer<CChildFrame> window = startWithTheWindow();
  ASSERT_TRUE(window);
  auto* camera = dynamic_cast<CVeskDllWr*>(window->GetCamera());
  ASSERT_TRUE(camera);
  const std::vector<std::string> before = cameraSettings();
  // Without a card the camera refuses to capture.
  ASSERT_EQ(m_simulator->control("card 0 none"), "ok");

  whenDialogShown([&](CTestCameraCapabilitiesDlg& dialog) {
    ASSERT_TRUE(pumpUntil([&] { return button(dialog, 1)->isEnabled(); }, kPatience));
    QTest::mouseClick(button(dialog, 1), Qt::LeftButton);
    ASSERT_TRUE(pumpUntil([&] { return !m_errors.empty(); }, kPatience));
    ASSERT_TRUE(pumpUntil([&] { return button(dialog, 1)->isEnabled(); }, kPatience));
    EXPECT_EQ(button(dialog, 2)->text(), QStringLiteral("Cancel"));
    EXPECT_FALSE(logOf(dialog).contains("Apertures:"));
    QTest::mouseClick(button(dialog, 2), Qt::LeftButton);
  });
  ASSERT_TRUE(m_frame->RunCommand(tarsel::frame::cmd::DetectCapabilities));
  EXPECT_EQ(m_errors.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(camera->GetCameraDescriptionFile()));
  EXPECT_EQ(cameraSettings(), before);
}

TEST_F(CapabilityTestDlgVesk, TheOfferForAModelWithoutAFileOpensTheTest) {
  m_answer = tarsel::ui::IDYES;
  QString model;
  whenDialogShown([&](CTestCameraCapabilitiesDlg& dialog) {
    auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("control2088"));
    pumpUntil([&] { return !field->text().isEmpty(); }, kPatience);
    model = field->text();
    QTest::mouseClick(button(dialog, 2), Qt::LeftButton);
  });
  ASSERT_TRUE(startWithTheWindow());
  ASSERT_TRUE(pumpUntil([&] { return !model.isEmpty(); }, kPatience));
  EXPECT_EQ(model, QStringLiteral("XC-500"));
  ASSERT_FALSE(m_questions.empty());
  EXPECT_TRUE(m_questions.front().startsWith("Tarsel does not know capabilities of XC-500."))
      << m_questions.front().toStdString();
  EXPECT_TRUE(m_errors.empty()) << m_errors.front();
}

} // namespace
