// The capability test offered by the camera window of a camera-link camera
// whose model has no file (vesk-simd's XC-500): the offer, answered Yes,
// opens the dialog. (The dialog itself is tested with app/cameras/dialogs,
// for every family.)
#include "MainFrameTestSupport.h"

#include "app/cameras/dialogs/TestCameraCapabilitiesDlg.h"
#include "app/frame/SdkFamily.h"
#include "app/testsupport/ModalDialogDriver.h"
#include "app/testsupport/VeskSimulator.h"
#include "app/ui/MessageQuestion.h"
#include "env/CamStorageDir.h"
#include "platform/testsupport/TestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

using namespace std::chrono_literals;

namespace {

constexpr auto kPatience = 60s;
using tarsel::frame::test::FrameTest;
using tarsel::frame::test::pumpUntil;
using tarsel::test::binDir;

class CapabilityTestDlgVesk : public FrameTest {
protected:
  void SetUp() override {
    FrameTest::SetUp();
    tarsel::frame::test::useVeskModels({"XC-500"});
    // The case's home outlives a run: no model file is left from the last.
    std::filesystem::remove(std::string(CCamConfigDir().GetPath()) + "/XC-500.camd");
    // Busy times run 100 times as fast: a capture takes 15 ms.
    m_simulator = std::make_unique<tarsel::test::VeskSimulator>(binDir() + "/vesk-simd", m_folder.path(),
                                                                "speed = 100\n[camera]\nmodel = XC-500\n");
    ASSERT_TRUE(m_simulator->ready());
    m_deviceFolder.emplace("VESK_DEVICE_DIR", m_simulator->deviceFolder());
  }

  void TearDown() override {
    m_drivers.reset();
    FrameTest::TearDown();
    tarsel::frame::ReleaseFamilies(tarsel::frame::ProductFamilies());
  }

  CChildFrame* startWithTheWindow() {
    MainFrameOptions options = optionsFor({});
    options.makeDeviceWatcher = {};
    CMainFrame& frame = start(options);
    EXPECT_TRUE(pumpUntil([&] { return frame.CameraWindows().size() == 1; }, kPatience));
    return frame.CameraWindows().empty() ? nullptr : frame.CameraWindows().front();
  }

  tarsel::test::TempDir m_folder;
  std::unique_ptr<tarsel::test::VeskSimulator> m_simulator;
  std::optional<tarsel::test::ScopedEnv> m_deviceFolder;
  // The drives go with the test that made them.
  std::unique_ptr<QObject> m_drivers = std::make_unique<QObject>();
};

TEST_F(CapabilityTestDlgVesk, TheOfferForAModelWithoutAFileOpensTheTest) {
  m_answer = tarsel::ui::IDYES;
  QString model;
  tarsel::test::driveModalDialog<CTestCameraCapabilitiesDlg>(
      m_drivers.get(),
      [&](CTestCameraCapabilitiesDlg& dialog) {
        model = dialog.findChild<QLineEdit*>(QStringLiteral("control2088"))->text();
        if (model.isEmpty())
          return false;
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("control2")), Qt::LeftButton);
        return true;
      },
      kPatience);
  ASSERT_TRUE(startWithTheWindow());
  ASSERT_TRUE(pumpUntil([&] { return !model.isEmpty() && !QApplication::activeModalWidget(); }, kPatience));
  EXPECT_EQ(model, QStringLiteral("XC-500"));
  ASSERT_FALSE(m_questions.empty());
  EXPECT_TRUE(m_questions.front().startsWith("Tarsel does not know capabilities of XC-500."))
      << m_questions.front().toStdString();
  EXPECT_TRUE(m_errors.empty()) << m_errors.front();
}

} // namespace
