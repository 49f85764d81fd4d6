#include "app/frame/BatteryStatus.h"
#include "app/frame/ChildFrame.h"
#include "app/frame/tests/FakeChildFrameSite.h"
#include "app/frame/tests/PaneWidths.h"
#include "app/host/ConnectedCameraHost.h"
#include "hostapi/ITarselConfigSettings.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>

#include <gtest/gtest.h>

namespace tarsel::frame::test {
namespace {

struct BatteryRow {
  std::int32_t value;
  const char* pane;
  bool warns;
  const char* warning; // the warning's text when it warns
};

const BatteryRow kBatteryRows[] = {
    {-1, "", false, nullptr},
    {-0x10003, "", false, nullptr},
    {0, "Battery: 0%", true, "\"Warning: only 0% of battery remains.\""},
    {5, "Battery: 5%", true, "\"Warning: only 5% of battery remains.\""},
    {49, "Battery: 49%", true, "\"Warning: only 49% of battery remains.\""},
    {50, "Battery: 50%", false, nullptr},
    {55, "Battery: 55%", false, nullptr},
    {100, "Battery: 100%", false, nullptr},
    {0x20037, "Battery: 55%", false, nullptr},
    {0x10001, "Battery: OK", false, nullptr},
    {0x10002, "Battery: Weak", false, nullptr},
    {0x10003, "Battery: Low", true, "\"Warning: the battery is low.\""},
    {0x10004, "Battery: Low!!!", true, "\"Warning: the battery is very low!\""},
    {0x10005, "Battery: ???", false, nullptr},
    {0x30003, "Battery: ???", true, "\"Warning: the battery is low.\""},
};

TEST(BatteryStatus, ReadingsGivePaneTextWarningAndMessage) {
  for (const BatteryRow& row : kBatteryRows) {
    SCOPED_TRACE(row.value);
    EXPECT_EQ(BatteryPaneText(row.value), QString::fromUtf8(row.pane));
    EXPECT_EQ(BatteryWarningWanted(row.value), row.warns);
    if (row.warning) {
      EXPECT_EQ(BatteryWarningText(row.value), QString::fromUtf8(row.warning));
    }
  }
}

using BatteryWindowTest = WindowTest;

ChildFrameOptions QuickBattery() {
  ChildFrameOptions options = FakeChildFrameSite::testOptions();
  options.firstBatteryCheck = 1ms;
  options.batteryInterval = 24h;
  return options;
}

TEST_F(BatteryWindowTest, FirstCheckShowsTheReadingAndWarnsOnlyWhenLowNeverWithANonsensePercentage) {
  for (const BatteryRow& row : kBatteryRows) {
    SCOPED_TRACE(row.value);
    batteryWarnings.clear();
    auto camera = makeCamera();
    testcamera::FakeCamera* fake = nullptr;
    camera->setBatteryLevel(row.value);
    CChildFrame* window = attach(std::move(camera), &fake, QuickBattery());
    ASSERT_TRUE(pumpUntil([&] { return fake->script().calls(testcamera::CameraOp::GetBatteryStatus) > 0; }));
    pumpFor(5ms);
    EXPECT_EQ(window->PaneText(4), QString::fromUtf8(row.pane));
    ASSERT_EQ(batteryWarnings.size(), row.warns ? 1u : 0u);
    if (row.warns) {
      EXPECT_EQ(batteryWarnings[0], QString::fromUtf8(row.warning));
      EXPECT_FALSE(batteryWarnings[0].contains(QStringLiteral("65539")));
      EXPECT_FALSE(batteryWarnings[0].contains(QStringLiteral("65540")));
    }
    delete window;
  }
}

TEST_F(BatteryWindowTest, ThisRunBoxStopsLaterWarningsAndLeavesTheStoredSettingAlone) {
  batteryAnswer = [](CBatteryStatusNotification& box) { box.SetThisRunChecked(true); };
  for (int round = 0; round < 2; ++round) {
    auto camera = makeCamera();
    testcamera::FakeCamera* fake = nullptr;
    camera->setBatteryLevel(10);
    CChildFrame* window = attach(std::move(camera), &fake, QuickBattery());
    ASSERT_TRUE(pumpUntil([&] { return window->PaneText(4) == QStringLiteral("Battery: 10%"); }));
    delete window;
  }
  EXPECT_EQ(batteryWarnings.size(), 1u);
  EXPECT_TRUE(CBatteryStatusNotification::IsSuppressedForRun());
  EXPECT_FALSE(userSettings(*site)->GetDontShowBatteryStatus());
}

TEST_F(BatteryWindowTest, NeverBoxStoresTheChoiceAndAStoredChoiceSuppressesTheFirstWarning) {
  {
    CBatteryStatusNotification box(10, QStringLiteral("Cam"), site->GetSettings());
    EXPECT_EQ(box.windowTitle(), QStringLiteral("Battery Status - Cam"));
    // Through the box's own controls, as the user answers.
    box.show();
    box.findChild<QCheckBox*>(QStringLiteral("control1016"))->setChecked(true);
    box.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    EXPECT_FALSE(box.isVisible());
  }
  EXPECT_TRUE(CBatteryStatusNotification::IsSuppressedForRun());
  EXPECT_TRUE(userSettings(*site)->GetDontShowBatteryStatus());

  CBatteryStatusNotification::ClearRunFlagForTests();
  auto camera = makeCamera();
  camera->setBatteryLevel(10);
  CChildFrame* window = attach(std::move(camera), nullptr, QuickBattery());
  ASSERT_TRUE(pumpUntil([&] { return !window->PaneText(4).isEmpty(); }));
  EXPECT_TRUE(batteryWarnings.empty());
  EXPECT_TRUE(CBatteryStatusNotification::IsSuppressedForRun());
}

TEST_F(BatteryWindowTest, OkWithoutTheBoxesChangesNothing) {
  CBatteryStatusNotification box(10, QString(), site->GetSettings());
  box.accept();
  EXPECT_FALSE(CBatteryStatusNotification::IsSuppressedForRun());
  EXPECT_FALSE(userSettings(*site)->GetDontShowBatteryStatus());
}

TEST_F(BatteryWindowTest, AFailedReadingIsLoggedAndTheChecksGoOn) {
  ChildFrameOptions options = QuickBattery();
  options.batteryInterval = 2ms;
  auto camera = makeCamera();
  testcamera::FakeCamera* fake = nullptr;
  camera->setBatteryLevel(80);
  camera->script().failNext(testcamera::CameraOp::GetBatteryStatus, static_cast<HRESULT>(0x80004005u));
  CChildFrame* window = attach(std::move(camera), &fake, options);
  ASSERT_TRUE(pumpUntil([&] { return window->PaneText(4) == QStringLiteral("Battery: 80%"); }));
  EXPECT_GE(fake->script().calls(testcamera::CameraOp::GetBatteryStatus), 2);
  EXPECT_TRUE(errorBoxes.empty());

  window->MarkDisconnected();
  const int calls = fake->script().calls(testcamera::CameraOp::GetBatteryStatus);
  pumpFor(30ms);
  EXPECT_LE(fake->script().calls(testcamera::CameraOp::GetBatteryStatus), calls + 1);
}

TEST_F(BatteryWindowTest, BatteryStatusFromTheWorkerRunsTheCheck) {
  auto camera = makeCamera();
  testcamera::FakeCamera* fake = nullptr;
  camera->setBatteryLevel(0x10004);
  CChildFrame* window = attach(std::move(camera), &fake);
  window->GetHost()->PostStatus(5, 0);
  ASSERT_TRUE(pumpUntil([&] { return window->PaneText(4) == QStringLiteral("Battery: Low!!!"); }));
  EXPECT_EQ(batteryWarnings.size(), 1u);
}

TEST_F(BatteryWindowTest, EveryPaneShowsItsWidestTextWholeAndALongerStatusWidensTheWindow) {
  auto camera = makeCamera();
  camera->setBatteryLevel(100);
  CChildFrame* window = attach(std::move(camera), nullptr, QuickBattery());
  ASSERT_TRUE(pumpUntil([&] { return window->PaneText(4) == QStringLiteral("Battery: 100%"); }));
  window->ShowLoadingPercent(100);
  window->ShowPictureIndex(999, 999);
  for (const char* status :
       {"F=240 Z=21.0 LCD=Off", "F=240 Z=21.0 LCD=Off and a status far longer than that"}) {
    SCOPED_TRACE(status);
    window->SetStatusText(status);
    pumpFor(5ms);
    const auto panes = window->findChild<QStatusBar*>()->findChildren<QLabel*>();
    ASSERT_EQ(panes.size(), 5);
    for (const QLabel* pane : panes) {
      EXPECT_FALSE(pane->text().isEmpty());
      EXPECT_TRUE(ShowsWholeText(*pane)) << pane->text().toStdString();
    }
  }
  delete window;
}

} // namespace
} // namespace tarsel::frame::test
