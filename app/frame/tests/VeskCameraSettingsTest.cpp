// The camera-settings sheet of a camera-link camera against vesk-simd,
// opened from its camera window (the "Advanced" command at the general
// page, the window's request at the focus page): only the pages shown
// touch the camera, each change reaches it at once, a focus series fills
// the focusing-images strip with pictures at the stepped positions, Cancel
// leaves the camera as it was (register dump and monitor), OK keeps the
// changes and stores the general options.
#include "VeskDialogTestSupport.h"

#include "app/cameras/dialogs/CameraSettingsSheet.h"
#include "app/cameras/dialogs/FocusAdjustmentPage.h"
#include "app/cameras/dialogs/LcdBrightnessPage.h"
#include "app/cameras/dialogs/ZoomAdjustmentPage.h"
#include "app/cameras/vesk/VeskDllWr.h"
#include "app/cameras/vesk/VeskPageGeneral.h"
#include "app/frame/ChildView.h"
#include "app/frame/CommandIds.h"
#include "app/host/ConnectedCameraHost.h"
#include "hostapi/ICamExtraCommand.h"
#include "hostapi/ICamSdkSettings.h"
#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselSettings.h"

#include <QCheckBox>
#include <QComboBox>
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
using tarsel::dialogs::CLcdBrightnessPage;
using tarsel::dialogs::CZoomAdjustmentPage;

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
  // Shows the page and waits until it has read the camera.
  template <class Page> Page* show(CCameraSettingsSheet& sheet) {
    Page* wanted = page<Page>(sheet);
    sheet.findChild<QTabWidget*>()->setCurrentWidget(wanted);
    idle(wanted);
    return wanted;
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
    // Only the page shown is set up.
    EXPECT_FALSE(page<CZoomAdjustmentPage>(sheet)->IsCreated());
    EXPECT_FALSE(page<CLcdBrightnessPage>(sheet)->IsCreated());
    EXPECT_TRUE(camera->IsLcdOn());

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

    auto* zoom = show<CZoomAdjustmentPage>(sheet);
    control<QSlider>(zoom, 1097)->setValue(150);
    idle(zoom);
    EXPECT_EQ(objectWord(71, 0), 150);
    auto* lcd = show<CLcdBrightnessPage>(sheet);
    control<QSlider>(lcd, 1031)->setValue(6);
    idle(lcd);
    EXPECT_EQ(reg(35), 6);
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

TEST_F(VeskCameraSettings, OkKeepsTheChangesAndStoresTheGeneralOptions) {
  CChildFrame* window = startCameraWindow();
  ASSERT_TRUE(window);
  const long focusMode = reg(33);
  whenSheetShows([&](CCameraSettingsSheet& sheet) {
    auto* general = page<CVeskPageGeneral>(sheet);
    ASSERT_EQ(sheet.findChild<QTabWidget*>()->currentWidget(), general);
    idle(general);
    EXPECT_FALSE(page<CFocusAdjustmentPage>(sheet)->IsCreated());
    EXPECT_EQ(control<QCheckBox>(general, 2027)->checkState(), Qt::PartiallyChecked);
    auto* flash = control<QComboBox>(general, 2093);
    flash->setCurrentIndex(flash->findData(2));
    idle(general);
    control<QCheckBox>(general, 2027)->setCheckState(Qt::Checked);
    control<QCheckBox>(general, 2019)->click();
    control<QCheckBox>(general, 2107)->click();
    auto* lcd = show<CLcdBrightnessPage>(sheet);
    control<QSlider>(lcd, 1031)->setValue(5);
    idle(lcd);
    press(sheet, QDialogButtonBox::Ok);
  });
  ASSERT_TRUE(m_frame->RunCommand(cmd::AdvancedSettings));
  EXPECT_TRUE(m_driven);
  EXPECT_TRUE(pumpUntil([&] { return !window->GetCamera()->IsLcdOn(); }, kDialogPatience));
  EXPECT_EQ(reg(35), 5);
  EXPECT_EQ(reg(33), focusMode);
  EXPECT_EQ(static_cast<CVeskDllWr*>(window->GetCamera())->GetExternalFlash(), 2);
  ITarselConfigSettings* user = nullptr;
  ASSERT_EQ(settings()->GetUserSettings(&user, true), 0);
  bool onlyOne = false;
  EXPECT_EQ(user->GetLcdOrPreview(&onlyOne), 0);
  EXPECT_TRUE(onlyOne);
  user->Release();
  ICamSdkSettings* family = nullptr;
  ASSERT_EQ(settings()->GetSdkSettings("BRANTEL_SDK3.4", &family, true), 0);
  EXPECT_TRUE(family->GetBool("BypassMedia", false));
  EXPECT_TRUE(family->GetBool("DontAskForRefreshBrantelVesk", false));
  family->Release();
  EXPECT_TRUE(m_errors.empty()) << m_errors.front();
}

TEST_F(VeskCameraSettings, BypassingTheCardIsRefusedWhilePicturesStayInTheCamera) {
  ITarselConfigSettings* user = nullptr;
  ASSERT_EQ(settings()->GetUserSettings(&user, false), 0);
  EXPECT_EQ(user->SetLeavePictureInCamera(true), 0);
  user->Release();
  CChildFrame* window = startCameraWindow();
  ASSERT_TRUE(window);
  whenSheetShows([&](CCameraSettingsSheet& sheet) {
    auto* general = page<CVeskPageGeneral>(sheet);
    idle(general);
    auto* bypass = control<QCheckBox>(general, 2019);
    bypass->click();
    EXPECT_FALSE(bypass->isChecked());
    // (The start-up's offer of the capability test may come first.)
    ASSERT_FALSE(m_questions.empty());
    EXPECT_TRUE(m_questions.back().startsWith("Cannot set Bypass Media")) << m_questions.back().toStdString();
    press(sheet, QDialogButtonBox::Ok);
  });
  ASSERT_TRUE(m_frame->RunCommand(cmd::AdvancedSettings));
  EXPECT_TRUE(m_driven);
  ICamSdkSettings* family = nullptr;
  ASSERT_EQ(settings()->GetSdkSettings("BRANTEL_SDK3.4", &family, true), 0);
  EXPECT_FALSE(family->GetBool("BypassMedia", true));
  family->Release();
}

} // namespace
} // namespace tarsel::frame::test
