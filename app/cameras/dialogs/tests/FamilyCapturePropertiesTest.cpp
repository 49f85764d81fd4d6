// The capture-properties dialog of every family, opened through the family's
// camera object on a camera window over its simulator. Written once for the
// families: a camera that went shows nothing, leaves nothing to press and
// gets no digital zoom back on closing. Of the camera-link family only: each
// change reaches the camera, a value the camera keeps otherwise beeps and
// shows the camera's, a set the model lacks leaves its box empty and disabled,
// the program mode puts "Auto"/"N/A" in place of the boxes it decides and
// sends bias 0, the zoom moves the lens, and closing gives the camera back its
// digital zoom however often the dialog refilled. (The take button, the Close
// button and a camera unplugged and plugged in again need the program's
// window: tested with the frame.)
#include "FamilyDialogTest.h"

#include "app/cameras/dialogs/CapturePropertiesDialog.h"
#include "app/testsupport/EventPump.h"

#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QSlider>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

using tarsel::dialogs::CameraDialogCalls;
using tarsel::dialogs::CCapturePropertiesDialog;
using tarsel::test::pumpUntil;
using namespace tarsel::dialogs::test;

namespace {

template <class Rig> class FamilyCaptureProperties : public FamilyDialogs<Rig> {
protected:
  void TearDown() override {
    if (this->m_window)
      this->m_window->camera().CloseCaptureProperties();
    FamilyDialogs<Rig>::TearDown();
  }
  template <class Widget = QComboBox> Widget* box(int id) const {
    return control<Widget>(m_dialog.data(), id);
  }
  void waitIdle() {
    EXPECT_TRUE(pumpUntil([&] { return !m_dialog->IsBusy(); }, kPatience));
  }
  // Chooses the item with `id` as the user would and waits for the camera's answer.
  void choose(int control, int id) {
    QComboBox* combo = box(control);
    ASSERT_NE(combo->findData(id), -1) << control << " has no " << id;
    combo->setCurrentIndex(combo->findData(id));
    waitIdle();
  }
  // Opens the dialog as the window's command does and waits until it is filled.
  void open() {
    ICameraHiLevel& camera = this->m_window->camera();
    ASSERT_EQ(camera.ShowCaptureProperties(static_cast<QWidget*>(this->m_window.get()), 0, true), 0);
    m_dialog = this->m_window->template findChild<CCapturePropertiesDialog*>();
    ASSERT_TRUE(m_dialog);
    waitIdle();
  }

  QPointer<CCapturePropertiesDialog> m_dialog;
};
TYPED_TEST_SUITE(FamilyCaptureProperties, Families, RigName);

// The model as its file describes it: no flash setting, and a metering mode
// the camera does not take.
class CameraLinkCaptureProperties : public FamilyCaptureProperties<CameraLinkRig> {
protected:
  void beforeCamera() override {
    const std::string folder = CCamConfigDir().GetPath();
    std::filesystem::create_directories(folder);
    tarsel::test::writeFile(
        folder + "/XC-701.camd",
        "[FlashMode]\r\nUNSUPPORTED\r\n[MeteringMode]\r\n2=Center\r\n3=Spot\r\n7=Odd\r\n");
  }
};

} // namespace

TYPED_TEST(FamilyCaptureProperties, ADisconnectedCameraShowsNothingAndGetsNothingBackOnClosing) {
  this->m_rig.setReg(72, 520);
  this->open();
  ASSERT_TRUE(this->m_dialog);
  ICameraHiLevel& camera = this->m_window->camera();
  EXPECT_EQ(camera.NotifyCaptureProperties(2), 0);
  for (int id = 1021; id <= 1029; ++id) {
    EXPECT_EQ(this->box(id)->count(), 0) << id;
    EXPECT_FALSE(this->box(id)->isEnabled()) << id;
  }
  EXPECT_FALSE(this->template box<QPushButton>(1030)->isEnabled());
  this->m_rig.setReg(72, 8);
  EXPECT_EQ(camera.CloseCaptureProperties(), 0);
  EXPECT_EQ(this->m_rig.reg(72), 8);
}

TEST_F(CameraLinkCaptureProperties, ChangesReachTheCameraAsTheModelAllowsAndClosingGivesTheZoomBack) {
  m_rig.setReg(72, 520);
  int beeps = 0;
  CameraDialogCalls::SetBeepHook([&] { ++beeps; });
  // The hook goes with this test, also when an assertion ends it early.
  const struct HookReset {
    ~HookReset() { CameraDialogCalls::SetBeepHook({}); }
  } hookReset;
  open();
  ASSERT_TRUE(m_dialog);
  EXPECT_TRUE(m_dialog->isVisible());
  EXPECT_EQ(m_dialog->windowTitle(), CameraLinkRig::kFirstId);
  // Digital zoom is off while the dialog is there.
  EXPECT_EQ(m_rig.reg(72), 0);

  EXPECT_FALSE(box(1026)->isEnabled());
  EXPECT_EQ(box(1026)->count(), 0);
  EXPECT_TRUE(box(1025)->isEnabled());

  choose(1025, 1);
  EXPECT_EQ(m_rig.reg(85), 1);
  choose(1028, 3);
  EXPECT_EQ(m_rig.reg(70), 3);
  EXPECT_EQ(beeps, 0);
  choose(1028, 7);
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(m_rig.reg(70), 3);
  EXPECT_EQ(box(1028)->currentData().toInt(), 3);

  // Which boxes stand aside ("Auto", "N/A") in each program mode, and the
  // mode on the camera: aperture, exposure time, bias.
  const auto objectWord = [this](int object, std::size_t index) { return m_rig.objectWord(object, index); };
  const auto chooseMode = [&](int mode, const std::string& aside) {
    choose(1021, mode);
    EXPECT_EQ(objectWord(102, 0), mode);
    std::string shown;
    for (int id : {1022, 1023, 1024})
      shown += box(id)->isHidden() ? 'x' : '-';
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
  ICameraHiLevel& camera = m_window->camera();
  ASSERT_EQ(camera.NotifyCaptureProperties(0), 0);
  waitIdle();
  EXPECT_EQ(objectWord(69, 0), 10);
  EXPECT_EQ(box(1024)->currentData().toInt(), 10);
  // A program that sets the bias starts it at 0.
  chooseMode(4, "x--");
  waitIdle();
  EXPECT_EQ(objectWord(69, 0), 0);

  auto* zoom = box<QSlider>(1097);
  EXPECT_EQ(zoom->minimum(), 73);
  EXPECT_EQ(zoom->maximum(), 210);
  zoom->setValue(150);
  waitIdle();
  EXPECT_EQ(objectWord(71, 0), 150);

  // The window's close ends the dialog. The refill above, made with the
  // digital zoom off, still leaves the camera's own value for the closing.
  EXPECT_EQ(camera.CloseCaptureProperties(), 0);
  EXPECT_FALSE(m_dialog);
  EXPECT_EQ(m_rig.reg(72), 520);
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}
