// The camera settings sheet of every family, opened through the family's
// camera object on a camera window over its simulator (at the page the
// window's request names) and driven through its pages. Written once for the
// families: the pages in the family's order, only the page shown set up, each
// change reaching the camera at once and Cancel putting back what the sheet
// changed, or what was last applied; one brightness write per drag; the
// capture properties' manual focus opening the sheet at the focus page. Of
// one family only: the camera-link general page's options stored on OK and
// the card bypass refused while pictures stay in the camera; the ActiveX
// general page's three-state option deleted and its zoom option stored.
// (A focus series needs the program's window and its strip: tested with the
// frame.)
#include "FamilyDialogTest.h"

#include "app/cameras/dialogs/CameraSettingsSheet.h"
#include "app/cameras/dialogs/CapturePropertiesDialog.h"
#include "app/cameras/dialogs/FocusAdjustmentPage.h"
#include "app/cameras/dialogs/LcdBrightnessPage.h"
#include "app/cameras/dialogs/ZoomAdjustmentPage.h"
#include "app/cameras/lunet/LunetPageGeneral.h"
#include "app/cameras/vesk/VeskPageGeneral.h"
#include "app/settings/SettingsAccess.h"
#include "app/testsupport/EventPump.h"
#include "hostapi/ICamSdkSettings.h"
#include "hostapi/ITarselConfigSettings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using tarsel::dialogs::CCameraSettingsSheet;
using tarsel::dialogs::CCapturePropertiesDialog;
using tarsel::dialogs::CFocusAdjustmentPage;
using tarsel::dialogs::CLcdBrightnessPage;
using tarsel::dialogs::CZoomAdjustmentPage;
using tarsel::test::pumpUntil;
using namespace tarsel::dialogs::test;

namespace {

constexpr int kLcdPage = 3;

template <class Rig> class CameraSettingsSheet : public FamilyDialogs<Rig> {
protected:
  // Runs `drive` once on the sheet when it shows, inside its modal loop; the
  // waits inside it pump events, so the drive is not entered again meanwhile.
  // A drive that stopped early does not leave the test in the sheet.
  void onSheet(std::function<void(CCameraSettingsSheet&)> drive) {
    auto running = std::make_shared<bool>(false);
    this->template drive<CCameraSettingsSheet>(
        [running, drive = std::move(drive)](CCameraSettingsSheet& sheet) {
          if (*running)
            return false;
          *running = true;
          const QPointer<CCameraSettingsSheet> alive(&sheet);
          drive(sheet);
          if (alive && alive->isVisible())
            alive->reject();
          return true;
        });
  }
  // Opens the sheet at `firstPage` as the window's request does and runs
  // `drive` on it; true once it has closed.
  bool runSheet(std::int32_t firstPage, std::function<void(CCameraSettingsSheet&)> drive) {
    bool driven = false;
    onSheet([&](CCameraSettingsSheet& sheet) {
      drive(sheet);
      driven = true;
    });
    EXPECT_EQ(this->m_window->openSettingsSheet(firstPage), 0);
    return driven;
  }
  template <class Page> static Page* page(CCameraSettingsSheet& sheet) {
    for (auto* candidate : sheet.Pages())
      if (auto* wanted = dynamic_cast<Page*>(candidate))
        return wanted;
    return nullptr;
  }
  static void idle(tarsel::dialogs::CCameraSettingsPage* page) {
    ASSERT_TRUE(page);
    EXPECT_TRUE(pumpUntil([&] { return !page->IsBusy(); }, kPatience));
  }
  // Shows the page and waits until it has read the camera.
  template <class Page> static Page* show(CCameraSettingsSheet& sheet) {
    Page* wanted = page<Page>(sheet);
    sheet.findChild<QTabWidget*>()->setCurrentWidget(wanted);
    idle(wanted);
    return wanted;
  }
  static void press(CCameraSettingsSheet& sheet, QDialogButtonBox::StandardButton which) {
    sheet.findChild<QDialogButtonBox*>()->button(which)->click();
  }
  static bool isShown(CCameraSettingsSheet& sheet, QWidget* page) {
    return sheet.findChild<QTabWidget*>()->currentWidget() == page;
  }
};
TYPED_TEST_SUITE(CameraSettingsSheet, Families, RigName);

using CameraLinkSheet = CameraSettingsSheet<CameraLinkRig>;
using ActiveXSheet = CameraSettingsSheet<ActiveXRig>;

} // namespace

TYPED_TEST(CameraSettingsSheet, OnlyThePagesShownTouchTheCameraAndCancelPutsItBackAsItWas) {
  ICameraHiLevel& camera = this->m_window->camera();
  ASSERT_FALSE(camera.IsLcdOn());
  const std::string before = this->m_rig.sheetSettings();
  std::vector<QString> titles;
  const bool driven = this->runSheet(TypeParam::kFocusPage, [&](CCameraSettingsSheet& sheet) {
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Advanced Settings - ") + TypeParam::kFirstId);
    for (auto* candidate : sheet.Pages())
      titles.push_back(candidate->Title());
    auto* focus = this->template page<CFocusAdjustmentPage>(sheet);
    ASSERT_TRUE(this->isShown(sheet, focus));
    this->idle(focus);
    // Only the page shown is set up; it turns the monitor on.
    EXPECT_FALSE(this->template page<CZoomAdjustmentPage>(sheet)->IsCreated());
    EXPECT_FALSE(this->template page<CLcdBrightnessPage>(sheet)->IsCreated());
    EXPECT_TRUE(camera.IsLcdOn());

    // Manual focus at 100: the mode and the position reach the camera.
    control<QRadioButton>(focus, 1083)->click();
    control<QSlider>(focus, 1084)->setValue(100);
    this->idle(focus);
    EXPECT_EQ(this->m_rig.reg(33), 3);
    EXPECT_EQ(this->m_rig.reg(103), 100);

    auto* zoom = this->template show<CZoomAdjustmentPage>(sheet);
    auto* lens = control<QSlider>(zoom, 1097);
    const int position = lens->minimum() + TypeParam::kZoomAboveMinimum;
    lens->setValue(position);
    this->idle(zoom);
    EXPECT_EQ(this->m_rig.zoomPosition(), position);
    auto* lcd = this->template show<CLcdBrightnessPage>(sheet);
    control<QSlider>(lcd, 1031)->setValue(6);
    this->idle(lcd);
    EXPECT_EQ(this->m_rig.reg(35), 6);
    this->press(sheet, QDialogButtonBox::Cancel);
  });
  EXPECT_TRUE(driven);
  EXPECT_EQ(titles, TypeParam::sheetPages());
  EXPECT_TRUE(
      pumpUntil([&] { return this->m_rig.sheetSettings() == before && !camera.IsLcdOn(); }, kPatience))
      << this->m_rig.sheetSettings() << "\nbefore: " << before;
  EXPECT_EQ(this->m_errors, std::vector<std::string>{});
}

TYPED_TEST(CameraSettingsSheet, CancelPutsTheZoomBackWhereItWasLastApplied) {
  int applied = -1;
  const bool driven = this->runSheet(TypeParam::kFocusPage, [&](CCameraSettingsSheet& sheet) {
    auto* zoom = this->template show<CZoomAdjustmentPage>(sheet);
    auto* slider = control<QSlider>(zoom, 1097);
    applied = slider->minimum() + 5;
    slider->setValue(applied);
    this->idle(zoom);
    // Applied, then moved on: Cancel goes back to the applied position.
    this->press(sheet, QDialogButtonBox::Apply);
    control<QSlider>(zoom, 1097)->setValue(applied + 3);
    this->idle(zoom);
    EXPECT_EQ(this->m_rig.zoomPosition(), applied + 3);
    this->press(sheet, QDialogButtonBox::Cancel);
  });
  EXPECT_TRUE(driven);
  EXPECT_TRUE(pumpUntil([&] { return this->m_rig.zoomPosition() == applied; }, kPatience))
      << this->m_rig.zoomPosition();
  EXPECT_EQ(this->m_errors, std::vector<std::string>{});
}

TYPED_TEST(CameraSettingsSheet, OneBrightnessWritePerDragAndCancelWritesTheOldValueBack) {
  constexpr int kBrightness = 35;
  this->m_rig.setReg(kBrightness, 3);
  std::vector<int> writes;
  const auto look = [&] {
    for (const int value : this->m_rig.takeWrites(kBrightness))
      writes.push_back(value);
    return writes;
  };
  QString tracked;
  long dragged = -1;
  const bool driven = this->runSheet(kLcdPage, [&](CCameraSettingsSheet& sheet) {
    auto* lcd = this->template page<CLcdBrightnessPage>(sheet);
    ASSERT_TRUE(this->isShown(sheet, lcd));
    this->idle(lcd);
    auto* slider = control<QSlider>(lcd, 1031);
    EXPECT_EQ(slider->value(), 3);
    look();
    // A drag over three positions, the field following it.
    slider->setSliderDown(true);
    for (const int position : {4, 5, 6})
      slider->setSliderPosition(position);
    tracked = control<QLineEdit>(lcd, 1032)->text();
    slider->setSliderDown(false);
    this->idle(lcd);
    EXPECT_TRUE(pumpUntil([&] { return this->m_rig.reg(kBrightness) == 6; }, kPatience));
    dragged = this->m_rig.reg(kBrightness);
    // Nothing written on opening, one write at the drag's end.
    EXPECT_TRUE(pumpUntil([&] { return !look().empty(); }, kPatience));
    EXPECT_EQ(writes, std::vector<int>{6});
    this->press(sheet, QDialogButtonBox::Cancel);
  });
  EXPECT_TRUE(driven);
  EXPECT_EQ(tracked.trimmed(), "6");
  EXPECT_EQ(dragged, 6);
  EXPECT_TRUE(pumpUntil([&] { return this->m_rig.reg(kBrightness) == 3; }, kPatience));
  EXPECT_TRUE(pumpUntil([&] { return look().size() >= 2; }, kPatience));
  EXPECT_EQ(writes, (std::vector<int>{6, 3}));
  EXPECT_EQ(this->m_errors, std::vector<std::string>{});
}

TYPED_TEST(CameraSettingsSheet, ManualFocusInTheCapturePropertiesOpensTheSheetAtTheFocusPage) {
  ICameraHiLevel& camera = this->m_window->camera();
  ASSERT_EQ(camera.ShowCaptureProperties(static_cast<QWidget*>(this->m_window.get()), 0, true), 0);
  const QPointer<CCapturePropertiesDialog> dialog =
      this->m_window->template findChild<CCapturePropertiesDialog*>();
  ASSERT_TRUE(dialog);
  ASSERT_TRUE(pumpUntil([&] { return !dialog->IsBusy(); }, kPatience));
  EXPECT_EQ(dialog->windowTitle(), TypeParam::kFirstId);

  bool focusShown = false;
  bool driven = false;
  this->onSheet([&](CCameraSettingsSheet& sheet) {
    focusShown = this->isShown(sheet, this->template page<CFocusAdjustmentPage>(sheet));
    driven = true;
    sheet.reject();
  });
  control<QRadioButton>(dialog, 1083)->click();
  ASSERT_TRUE(pumpUntil([&] { return driven && !QApplication::activeModalWidget(); }, kPatience));
  EXPECT_TRUE(focusShown);
  EXPECT_EQ(camera.CloseCaptureProperties(), 0);
  EXPECT_EQ(this->m_errors, std::vector<std::string>{});
}

TEST_F(CameraLinkSheet, OkKeepsTheChangesAndStoresTheGeneralOptions) {
  const long focusMode = m_rig.reg(33);
  const bool driven = runSheet(0, [&](CCameraSettingsSheet& sheet) {
    auto* general = page<CVeskPageGeneral>(sheet);
    ASSERT_TRUE(isShown(sheet, general));
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
  EXPECT_TRUE(driven);
  EXPECT_TRUE(pumpUntil([&] { return !m_window->camera().IsLcdOn(); }, kPatience));
  EXPECT_EQ(m_rig.reg(35), 5);
  EXPECT_EQ(m_rig.reg(33), focusMode);
  EXPECT_EQ(dynamic_cast<CVeskDllWr&>(m_window->camera()).GetExternalFlash(), 2);
  bool onlyOne = false;
  const CRefPtr<ITarselConfigSettings> user = tarsel::settings::OpenUserSettings(m_settings.get(), true);
  ASSERT_TRUE(user);
  EXPECT_EQ(user->GetLcdOrPreview(&onlyOne), 0);
  EXPECT_TRUE(onlyOne);
  ICamSdkSettings* family = nullptr;
  ASSERT_EQ(m_settings->GetSdkSettings("BRANTEL_SDK3.4", &family, true), 0);
  EXPECT_TRUE(family->GetBool("BypassMedia", false));
  EXPECT_TRUE(family->GetBool("DontAskForRefreshBrantelVesk", false));
  family->Release();
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}

TEST_F(CameraLinkSheet, BypassingTheCardIsRefusedWhilePicturesStayInTheCamera) {
  {
    const CRefPtr<ITarselConfigSettings> user = tarsel::settings::OpenUserSettings(m_settings.get(), false);
    ASSERT_TRUE(user);
    EXPECT_EQ(user->SetLeavePictureInCamera(true), 0);
  }
  const bool driven = runSheet(0, [&](CCameraSettingsSheet& sheet) {
    auto* general = page<CVeskPageGeneral>(sheet);
    idle(general);
    auto* bypass = control<QCheckBox>(general, 2019);
    bypass->click();
    EXPECT_FALSE(bypass->isChecked());
    ASSERT_FALSE(m_questions.empty());
    EXPECT_TRUE(m_questions.back().startsWith("Cannot set Bypass Media")) << m_questions.back().toStdString();
    press(sheet, QDialogButtonBox::Ok);
  });
  EXPECT_TRUE(driven);
  ICamSdkSettings* family = nullptr;
  ASSERT_EQ(m_settings->GetSdkSettings("BRANTEL_SDK3.4", &family, true), 0);
  EXPECT_FALSE(family->GetBool("BypassMedia", true));
  family->Release();
}

TEST_F(ActiveXSheet, TheGeneralPageDeletesTheThreeStateOptionAndStoresTheZoomOption) {
  // The three-state option stored as on, to be deleted.
  {
    const CRefPtr<ITarselConfigSettings> user = tarsel::settings::OpenUserSettings(m_settings.get(), false);
    ASSERT_TRUE(user);
    user->SetLcdOrPreview(true);
  }
  // Opened at the general page: the three-state box back to indeterminate
  // and OK delete the stored value.
  Qt::CheckState before = Qt::Unchecked;
  const bool driven = runSheet(1, [&](CCameraSettingsSheet& sheet) {
    auto* general = page<CLunetPageGeneral>(sheet);
    ASSERT_TRUE(isShown(sheet, general));
    idle(general);
    auto* box = control<QCheckBox>(general, 2027);
    before = box->checkState();
    EXPECT_FALSE(control<QCheckBox>(general, 2067)->isChecked());
    box->click();
    box->click();
    control<QCheckBox>(general, 2067)->click();
    press(sheet, QDialogButtonBox::Ok);
  });
  EXPECT_TRUE(driven);
  EXPECT_EQ(before, Qt::Checked);
  bool onlyOne = false;
  const CRefPtr<ITarselConfigSettings> user = tarsel::settings::OpenUserSettings(m_settings.get(), true);
  ASSERT_TRUE(user);
  EXPECT_NE(user->GetLcdOrPreview(&onlyOne), 0) << "the value is deleted";
  ICamSdkSettings* family = nullptr;
  ASSERT_EQ(m_settings->GetSdkSettings("BRANTEL_SDK2.0", &family, true), 0);
  EXPECT_TRUE(family->GetBool("CycleLCDAfterZoom", false));
  family->Release();
  EXPECT_EQ(m_errors, std::vector<std::string>{});
}
