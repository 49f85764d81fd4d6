#include "MainFrameTestSupport.h"

#include "hostapi/ITarselConfigSettings.h"
#include "hostapi/ITarselSettings.h"

#include <QCoreApplication>

using namespace std::chrono_literals;
using tarsel::frame::test::FrameTest;
using tarsel::frame::test::pumpFor;
using tarsel::frame::test::pumpUntil;
using tarsel::frame::test::setUserOption;
using tarsel::frame::test::TimedFamily;
using tarsel::testcamera::FamilyOp;

namespace {

class MainFrameDevices : public FrameTest {
protected:
  void SetUp() override {
    FrameTest::SetUp();
    setUseNotifications(true);
    setUserOption("DeviceNotificationDelay", 150);
  }
  void TearDown() override {
    FrameTest::TearDown();
    setUserOption("DeviceNotificationDelay", 1000);
  }

  void setUseNotifications(bool on) {
    ITarselConfigSettings* user = nullptr;
    ASSERT_EQ(settings()->GetUserSettings(&user, false), 0);
    EXPECT_EQ(user->SetUseDeviceNotifications(on), 0);
    user->Release();
  }
};

} // namespace

TEST_F(MainFrameDevices, ARemovalRefreshesAtOnceAndArrivalsInsideTheDelayRefreshOnce) {
  TimedFamily& family = addFamily();
  family.setCameraCount(1);
  CMainFrame& frame = start(optionsFor({&family}));
  ASSERT_NE(m_watcher, nullptr);
  ASSERT_EQ(m_refreshes, 1);

  // Removal: the refresh is posted, so it runs with the next posted events.
  family.setCameraCount(0);
  m_watcher->remove();
  EXPECT_EQ(m_refreshes, 1);
  QCoreApplication::sendPostedEvents(&frame);
  EXPECT_EQ(m_refreshes, 2);
  EXPECT_FALSE(frame.CameraWindows().front()->IsCameraConnected());

  // Three arrivals, each inside the delay of the one before: one refresh.
  family.setCameraCount(1);
  for (int i = 0; i < 3; ++i) {
    m_watcher->arrive();
    pumpFor(30ms);
  }
  EXPECT_EQ(m_refreshes, 2);
  ASSERT_TRUE(pumpUntil([this] { return m_refreshes == 3; }));
  pumpFor(400ms);
  EXPECT_EQ(m_refreshes, 3);
  ASSERT_EQ(frame.CameraWindows().size(), 1u);
  EXPECT_TRUE(frame.CameraWindows().front()->IsCameraConnected());
  EXPECT_EQ(family.script().calls(FamilyOp::EnumerateCameras), 3);
}

TEST_F(MainFrameDevices, NoWatcherIsMadeWhenNotificationsAreOff) {
  setUseNotifications(false);
  TimedFamily& family = addFamily();
  CMainFrame& frame = start(optionsFor({&family}));
  EXPECT_EQ(m_watchersMade, 0);
  EXPECT_EQ(frame.DeviceWatcher(), nullptr);
}

TEST_F(MainFrameDevices, ClosingTheFrameEndsTheWatcherAndAPendingArrival) {
  TimedFamily& family = addFamily();
  CMainFrame& frame = start(optionsFor({&family}));
  ASSERT_NE(frame.DeviceWatcher(), nullptr);
  m_watcher->arrive();
  EXPECT_TRUE(frame.close());
  EXPECT_EQ(frame.DeviceWatcher(), nullptr);
  pumpFor(300ms);
  EXPECT_EQ(m_refreshes, 1);
}
