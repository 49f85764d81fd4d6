// The capture-properties dialog of a camera-link camera, opened from its
// camera window's command against vesk-simd: the take button takes through
// the window, Close hides the dialog, and an unplugged camera leaves nothing to press and is shown
// again when plugged in. (The dialog's boxes are tested with
// app/cameras/dialogs, for every family.)
#include "VeskDialogTestSupport.h"

#include "app/cameras/dialogs/CapturePropertiesDialog.h"
#include "app/core/ICameraHiLevel.h"
#include "app/frame/CommandIds.h"
#include "app/host/ConnectedCameraHost.h"

#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <string>

namespace tarsel::frame::test {
namespace {

using tarsel::dialogs::CCapturePropertiesDialog;

class VeskCaptureProperties : public VeskDialogTest {
protected:
  template <class Widget = QComboBox> Widget* control(int id) const {
    return m_dialog->findChild<Widget*>(QStringLiteral("control%1").arg(id));
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

TEST_F(VeskCaptureProperties, TheTakeButtonTakesThroughTheWindowAndCloseHidesTheDialog) {
  ASSERT_EQ(m_simulator->control("set 0 72 520"), "ok");
  CChildFrame* window = openDialog();
  ASSERT_TRUE(window && m_dialog);
  EXPECT_EQ(m_dialog->windowTitle(), window->CameraName());
  EXPECT_EQ(reg(72), 0);
  QTest::mouseClick(control<QPushButton>(1030), Qt::LeftButton);
  EXPECT_TRUE(pumpUntil([&] { return window->GetHost()->GetPictureCount() == 1; }, kDialogPatience));
  EXPECT_TRUE(pumpUntil([&] { return control(1025)->isEnabled(); }, kDialogPatience));

  // Close hides the dialogs; the window's close ends it.
  QTest::mouseClick(control<QPushButton>(1), Qt::LeftButton);
  EXPECT_TRUE(pumpUntil([&] { return !m_dialog->isVisible(); }, kDialogPatience));
  EXPECT_EQ(window->GetCamera()->CloseCaptureProperties(), 0);
  EXPECT_FALSE(m_dialog);
  EXPECT_EQ(reg(72), 520);
  EXPECT_TRUE(m_errors.empty()) << m_errors.front();
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
