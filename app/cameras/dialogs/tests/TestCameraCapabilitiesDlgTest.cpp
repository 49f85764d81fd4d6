// The capability test dialog over a family with a detection of its own that
// logs two lines and then waits until it is stopped: the lines show while it
// waits on the worker, the window goes on working, Stop ends it as
// cancelled, and only Close puts the settings back.
#include "FakeCameraWorker.h"

#include "app/cameras/dialogs/TestCameraCapabilitiesDlg.h"
#include "app/core/ICapabilitiesCallback.h"
#include "app/testsupport/EventPump.h"
#include "app/ui/MessageQuestion.h"

#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace tarsel::dialogs::test {
namespace {

class WaitingDetection : public ICapabilityTestCamera {
public:
  bool RunOnCamera(std::function<void(std::stop_token)> work) override {
    m_worker.Queue(std::move(work));
    return true;
  }
  void Connect() override {}
  void DisConnect() override {}
  std::string GetModelName() override { return "WAITER"; }
  Settings ReadSettings() override { return {}; }
  void WriteSettings(const Settings&) override { ++settingsWritten; }
  void RestoreDefaults() override {}
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

  std::atomic<std::thread::id> thread;
  std::atomic<bool> stopSeen = false;
  std::atomic<int> settingsWritten = 0;

private:
  FakeCameraWorker m_worker;
};

TEST(TestCameraCapabilitiesDlg, AFamilyDetectionLogsOnTheWorkerAndStopsWhenAsked) {
  std::vector<QString> boxes;
  const auto previous =
      tarsel::ui::SetAskUserHook([&](const QString& text, tarsel::ui::Buttons, tarsel::ui::Icon) {
        boxes.push_back(text);
        return tarsel::ui::IDOK;
      });
  auto camera = std::make_shared<WaitingDetection>();
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
  // The window keeps working while the detection waits.
  bool ticked = false;
  QTimer::singleShot(1, &dialog, [&] { ticked = true; });
  EXPECT_TRUE(tarsel::test::pumpUntil([&] { return ticked; }));
  EXPECT_FALSE(start->isEnabled());
  EXPECT_EQ(close->text(), QStringLiteral("Stop"));
  EXPECT_TRUE(boxes.empty());

  close->click();
  ASSERT_TRUE(tarsel::test::pumpUntil([&] { return !boxes.empty(); }));
  EXPECT_TRUE(camera->stopSeen);
  EXPECT_TRUE(boxes.front().startsWith(QStringLiteral("The test has been cancelled.")));
  EXPECT_TRUE(start->isEnabled());
  EXPECT_EQ(camera->settingsWritten, 0);
  close->click();
  EXPECT_TRUE(tarsel::test::pumpUntil([&] { return !dialog.isVisible(); }));
  EXPECT_EQ(camera->settingsWritten, 1);
  tarsel::ui::SetAskUserHook(previous);
}

} // namespace
} // namespace tarsel::dialogs::test
