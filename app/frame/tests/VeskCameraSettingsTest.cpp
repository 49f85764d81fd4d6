// The camera-settings sheet's focus series of a camera-link camera against
// vesk-simd, opened at the focus page from its camera window: the series
// fills the window's focusing-images strip with pictures at the stepped
// positions, a failed sample ends it, and Cancel leaves the camera as it was.
// (The sheet's pages themselves are tested with app/cameras/dialogs, for
// every family.)
#include "VeskDialogTestSupport.h"

#include "app/cameras/dialogs/CameraSettingsSheet.h"
#include "app/cameras/dialogs/FocusAdjustmentPage.h"
#include "app/frame/ChildView.h"
#include "app/host/ConnectedCameraHost.h"
#include "hostapi/ICamExtraCommand.h"

#include <QDialogButtonBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <vector>

namespace tarsel::frame::test {
namespace {

using tarsel::dialogs::CCameraSettingsSheet;
using tarsel::dialogs::CFocusAdjustmentPage;

class VeskCameraSettings : public VeskDialogTest {
protected:
  // Runs `drive` on the sheet once it shows, inside its modal loop: a timer
  // looks for it (a wait of its own would sit below the sheet's loop).
  void whenSheetShows(std::function<void(CCameraSettingsSheet&)> drive) {
    auto* timer = new QTimer(m_frame.get());
    QObject::connect(timer, &QTimer::timeout, [this, timer, drive = std::move(drive)] {
      auto* sheet = qobject_cast<CCameraSettingsSheet*>(QApplication::activeModalWidget());
      if (!sheet)
        return;
      timer->stop();
      timer->deleteLater();
      const QPointer<CCameraSettingsSheet> alive(sheet);
      drive(*sheet);
      m_driven = true;
      // A drive that stopped early must not leave the test in the sheet.
      if (alive && alive->isVisible())
        alive->reject();
    });
    timer->start(5);
  }
  template <class Widget> static Widget* control(QWidget* page, int id) {
    return page->findChild<Widget*>(QStringLiteral("control%1").arg(id));
  }
  template <class Page> static Page* page(CCameraSettingsSheet& sheet) {
    for (auto* candidate : sheet.Pages())
      if (auto* wanted = dynamic_cast<Page*>(candidate))
        return wanted;
    return nullptr;
  }
  template <class Page> void idle(Page* page) {
    EXPECT_TRUE(pumpUntil([&] { return !page->IsBusy(); }, kDialogPatience));
  }
  static void press(CCameraSettingsSheet& sheet, QDialogButtonBox::StandardButton which) {
    sheet.findChild<QDialogButtonBox*>()->button(which)->click();
  }

  bool m_driven = false;
};

TEST_F(VeskCameraSettings, AFocusSeriesFillsTheStripAndCancelPutsTheCameraBackAsItWas) {
  CChildFrame* window = startCameraWindow();
  ASSERT_TRUE(window);
  ICameraHiLevel* camera = window->GetCamera();
  ASSERT_FALSE(camera->IsLcdOn());
  const std::string before = settingsDump();
  whenSheetShows([&](CCameraSettingsSheet& sheet) {
    auto* focus = page<CFocusAdjustmentPage>(sheet);
    ASSERT_EQ(sheet.findChild<QTabWidget*>()->currentWidget(), focus);
    idle(focus);

    // Manual focus, 2 samples 20 apart from 100.
    control<QRadioButton>(focus, 1083)->click();
    control<QSlider>(focus, 1084)->setValue(100);
    idle(focus);
    EXPECT_EQ(reg(33), 3);
    EXPECT_EQ(reg(103), 100);
    control<QSpinBox>(focus, 1090)->setValue(2);
    control<QSpinBox>(focus, 1093)->setValue(20);
    QTest::mouseClick(control<QPushButton>(focus, 1030), Qt::LeftButton);
    idle(focus);
    EXPECT_TRUE(window->View()->IsFocusStripShown());
    tarsel::host::CConnectedCameraHost* host = window->GetHost();
    ASSERT_EQ(host->GetPictureCount(), 2);
    for (std::int32_t i = 0; i < 2; ++i) {
      std::int32_t mode = 0;
      std::int32_t position = 0;
      ICamExtraCommand* command = host->GetPicture(i)->GetExtraCommand();
      ASSERT_TRUE(command && command->GetCommand(&mode, &position));
      EXPECT_EQ(mode, 4);
      EXPECT_EQ(position, 100 + 20 * i);
    }
    EXPECT_EQ(reg(103), 120);
    // A series whose next position passes the range's end (240) stops there.
    control<QSlider>(focus, 1084)->setValue(220);
    control<QSpinBox>(focus, 1093)->setValue(30);
    idle(focus);
    QTest::mouseClick(control<QPushButton>(focus, 1030), Qt::LeftButton);
    idle(focus);
    EXPECT_EQ(host->GetPictureCount(), 3);
    EXPECT_EQ(reg(103), 220);
    // Auto takes one picture; manual brings the count back.
    control<QRadioButton>(focus, 1081)->click();
    EXPECT_EQ(control<QSpinBox>(focus, 1090)->value(), 1);
    idle(focus);
    control<QRadioButton>(focus, 1083)->click();
    EXPECT_EQ(control<QSpinBox>(focus, 1090)->value(), 2);

    press(sheet, QDialogButtonBox::Cancel);
  });
  window->PostOpenCameraSettings(1);
  EXPECT_TRUE(pumpUntil([&] { return m_driven && !QApplication::activeModalWidget(); }, kDialogPatience));
  EXPECT_TRUE(pumpUntil([&] { return settingsDump() == before && !camera->IsLcdOn(); }, kDialogPatience))
      << settingsDump() << "\nbefore: " << before;
  EXPECT_TRUE(m_errors.empty()) << m_errors.front();
}

TEST_F(VeskCameraSettings, AFailedSampleEndsTheSeriesAndIsReported) {
  CChildFrame* window = startCameraWindow();
  ASSERT_TRUE(window);
  ASSERT_EQ(m_simulator->control("card 0 full"), "ok");
  whenSheetShows([&](CCameraSettingsSheet& sheet) {
    auto* focus = page<CFocusAdjustmentPage>(sheet);
    idle(focus);
    control<QRadioButton>(focus, 1083)->click();
    idle(focus);
    control<QSpinBox>(focus, 1090)->setValue(3);
    QTest::mouseClick(control<QPushButton>(focus, 1030), Qt::LeftButton);
    idle(focus);
    EXPECT_EQ(window->GetHost()->GetPictureCount(), 0);
    EXPECT_EQ(m_errors.size(), 1u);
    EXPECT_TRUE(control<QPushButton>(focus, 1030)->isEnabled());
    press(sheet, QDialogButtonBox::Ok);
  });
  window->PostOpenCameraSettings(1);
  EXPECT_TRUE(pumpUntil([&] { return m_driven && !QApplication::activeModalWidget(); }, kDialogPatience));
}

} // namespace
} // namespace tarsel::frame::test
