#include "app/frame/ChildView.h"
#include "app/frame/tests/FakeChildFrameSite.h"
#include "app/pictures/PicInfoDisplay1.h"
#include "app/pictures/PicInfoDisplay2.h"
#include "app/pictures/PictureFromCamera.h"
#include "app/testcamera/TestJpeg.h"
#include "hostapi/RefPtr.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QScrollBar>
#include <QWidget>

#include <gtest/gtest.h>

namespace tarsel::frame::test {
namespace {

CRefPtr<IPictureFromCamera> DecodedPicture(int width, int height) {
  CRefPtr<IPictureFromCamera> picture(new CPictureFromCamera);
  const std::vector<BYTE> bytes = testcamera::makeTestJpeg(width, height, 1);
  picture->SetImage(bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, nullptr);
  picture->Decode(1, 1);
  return picture;
}

// Makes a view outside the window's layout show `area` without its bars.
void resizeViewport(CChildView& view, QSize area) {
  const int frame = 2 * view.frameWidth();
  view.resize(area + QSize(frame, frame));
  // The area shows and hides its bars from queued calls.
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
}

int redPixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor pixel = image.pixelColor(x, y);
      count += pixel.red() > 200 && pixel.green() < 60 && pixel.blue() < 60;
    }
  return count;
}

using ViewTest = WindowTest;

TEST_F(ViewTest, ThePanelLiesBelowLandscapeAndSquareBitmapsAndRightOfPortraitOnes) {
  CChildView view(attach(makeCamera()));
  struct Row {
    int width, height;
    bool below;
  };
  for (const Row row : {Row{400, 300, true}, Row{300, 300, true}, Row{300, 400, false}}) {
    const CRefPtr<IPictureFromCamera> picture = DecodedPicture(row.width, row.height);
    view.ShowPicture(picture.get(), true);
    ASSERT_NE(view.Overlay(), nullptr);
    EXPECT_EQ(dynamic_cast<CPicInfoDisplay2*>(view.Overlay()) != nullptr, row.below);
    EXPECT_EQ(dynamic_cast<CPicInfoDisplay1*>(view.Overlay()) != nullptr, !row.below);
    const int panelWidth = view.Overlay()->GetWidth();
    const int panelHeight = view.Overlay()->GetHeight();
    EXPECT_EQ(view.GetImageWidth(picture.get()),
              row.below ? std::max(row.width, panelWidth) : row.width + panelWidth);
    EXPECT_EQ(view.GetImageHeight(picture.get()),
              row.below ? row.height + panelHeight : std::max(row.height, panelHeight));
  }
  view.ShowPicture(nullptr, true);
  EXPECT_EQ(view.Overlay(), nullptr);
  EXPECT_EQ(view.GetImageWidth(nullptr), 0);
  EXPECT_EQ(view.GetImageHeight(nullptr), 0);
}

TEST_F(ViewTest, ABarShowsFromOnePixelOfOverflowAndAnOffsetNeverOutlivesItsOverflow) {
  // A child widget: its size changes take effect at once. Windows and
  // pictures stay below 128 K pixels, where Qt converts images on its own
  // worker threads (which the thread sanitizer cannot follow).
  QWidget holder;
  holder.resize(360, 260);
  holder.show();
  CChildView view(attach(makeCamera()), &holder);
  view.show();
  const CRefPtr<IPictureFromCamera> picture = DecodedPicture(300, 200);
  view.ShowPicture(picture.get(), true);
  const QSize extent(view.GetImageWidth(picture.get()), view.GetImageHeight(picture.get()));

  resizeViewport(view, extent);
  EXPECT_FALSE(view.horizontalScrollBar()->isVisible());
  EXPECT_FALSE(view.verticalScrollBar()->isVisible());
  resizeViewport(view, extent - QSize(1, 0));
  EXPECT_TRUE(view.horizontalScrollBar()->isVisible());
  EXPECT_EQ(view.horizontalScrollBar()->pageStep(), CChildView::kScrollPage);

  // Scrolled to the right edge, then enlarged: the content's right edge
  // follows the window's, and past the content's width the offset is gone.
  resizeViewport(view, QSize(200, 150));
  view.horizontalScrollBar()->setValue(view.horizontalScrollBar()->maximum());
  EXPECT_EQ(view.ScrollOffset().x() + view.viewport()->width(), extent.width());
  resizeViewport(view, QSize(250, 150));
  EXPECT_EQ(view.ScrollOffset().x() + view.viewport()->width(), extent.width());
  resizeViewport(view, extent + QSize(40, 40));
  EXPECT_EQ(view.ScrollOffset(), QPoint(0, 0));
  EXPECT_FALSE(view.horizontalScrollBar()->isVisible());
}

TEST_F(ViewTest, PaintsTheBitmapAtTheOffsetTheBackgroundElsewhereAndTheNoticeWhenDisconnected) {
  CChildFrame* window = attach(makeCamera());
  CChildView& view = *window->View();
  const QColor background(0xD7, 0xFF, 0xE6);
  QImage image = view.viewport()->grab().toImage();
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.pixelColor(0, 0), background);
  EXPECT_EQ(image.pixelColor(image.width() / 2, image.height() / 2), background);
  EXPECT_EQ(redPixels(image), 0);

  const CRefPtr<IPictureFromCamera> picture = DecodedPicture(900, 700);
  view.ShowPicture(picture.get(), true);
  view.horizontalScrollBar()->setValue(30);
  view.verticalScrollBar()->setValue(20);
  const QImage bitmap = picture->CreateDibSection();
  image = view.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
  for (const QPoint at : {QPoint(0, 0), QPoint(17, 41), QPoint(image.width() - 1, image.height() - 1)})
    EXPECT_EQ(image.pixel(at), bitmap.pixel(at + QPoint(30, 20))) << at.x() << "," << at.y();

  // A window without its camera.
  CChildFrame* lost = site->addWindow();
  image = lost->View()->viewport()->grab().toImage();
  EXPECT_EQ(image.pixelColor(0, 0), background);
  EXPECT_GT(redPixels(image), 100);
}

TEST_F(ViewTest, TheNoticeShowsOnTheScreenAsSoonAsTheCameraGoes) {
  // What the screen holds of the frame, as painted so far (no repaint forced).
  const auto onScreen = [&] {
    pumpFor(20ms);
    return QGuiApplication::primaryScreen()->grabWindow(site->FrameWindow()->winId()).toImage();
  };
  CChildFrame* window = attach(makeCamera());
  EXPECT_EQ(redPixels(onScreen()), 0);
  window->MarkDisconnected();
  EXPECT_GT(redPixels(onScreen()), 100);
}

TEST_F(ViewTest, APictureOpensAtTheLargestZoomThatShowsItWholeAndTheUsersZoomHolds) {
  const auto openingDivisor = [&](double times) {
    testcamera::FakeCamera* camera = nullptr;
    CChildFrame* window = attach(makeCamera(), &camera);
    const QSize view = window->View()->maximumViewportSize();
    camera->setPictureSize(static_cast<int>(view.width() * times), static_cast<int>(view.height() * times));
    takeOne(window);
    return std::pair(window, window->GetHost()->GetPicture(-1)->GetScaleDenominator());
  };
  EXPECT_EQ(openingDivisor(0.9).second, 1u);
  EXPECT_EQ(openingDivisor(6).second, 4u);
  const auto [window, divisor] = openingDivisor(1.5);
  EXPECT_EQ(divisor, 2u);
  ASSERT_TRUE(window->OnCommand(cmd::Zoom100));
  takeOne(window);
  EXPECT_EQ(window->GetHost()->GetPicture(-1)->GetScaleDenominator(), 1u);
}

} // namespace
} // namespace tarsel::frame::test
