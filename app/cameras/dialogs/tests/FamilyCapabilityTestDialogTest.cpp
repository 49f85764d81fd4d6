// The capability test dialog of every family that offers it, opened through
// the family's camera object on a camera window over the simulator's camera
// that refuses many of the family's generic values, and driven through its
// controls. Written once for the families: a run stores exactly the values
// the camera reads back (in the model's file, read back by a reader of the
// family's own) and puts the camera's settings back on closing, with no test
// picture reaching the window; a stop keeps the earlier file as it was and
// "Restore Default" removes it. Of the camera-link family only: a failed
// test picture ends the run with its error and no file.
#include "FamilyDialogTest.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <set>

using namespace std::chrono_literals;
using namespace tarsel::dialogs::test;
namespace fs = std::filesystem;

namespace {

QPushButton* button(QDialog& dialog, int id) {
  return control<QPushButton>(&dialog, id);
}

QString logOf(QDialog& dialog) {
  return control<QPlainTextEdit>(&dialog, 1036)->toPlainText();
}

std::set<std::string> namesIn(const std::string& folder) {
  std::set<std::string> names;
  if (fs::exists(folder))
    for (const auto& entry : fs::directory_iterator(folder))
      names.insert(entry.path().filename().string());
  return names;
}

template <class Rig> class CapabilityTestDialog : public FamilyDialogs<Rig> {
protected:
  std::string cameraConfig() const override { return Rig::trialConfig(); }
  void TearDown() override {
    FamilyDialogs<Rig>::TearDown();
    CTestCameraCapabilitiesDlg::SetResolutionSettle(100ms);
  }
};
TYPED_TEST_SUITE(CapabilityTestDialog, Families, RigName);

// With the model's file of an earlier run, read when the camera is made.
template <class Rig> class StoppedCapabilityTest : public CapabilityTestDialog<Rig> {
protected:
  void beforeCamera() override {
    m_file = Rig::profileFile(this->m_settings.get());
    fs::create_directories(fs::path(m_file).parent_path());
    tarsel::test::writeFile(m_file, Rig::earlierProfile());
  }
  std::string m_file;
};
TYPED_TEST_SUITE(StoppedCapabilityTest, Families, RigName);

using CameraLinkCapabilityTest = CapabilityTestDialog<CameraLinkRig>;

} // namespace

TYPED_TEST(CapabilityTestDialog, ARunStoresWhatTheCameraAcceptsAndPutsItsSettingsBack) {
  const std::string file = TypeParam::profileFile(this->m_settings.get());
  ASSERT_FALSE(fs::exists(file));
  const std::string folder = fs::path(file).parent_path().string();
  std::set<std::string> namesAfter = namesIn(folder);
  namesAfter.insert(fs::path(file).filename().string());
  const std::string before = this->m_rig.cameraSettings();
  CTestCameraCapabilitiesDlg::SetResolutionSettle(1ms);

  QString model;
  QString log;
  std::size_t boxes = 0;
  int step = 0;
  this->capabilityTest([&](CTestCameraCapabilitiesDlg& dialog) {
    // Start waits for the settings and the model the worker reads at opening.
    if (step == 0 && button(dialog, 1)->isEnabled()) {
      model = control<QLineEdit>(&dialog, 2088)->text();
      boxes = this->m_questions.size();
      QTest::mouseClick(button(dialog, 1), Qt::LeftButton);
      EXPECT_EQ(button(dialog, 2)->text(), QStringLiteral("Stop"));
      EXPECT_FALSE(button(dialog, 1034)->isEnabled());
      step = 1;
    } else if (step == 1 && this->m_questions.size() > boxes) {
      log = logOf(dialog);
      EXPECT_EQ(button(dialog, 2)->text(), QStringLiteral("&Close"));
      QTest::mouseClick(button(dialog, 2), Qt::LeftButton);
      return true;
    }
    return false;
  });

  EXPECT_EQ(model, TypeParam::kTrialModelName);
  ASSERT_FALSE(this->m_questions.empty());
  EXPECT_TRUE(this->m_questions.back().startsWith(
      "The test has been successfully completed.\nSettings were saved in the file '" +
      QString::fromStdString(file) + "'"))
      << this->m_questions.back().toStdString();
  EXPECT_EQ(this->m_errors, std::vector<std::string>{});
  for (const std::string& line : TypeParam::trialLogLines())
    EXPECT_TRUE(log.contains(QString::fromStdString(line))) << line << " is not in\n" << log.toStdString();
  for (const auto& [section, entries] : TypeParam::trialProfile())
    EXPECT_EQ(TypeParam::readSection(file, section), entries) << section;
  TypeParam::expectCameraHoldsTheRun(this->m_window->camera(), file);
  // Nothing but the file itself is left in the data folder by the save.
  EXPECT_EQ(namesIn(folder), namesAfter);
  EXPECT_EQ(this->m_rig.cameraSettings(), before);
  // Test pictures join no series (and so are never saved).
  EXPECT_EQ(this->m_window->picturesReported, 0);
}

TYPED_TEST(StoppedCapabilityTest, AStopKeepsTheEarlierFileAndRestoreDefaultRemovesIt) {
  ASSERT_TRUE(fs::exists(this->m_file));
  const std::string before = this->m_rig.cameraSettings();
  CTestCameraCapabilitiesDlg::SetResolutionSettle(TypeParam::kStopSettle);

  std::size_t boxes = 0;
  int step = 0;
  this->capabilityTest([&](CTestCameraCapabilitiesDlg& dialog) {
    if (step == 0 && button(dialog, 1)->isEnabled()) {
      boxes = this->m_questions.size();
      QTest::mouseClick(button(dialog, 1), Qt::LeftButton);
      step = 1;
    } else if (step == 1 && this->m_rig.readyToStop(logOf(dialog))) {
      // Esc stops the run as the Stop button does.
      if (TypeParam::kStopWithEscape)
        QTest::keyClick(&dialog, Qt::Key_Escape);
      else
        QTest::mouseClick(button(dialog, 2), Qt::LeftButton);
      step = 2;
    } else if (step == 2 && this->m_questions.size() > boxes) {
      // The dialog stays after a stop.
      EXPECT_EQ(this->m_questions.back(),
                QStringLiteral("The test has been cancelled.\n\nYou may run again it at any time."));
      EXPECT_TRUE(dialog.isVisible());
      EXPECT_EQ(button(dialog, 2)->text(), QStringLiteral("Cancel"));
      EXPECT_FALSE(logOf(dialog).contains(TypeParam::kNotReachedWhenStopped)) << logOf(dialog).toStdString();
      EXPECT_EQ(tarsel::test::readFile(this->m_file), TypeParam::earlierProfile());
      TypeParam::expectCameraHoldsTheStoppedRun(this->m_window->camera(), this->m_file);
      QTest::mouseClick(button(dialog, 1034), Qt::LeftButton);
      step = 3;
    } else if (step == 3 && button(dialog, 2)->text() == QStringLiteral("&Close")) {
      EXPECT_FALSE(fs::exists(this->m_file));
      TypeParam::expectCameraHoldsTheDefaults(this->m_window->camera());
      QTest::mouseClick(button(dialog, 2), Qt::LeftButton);
      return true;
    }
    return false;
  });
  EXPECT_EQ(step, 3);
  EXPECT_EQ(this->m_errors, std::vector<std::string>{});
  EXPECT_EQ(this->m_rig.cameraSettings(), before);
}

TEST_F(CameraLinkCapabilityTest, AFailedTestPictureEndsTheRunWithoutAFileAndTheDialogStillCloses) {
  const std::string before = m_rig.cameraSettings();
  // Without a card the camera refuses to capture.
  ASSERT_EQ(m_rig.ctl("card 0 none"), "ok");
  CTestCameraCapabilitiesDlg::SetResolutionSettle(1ms);

  int step = 0;
  capabilityTest([&](CTestCameraCapabilitiesDlg& dialog) {
    if (step == 0 && button(dialog, 1)->isEnabled()) {
      QTest::mouseClick(button(dialog, 1), Qt::LeftButton);
      step = 1;
    } else if (step == 1 && !m_errors.empty() && button(dialog, 1)->isEnabled()) {
      EXPECT_EQ(button(dialog, 2)->text(), QStringLiteral("Cancel"));
      EXPECT_FALSE(logOf(dialog).contains("Apertures:"));
      QTest::mouseClick(button(dialog, 2), Qt::LeftButton);
      return true;
    }
    return false;
  });
  EXPECT_EQ(m_errors.size(), 1u);
  EXPECT_FALSE(fs::exists(dynamic_cast<CVeskDllWr&>(m_window->camera()).GetCameraDescriptionFile()));
  EXPECT_EQ(m_rig.cameraSettings(), before);
}
