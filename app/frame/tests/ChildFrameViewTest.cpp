#include "app/frame/ChildView.h"
#include "app/pictures/PictureFromCamera.h"
#include "app/testcamera/TestJpeg.h"
#include "hostapi/RefPtr.h"

#include <QScrollBar>

#include <gtest/gtest.h>

namespace {

CRefPtr<IPictureFromCamera> DecodedPicture(int width, int height) {
  CRefPtr<IPictureFromCamera> picture(new CPictureFromCamera);
  const std::vector<BYTE> bytes = tarsel::testcamera::makeTestJpeg(width, height, 1);
  picture->SetImage(bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, nullptr);
  picture->Decode(1, 1);
  return picture;
}

TEST(ChildView, KeepsOrResetsTheScrollPositionAndShowsNothingWithoutAPicture) {
  CChildView view;
  view.resize(100, 80);
  view.show();
  const CRefPtr<IPictureFromCamera> big = DecodedPicture(400, 300);
  view.SetPicture(big.get(), false);
  EXPECT_EQ(view.Picture(), big.get());
  EXPECT_EQ(view.BitmapSize(), QSize(400, 300));
  EXPECT_GT(view.horizontalScrollBar()->maximum(), 0);
  view.SetScrollPosition(QPoint(50, 40));
  EXPECT_EQ(view.ScrollPosition(), QPoint(50, 40));

  const CRefPtr<IPictureFromCamera> other = DecodedPicture(400, 300);
  view.SetPicture(other.get(), true);
  EXPECT_EQ(view.ScrollPosition(), QPoint(50, 40));
  view.SetPicture(other.get(), false);
  EXPECT_EQ(view.ScrollPosition(), QPoint(0, 0));

  // A smaller picture cannot keep a position beyond its own size.
  view.SetScrollPosition(QPoint(50, 40));
  const CRefPtr<IPictureFromCamera> small = DecodedPicture(40, 30);
  view.SetPicture(small.get(), true);
  EXPECT_EQ(view.ScrollPosition(), QPoint(0, 0));

  view.SetPicture(nullptr, false);
  EXPECT_EQ(view.Picture(), nullptr);
  EXPECT_EQ(view.BitmapSize(), QSize());
  EXPECT_FALSE(view.IsFocusStripShown());
  view.repaint();
}

TEST(ChildView, HoldsItsOwnReferenceToThePicture) {
  CChildView view;
  CRefPtr<IPictureFromCamera> picture = DecodedPicture(64, 48);
  IPictureFromCamera* raw = picture.get();
  view.SetPicture(raw, false);
  picture.Release();
  // Still alive: the view paints it.
  EXPECT_TRUE(view.Picture()->HasBitmap());
  view.repaint();
}

} // namespace
