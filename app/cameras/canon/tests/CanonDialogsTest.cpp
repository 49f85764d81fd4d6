// The Canon camera's dialogs over a real camera object on the stand-in, its
// calls run by a camera window's worker: what reaches the camera (the
// stand-in's call log) and what the user is shown.
#include "CanonDialogWindow.h"
#include "CanonSdkFixture.h"

#include "app/cameras/canon/CanonCDFineAdjustZoom.h"
#include "app/cameras/canon/CanonCDTestCameraCapabilities.h"
#include "app/cameras/dialogs/CapturePropertiesDialog.h"
#include "app/cameras/dialogs/TestCameraCapabilitiesDlg.h"
#include "app/core/PreviewPauseGuard.h"
#include "app/settings/TarselSettings.h"
#include "app/testsupport/EventPump.h"
#include "app/ui/MessageQuestion.h"
#include "env/ErrorReport.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>

#include <filesystem>

using tarsel::canon::test::CanonDialogWindow;
using tarsel::canon::test::CanonSdkTest;
using tarsel::dialogs::CameraDialogCalls;
using tarsel::dialogs::CCapturePropertiesDialog;
using tarsel::test::pumpUntil;

namespace {

template <class Widget = QWidget> Widget* control(QWidget* parent, int id) {
  return parent->findChild<Widget*>(QStringLiteral("control%1").arg(id));
}

class CanonDialogs : public CanonSdkTest {
protected:
  CanonCD_Wr& Open(const char* config) {
    UseCameras(config);
    GetCanonCDSdkWrapper(new CTarselSettings);
    m_camera = std::make_unique<CanonCD_Wr>(CanonSourceInfo{0, true, "Sim Camera A", "Owner (Sim Camera A)"});
    m_camera->Source().Open();
    m_camera->LoadCameraCapabilities();
    m_window = std::make_unique<CanonDialogWindow>(*m_camera);
    SetMessageBoxHook([this](HWND, const std::string& text, const std::string&, MessageBoxIcon) {
      errors.push_back(text);
    });
    tarsel::ui::SetAskUserHook([this](const QString& text, tarsel::ui::Buttons, tarsel::ui::Icon) {
      boxes.push_back(text.toStdString());
      return 1;
    });
    CameraDialogCalls::SetBeepHook([this] { ++beeps; });
    _brantel_take_error::DoReporting(true);
    return *m_camera;
  }
  void TearDown() override {
    _brantel_take_error::DoReporting(false);
    CameraDialogCalls::SetBeepHook({});
    tarsel::ui::SetAskUserHook({});
    SetMessageBoxHook({});
    m_window.reset();
    m_camera.reset();
    CanonSdkTest::TearDown();
  }
  std::int32_t Zoom() const {
    std::int32_t position = -1;
    EXPECT_EQ(m_camera->GetPropOpticalZoom(&position, nullptr), 0);
    return position;
  }

  std::unique_ptr<CanonCD_Wr> m_camera;
  std::unique_ptr<CanonDialogWindow> m_window;
  std::vector<std::string> errors;
  std::vector<std::string> boxes;
  int beeps = 0;
};

// Counts the main window's busy state as the live preview sees it.
struct PreviewListener : IPreviewBusyListener {
  PreviewListener() { CPreviewPauseGuard::SetListener(this); }
  ~PreviewListener() override { CPreviewPauseGuard::SetListener(nullptr); }
  void NotifyPreviewBusy(bool value) override { busy = value; }
  bool busy = false;
};

TEST_F(CanonDialogs, CapturePropertiesShowWhatTheCameraKeptAndARefillOnlyReads) {
  CanonCD_Wr& camera = Open("[camera]\nprogram_mode = 3\naperture = 32\nexposure_bias = 16\n");
  ASSERT_EQ(camera.ShowCaptureProperties(m_window.get(), 0, true), 0);
  auto* dialog = m_window->findChild<CCapturePropertiesDialog*>();
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(pumpUntil([&] { return !dialog->IsBusy(); }));
  EXPECT_TRUE(errors.empty()) << errors.front();
  EXPECT_TRUE(control(dialog, 2097)->isEnabled());

  // An aperture the camera does not take: one beep, and the box shows the camera's.
  auto* aperture = control<QComboBox>(dialog, 1022);
  ASSERT_EQ(aperture->currentData().toInt(), 32);
  // 1.0 is not among the stand-in's apertures.
  const int refused = aperture->findData(8);
  ASSERT_GE(refused, 0);
  aperture->setCurrentIndex(refused);
  ASSERT_TRUE(pumpUntil([&] { return !dialog->IsBusy(); }));
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(aperture->currentData().toInt(), 32);
  EXPECT_TRUE(errors.empty());

  // A refill reads; the user's bias stays.
  std::size_t from = LogEnd();
  ASSERT_EQ(camera.NotifyCaptureProperties(0), 0);
  ASSERT_TRUE(pumpUntil([&] { return !dialog->IsBusy(); }));
  EXPECT_EQ(Calls("SetExposureBias", from) + Calls("SetProgramMode", from) + Calls("SetAperture", from), 0u);
  EXPECT_EQ(control<QComboBox>(dialog, 1024)->currentData().toInt(), 16);

  // A refill that fails runs again when the dialog is shown next.
  m_sim->fail(tarsel::cdsdk::kEntryProgramMode, 0x0080, 1);
  ASSERT_EQ(camera.NotifyCaptureProperties(0), 0);
  ASSERT_TRUE(pumpUntil([&] { return !dialog->IsBusy(); }));
  EXPECT_EQ(errors.size(), 1u);
  ASSERT_EQ(camera.ShowCaptureProperties(m_window.get(), 0, false), 0);
  from = LogEnd();
  ASSERT_EQ(camera.ShowCaptureProperties(m_window.get(), 0, true), 0);
  ASSERT_TRUE(pumpUntil([&] { return !dialog->IsBusy() && Calls("ProgramMode", from) > 0; }));
  EXPECT_EQ(errors.size(), 1u);
  EXPECT_EQ(camera.CloseCaptureProperties(), 0);
  EXPECT_EQ(m_window->findChild<CCapturePropertiesDialog*>(), nullptr);
}

TEST_F(CanonDialogs, StoppingADetectionCancelsItAndClosingPutsTheSettingsBack) {
  CanonCD_Wr& camera = Open(nullptr);
  auto* dialog = new CTestCameraCapabilitiesDlg(
      std::make_shared<CCanonCDTestCameraCapabilities>(m_window.get()), m_window.get());
  dialog->show();
  auto* start = control<QPushButton>(dialog, 1);
  ASSERT_TRUE(pumpUntil([&] { return start->isEnabled(); }));
  std::uint32_t flash = 0;
  ASSERT_EQ(camera.GetPropFlash(&flash), 0);
  const std::int32_t zoom = Zoom();

  // The run waits for the camera until the stop was asked for.
  const std::size_t from = LogEnd();
  {
    const std::lock_guard<std::recursive_mutex> busy(camera.CallMutex());
    start->click();
    EXPECT_EQ(control<QPushButton>(dialog, 2)->text(), QStringLiteral("Stop"));
    EXPECT_FALSE(start->isEnabled());
    dialog->reject();
  }
  ASSERT_TRUE(pumpUntil([&] { return !boxes.empty(); }));
  EXPECT_NE(boxes.front().find("cancelled"), std::string::npos) << boxes.front();
  EXPECT_EQ(Calls("AfterTransfer", from), 1u);
  EXPECT_TRUE(errors.empty());
  EXPECT_TRUE(dialog->isVisible());

  // Changed meanwhile; closing puts the opening's settings back.
  ASSERT_EQ(camera.SetPropFlash(flash == 0 ? 1 : 0), 0);
  ASSERT_EQ(camera.SetPropOpticalZoom(zoom + 4, nullptr, nullptr), 0);
  dialog->reject();
  ASSERT_TRUE(pumpUntil([&] { return !dialog->isVisible(); }));
  std::uint32_t flashAfter = 99;
  EXPECT_EQ(camera.GetPropFlash(&flashAfter), 0);
  EXPECT_EQ(flashAfter, flash);
  EXPECT_EQ(Zoom(), zoom);
  delete dialog;
}

TEST_F(CanonDialogs, ACapabilityFileThatCannotBeWrittenIsReportedAndASecondRunSavesIt) {
  CanonCD_Wr& camera = Open(nullptr);
  // A folder where the file should be: no write can succeed.
  const std::filesystem::path file = camera.BuildProfilePath();
  std::filesystem::remove_all(file);
  std::filesystem::create_directories(file);
  auto* dialog = new CTestCameraCapabilitiesDlg(
      std::make_shared<CCanonCDTestCameraCapabilities>(m_window.get()), m_window.get());
  auto* start = control<QPushButton>(dialog, 1);
  ASSERT_TRUE(pumpUntil([&] { return start->isEnabled(); }));
  start->click();
  // The run ends with its error reported and its log shown, each reaching
  // the window in its own time.
  auto* log = control<QPlainTextEdit>(dialog, 1036);
  ASSERT_TRUE(
      pumpUntil([&] { return !errors.empty() && !log->toPlainText().isEmpty() && start->isEnabled(); }));
  EXPECT_EQ(errors.size(), 1u);
  EXPECT_TRUE(boxes.empty());

  std::filesystem::remove_all(file);
  start->click();
  ASSERT_TRUE(pumpUntil([&] { return !boxes.empty(); }));
  EXPECT_NE(boxes.front().find(file.string()), std::string::npos) << boxes.front();
  EXPECT_TRUE(std::filesystem::is_regular_file(file));
  EXPECT_EQ(errors.size(), 1u);

  // Restore Default removes it again.
  control<QPushButton>(dialog, 1034)->click();
  ASSERT_TRUE(pumpUntil([&] { return !std::filesystem::exists(file) && start->isEnabled(); }));
  delete dialog;
}

TEST_F(CanonDialogs, FineZoomCancelPutsTheZoomBackAndATakeHoldsThePreviewUntilItEnds) {
  CanonCD_Wr& camera = Open(nullptr);
  // A model with a known zoom range.
  std::filesystem::create_directories(std::filesystem::path(camera.BuildProfilePath()).parent_path());
  std::filesystem::copy_file(CANON_TEST_DATA "/SimCameraA.camd", camera.BuildProfilePath(),
                             std::filesystem::copy_options::overwrite_existing);
  camera.LoadCameraCapabilities();
  m_window->previewOpen = true;
  PreviewListener preview;
  const std::size_t from = LogEnd();
  auto* dialog = new CCanonCD_FineAdjustZoom(&camera, m_window.get());
  dialog->show();
  ASSERT_TRUE(pumpUntil([&] { return !dialog->IsBusy(); }));
  auto* slider = control<QSlider>(dialog, 1097);
  ASSERT_TRUE(slider->isEnabled());
  EXPECT_FALSE(control(dialog, 2002)->isVisibleTo(dialog));
  const std::int32_t start = Zoom();
  slider->setValue(start + 3);
  ASSERT_TRUE(pumpUntil([&] { return !dialog->IsBusy(); }));
  EXPECT_EQ(Zoom(), start + 3);

  // A take disables the controls until its job ends.
  control<QPushButton>(dialog, 1030)->click();
  EXPECT_EQ(m_window->takes, 1);
  EXPECT_TRUE(preview.busy);
  EXPECT_FALSE(control(dialog, 1)->isEnabled());
  EXPECT_FALSE(slider->isEnabled());
  m_window->NotifyWaitingWindow(0, 0);
  ASSERT_TRUE(pumpUntil([&] { return control(dialog, 1)->isEnabled(); }));
  EXPECT_FALSE(preview.busy);

  dialog->reject();
  ASSERT_TRUE(pumpUntil([&] { return !dialog->isVisible(); }));
  EXPECT_EQ(Zoom(), start);
  // The preview keeps the monitor and the viewfinder as they are.
  EXPECT_EQ(Calls("Viewfinder", from), 0u);
  EXPECT_TRUE(errors.empty());
  delete dialog;
}

} // namespace
