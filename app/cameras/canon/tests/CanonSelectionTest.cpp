// The camera selection dialog as discovery's chooser and the family's
// Options page, over the stand-in with an ineligible source first: the
// eligible cameras are offered, Cancel stores nothing, and an untouched
// page keeps a stored choice whose camera is not connected.
#include "CanonSdkFixture.h"

#include "app/cameras/canon/CanonCDSdkPageSelCameras.h"
#include "app/cameras/canon/CanonCDWr.h"
#include "app/core/ConnectedCameras.h"
#include "app/settings/TarselSettings.h"
#include "hostapi/ICamSdkSettings.h"
#include "platform/Win32Error.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QPushButton>
#include <QTimer>

#include <functional>
#include <utility>

using tarsel::canon::test::CanonSdkTest;

namespace {

constexpr const char* kThreeSources = "[camera]\nname = Other\nflags = 0x1C\n"
                                      "[camera]\nname = A\n"
                                      "[camera]\nname = B\n";

template <class Widget> Widget* control(QWidget* parent, int id) {
  return parent->findChild<Widget*>(QStringLiteral("control%1").arg(id));
}

class CanonSelection : public CanonSdkTest {
protected:
  // Discovery with `answer` run on the selection dialog once it is shown;
  // the source index of the camera added, -1 when none.
  int Discover(CanonCDSDK_Wr* sdk, std::function<void(QDialog&)> answer) {
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      offered.clear();
      auto* list = control<QComboBox>(dialog, 2104);
      for (int i = 0; i < list->count(); ++i)
        offered.push_back(list->itemText(i).toStdString());
      selected = list->currentIndex();
      answer(*dialog);
    });
    CConnectedCameras cameras;
    return sdk->EnumerateCameras(nullptr, &cameras) == 1
               ? static_cast<CanonCD_Wr*>(cameras.GetAt(0))->GetSourceIndex()
               : -1;
  }

  std::pair<std::string, bool> Stored(CanonCDSDK_Wr* sdk) {
    ICamSdkSettings* stored = nullptr;
    EXPECT_EQ(sdk->GetSettings()->GetSdkSettings("CANON_CD", &stored, true), 0);
    char name[260] = {};
    DWORD size = sizeof name;
    stored->GetString("CameraOfUserChoiceName", name, &size);
    const bool use = stored->GetBool("UseCameraOfUserChoice", false);
    stored->Release();
    return {name, use};
  }

  std::vector<std::string> offered;
  int selected = -1;
};

TEST_F(CanonSelection, TheDialogOffersTheEligibleCamerasAndCancelStoresNothing) {
  UseCameras(kThreeSources);
  CanonCDSDK_Wr* sdk = GetCanonCDSdkWrapper(new CTarselSettings);
  sdk->SaveCameraOfUserChoice("", false); // nothing from an earlier run
  EXPECT_EQ(Discover(sdk, [](QDialog& dialog) { dialog.reject(); }), -1);
  EXPECT_EQ(offered, (std::vector<std::string>{"Owner (A)", "Owner (B)"}));
  EXPECT_EQ(selected, 0);
  EXPECT_EQ(Stored(sdk), std::make_pair(std::string(), false));
}

TEST_F(CanonSelection, ThePageShowsTheStoredChoiceAndStoresOnlyWhatTheUserChanged) {
  UseCameras("[camera]\nname = A\n");
  CanonCDSDK_Wr* sdk = GetCanonCDSdkWrapper(new CTarselSettings);
  sdk->SaveCameraOfUserChoice("Owner (B)", true);
  ReleaseCanonCDSdkWrapper();

  sdk = GetCanonCDSdkWrapper(new CTarselSettings);
  ISdkPropertyPage* page = nullptr;
  ASSERT_EQ(sdk->CreateSettingsPage(&page), S_OK);
  ASSERT_NE(page, nullptr);
  QWidget* widget = page->GetPropertyPage();
  auto* list = control<QComboBox>(widget, 2104);
  auto* use = control<QCheckBox>(widget, 2105);
  EXPECT_EQ(list->count(), 1);
  EXPECT_TRUE(use->isChecked());
  // The camera of the stored choice is not here: an untouched page keeps it.
  bool applied = false;
  QMetaObject::invokeMethod(widget, "Apply", Qt::DirectConnection, Q_RETURN_ARG(bool, applied));
  EXPECT_TRUE(applied);
  EXPECT_EQ(Stored(sdk), std::make_pair(std::string("Owner (B)"), true));
  emit list->activated(0);
  QMetaObject::invokeMethod(widget, "Apply", Qt::DirectConnection, Q_RETURN_ARG(bool, applied));
  EXPECT_EQ(Stored(sdk), std::make_pair(std::string("Owner (A)"), true));
  page->Release();

  // No eligible camera: nothing to choose.
  ReleaseCanonCDSdkWrapper();
  UseCameras("[camera]\nname = Other\nflags = 0x1C\n");
  sdk = GetCanonCDSdkWrapper(new CTarselSettings);
  ASSERT_EQ(sdk->CreateSettingsPage(&page), S_OK);
  widget = page->GetPropertyPage();
  EXPECT_EQ(control<QComboBox>(widget, 2104)->count(), 0);
  EXPECT_FALSE(control<QCheckBox>(widget, 2105)->isEnabled());
  QMetaObject::invokeMethod(widget, "Apply", Qt::DirectConnection, Q_RETURN_ARG(bool, applied));
  EXPECT_EQ(Stored(sdk), std::make_pair(std::string("Owner (A)"), true));
  page->Release();
}

} // namespace
