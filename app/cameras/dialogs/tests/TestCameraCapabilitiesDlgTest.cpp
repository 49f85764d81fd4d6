// The capability test dialog over a family with a detection of its own that
// logs two lines and then waits until it is stopped: the lines show while it
// waits off the window's thread, Stop ends the run as cancelled, and only
// Close puts the settings back.
#include "app/cameras/dialogs/TestCameraCapabilitiesDlg.h"
#include "app/core/ICapabilitiesCallback.h"
#include "app/testsupport/EventPump.h"
#include "app/ui/MessageQuestion.h"

#include <QPlainTextEdit>
#include <QPushButton>

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <thread>

namespace {

class WaitingDetection : public ICapabilityTestCamera {
public:
  // Each work runs on a thread of `threads`, which outlive the camera.
  explicit WaitingDetection(std::vector<std::jthread>& threads) : m_threads(threads) {}
  bool RunOnCamera(std::function<void(std::stop_token)> work) override {
    m_threads.emplace_back(std::move(work));
    return true;
  }
  DetectionResult Detect(const DetectionRun& run) override {
    thread = std::this_thread::get_id();
    run.log.LogLine("Resolutions:");
    run.log.LogIndentedLine("1:\tLarge");
    std::mutex mutex;
    std::unique_lock<std::mutex> lock(mutex);
    std::condition_variable_any().wait(lock, run.stop, [] { return false; });
    stopSeen = run.stop.stop_requested() && !run.log.LogLine("Stopped.");
    return {};
  }
  void WriteSettings(const Settings&) override { ++settingsWritten; }
  void Connect() override {}
  void DisConnect() override {}
  std::string GetModelName() override { return "WAITER"; }
  Settings ReadSettings() override { return {}; }
  void RestoreDefaults() override {}
  std::atomic<std::thread::id> thread;
  std::atomic<bool> stopSeen = false;
  std::atomic<int> settingsWritten = 0;

private:
  std::vector<std::jthread>& m_threads;
};

TEST(TestCameraCapabilitiesDlg, AFamilyDetectionLogsOffTheWindowsThreadAndStopsWhenAsked) {
  std::vector<QString> boxes;
  const auto previous = tarsel::ui::SetAskUserHook([&](const QString& text, auto, auto) {
    boxes.push_back(text);
    return tarsel::ui::IDOK;
  });
  std::vector<std::jthread> threads;
  auto camera = std::make_shared<WaitingDetection>(threads);
  CTestCameraCapabilitiesDlg dialog(camera, nullptr);
  dialog.show();
  auto* start = dialog.findChild<QPushButton*>(QStringLiteral("control1"));
  auto* close = dialog.findChild<QPushButton*>(QStringLiteral("control2"));
  auto* log = dialog.findChild<QPlainTextEdit*>(QStringLiteral("control1036"));
  ASSERT_TRUE(tarsel::test::pumpUntil([&] { return start->isEnabled(); }));
  start->click();
  ASSERT_TRUE(tarsel::test::pumpUntil([&] { return log->blockCount() == 2; }));
  EXPECT_EQ(log->toPlainText(), QStringLiteral("Resolutions:\n    1:\tLarge"));
  EXPECT_NE(camera->thread.load(), std::this_thread::get_id());
  EXPECT_TRUE(!start->isEnabled() && close->text() == QStringLiteral("Stop") && boxes.empty());

  close->click();
  ASSERT_TRUE(tarsel::test::pumpUntil([&] { return !boxes.empty(); }));
  EXPECT_TRUE(camera->stopSeen && start->isEnabled());
  EXPECT_TRUE(boxes.front().startsWith(QStringLiteral("The test has been cancelled.")));
  EXPECT_EQ(camera->settingsWritten, 0);
  close->click();
  EXPECT_TRUE(tarsel::test::pumpUntil([&] { return !dialog.isVisible(); }));
  EXPECT_EQ(camera->settingsWritten, 1);
  tarsel::ui::SetAskUserHook(previous);
}

} // namespace
