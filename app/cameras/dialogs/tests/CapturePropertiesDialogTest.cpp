// The capture-properties dialog over a fake family on a worker thread: the
// settings pages it opens are the ones its source names, and the AF parts
// show as the source's features and the camera say: an AF-distance change
// is written and followed by a status read, a refused AF lock shows the
// camera's state.
#include "FakeCameraWorker.h"

#include "app/cameras/dialogs/CapturePropertiesDialog.h"
#include "app/host/CameraWindow.h"
#include "app/testsupport/EventPump.h"
#include "platform/Win32Error.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QWidget>

#include <gtest/gtest.h>

#include <mutex>
#include <string>
#include <vector>

namespace tarsel::dialogs::test {
namespace {

using Calls = std::vector<std::string>;

// A camera window that runs the dialog's calls on its worker and notes the pages asked for.
class FakeWindow : public QWidget, public ICameraWindow {
public:
  bool QueueCameraCall(std::function<void()> work, QObject* receiver,
                       std::function<void(HRESULT)> done) override {
    m_worker.Queue([this, work, receiver = QPointer<QObject>(receiver), done](std::stop_token) {
      HRESULT code = 0;
      try {
        work();
      } catch (...) {
        code = E_UNEXPECTED;
      }
      QMetaObject::invokeMethod(
          this, [receiver, done, code] { receiver ? done(code) : void(); }, Qt::QueuedConnection);
    });
    return true;
  }
  void PostOpenCameraSettings(std::int32_t firstPage) override { pages.push_back(firstPage); }
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

private:
  FakeCameraWorker m_worker;
};

// A family with the given features whose camera refuses every AF-lock change.
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
  ZoomAndFocus ReadZoomAndFocus() override { return {}; }
  ExposureBlock SetExposure(const ExposureBlock& block) override { return block; }
  std::int32_t SetValue(CaptureList list, std::int32_t value) override {
    Note("set " + std::to_string(static_cast<int>(list)) + "=" + std::to_string(value));
    return value;
  }
  std::int32_t GetValue(CaptureList) override { return 0; }
  std::pair<std::int32_t, double> SetOpticalZoom(std::int32_t position) override { return {position, 1}; }
  void SetFocusMode(std::int32_t mode) override { Note("focus " + std::to_string(mode)); }
  void SetDigitalZoom(std::int32_t) override {}
  std::string StatusLine() override {
    Note("status");
    return "Ready";
  }
  bool SetAfLock(bool locked) override {
    Note(locked ? "lock" : "unlock");
    return !locked;
  }
  bool UsesAperture(std::int32_t) const override { return true; }
  bool UsesExposureTime(std::int32_t) const override { return true; }
  bool UsesExpoBias(std::int32_t) const override { return true; }
  unsigned Features() const override { return m_features; }
  std::int32_t SettingsPage(SettingsPageFor request) const override {
    return request == SettingsPageFor::Advanced ? 7 : 3;
  }

  Calls Taken() {
    const std::lock_guard<std::mutex> lock(m_mutex);
    return std::exchange(m_calls, {});
  }
  bool afLockSupported = false;

private:
  void Note(std::string call) {
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_calls.push_back(std::move(call));
  }

  unsigned m_features;
  std::mutex m_mutex;
  Calls m_calls;
};

template <class Widget = QWidget> Widget* control(QWidget& dialog, int id) {
  return dialog.findChild<Widget*>(QStringLiteral("control%1").arg(id));
}

void waitIdle(const CCapturePropertiesDialog& dialog) {
  EXPECT_TRUE(tarsel::test::pumpUntil([&] { return !dialog.IsBusy(); }));
}

TEST(CapturePropertiesDialog, OpensTheSettingsPagesItsSourceNames) {
  FakeWindow window;
  auto source = std::make_shared<FakeSource>(kCaptureFocusModes);
  CCapturePropertiesDialog dialog(source, &window, nullptr);
  waitIdle(dialog);
  EXPECT_FALSE(control(dialog, 2097)->isVisibleTo(&dialog));
  EXPECT_FALSE(control(dialog, 2067)->isVisibleTo(&dialog));
  control<QPushButton>(dialog, 2073)->click();
  control<QRadioButton>(dialog, 1083)->click();
  waitIdle(dialog);
  EXPECT_EQ(source->Taken(), (Calls{"focus 4", "status"}));
  EXPECT_EQ(window.pages, (std::vector<std::int32_t>{7, 3}));
}

TEST(CapturePropertiesDialog, ShowsTheAfPartsTheFamilyAndCameraOfferAndReadsTheStatusAfterAnAfDistance) {
  FakeWindow window;
  auto source = std::make_shared<FakeSource>(kCaptureAfDistance | kCaptureAfLock);
  CCapturePropertiesDialog dialog(source, &window, nullptr);
  waitIdle(dialog);
  auto* distance = control<QComboBox>(dialog, 2097);
  auto* lock = control<QCheckBox>(dialog, 2067);
  EXPECT_FALSE(control(dialog, 1081)->isVisibleTo(&dialog));
  EXPECT_TRUE(distance->isVisibleTo(&dialog) && distance->isEnabled());
  // This camera has no AF lock, until the next refill finds one.
  EXPECT_FALSE(lock->isVisibleTo(&dialog));
  source->afLockSupported = true;
  dialog.Refill();
  waitIdle(dialog);
  EXPECT_TRUE(lock->isVisibleTo(&dialog) && lock->isChecked());

  distance->setCurrentIndex(distance->findData(5));
  waitIdle(dialog);
  lock->click();
  waitIdle(dialog);
  EXPECT_EQ(source->Taken(), (Calls{"set 9=5", "status", "unlock"}));
  // The camera kept its lock.
  EXPECT_TRUE(lock->isChecked());
  // A camera that goes leaves the AF distance its items.
  dialog.Reset();
  EXPECT_EQ(distance->count(), 2);
  EXPECT_FALSE(distance->isEnabled());
}

} // namespace
} // namespace tarsel::dialogs::test
