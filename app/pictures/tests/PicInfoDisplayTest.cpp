#include "app/pictures/PicInfoDisplay1.h"
#include "app/pictures/PicInfoDisplay2.h"

#include "app/pictures/PictureFromCamera.h"
#include "hostapi/IPictureInfo.h"
#include "hostapi/RefPtr.h"
#include "sim/vesk/VeskSimPictures.h"

#include <QColor>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace {

using Bytes = std::vector<BYTE>;

// What a camera family attaches to a picture.
class CameraInfo : public IPictureInfo {
public:
  void GetWhiteBalanceText(std::string* out) override { *out = "Cloudy"; }
  void GetFlashText(std::string* out) override { *out = "Off"; }
  void GetIsoText(std::string* out) override { *out = "400"; }
  void GetSizeText(std::string* out, const char* format) override {
    char text[64];
    std::snprintf(text, sizeof text, format, 12345);
    *out = text;
  }
  IPictureInfo* Clone() override { return new CameraInfo; }
};

// The panel's values as the layouts receive them.
class Probe : public CPicInfoDisplayBase {
public:
  using CPicInfoDisplayBase::ReadValues;
  using CPicInfoDisplayBase::Values;
};

CRefPtr<CPictureFromCamera> recordOf(const Bytes& bytes, IPictureInfo* info,
                                     const char* rawExtension = nullptr) {
  CRefPtr<CPictureFromCamera> record(new CPictureFromCamera);
  record->SetImage(bytes.data(), DWORD(bytes.size()), rawExtension, info);
  return record;
}

tarsel::vesksim::PictureParams simParams(std::uint32_t iso) {
  tarsel::vesksim::PictureParams params;
  params.width = 160;
  params.height = 120;
  params.exposureUs = 4000;
  params.apertureTenths = 28;
  params.isoSpeed = iso;
  return params;
}

void expectEmpty(IPictureFromCamera* picture, const char* what) {
  CPicInfoDisplay1 one(nullptr, picture);
  CPicInfoDisplay2 two(nullptr, picture);
  EXPECT_EQ(one.GetWidth(), 0) << what;
  EXPECT_EQ(one.GetHeight(), 0) << what;
  EXPECT_EQ(two.GetWidth(), 0) << what;
  EXPECT_EQ(two.GetHeight(), 0) << what;
}

// The bounding box of what is not background.
QRect inkOf(const QImage& image) {
  const QColor background = QGuiApplication::palette().color(QPalette::Window);
  QRect ink;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (image.pixelColor(x, y) != background)
        ink |= QRect(x, y, 1, 1);
    }
  }
  return ink;
}

QImage painted(CPicInfoDisplayBase& panel) {
  QImage canvas(panel.GetWidth(), panel.GetHeight(), QImage::Format_RGB32);
  canvas.fill(Qt::red);
  QPainter painter(&canvas);
  panel.Paint(&painter, 0, 0);
  return canvas;
}

} // namespace

TEST(PicInfoDisplay, PicturesWithoutExifGiveEmptyPanels) {
  const tarsel::vesksim::PictureParams params = simParams(0);
  CameraInfo camera;
  expectEmpty(nullptr, "no picture");
  CRefPtr<CPictureFromCamera> none(new CPictureFromCamera);
  expectEmpty(none.get(), "no image");
  expectEmpty(recordOf(tarsel::vesksim::makeRawPicture(params), &camera, ".BRF").get(), "raw");
  expectEmpty(recordOf(tarsel::vesksim::makeThumbnail(params), &camera).get(), "JPEG without Exif");
}

TEST(PicInfoDisplay, ValuesComeFromExifAndFromTheCameraInformation) {
  CameraInfo camera;
  const Bytes withoutIso = tarsel::vesksim::makeJpegPicture(simParams(0));
  Probe::Values values;
  ASSERT_TRUE(Probe::ReadValues(recordOf(withoutIso, &camera).get(), &values));
  EXPECT_EQ(values.exposureTime, "1/250 sec");
  EXPECT_EQ(values.aperture, "2.8 ");
  EXPECT_EQ(values.dimensions, "160x120");
  EXPECT_EQ(values.isoSpeed, "400");
  EXPECT_EQ(values.whiteBalance, "Cloudy");
  EXPECT_EQ(values.flash, "Off");
  EXPECT_EQ(values.fileSize, "12345 bytes");

  ASSERT_TRUE(
      Probe::ReadValues(recordOf(tarsel::vesksim::makeJpegPicture(simParams(200)), &camera).get(), &values));
  EXPECT_EQ(values.isoSpeed, "200");

  ASSERT_TRUE(Probe::ReadValues(recordOf(withoutIso, nullptr).get(), &values));
  EXPECT_EQ(values.isoSpeed, "0");
  EXPECT_EQ(values.whiteBalance, "");
  EXPECT_EQ(values.flash, "");
  EXPECT_EQ(values.fileSize, "");

  // The Exif header's first directory moved outside the block: the panel
  // still shows, its Exif values as errors.
  Bytes damaged = withoutIso;
  ASSERT_EQ(damaged[3], 0xE1);
  const BYTE far[] = {0x00, 0xFF, 0xFF, 0xFF};
  std::copy(std::begin(far), std::end(far), damaged.begin() + 16);
  CRefPtr<CPictureFromCamera> record = recordOf(damaged, &camera);
  ASSERT_TRUE(Probe::ReadValues(record.get(), &values));
  EXPECT_EQ(values.exposureTime, "ERROR");
  EXPECT_EQ(values.dimensions, "ERROR");
  EXPECT_EQ(values.flash, "Off");
  CPicInfoDisplay1 one(nullptr, record.get());
  CPicInfoDisplay2 two(nullptr, record.get());
  EXPECT_GT(one.GetWidth(), 0);
  EXPECT_GT(two.GetHeight(), 0);
}

TEST(PicInfoDisplay, PanelsHoldTheirTextAndReachTheBitmapEdge) {
  CameraInfo camera;
  // A small decoded picture: the text decides the sizes.
  CRefPtr<CPictureFromCamera> record = recordOf(tarsel::vesksim::makeJpegPicture(simParams(0)), &camera);
  record->Decode(1, 1);
  ASSERT_EQ(record->GetBitmapHeight(), 120u);
  CPicInfoDisplay1 one(nullptr, record.get());
  CPicInfoDisplay2 two(nullptr, record.get());
  ASSERT_GT(one.GetWidth(), 0);
  ASSERT_GT(two.GetWidth(), 0);
  // Twelve rows in one column against four rows in three blocks.
  EXPECT_GT(one.GetHeight(), 2 * two.GetHeight());
  EXPECT_GT(two.GetWidth(), one.GetWidth());
  for (CPicInfoDisplayBase* panel :
       {static_cast<CPicInfoDisplayBase*>(&one), static_cast<CPicInfoDisplayBase*>(&two)}) {
    const QImage image = painted(*panel);
    EXPECT_EQ(image.pixelColor(0, 0), QGuiApplication::palette().color(QPalette::Window));
    // The text begins at the margin and ends at the right and bottom edges.
    const QRect ink = inkOf(image);
    EXPECT_GE(ink.left(), 5);
    EXPECT_LE(ink.left(), 8);
    EXPECT_GE(ink.right(), panel->GetWidth() - 4);
    EXPECT_GE(ink.bottom(), panel->GetHeight() - 8);
  }

  // A decoded picture larger than the text: the one-column panel is as
  // tall as the bitmap, the three-block panel as wide.
  tarsel::vesksim::PictureParams params = simParams(0);
  params.width = 1200;
  params.height = 900;
  record = recordOf(tarsel::vesksim::makeJpegPicture(params), &camera);
  record->Decode(1, 1);
  ASSERT_EQ(record->GetBitmapWidth(), 1200u);
  EXPECT_EQ(CPicInfoDisplay1(nullptr, record.get()).GetHeight(), 900);
  EXPECT_EQ(CPicInfoDisplay2(nullptr, record.get()).GetWidth(), 1200);
}
