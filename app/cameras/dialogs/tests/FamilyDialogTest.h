// The fixture of the shared dialogs' typed tests: a family's camera (see
// FamilyRigs.h) on a camera window of the test's own, its error boxes
// recorded and its questions answered; the dialogs are opened through the
// camera object as the window's commands open them and driven from inside
// their modal loops.
#pragma once

#include "DialogCameraWindow.h"
#include "FamilyRigs.h"

#include "app/cameras/dialogs/CameraInfoDlg.h"
#include "app/cameras/dialogs/DownloadAllPicturesDlg.h"
#include "app/cameras/dialogs/TestCameraCapabilitiesDlg.h"
#include "app/testsupport/ModalDialogDriver.h"
#include "app/ui/DialogControls.h"
#include "app/ui/MessageQuestion.h"
#include "app/ui/SavePicsFileExis.h"
#include "env/BrantelTakeError.h"
#include "env/ErrorReport.h"

#include <QAbstractButton>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tarsel::dialogs::test {

// Generous for the sanitizer builds; a passing step returns at once.
inline constexpr std::chrono::seconds kPatience{60};

template <class Control> Control* control(QWidget* dialog, int id) {
  return dialog->findChild<Control*>(tarsel::ui::ControlName(id));
}

inline void click(QWidget* dialog, int id) {
  control<QAbstractButton>(dialog, id)->click();
}

// A family's camera on a camera window of its own; the test's error boxes
// recorded, its questions answered with m_answer.
template <class Rig> class FamilyDialogs : public ::testing::Test {
protected:
  // The simulated camera's configuration.
  virtual std::string cameraConfig() const { return Rig::defaultConfig(); }

  // Runs once the simulator is up, before the camera is made.
  virtual void beforeCamera() {}

  void SetUp() override {
    // What an earlier run left in the test's home is not this run's.
    for (const char* folder : {"TARSEL_REGISTRY_DIR", "XDG_DATA_HOME"})
      if (const char* path = std::getenv(folder))
        std::filesystem::remove_all(path);
    m_settings = CRefPtr<CTarselSettings>(new CTarselSettings);
    // Errors are reported as the program reports them once it has started.
    _brantel_take_error::DoReporting(true);
    SetMessageBoxHook([this](HWND, const std::string& text, const std::string&, MessageBoxIcon) {
      m_errors.push_back(text);
    });
    tarsel::ui::SetAskUserHook([this](const QString& text, tarsel::ui::Buttons, tarsel::ui::Icon) {
      m_questions.push_back(text);
      return m_answer;
    });
    m_rig.start(m_folder, cameraConfig(), m_settings.get());
    if (this->IsSkipped() || this->HasFatalFailure())
      return;
    beforeCamera();
    m_window = std::make_unique<DialogCameraWindow>(m_rig.makeCamera().release());
    ASSERT_TRUE(m_window->start());
    m_window->show();
  }

  void TearDown() override {
    m_drivers.reset();
    SavePicsFileExis::SetHook({});
    m_window.reset();
    m_rig.stop();
    tarsel::ui::SetAskUserHook({});
    SetMessageBoxHook({});
    _brantel_take_error::DoReporting(false);
  }

  // Drives the modal dialog of type D with `step` (see driveModalDialog);
  // the drives go with the test that made them.
  template <class D> void drive(std::function<bool(D&)> step) {
    if (!m_drivers)
      m_drivers = std::make_unique<QObject>();
    tarsel::test::driveModalDialog<D>(m_drivers.get(), std::move(step), kPatience);
  }

  // Opens the camera's information dialog as the window's command does;
  // `step` drives it.
  void cameraInfo(std::function<bool(CCameraInfoDlg&)> step) {
    drive<CCameraInfoDlg>(std::move(step));
    EXPECT_EQ(m_window->runDialog(&ICameraHiLevel::ShowCameraInfo), 0);
  }
  void downloadAll(std::function<bool(CDownloadAllPicturesDlg&)> step) {
    drive<CDownloadAllPicturesDlg>(std::move(step));
    EXPECT_EQ(m_window->runDialog(&ICameraHiLevel::ShowDownloadAllPictures), 0);
  }
  void capabilityTest(std::function<bool(CTestCameraCapabilitiesDlg&)> step) {
    drive<CTestCameraCapabilitiesDlg>(std::move(step));
    EXPECT_EQ(m_window->runDialog(&ICameraHiLevel::ShowCapabilityTest), 0);
  }

  tarsel::test::TempDir m_folder;
  CRefPtr<CTarselSettings> m_settings;
  Rig m_rig;
  std::unique_ptr<DialogCameraWindow> m_window;
  std::unique_ptr<QObject> m_drivers;
  std::vector<std::string> m_errors;
  std::vector<QString> m_questions;
  // What every question box answers (6 Yes, 7 No, 2 Cancel).
  int m_answer = tarsel::ui::IDNO;
};

// Instances named after their family: Suite/CameraLink.Case, Suite/ActiveX.Case.
struct RigName {
  template <class Rig> static std::string GetName(int) { return Rig::kName; }
};
using Families = ::testing::Types<CameraLinkRig, ActiveXRig>;

} // namespace tarsel::dialogs::test
