#include "MainFrameTestSupport.h"

#include "app/core/PreviewPauseGuard.h"
#include "app/frame/CommandIds.h"
#include "app/frame/PreviewWnd.h"
#include "app/pictures/PictureFromCamera.h"
#include "app/testcamera/TestJpeg.h"

#include <QImage>
#include <QWidget>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>

using namespace std::chrono_literals;
using namespace tarsel::frame::test;
using tarsel::testcamera::CameraOp;
using tarsel::testcamera::FakeCamera;
namespace cmd = tarsel::frame::cmd;

namespace {

FakeCamera& cameraOf(CChildFrame* window) {
  return *static_cast<FakeCamera*>(window->GetCamera());
}

class MainFramePreview : public FrameTest {
protected:
  void TearDown() override {
    FrameTest::TearDown();
    setUserOption("Rotation", 0);
  }

  // A frame with cameras that send 320 x 240 frames every `interval`.
  CMainFrame& startWith(int cameras, std::chrono::milliseconds interval) {
    auto& family = addFamily();
    family.setCameraCount(cameras);
    family.setTimedSetup([interval](FakeCamera& camera) {
      camera.setPictureSize(320, 240);
      camera.setPreviewInterval(interval);
    });
    MainFrameOptions options = optionsFor({&family});
    options.previewPlacementDelay = 10s;
    return start(options);
  }

  // Opens the preview for the active window and waits for its first frame.
  CPreviewWnd* openPreview(CMainFrame& frame) {
    EXPECT_TRUE(frame.RunCommand(cmd::ShowPreview));
    CPreviewWnd* preview = frame.PreviewWindow();
    EXPECT_TRUE(preview && pumpUntil([preview] { return preview->isVisible(); }));
    return preview;
  }
};

} // namespace

TEST(PreviewWnd, StartsByTheOwnersMiddleAboveItInsideTheWorkArea) {
  const QRect work(-100, 0, 1100, 800);
  const struct {
    QRect owner;
    QPoint expected;
  } rows[] = {
      {{100, 100, 400, 300}, {300, 75}},   // inside: the middle, 25 above
      {{-300, 10, 200, 100}, {-100, 0}},   // middle left of, top above the work area
      {{-6, 300, 1, 50}, {-5, 275}},       // (-6 + -5) / 2 rounds towards zero
      {{1900, 400, 400, 100}, {800, 375}}, // middle right of the work area: 200 inside
      {{300, 1000, 200, 100}, {400, 700}}, // top below the work area: 100 inside
      {{1000, 825, 0, 10}, {1000, 800}},   // on the right and bottom edges: kept
  };
  for (const auto& row : rows)
    EXPECT_EQ(CPreviewWnd::InitialPosition(row.owner, work), row.expected)
        << row.owner.x() << "," << row.owner.y();
}

TEST_F(MainFramePreview, FirstFrameFillsTheWindowRotationTurnsItInsideAndThePlacementIsKept) {
  CMainFrame& frame = startWith(1, 5ms);
  CChildFrame* window = frame.ActiveCameraWindow();
  ASSERT_TRUE(window);
  EXPECT_TRUE(frame.CommandState(cmd::ShowPreview).enabled);
  EXPECT_FALSE(frame.CommandState(cmd::ShowPreview).checked);
  CPreviewWnd* preview = openPreview(frame);
  ASSERT_TRUE(preview);
  EXPECT_EQ(preview->size(), QSize(320, 240));
  EXPECT_EQ(preview->PictureRect(), QRect(0, 0, 320, 240));
  EXPECT_EQ(preview->windowTitle(), window->CameraName());
  EXPECT_TRUE(frame.CommandState(cmd::ShowPreview).checked);

  // Turned frames stand upright in the same window, centred.
  setUserOption("Rotation", 1);
  EXPECT_TRUE(pumpUntil([preview] { return preview->PictureRect() == QRect(70, 0, 180, 240); }));
  EXPECT_EQ(preview->size(), QSize(320, 240));

  // Moved, then closed at once: the placement is stored although the delay has not passed.
  preview->move(210, 130);
  const QPoint moved = preview->geometry().topLeft();
  EXPECT_TRUE(frame.RunCommand(cmd::ShowPreview));
  EXPECT_FALSE(frame.HasPreviewWindow());
  EXPECT_FALSE(cameraOf(window).previewRunning());
  preview = openPreview(frame);
  ASSERT_TRUE(preview);
  EXPECT_EQ(preview->geometry().topLeft(), moved);

  // Closed by the user: the frame forgets the window and the camera stops.
  preview->close();
  EXPECT_FALSE(frame.HasPreviewWindow());
  EXPECT_FALSE(cameraOf(window).previewRunning());
  const QPointer<CPreviewWnd> closed(preview);
  EXPECT_TRUE(pumpUntil([&closed] { return closed.isNull(); }));
  EXPECT_TRUE(m_errors.empty());
}

TEST_F(MainFramePreview, TheWindowKeepsItsSizeForTinyAndLargeFramesAndEachFitsWithItsAspect) {
  auto& family = addFamily();
  family.setCameraCount(2);
  family.setTimedSetup([](FakeCamera& camera) {
    camera.setPictureSize(64, 48);
    camera.setPreviewInterval(5ms);
  });
  MainFrameOptions options = optionsFor({&family});
  options.previewPlacementDelay = 10s;
  CMainFrame& frame = start(options);
  ASSERT_EQ(frame.CameraWindows().size(), 2u);
  CChildFrame* first = frame.CameraWindows()[0];
  CChildFrame* second = frame.CameraWindows()[1];
  first->ActivateInMdiClient();
  CPreviewWnd* preview = openPreview(frame);
  ASSERT_TRUE(preview);
  const QSize opened = preview->size();
  EXPECT_GE(opened.width(), 320);
  EXPECT_GE(opened.height(), 240);
  const QImage tiny = preview->grab().toImage();

  const auto fits = [preview](QSize picture) {
    const QRect drawn = preview->PictureRect();
    const QRect area = preview->rect();
    const bool inside = area.contains(drawn);
    // Full width or full height, the other side centred.
    const bool fills = drawn.width() == area.width() || drawn.height() == area.height();
    const bool centred = std::abs(drawn.center().x() - area.center().x()) <= 1 &&
                         std::abs(drawn.center().y() - area.center().y()) <= 1;
    const double aspect = double(picture.width()) / picture.height();
    const double drawnAspect = double(drawn.width()) / drawn.height();
    return inside && fills && centred && std::abs(drawnAspect - aspect) < 0.02;
  };
  EXPECT_TRUE(fits({64, 48})) << preview->PictureRect().width() << "x" << preview->PictureRect().height();
  // The tiny frame is scaled up: its picture (black at the top left, yellow at
  // the bottom right) fills the drawn rectangle, not a 64 x 48 corner.
  const QRect drawn = preview->PictureRect();
  EXPECT_NE(tiny.pixelColor(drawn.right() - 4, drawn.bottom() - 4), QColor(Qt::black));

  // A large frame, and a user's resize to a wide window: the window keeps its size.
  cameraOf(first).setPictureSize(640, 480);
  preview->resize(500, 240);
  const int painted = static_cast<int>(preview->FramesPainted());
  EXPECT_TRUE(pumpUntil([&] { return static_cast<int>(preview->FramesPainted()) > painted + 2; }));
  EXPECT_EQ(preview->size(), QSize(500, 240));
  EXPECT_EQ(preview->PictureRect(), QRect(90, 0, 320, 240));
  const QImage wide = preview->grab().toImage();
  EXPECT_EQ(wide.pixelColor(10, 120), QColor(Qt::black));
  EXPECT_EQ(wide.pixelColor(489, 120), QColor(Qt::black));

  // Another camera with frames of another size: still the same window.
  second->ActivateInMdiClient();
  EXPECT_TRUE(pumpUntil([&] { return preview->Owner() == second && cameraOf(second).previewRunning(); }));
  EXPECT_TRUE(pumpUntil([&] { return cameraOf(second).previewFramesDelivered() > 3; }));
  pumpFor(20ms);
  EXPECT_EQ(preview->size(), QSize(500, 240));
  EXPECT_TRUE(fits({64, 48}));
  EXPECT_TRUE(m_errors.empty());
}

TEST_F(MainFramePreview, StoppedPreviewRefusesFramesAndBusyStatesNest) {
  CMainFrame& frame = startWith(1, 5ms);
  FakeCamera& camera = cameraOf(frame.ActiveCameraWindow());
  CPreviewWnd* preview = openPreview(frame);
  ASSERT_TRUE(preview);

  {
    const CPreviewPauseGuard outer;
    EXPECT_FALSE(camera.previewRunning());
    { const CPreviewPauseGuard inner; }
    EXPECT_FALSE(camera.previewRunning());

    CRefPtr<IPictureFromCamera> late(new CPictureFromCamera);
    const auto bytes = tarsel::testcamera::makeTestJpeg(100, 80, 1);
    late->SetImage(bytes.data(), static_cast<DWORD>(bytes.size()), ".TST", nullptr);
    EXPECT_FALSE(preview->OnPreviewFrame(late.get()));
    pumpFor(20ms);
    EXPECT_EQ(preview->size(), QSize(320, 240));
  }
  EXPECT_TRUE(camera.previewRunning());

  // A take pauses the camera's preview around the job; frames come again afterwards.
  ASSERT_TRUE(frame.RunCommand(cmd::TakePicture));
  ASSERT_TRUE(pumpUntil([&camera] { return camera.picturesTaken() == 1; }));
  EXPECT_TRUE(pumpUntil([&camera] { return camera.script().calls(CameraOp::PausePreview) == 2; }));
  const int delivered = camera.previewFramesDelivered();
  EXPECT_TRUE(pumpUntil([&] { return camera.previewFramesDelivered() > delivered + 3; }));
  EXPECT_TRUE(frame.HasPreviewWindow());
  EXPECT_TRUE(m_errors.empty());
}

TEST_F(MainFramePreview, MovingToAWindowWithoutCameraStopsButKeepsTheWindowAndTitle) {
  CMainFrame& frame = startWith(1, 5ms);
  CChildFrame* window = frame.ActiveCameraWindow();
  CPreviewWnd* preview = openPreview(frame);
  ASSERT_TRUE(preview);
  CChildFrame* empty = frame.CreateCameraWindow();

  frame.SetPreviewSource(empty);
  EXPECT_TRUE(pumpUntil([&] { return preview->Owner() == empty; }));
  EXPECT_FALSE(cameraOf(window).previewRunning());
  EXPECT_TRUE(frame.HasPreviewWindow());
  EXPECT_EQ(preview->windowTitle(), window->CameraName());

  // Back to the camera: frames again.
  frame.SetPreviewSource(window);
  EXPECT_TRUE(pumpUntil([&] { return cameraOf(window).previewRunning(); }));
}

TEST_F(MainFramePreview, SwitchingAndClosingUnderAFastFrameSourceStaysClean) {
  CMainFrame& frame = startWith(3, 1ms);
  const std::vector<CChildFrame*> windows = frame.CameraWindows();
  ASSERT_EQ(windows.size(), 3u);
  std::mt19937 random(12345);
  std::uint64_t painted = 0;
  const auto end = std::chrono::steady_clock::now() + 1s;
  while (std::chrono::steady_clock::now() < end) {
    CChildFrame* target = windows[random() % windows.size()];
    if (CPreviewWnd* preview = frame.PreviewWindow())
      painted = std::max(painted, preview->FramesPainted());
    switch (random() % 6) {
    case 0:
      frame.OpenPreview(target);
      break;
    case 1:
      frame.ClosePreview();
      break;
    case 2:
      if (CPreviewWnd* preview = frame.PreviewWindow())
        preview->close();
      break;
    case 3: {
      const CPreviewPauseGuard busy;
      pumpFor(1ms);
      break;
    }
    default:
      target->ActivateInMdiClient();
      break;
    }
    pumpFor(std::chrono::milliseconds(random() % 8));
  }
  // Windows closed on the way, destroyed by now, leave the last one's frames alone.
  frame.OpenPreview(windows[0]);
  pumpFor(20ms);
  CPreviewWnd* last = frame.PreviewWindow();
  ASSERT_TRUE(last);
  const std::uint64_t received = last->FramesReceived();
  EXPECT_TRUE(pumpUntil([&] { return last->FramesReceived() > received + 5; }));
  // A slow (sanitized, loaded) run may paint nothing while the owners change
  // so fast; the last window paints once it is left alone.
  EXPECT_TRUE(pumpUntil([&] { return last->FramesPainted() > 0; }));
  painted = std::max(painted, last->FramesPainted());
  frame.ClosePreview();
  for (CChildFrame* window : windows)
    EXPECT_FALSE(cameraOf(window).previewRunning());
  EXPECT_GT(painted, 0u);
  EXPECT_TRUE(m_errors.empty());
}
