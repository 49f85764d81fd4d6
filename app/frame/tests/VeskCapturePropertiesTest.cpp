// The capture-properties dialog of a camera-link camera, opened from its
// camera window's command against vesk-simd: each change reaches the
// camera, a value the camera keeps otherwise beeps and shows the camera's,
// a set the model lacks leaves its box empty and disabled, the program mode
// puts "Auto"/"N/A" in place of the boxes it decides and sends bias 0, the
// zoom moves the lens, the take button takes, and closing gives the camera
// back its digital zoom however often the dialog refilled.
#include "VeskDialogTestSupport.h"

#include "app/cameras/dialogs/CapturePropertiesDialog.h"
#include "app/core/ICameraHiLevel.h"
#include "app/frame/CommandIds.h"
#include "app/host/ConnectedCameraHost.h"
#include "app/ui/ExtComboBox.h"

#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include <string>

namespace tarsel::frame::test {
namespace {

using tarsel::dialogs::CameraDialogCalls;
using tarsel::dialogs::CCapturePropertiesDialog;

class VeskCaptureProperties : public VeskDialogTest {
protected:
  template <class Widget = QComboBox> Widget* control(int id) const {
    return m_dialog->findChild<Widget*>(QStringLiteral("control%1").arg(id));
  }
  // Chooses the item with `id` as the user would and waits for the camera's answer.
  void choose(int control, int id) {
    QComboBox* combo = this->control(control);
    ASSERT_NE(combo->findData(id), -1) << control << " has no " << id;
    combo->setCurrentIndex(combo->findData(id));
    waitIdle();
  }
  void waitIdle() {
    EXPECT_TRUE(pumpUntil([&] { return !m_dialog->IsBusy(); }, kDialogPatience));
  }
  // The camera's window, its dialog opened by the command and filled.
  CChildFrame* openDialog() {
    CChildFrame* window = startCameraWindow();
    if (!window || !m_frame->RunCommand(cmd::CaptureProperties))
      return nullptr;
    m_dialog = window->findChild<CCapturePropertiesDialog*>();
    if (m_dialog)
      waitIdle();
    return window;
  }

  QPointer<CCapturePropertiesDialog> m_dialog;
};

TEST_F(VeskCaptureProperties, ChangesReachTheCameraAsTheModelAllowsAndTheTakeButtonTakes) {
  // The model as its file describes it: no flash setting, and a metering
  // mode the camera does not take.
  tarsel::test::writeFile(m_dataFolder + "/XC-701.camd",
                          "[FlashMode]\r\nUNSUPPORTED\r\n[MeteringMode]\r\n2=Center\r\n3=Spot\r\n7=Odd\r\n");
  ASSERT_EQ(m_simulator->control("set 0 72 520"), "ok");
  int beeps = 0;
  CameraDialogCalls::SetBeepHook([&] { ++beeps; });
  // The hook goes with this test, also when an assertion ends it early.
  const struct HookReset {
    ~HookReset() { CameraDialogCalls::SetBeepHook({}); }
  } hookReset;
  CChildFrame* window = openDialog();
  ASSERT_TRUE(window && m_dialog);
  EXPECT_TRUE(m_dialog->isVisible());
  EXPECT_EQ(m_dialog->windowTitle(), window->CameraName());
  // Digital zoom is off while the dialog is there.
  EXPECT_EQ(reg(72), 0);

  EXPECT_FALSE(control(1026)->isEnabled());
  EXPECT_EQ(control(1026)->count(), 0);
  EXPECT_TRUE(control(1025)->isEnabled());

  choose(1025, 1);
  EXPECT_EQ(reg(85), 1);
  choose(1028, 3);
  EXPECT_EQ(reg(70), 3);
  EXPECT_EQ(beeps, 0);
  choose(1028, 7);
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(reg(70), 3);
  EXPECT_EQ(control(1028)->currentData().toInt(), 3);

  // Which boxes stand aside ("Auto", "N/A") in each program mode, and the
  // mode on the camera: aperture, exposure time, bias.
  const auto chooseMode = [&](int mode, const std::string& aside) {
    choose(1021, mode);
    EXPECT_EQ(objectWord(102, 0), mode);
    std::string shown;
    for (int id : {1022, 1023, 1024})
      shown += control(id)->isHidden() ? 'x' : '-';
    EXPECT_EQ(shown, aside) << "mode " << mode;
  };
  chooseMode(2, "xx-");
  chooseMode(1, "--x");
  choose(1022, 56);
  EXPECT_EQ(objectWord(102, 1), 56);
  chooseMode(3, "-x-");
  choose(1024, 10);
  EXPECT_EQ(objectWord(69, 0), 10);
  // A refill shows the camera's values and sends none (the bias stays).
  ASSERT_EQ(window->GetCamera()->NotifyCaptureProperties(0), 0);
  waitIdle();
  EXPECT_EQ(objectWord(69, 0), 10);
  EXPECT_EQ(control(1024)->currentData().toInt(), 10);
  // A program that sets the bias starts it at 0.
  chooseMode(4, "x--");
  waitIdle();
  EXPECT_EQ(objectWord(69, 0), 0);

  auto* zoom = control<QSlider>(1097);
  EXPECT_EQ(zoom->minimum(), 73);
  EXPECT_EQ(zoom->maximum(), 210);
  zoom->setValue(150);
  waitIdle();
  EXPECT_EQ(objectWord(71, 0), 150);

  // The refill above, made with the digital zoom off, still leaves the
  // camera's own value for the closing.
  ICameraHiLevel* camera = window->GetCamera();

  QTest::mouseClick(control<QPushButton>(1030), Qt::LeftButton);
  EXPECT_TRUE(pumpUntil([&] { return window->GetHost()->GetPictureCount() == 1; }, kDialogPatience));
  EXPECT_TRUE(pumpUntil([&] { return control(1025)->isEnabled(); }, kDialogPatience));

  // Close hides the dialogs; the window's close ends it.
  QTest::mouseClick(control<QPushButton>(1), Qt::LeftButton);
  EXPECT_TRUE(pumpUntil([&] { return !m_dialog->isVisible(); }, kDialogPatience));
  EXPECT_EQ(camera->CloseCaptureProperties(), 0);
  EXPECT_FALSE(m_dialog);
  EXPECT_EQ(reg(72), 520);
  EXPECT_TRUE(m_errors.empty()) << m_errors.front();
  CameraDialogCalls::SetBeepHook({});
}

TEST_F(VeskCaptureProperties, ADisconnectedCameraShowsNothingAndGetsNothingBackOnClosing) {
  ASSERT_EQ(m_simulator->control("set 0 72 520"), "ok");
  CChildFrame* window = openDialog();
  ASSERT_TRUE(window && m_dialog);
  ICameraHiLevel* camera = window->GetCamera();
  EXPECT_EQ(camera->NotifyCaptureProperties(2), 0);
  for (int id = 1021; id <= 1029; ++id) {
    EXPECT_EQ(control(id)->count(), 0) << id;
    EXPECT_FALSE(control(id)->isEnabled()) << id;
  }
  EXPECT_FALSE(control<QPushButton>(1030)->isEnabled());
  ASSERT_EQ(m_simulator->control("set 0 72 8"), "ok");
  EXPECT_EQ(camera->CloseCaptureProperties(), 0);
  EXPECT_EQ(reg(72), 8);
}

TEST_F(VeskCaptureProperties, AnUnpluggedCameraLeavesNothingToPressAndIsShownAgainWhenPluggedIn) {
  CChildFrame* window = openDialog();
  ASSERT_TRUE(window && m_dialog);
  auto* take = control<QPushButton>(1030);
  auto* advanced = control<QPushButton>(2073);
  const auto replug = [&](const char* command, bool connected) {
    ASSERT_EQ(m_simulator->control(command), "ok");
    ASSERT_TRUE(m_frame->RunCommand(cmd::RefreshCameras));
    ASSERT_TRUE(pumpUntil([&] { return window->IsCameraConnected() == connected; }, kDialogPatience));
    waitIdle();
    EXPECT_EQ(take->isEnabled(), connected);
    EXPECT_EQ(advanced->isEnabled(), connected);
    EXPECT_EQ(control(1025)->count() > 0, connected);
  };
  replug("unplug 0", false);
  // A request for the settings sheet made before the camera went opens nothing.
  bool sheetOpened = false;
  QTimer watch;
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (auto* sheet = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      sheetOpened = true;
      sheet->reject();
    }
  });
  watch.start(5);
  window->PostOpenCameraSettings(0);
  tarsel::test::pumpFor(std::chrono::milliseconds(100));
  EXPECT_FALSE(sheetOpened);
  replug("plug 0", true);
  EXPECT_TRUE(m_errors.empty()) << m_errors.front();
}

} // namespace
} // namespace tarsel::frame::test
