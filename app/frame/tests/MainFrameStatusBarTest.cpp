// The main frame's status bar and the camera windows: a maximised window's
// panes show in the main bar, only the active window's, and a restored
// window has its own status line again; new windows open inside the MDI area.
#include "MainFrameTestSupport.h"

#include "app/frame/CommandIds.h"

#include <QMdiArea>
#include <QStatusBar>

#include <algorithm>
#include <vector>

using namespace std::chrono_literals;
using tarsel::frame::test::FrameTest;
using tarsel::frame::test::pumpFor;
using tarsel::frame::test::pumpUntil;
using tarsel::frame::test::TimedCamera;
using tarsel::frame::test::TimedFamily;
namespace cmd = tarsel::frame::cmd;

namespace {

class MainFrameStatusBar : public FrameTest {
protected:
  static QStatusBar* ownBar(CChildFrame* window) { return window->findChild<QStatusBar*>(); }
  static bool showsOwnBar(CChildFrame* window) { return ownBar(window) && ownBar(window)->isVisible(); }
  // The main bar's camera panes (message, loading, picture, status, battery).
  static std::vector<QString> framePanes(CMainFrame& frame) {
    return {frame.PaneText(0), frame.PaneText(2), frame.PaneText(3), frame.PaneText(4), frame.PaneText(5)};
  }
};

} // namespace

TEST_F(MainFrameStatusBar, AfterMaximiseStatusBarToggleZoomAndRestoreTheMainBarFollowsTheActiveCamera) {
  TimedFamily& family = addFamily();
  family.setCameraCount(2);
  // Pictures larger than the window: they open scaled down, so 100% is a change.
  family.setTimedSetup([](TimedCamera& camera) { camera.setPictureSize(1600, 1200); });
  CMainFrame& frame = start(optionsFor({&family}));
  ASSERT_EQ(frame.CameraWindows().size(), 2u);
  CChildFrame* first = frame.CameraWindows()[0];
  CChildFrame* second = frame.CameraWindows()[1];
  first->ActivateInMdiClient();
  ASSERT_TRUE(frame.RunCommand(cmd::TakePicture));
  ASSERT_TRUE(pumpUntil([&] { return !first->IsBusy() && first->GetHost()->GetPictureCount() > 0; }));
  first->SetStatusText("first camera");
  second->SetStatusText("second camera");

  // Maximised: the main bar carries the first camera's panes.
  first->showMaximized();
  ASSERT_TRUE(pumpUntil([&] { return first->isMaximized(); }));
  EXPECT_FALSE(showsOwnBar(first));
  EXPECT_EQ(frame.PaneText(4), QStringLiteral("first camera"));

  ASSERT_TRUE(frame.RunCommand(cmd::ViewStatusBar));
  ASSERT_TRUE(frame.CommandState(cmd::Zoom100).enabled);
  ASSERT_TRUE(frame.RunCommand(cmd::Zoom100));
  EXPECT_EQ(frame.PaneText(0), QStringLiteral("Ready"));
  first->showNormal();
  ASSERT_TRUE(pumpUntil([&] { return !first->isMaximized(); }));
  pumpFor(20ms);

  // Restored: its own status line is back with its texts, the main bar is free.
  EXPECT_TRUE(showsOwnBar(first));
  EXPECT_TRUE(first->IsStatusBarShown());
  EXPECT_EQ(first->PaneText(3), QStringLiteral("first camera"));
  EXPECT_EQ(frame.PaneText(4), QString());

  // Another camera active: nothing of the first one in the main bar, even as it changes.
  second->ActivateInMdiClient();
  pumpFor(20ms);
  EXPECT_TRUE(showsOwnBar(second));
  EXPECT_EQ(frame.PaneText(4), QString());
  first->SetStatusText("first camera again");
  EXPECT_EQ(frame.PaneText(4), QString());

  // A window whose own line the user hid speaks in the main bar while it is current, and only then.
  first->ActivateInMdiClient();
  pumpFor(20ms);
  ASSERT_TRUE(frame.RunCommand(cmd::ViewStatusBar));
  EXPECT_FALSE(showsOwnBar(first));
  EXPECT_FALSE(first->PaneText(3).isEmpty());
  EXPECT_EQ(frame.PaneText(4), first->PaneText(3));
  second->ActivateInMdiClient();
  pumpFor(20ms);
  EXPECT_EQ(frame.PaneText(4), QString());
  first->SetStatusText("first camera, inactive");
  EXPECT_EQ(frame.PaneText(4), QString());
  EXPECT_EQ(first->PaneText(3), QStringLiteral("first camera, inactive"));
  first->ActivateInMdiClient();
  pumpFor(20ms);
  EXPECT_FALSE(frame.PaneText(4).isEmpty());
  EXPECT_EQ(frame.PaneText(4), first->PaneText(3));
  EXPECT_TRUE(m_errors.empty());
}

TEST_F(MainFrameStatusBar, NewWindowsAtTheFirstStartOpenInsideTheMdiAreaAndCascadeWhereThereIsRoom) {
  TimedFamily& family = addFamily();
  family.setCameraCount(4);
  CMainFrame& frame = start(optionsFor({&family}));
  const auto inside = [&frame](CChildFrame* window) {
    const QRect area = frame.MdiArea()->viewport()->rect();
    const QRect placed = window->geometry();
    return ::testing::AssertionResult(!area.isEmpty() && area.contains(placed))
           << placed.x() << "," << placed.y() << " " << placed.width() << "x" << placed.height() << " in "
           << area.width() << "x" << area.height();
  };
  const auto windows = frame.CameraWindows();
  ASSERT_EQ(windows.size(), 4u);
  for (CChildFrame* window : windows)
    EXPECT_TRUE(inside(window));

  // A larger frame: the next windows cascade, each inside.
  frame.resize(1000, 800);
  pumpFor(20ms);
  CChildFrame* next = frame.CreateCameraWindow();
  CChildFrame* after = frame.CreateCameraWindow();
  EXPECT_TRUE(inside(next));
  EXPECT_TRUE(inside(after));
  EXPECT_NE(next->geometry().topLeft(), after->geometry().topLeft());

  // A small frame: a new window still fits, shown with its panes cut.
  frame.resize(420, 320);
  pumpFor(20ms);
  CChildFrame* small = frame.CreateCameraWindow();
  small->SetStatusText("a status text long enough to want a wider window than this frame has room for");
  EXPECT_TRUE(inside(small));
  EXPECT_TRUE(m_errors.empty());
}
