#include "MainFrameTestSupport.h"

#include "app/cameras/vesk/VeskLibrary.h"
#include "app/core/IConnectedCameras.h"
#include "app/core/TimeLapseSchedule.h"
#include "app/settings/TarselSettings.h"
#include "app/ui/MessageQuestion.h"
#include "env/CamStorageDir.h"
#include "env/ErrorReport.h"
#include "env/TarselFileTime.h"
#include "platform/reg/Registry.h"
#include "platform/testsupport/TestSupport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileDialog>
#include <QTimer>

#include <thread>

namespace tarsel::frame::test {

void Gate::close() {
  const std::lock_guard<std::mutex> guard(m_lock);
  m_open = false;
}

void Gate::open() {
  {
    const std::lock_guard<std::mutex> guard(m_lock);
    m_open = true;
  }
  m_opened.notify_all();
}

void Gate::wait() {
  std::unique_lock<std::mutex> lock(m_lock);
  m_opened.wait(lock, [this] { return m_open; });
}

HRESULT TimedCamera::PrepareCapture(std::uint32_t value) {
  std::shared_ptr<Gate> gate;
  {
    const std::lock_guard<std::mutex> guard(m_gateLock);
    gate = m_gate;
  }
  if (gate)
    gate->wait();
  return FakeCamera::PrepareCapture(value);
}

void TimedCamera::setPrepareGate(std::shared_ptr<Gate> gate) {
  const std::lock_guard<std::mutex> guard(m_gateLock);
  m_gate = std::move(gate);
}

int TimedFamily::EnumerateCameras(HWND, IConnectedCameras* list) {
  if (script().enter(tarsel::testcamera::FamilyOp::EnumerateCameras) || !list)
    return 0;
  const int count = GetCameraCount();
  for (int index = 0; index < count; ++index) {
    // The family's own tracker is private; these cameras count on their own.
    auto camera =
        std::make_unique<TimedCamera>(this, std::make_shared<tarsel::testcamera::FamilyTracker>(), index);
    if (m_timedSetup)
      m_timedSetup(*camera);
    list->Add(camera.release());
  }
  return count;
}

bool moveClockToNextPicture(CAutoTakePicturesDlg& dialog, FakeClock& clock,
                            std::chrono::milliseconds patience) {
  const bool waiting = pumpUntil(
      [&] {
        return dialog.CurrentState() != CAutoTakePicturesDlg::State::Running ||
               (!dialog.IsTaking() && dialog.NextTime() > clock.now);
      },
      patience);
  if (waiting && dialog.CurrentState() == CAutoTakePicturesDlg::State::Running)
    clock.now = dialog.NextTime();
  return waiting;
}

void closeTimeLapseDialogWhenShown(int& opened) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, &opened] {
    if (auto* dialog = qobject_cast<CAutoTakePicturesDlg*>(QApplication::activeModalWidget())) {
      ++opened;
      timer->stop();
      timer->deleteLater();
      dialog->reject();
    }
  });
  timer->start(1);
}

void chooseInFileDialog(const std::string& path, QString* started) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, path, started] {
    if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      *started = dialog->directory().absolutePath();
      dialog->selectFile(QString::fromStdString(path));
      static_cast<QDialog*>(dialog)->accept();
    }
  });
  timer->start(1);
}

std::int64_t utcTime(int year, int month, int day, int hour, int minute, int second) {
  return static_cast<std::int64_t>(
      TarselFileTime(tarsel::core::CalendarTime(year, month, day, hour, minute, second)));
}

void setUserOption(const char* name, DWORD value) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, tarsel::settings::kOptionsKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            0);
  EXPECT_EQ(RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value), 0);
  RegCloseKey(key);
}

void useVeskModels(const std::vector<std::string>& models) {
  LoadVeskDll(tarsel::test::binDir() + "/libVeskDLL.so");
  std::string selection = "[ACTIVE CAMERAS]\r\n";
  std::string list;
  for (const std::string& model : models) {
    selection += model + "=1\r\n";
    list += (list.empty() ? "" : ",") + model;
  }
  tarsel::test::writeFile(std::string(CCamConfigDir().GetPath()) + "/BRANTEL_SDK3.4", selection);
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Brantel\\Vesk\\SupportedCamera", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            0);
  EXPECT_EQ(RegSetValueExA(key, "Type_S", 0, REG_SZ, reinterpret_cast<const BYTE*>(list.c_str()),
                           static_cast<DWORD>(list.size() + 1)),
            0);
  RegCloseKey(key);
}

void FrameTest::SetUp() {
  m_settings = new CTarselSettings();
  m_settings->AddRef();
  SetMessageBoxHook([this](HWND, const std::string& text, const std::string&, MessageBoxIcon) {
    m_errors.push_back(text);
  });
  tarsel::ui::SetAskUserHook([this](const QString& text, tarsel::ui::Buttons, tarsel::ui::Icon) {
    m_questions.push_back(text);
    return m_answer;
  });
}

void FrameTest::TearDown() {
  destroyFrame();
  tarsel::ui::SetAskUserHook({});
  SetMessageBoxHook({});
  m_settings->Release();
  m_settings = nullptr;
}

TimedFamily& FrameTest::addFamily(const std::string& name) {
  m_families.push_back(std::make_unique<TimedFamily>(name));
  return *m_families.back();
}

ITarselSettings* FrameTest::settings() const {
  return m_settings;
}

MainFrameOptions FrameTest::optionsFor(const std::vector<tarsel::testcamera::FakeCameraFamily*>& families) {
  MainFrameOptions options;
  for (tarsel::testcamera::FakeCameraFamily* family : families)
    options.families.push_back({family->GetSdkName(), [family](ITarselSettings*) { return family; }, [] {}});
  options.makeDeviceWatcher = [this]() -> std::unique_ptr<IDeviceWatcher> {
    auto watcher = std::make_unique<FakeDeviceWatcher>();
    m_watcher = watcher.get();
    ++m_watchersMade;
    return watcher;
  };
  options.arguments = {"Tarsel"};
  options.remoteControl = false;
  options.mailslot.listenUdp = false;
  options.receiverStopDeadline = std::chrono::milliseconds(5000);
  // Cameras on a loaded machine may prepare slowly; a test of the barrier
  // itself sets a short one.
  options.takeBarrier = std::chrono::milliseconds(30000);
  options.child.hostStopDeadline = std::chrono::milliseconds(10000);
  options.child.hostStartWait = std::chrono::milliseconds(5000);
  // No battery check during a test.
  options.child.firstBatteryCheck = std::chrono::hours(1);
  options.child.batteryInterval = std::chrono::hours(1);
  return options;
}

CMainFrame& FrameTest::start(MainFrameOptions options) {
  m_frame = std::make_unique<CMainFrame>(m_settings, std::move(options));
  QObject::connect(m_frame.get(), &CMainFrame::camerasRefreshed, [this] { ++m_refreshes; });
  QObject::connect(m_frame.get(), &CMainFrame::takeEnded, [this] { ++m_takesEnded; });
  m_frame->show();
  EXPECT_TRUE(pumpUntil([this] { return m_frame->StartupDone(); }));
  return *m_frame;
}

void FrameTest::destroyFrame() {
  if (!m_frame)
    return;
  m_frame->close();
  m_frame.reset();
  m_watcher = nullptr;
  // Results of takes that ended with the frame find no receiver any more.
  pumpFor(std::chrono::milliseconds(20));
}

} // namespace tarsel::frame::test
