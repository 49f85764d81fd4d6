// The capture-properties dialog over a fake family: the settings pages it
// opens are the ones its source names, and the AF parts show as the family's
// features and the camera say; an AF-distance change is written and followed
// by a status read, and a refused AF lock shows the camera's state. The
// holder a camera object keeps it in makes it once, answers with result
// codes, and gives the saved digital zoom back once on close.
#include "app/cameras/dialogs/CapturePropertiesDialog.h"
#include "app/cameras/dialogs/CapturePropertiesHolder.h"
#include "app/host/CameraWindow.h"
#include "app/testsupport/EventPump.h"
#include "env/BrantelTakeError.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>

#include <gtest/gtest.h>

namespace tarsel::dialogs {
namespace {

using Calls = std::vector<std::string>;

// Runs each call at once and hands its end back posted; notes the pages asked for.
class FakeWindow : public QWidget, public ICameraWindow {
public:
  bool QueueCameraCall(std::function<void()> work, QObject* receiver,
                       std::function<void(HRESULT)> done) override {
    work();
    QMetaObject::invokeMethod(
        receiver, [done] { done(0); }, Qt::QueuedConnection);
    return true;
  }
  void PostOpenCameraSettings(std::int32_t page) override { pages.push_back(page); }
  void SetWaitingWindow(QObject*) override {}
  void ClearWaitingWindow(QObject*) override {}
  void SetWaitingEvent(std::shared_ptr<CWaitEvent>) override {}
  void ClearWaitingEvent(const std::shared_ptr<CWaitEvent>&) override {}
  bool QueueTakePicture(const ICamExtraCommand*) override { return false; }
  bool NotifyWaitingWindow(HRESULT, std::intptr_t) override { return false; }
  bool QueueCameraCall(tarsel::host::CameraCall) override { return false; }
  void RestartSession() override {}
  void SetDownloading(bool) override {}
  void ShowLoadingPercent(std::int32_t) override {}
  void PostCommand(UINT) override {}
  _ITarselCallback* StatusCallback() override { return nullptr; }
  bool HasPreviewWindow() override { return false; }
  std::int32_t SetZoomDivisor(std::int32_t divisor) override { return divisor; }
  void BeginFocusSeries() override {}
  void ShowPictureIndex(long, long) override {}
  std::vector<std::int32_t> pages;
};

// A family with the given features; its camera refuses every AF-lock change.
class FakeSource : public ICapturePropertiesSource {
public:
  explicit FakeSource(unsigned features) : m_features(features) {}
  CaptureSnapshot ReadAll() override {
    CaptureSnapshot snapshot;
    snapshot.lists[static_cast<std::size_t>(CaptureList::AfDistance)] = {true, {{0, "Auto"}, {5, "5 m"}}};
    snapshot.afLockSupported = afLockSupported;
    snapshot.afLocked = true;
    return snapshot;
  }
  std::int32_t SetValue(CaptureList list, std::int32_t value) override {
    calls.push_back("set " + std::to_string(static_cast<int>(list)) + "=" + std::to_string(value));
    return value;
  }
  void SetFocusMode(std::int32_t mode) override { calls.push_back("focus " + std::to_string(mode)); }
  std::string StatusLine() override { return calls.emplace_back("status"); }
  bool SetAfLock(bool locked) override {
    calls.push_back("lock");
    return !locked;
  }
  unsigned Features() const override { return m_features; }
  std::int32_t SettingsPage(SettingsPageFor request) const override {
    return request == SettingsPageFor::Advanced ? 7 : 3;
  }
  ZoomAndFocus ReadZoomAndFocus() override { return {}; }
  ExposureBlock SetExposure(const ExposureBlock& block) override { return block; }
  std::int32_t GetValue(CaptureList) override { return 0; }
  std::pair<std::int32_t, double> SetOpticalZoom(std::int32_t position) override { return {position, 1}; }
  void SetDigitalZoom(std::int32_t) override {}
  bool UsesAperture(std::int32_t) const override { return true; }
  bool UsesExposureTime(std::int32_t) const override { return true; }
  bool UsesExpoBias(std::int32_t) const override { return true; }
  Calls calls;
  bool afLockSupported = false;

private:
  unsigned m_features;
};

template <class Widget = QWidget> Widget* control(QWidget& dialog, int id) {
  return dialog.findChild<Widget*>(QStringLiteral("control%1").arg(id));
}

TEST(CapturePropertiesDialog, OpensThePagesItsSourceNamesAndShowsTheAfPartsTheFamilyAndCameraOffer) {
  FakeWindow window;
  auto linkSource = std::make_shared<FakeSource>(kCaptureFocusModes);
  CCapturePropertiesDialog link(linkSource, &window, nullptr);
  ASSERT_TRUE(tarsel::test::pumpUntil([&] { return !link.IsBusy(); }));
  EXPECT_FALSE(control(link, 2097)->isVisibleTo(&link) || control(link, 2067)->isVisibleTo(&link));
  control<QPushButton>(link, 2073)->click();
  control<QRadioButton>(link, 1083)->click();
  ASSERT_TRUE(tarsel::test::pumpUntil([&] { return !link.IsBusy(); }));
  EXPECT_EQ(linkSource->calls, (Calls{"focus 4", "status"}));
  EXPECT_EQ(window.pages, (std::vector<std::int32_t>{7, 3}));

  auto source = std::make_shared<FakeSource>(kCaptureAfDistance | kCaptureAfLock | kCaptureUnsupportedItem);
  CCapturePropertiesDialog dialog(source, &window, nullptr);
  ASSERT_TRUE(tarsel::test::pumpUntil([&] { return !dialog.IsBusy(); }));
  auto* distance = control<QComboBox>(dialog, 2097);
  auto* lock = control<QCheckBox>(dialog, 2067);
  auto* iso = control<QComboBox>(dialog, 1025);
  EXPECT_FALSE(control(dialog, 1081)->isVisibleTo(&dialog));
  EXPECT_TRUE(distance->isVisibleTo(&dialog) && distance->isEnabled());
  EXPECT_TRUE(iso->count() == 1 && iso->currentData() == -1 && !iso->isEnabled());
  // This camera has no AF lock, until the next refill finds one.
  EXPECT_FALSE(lock->isVisibleTo(&dialog));
  source->afLockSupported = true;
  dialog.Refill();
  ASSERT_TRUE(tarsel::test::pumpUntil([&] { return !dialog.IsBusy(); }));
  EXPECT_TRUE(lock->isVisibleTo(&dialog) && lock->isChecked());
  distance->setCurrentIndex(1);
  ASSERT_TRUE(tarsel::test::pumpUntil([&] { return !dialog.IsBusy(); }));
  lock->click();
  ASSERT_TRUE(tarsel::test::pumpUntil([&] { return !dialog.IsBusy(); }));
  EXPECT_EQ(source->calls, (Calls{"set 9=5", "status", "lock"}));
  EXPECT_TRUE(lock->isChecked());
}

TEST(CapturePropertiesHolder, MakesTheDialogOnceAnswersWithCodesAndGivesTheZoomBackOnceOnClose) {
  FakeWindow window;
  CCapturePropertiesHolder holder;
  const auto settings = []() -> ITarselSettings* { return nullptr; };
  std::vector<std::int32_t> given;
  const auto giveBack = [&given](std::int32_t digitalZoom) {
    given.push_back(digitalZoom);
    ThrowError(E_FAIL);
  };
  const auto failingMaker = []() -> std::shared_ptr<ICapturePropertiesSource> { ThrowError(E_ACCESSDENIED); };
  EXPECT_EQ(holder.Show(true, &window, failingMaker, settings), E_ACCESSDENIED);
  EXPECT_EQ(holder.Enable(false) | holder.Notify(0) | holder.Close(giveBack), 0);
  EXPECT_TRUE(given.empty());

  int made = 0;
  const auto maker = [&made] {
    ++made;
    return std::make_shared<FakeSource>(kCaptureFocusModes);
  };
  EXPECT_EQ(holder.Show(true, &window, maker, settings), 0);
  EXPECT_EQ(holder.Show(true, &window, maker, settings), 0);
  EXPECT_EQ(made, 1);
  auto* dialog = window.findChild<CCapturePropertiesDialog*>();
  ASSERT_NE(dialog, nullptr);
  ASSERT_TRUE(tarsel::test::pumpUntil([&] { return !dialog->IsBusy(); }));
  EXPECT_EQ(holder.Show(false, &window, maker, settings), 0);
  EXPECT_FALSE(dialog->isVisible());
  // A give-back that fails does not fail the close; the dialog is gone.
  EXPECT_EQ(holder.Close(giveBack), 0);
  EXPECT_EQ(given, (std::vector<std::int32_t>{0}));
  EXPECT_EQ(window.findChild<CCapturePropertiesDialog*>(), nullptr);
  EXPECT_EQ(holder.Close(giveBack), 0);
  EXPECT_EQ(given.size(), 1U);
}

} // namespace
} // namespace tarsel::dialogs
