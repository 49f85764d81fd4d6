#include "MainFrameTestSupport.h"

#include "app/core/ConnectedCameras.h"
#include "app/core/ResString.h"
#include "app/frame/ChildView.h"
#include "app/frame/CommandIds.h"
#include "app/frame/WindowIcons.h"
#include "app/frame/tests/PaneWidths.h"
#include "app/settings/WindowPlacement.h"
#include "env/BrantelTakeError.h"
#include "hostapi/ITarselPersistentParams.h"
#include "hostapi/ITarselSettings.h"
#include "platform/Win32Error.h"

#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QStatusBar>
#include <QToolBar>

#include <algorithm>
#include <utility>

using namespace std::chrono_literals;
using tarsel::frame::test::FrameTest;
using tarsel::frame::test::pumpFor;
using tarsel::frame::test::pumpUntil;
using tarsel::frame::test::setUserOption;
using tarsel::frame::test::TimedCamera;
using tarsel::frame::test::TimedFamily;
using tarsel::testcamera::CameraOp;
using tarsel::testcamera::FamilyOp;

namespace {

QString res(UINT id) {
  return QString::fromUtf8(CResString(id).c_str());
}

// Names the cameras of each enumeration after the current list.
void nameCameras(TimedFamily& family, const std::shared_ptr<std::vector<std::string>>& names) {
  family.setTimedSetup([names](TimedCamera& camera) {
    const std::string& name = (*names)[static_cast<std::size_t>(camera.index())];
    camera.setNames(name, "ID-" + name, "TC-1");
  });
  family.setCameraCount(static_cast<int>(names->size()));
}

std::vector<std::string> windowNames(CMainFrame& frame) {
  std::vector<std::string> names;
  for (CChildFrame* window : frame.CameraWindows())
    names.push_back(window->GetCamera() ? window->GetCamera()->GetCameraName() : "");
  return names;
}

class MainFrameDiscovery : public FrameTest {};

} // namespace

TEST_F(MainFrameDiscovery, StartUpOpensOneConnectedWindowPerCameraAndCountsThem) {
  TimedFamily& family = addFamily();
  family.setCameraCount(3);
  CMainFrame& frame = start(optionsFor({&family}));

  const auto windows = frame.CameraWindows();
  ASSERT_EQ(windows.size(), 3u);
  for (CChildFrame* window : windows)
    EXPECT_TRUE(window->IsCameraConnected());
  EXPECT_EQ(windowNames(frame),
            (std::vector<std::string>{"Test Camera 1", "Test Camera 2", "Test Camera 3"}));
  EXPECT_EQ(frame.PaneText(1), "3 Cameras");
  EXPECT_EQ(frame.PaneText(0), res(57345));
  EXPECT_EQ(m_refreshes, 1);
  EXPECT_TRUE(m_errors.empty());
  // Several new windows are not maximised.
  EXPECT_FALSE(windows.back()->isMaximized());
  // Icon 129 is the frame's, icon 156 every camera window's; they differ.
  const auto imageOf = [](const QIcon& icon) { return icon.pixmap(QSize(32, 32)).toImage(); };
  const QImage frameIcon = imageOf(frame.windowIcon());
  const QImage windowIcon = imageOf(windows.front()->windowIcon());
  ASSERT_FALSE(frameIcon.isNull());
  ASSERT_FALSE(windowIcon.isNull());
  EXPECT_EQ(frameIcon, imageOf(tarsel::frame::WindowIcon(129)));
  EXPECT_EQ(windowIcon, imageOf(tarsel::frame::WindowIcon(156)));
  EXPECT_NE(frameIcon, windowIcon);
  for (CChildFrame* window : windows)
    EXPECT_EQ(imageOf(window->windowIcon()), windowIcon);
  // Every toolbar command has an icon of its own and the menu's text as its tip.
  const auto* toolbar = frame.findChild<QToolBar*>(QStringLiteral("MainToolbar"));
  ASSERT_NE(toolbar, nullptr);
  std::vector<QImage> icons;
  for (const QAction* action : toolbar->actions()) {
    SCOPED_TRACE(action->text().toStdString());
    const QImage icon = imageOf(action->icon());
    EXPECT_FALSE(icon.isNull());
    EXPECT_EQ(std::count(icons.begin(), icons.end(), icon), 0);
    EXPECT_TRUE(action->text().remove('&').startsWith(action->toolTip()));
    icons.push_back(icon);
  }
  EXPECT_EQ(icons.size(), 12u);
}

TEST_F(MainFrameDiscovery, ALoneFirstWindowIsMaximisedAndPaintedInTheUsersBackgroundColour) {
  setUserOption("BackgroundColor", 0x00204080);
  TimedFamily& family = addFamily();
  family.setCameraCount(1);
  CMainFrame& frame = start(optionsFor({&family}));
  setUserOption("BackgroundColor", 0xE6FFD7);
  ASSERT_EQ(frame.CameraWindows().size(), 1u);
  EXPECT_TRUE(frame.CameraWindows().front()->isMaximized());
  CChildView view(frame.CameraWindows().front());
  view.resize(40, 30);
  const QImage image = view.viewport()->grab().toImage();
  CChildView::SetBackgroundColor(0xE6FFD7);
  EXPECT_EQ(image.pixelColor(20, 15), QColor(0x80, 0x40, 0x20));
}

TEST_F(MainFrameDiscovery, RefreshKeepsWindowsOfPresentCamerasMarksMissingOnesAndOpensOnlyNewOnes) {
  TimedFamily& family = addFamily();
  auto names = std::make_shared<std::vector<std::string>>(std::vector<std::string>{"A", "B"});
  nameCameras(family, names);
  CMainFrame& frame = start(optionsFor({&family}));
  const auto before = frame.CameraWindows();
  ASSERT_EQ(before.size(), 2u);
  ICameraHiLevel* cameraA = before[0]->GetCamera();

  *names = {"C", "A"};
  nameCameras(family, names);
  frame.RefreshCameras();

  const auto after = frame.CameraWindows();
  ASSERT_EQ(after.size(), 3u);
  EXPECT_EQ(after[0], before[0]);
  EXPECT_EQ(after[1], before[1]);
  // A's window adopted the fresh object's device and kept its own camera.
  EXPECT_EQ(after[0]->GetCamera(), cameraA);
  EXPECT_EQ(static_cast<TimedCamera*>(cameraA)->script().calls(CameraOp::TakeOverFrom), 1);
  EXPECT_TRUE(after[0]->IsCameraConnected());
  EXPECT_FALSE(after[1]->IsCameraConnected());
  EXPECT_TRUE(after[2]->IsCameraConnected());
  EXPECT_EQ(windowNames(frame), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(frame.PaneText(1), "2 Cameras");
  // The new window joins others, so it is not maximised.
  EXPECT_FALSE(after[2]->isMaximized());
}

TEST_F(MainFrameDiscovery, ADisabledFamilyIsNeverEnumeratedAndAThrowingAccessorIsReleasedAndSkipped) {
  TimedFamily& disabled = addFamily("DISABLED");
  disabled.setEnabled(false);
  TimedFamily& enabled = addFamily("ENABLED");
  enabled.setCameraCount(2);
  MainFrameOptions options = optionsFor({&disabled, &enabled});
  int releases = 0;
  options.families.insert(options.families.begin() + 1,
                          {"THROWING", [](ITarselSettings*) -> IBaseSDK_Wr* { ThrowError(E_FAIL); },
                           [&releases] { ++releases; }});
  CMainFrame& frame = start(options);

  EXPECT_EQ(frame.CameraWindows().size(), 2u);
  EXPECT_EQ(disabled.script().calls(FamilyOp::EnumerateCameras), 0);
  EXPECT_EQ(enabled.script().calls(FamilyOp::EnumerateCameras), 1);
  EXPECT_EQ(releases, 1);
  EXPECT_TRUE(m_errors.empty());

  // The list gives the families that answered, in list order.
  IBaseSDK_Wr* list[3] = {};
  int count = 2;
  EXPECT_FALSE(frame.GetSdkList(list, &count));
  EXPECT_EQ(count, 3);
  EXPECT_TRUE(frame.GetSdkList(list, &count));
  ASSERT_EQ(count, 2);
  EXPECT_EQ(list[0], &disabled);
  EXPECT_EQ(list[1], &enabled);
  EXPECT_EQ(releases, 2);
}

TEST_F(MainFrameDiscovery, NoEnabledFamilyAndNoPageEndsWithNoCameraWithoutAnyDialog) {
  TimedFamily& family = addFamily();
  family.setEnabled(false);
  CMainFrame& frame = start(optionsFor({&family}));

  EXPECT_TRUE(frame.CameraWindows().empty());
  EXPECT_EQ(frame.PaneText(0), res(61230));
  EXPECT_EQ(frame.PaneText(1), "0 Cameras");
  EXPECT_EQ(family.script().calls(FamilyOp::CreateSettingsPage), 1);
  EXPECT_EQ(frame.SelectCameraTypes(), 2);
  EXPECT_TRUE(m_questions.empty());
  EXPECT_TRUE(m_errors.empty());
}

TEST_F(MainFrameDiscovery, EnumerationFailureClearsTheListAndIsReportedOnce) {
  TimedFamily& family = addFamily();
  family.setCameraCount(2);
  MainFrameOptions options = optionsFor({&family});
  // A family whose list throws mid-way (after the first family added cameras).
  struct Thrower : TimedFamily {
    using TimedFamily::TimedFamily;
    int EnumerateCameras(HWND, IConnectedCameras*) override { ThrowError(0x81020005); }
  };
  auto thrower = std::make_shared<Thrower>("THROWER");
  options.families.push_back({"THROWER", [thrower](ITarselSettings*) { return thrower.get(); }, [] {}});
  options.child.hostStopDeadline = 5s;
  CMainFrame& frame = start(options);

  EXPECT_TRUE(frame.CameraWindows().empty());
  EXPECT_EQ(m_errors.size(), 1u);
  EXPECT_EQ(frame.PaneText(0), res(61230));
  CConnectedCameras list;
  frame.FindCameras(&list);
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(frame.PaneText(0), res(61225));
  EXPECT_EQ(m_errors.size(), 2u);
}

TEST_F(MainFrameDiscovery, CameraCommandsFollowTheActiveWindowAndFrameCommandsTheirOwnTests) {
  TimedFamily& family = addFamily();
  family.setCameraCount(0);
  CMainFrame& frame = start(optionsFor({&family}));

  namespace cmd = tarsel::frame::cmd;
  EXPECT_FALSE(frame.CommandState(cmd::TakePicture).enabled);
  EXPECT_FALSE(frame.CommandState(cmd::AllCamerasTakePicture).enabled);
  EXPECT_FALSE(frame.CommandState(cmd::CaptureProperties).enabled);
  EXPECT_TRUE(frame.CommandState(cmd::RefreshCameras).enabled);
  for (const UINT id : {cmd::SaveAll, cmd::TimeLapse})
    EXPECT_FALSE(frame.CommandState(id).enabled) << id;
  for (const UINT id : {cmd::DiagnosticsReport, cmd::Options})
    EXPECT_TRUE(frame.CommandState(id).enabled) << id;
  for (const UINT id : {cmd::SelectCameraTypes,
                        cmd::RefreshCameras,
                        cmd::DisplayManual,
                        cmd::SaveAll,
                        cmd::AllCamerasTakePicture,
                        cmd::TimeLapse,
                        cmd::Options,
                        cmd::DiagnosticsReport,
                        cmd::TakePicture,
                        cmd::CancelBracketing,
                        cmd::Zoom100,
                        cmd::Zoom50,
                        cmd::Zoom25,
                        cmd::PreviousPicture,
                        cmd::NextPicture,
                        cmd::DeletePicture,
                        cmd::CancelSeries,
                        cmd::RotateClockwise,
                        cmd::RotateCounterclockwise,
                        cmd::EditCopy,
                        cmd::FileSaveAs,
                        cmd::SaveSeries,
                        cmd::ShowPreview,
                        cmd::CaptureProperties,
                        cmd::LcdOn,
                        cmd::LcdOff,
                        cmd::CameraInfo,
                        cmd::DetectCapabilities,
                        cmd::DownloadAllPictures,
                        cmd::AdvancedSettings,
                        cmd::SaveCaptureSettings,
                        cmd::LoadCaptureSettings,
                        cmd::FileClose,
                        cmd::ViewStatusBar})
    EXPECT_NE(frame.CommandAction(id), nullptr) << id;

  family.setCameraCount(1);
  frame.RunCommand(cmd::RefreshCameras);
  ASSERT_EQ(frame.CameraWindows().size(), 1u);
  frame.MdiArea()->setActiveSubWindow(frame.CameraWindows().front());
  ASSERT_EQ(frame.ActiveCameraWindow(), frame.CameraWindows().front());
  EXPECT_TRUE(frame.CommandState(cmd::TakePicture).enabled);
  EXPECT_TRUE(frame.CommandState(cmd::AllCamerasTakePicture).enabled);
  EXPECT_TRUE(frame.CommandState(cmd::CaptureProperties).enabled);
  EXPECT_TRUE(frame.CommandAction(cmd::AllCamerasTakePicture)->isEnabled());
}

namespace {

void setCaptureDialogShown(ITarselSettings* settings, bool shown) {
  ITarselPersistentParams* params = nullptr;
  ASSERT_EQ(settings->GetPersistentParams(&params, false), 0);
  EXPECT_EQ(params->SetCaptureDlgShown(shown), 0);
  params->Release();
}

bool captureDialogShown(ITarselSettings* settings) {
  ITarselPersistentParams* params = nullptr;
  if (settings->GetPersistentParams(&params, true) != 0)
    return false;
  const bool shown = params->GetCaptureDlgShown();
  params->Release();
  return shown;
}

} // namespace

TEST_F(MainFrameDiscovery, StartUpRestoresTheAllCamerasViewUnlessAutostartIsGiven) {
  struct Row {
    QStringList arguments;
    bool shown;
  };
  for (const Row& row :
       {Row{{"Tarsel"}, true}, Row{{"Tarsel", "/AUTOSTART"}, false}, Row{{"Tarsel", "-AUTOSTART"}, false}}) {
    SCOPED_TRACE(row.arguments.join(' ').toStdString());
    TimedFamily& family = addFamily();
    family.setCameraCount(1);
    setCaptureDialogShown(settings(), true);
    MainFrameOptions options = optionsFor({&family});
    options.arguments = row.arguments;
    int timeLapseDialogs = 0;
    if (!row.shown)
      tarsel::frame::test::closeTimeLapseDialogWhenShown(timeLapseDialogs);
    CMainFrame& frame = start(options);
    EXPECT_TRUE(pumpUntil([&] { return timeLapseDialogs == (row.shown ? 0 : 1); }));
    EXPECT_EQ(frame.IsCaptureDialogShown(), row.shown);
    destroyFrame();
    // Closing stores the flag as it was.
    EXPECT_EQ(captureDialogShown(settings()), row.shown);
  }
}

TEST_F(MainFrameDiscovery, ClosingStoresTheWindowPlacementRecord) {
  TimedFamily& family = addFamily();
  CMainFrame& frame = start(optionsFor({&family}));
  frame.resize(640, 480);
  EXPECT_TRUE(frame.close());
  ITarselPersistentParams* params = nullptr;
  ASSERT_EQ(settings()->GetPersistentParams(&params, true), 0);
  BYTE bytes[64] = {};
  DWORD size = sizeof bytes;
  EXPECT_EQ(params->GetLastWinPlace(bytes, &size), 0);
  params->Release();
  const auto placement = tarsel::settings::WindowPlacement::fromBytes(bytes, size);
  ASSERT_TRUE(placement);
  EXPECT_EQ(placement->width, 640);
  EXPECT_EQ(placement->height, 480);
}

TEST_F(MainFrameDiscovery, TheStoredStatusTextStandsInForTheIdleMessage) {
  TimedFamily& family = addFamily();
  family.setCameraCount(0);
  CMainFrame& frame = start(optionsFor({&family}));
  ASSERT_EQ(frame.PaneText(0), "No Camera");

  // A camera window's "Ready" shows the stored text; its other texts show as they are.
  frame.ShowFrameMessage(res(57345));
  EXPECT_EQ(frame.PaneText(0), "No Camera");
  frame.ShowFrameMessage("Taking picture...");
  EXPECT_EQ(frame.PaneText(0), "Taking picture...");
  // The idle message (an emptied message pane) brings the stored text back.
  frame.statusBar()->clearMessage();
  EXPECT_EQ(frame.PaneText(0), "No Camera");

  frame.SetFrameStatus(61233);
  EXPECT_EQ(frame.PaneText(0), "Taking Pictures");
  for (int pane = 1; pane <= 5; ++pane)
    frame.SetFramePaneText(pane, QString::number(pane));
  frame.SetFramePaneText(0, "ignored");
  frame.SetFramePaneText(6, "ignored");
  for (int pane = 1; pane <= 5; ++pane)
    EXPECT_EQ(frame.PaneText(pane), QString::number(pane));
  EXPECT_EQ(frame.PaneText(6), "");

  // Each pane at least as wide as it always was, and wide enough for its widest texts.
  const char* widest[] = {"99 Cameras", "Loading: 100%", "Picture 999 of 999", "F=240 Z=21.0 LCD=Off",
                          "Battery: Low!!!"};
  for (int pane = 1; pane <= 5; ++pane)
    frame.SetFramePaneText(pane, widest[pane - 1]);
  pumpFor(5ms);
  std::vector<std::pair<uint, QLabel*>> panes;
  for (QLabel* label : frame.statusBar()->findChildren<QLabel*>())
    if (label->property("indicator").isValid())
      panes.emplace_back(label->property("indicator").toUInt(), label);
  std::sort(panes.begin(), panes.end());
  ASSERT_EQ(panes.size(), 5u);
  const int classic[] = {80, 80, 80, 150, 80};
  for (std::size_t i = 0; i < panes.size(); ++i) {
    EXPECT_EQ(panes[i].first, 32835 + i);
    EXPECT_GE(panes[i].second->width(), classic[i]);
    EXPECT_TRUE(tarsel::frame::test::ShowsWholeText(*panes[i].second)) << widest[i];
  }
}
