// The camera window's series of pictures kept by the host, and the numbers
// of the program's event types.
#include "app/host/ConnectedCameraHost.h"

#include "app/host/TarselEvents.h"
#include "app/pictures/PictureFromCamera.h"
#include "app/testcamera/FakeCamera.h"
#include "app/testcamera/FakeCameraFamily.h"

#include <gtest/gtest.h>

namespace tarsel::host {
namespace {

struct Series {
  Series() : host(family.makeCamera(0).release()) {}

  // Appends n new pictures and returns them in order.
  std::vector<IPictureFromCamera*> add(int n) {
    std::vector<IPictureFromCamera*> out;
    for (int i = 0; i < n; ++i) {
      CRefPtr<IPictureFromCamera> picture(new CPictureFromCamera);
      host.AddToSeries(picture.get());
      out.push_back(picture.get());
    }
    return out;
  }

  testcamera::FakeCameraFamily family;
  CConnectedCameraHost host;
};

TEST(CameraSeries, DeletingKeepsTheIndexOnTheNextPictureOrStepsBack) {
  Series s;
  EXPECT_EQ(s.host.GetCurrentIndex(), -1);
  EXPECT_EQ(s.host.GetPicture(), nullptr);
  EXPECT_FALSE(s.host.DeletePicture());

  const std::vector<IPictureFromCamera*> p = s.add(3);
  EXPECT_EQ(s.host.GetCurrentIndex(), 2);
  EXPECT_EQ(s.host.GetPicture(), p[2]);
  EXPECT_EQ(s.host.PreviousPicture(), p[1]);
  // Deleting the current middle picture: the index names the one that moved in.
  EXPECT_TRUE(s.host.DeletePicture());
  EXPECT_EQ(s.host.GetCurrentIndex(), 1);
  EXPECT_EQ(s.host.GetPicture(), p[2]);
  // Deleting the current last picture steps back.
  EXPECT_TRUE(s.host.DeletePicture());
  EXPECT_EQ(s.host.GetCurrentIndex(), 0);
  EXPECT_EQ(s.host.GetPicture(), p[0]);
  EXPECT_FALSE(s.host.DeletePicture(5));
  EXPECT_TRUE(s.host.DeletePicture());
  EXPECT_EQ(s.host.GetCurrentIndex(), -1);
  EXPECT_FALSE(s.host.HasPictures());
}

TEST(CameraSeries, DeletingBeforeTheCurrentPictureKeepsItCurrent) {
  Series s;
  const std::vector<IPictureFromCamera*> p = s.add(3);
  EXPECT_TRUE(s.host.DeletePicture(0));
  EXPECT_EQ(s.host.GetPicture(), p[2]);
  EXPECT_EQ(s.host.GetCurrentIndex(), 1);
}

TEST(CameraSeries, NavigationStopsAtTheEndsAndFewerThanTwoAreBothEnds) {
  Series s;
  EXPECT_TRUE(s.host.IsAtFirst());
  EXPECT_TRUE(s.host.IsAtLast());
  s.add(1);
  EXPECT_TRUE(s.host.IsAtFirst());
  EXPECT_TRUE(s.host.IsAtLast());
  EXPECT_EQ(s.host.NextPicture(), nullptr);
  EXPECT_EQ(s.host.PreviousPicture(), nullptr);
  const std::vector<IPictureFromCamera*> p = s.add(1);
  EXPECT_FALSE(s.host.IsAtFirst());
  EXPECT_TRUE(s.host.IsAtLast());
  EXPECT_EQ(s.host.NextPicture(), nullptr);
  ASSERT_NE(s.host.PreviousPicture(), nullptr);
  EXPECT_TRUE(s.host.IsAtFirst());
  EXPECT_FALSE(s.host.IsAtLast());
  EXPECT_EQ(s.host.NextPicture(), p[0]);
}

TEST(CameraSeries, ATakeAfterTheSeriesWasMarkedForReplaceStartsANewSeries) {
  Series s;
  s.add(2);
  s.host.MarkSeriesForReplace();
  EXPECT_EQ(s.host.GetPictureCount(), 2);
  const std::vector<IPictureFromCamera*> p = s.add(1);
  EXPECT_EQ(s.host.GetPictureCount(), 1);
  EXPECT_EQ(s.host.GetPicture(), p[0]);
  s.add(1);
  EXPECT_EQ(s.host.GetPictureCount(), 2) << "the mark is used once";
  EXPECT_EQ(s.host.SetZoomDivisor(1), 4);
  EXPECT_EQ(s.host.SetZoomDivisor(2), 1);
}

TEST(TarselEvents, TheSeventeenNumbersAreClaimedInQtsRegistry) {
  ReserveTarselEventTypes();
  EXPECT_EQ(WM_TARSEL_CAMERA_STATUS, QEvent::User + 105);
  for (int number = 101; number <= 117; ++number)
    EXPECT_NE(QEvent::registerEventType(QEvent::User + number), QEvent::User + number) << number;
}

} // namespace
} // namespace tarsel::host
