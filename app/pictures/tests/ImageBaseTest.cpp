#include "app/pictures/ImageBase.h"

#include "TestImage.h"
#include "platform/Win32Error.h"
#include "platform/testsupport/TestSupport.h"

#include <QColor>
#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <string>

namespace {

// The colour the test pattern gives pixel (x, y).
QColor patternColour(int x, int y) {
  return QColor((x * 37 + y * 11) % 256, (x * 5 + y * 101) % 256, (x * 71 + y * 3) % 256);
}

QImage blankCanvas(int width, int height) {
  QImage canvas(width, height, QImage::Format_RGB32);
  canvas.fill(Qt::black);
  return canvas;
}

} // namespace

TEST(ImageBase, SetDataStartsOverAndFreeImageDataResetsTheScale) {
  CTestImage image(4, 3);
  EXPECT_EQ(image.GetData(), nullptr);
  EXPECT_EQ(image.GetDataSize(), 0u);
  const BYTE bytes[] = {1, 2, 3, 4, 5};
  image.SetData(bytes, sizeof bytes);
  image.Decode(1, 2);
  EXPECT_TRUE(image.HasBitmap());
  EXPECT_EQ(image.GetScaleNumerator(), 1u);
  EXPECT_EQ(image.GetScaleDenominator(), 2u);
  EXPECT_EQ(image.GetBitmapWidth(), 4u);

  image.SetData(bytes, 2);
  EXPECT_FALSE(image.HasBitmap());
  EXPECT_EQ(image.GetDataSize(), 2u);
  EXPECT_EQ(image.GetScaleDenominator(), 1u);

  image.FreeImageData();
  EXPECT_EQ(image.GetData(), nullptr);
  EXPECT_EQ(image.GetDataSize(), 0u);
  EXPECT_EQ(image.GetScaleNumerator(), 1u);
  EXPECT_EQ(image.GetScaleDenominator(), 1u);
  EXPECT_EQ(image.GetBitmapWidth(), 640u);
  EXPECT_EQ(image.GetBitmapHeight(), 480u);
  EXPECT_EQ(image.GetPackedDib(), nullptr);
  EXPECT_EQ(image.GetPackedDibSize(), 0u);
  EXPECT_EQ(image.GetBitmapBits(), nullptr);

  EXPECT_THROW(image.SetData(nullptr, 10), _brantel_take_error);
}

TEST(ImageBase, ASnapshotOfTheBytesSurvivesARotation) {
  CTestImage image(2, 2);
  const BYTE bytes[] = {1, 2, 3};
  image.SetData(bytes, sizeof bytes);
  const CImageBase::BytesPtr before = image.GetDataBuffer();

  image.Rotate(1, false);
  EXPECT_EQ(*before, (CImageBase::Bytes{1, 2, 3}));
  EXPECT_EQ(*image.GetDataBuffer(), (CImageBase::Bytes{3, 2, 1, 0xEE}));
  EXPECT_EQ(image.GetDataSize(), 4u);
}

TEST(ImageBase, AssignCopiesBytesBitmapAndScaleButNotTheErrorOrFlag) {
  CTestImage source(3, 2);
  const BYTE bytes[] = {9, 8, 7};
  source.SetData(bytes, sizeof bytes);
  source.Decode(1, 4);
  source.SetImageFlag(1);
  source.SetDecodeError(_brantel_take_error(0x81060001));

  CTestImage withBitmap(1, 1);
  withBitmap.Assign(source, true);
  EXPECT_EQ(*withBitmap.GetDataBuffer(), *source.GetDataBuffer());
  ASSERT_TRUE(withBitmap.HasBitmap());
  EXPECT_NE(withBitmap.GetPackedDib(), source.GetPackedDib());
  EXPECT_EQ(withBitmap.GetPackedDibSize(), source.GetPackedDibSize());
  EXPECT_EQ(withBitmap.GetScaleDenominator(), 4u);
  EXPECT_EQ(withBitmap.GetDecodeError(), nullptr);
  EXPECT_EQ(withBitmap.GetImageFlag(), 0);

  CTestImage withoutBitmap(1, 1);
  withoutBitmap.Assign(source, false);
  EXPECT_FALSE(withoutBitmap.HasBitmap());
  EXPECT_EQ(withoutBitmap.GetDataSize(), 3u);
}

TEST(ImageBase, AFailedDecodeIsKeptAndThrownOnlyWhileTheFlagIsSet) {
  CTestImage image(0, 5);
  image.Decode(1, 1);
  ASSERT_NE(image.GetDecodeError(), nullptr);
  EXPECT_EQ(image.GetDecodeError()->Error(), static_cast<HRESULT>(0x81060004u));
  EXPECT_STREQ(image.GetDecodeError()->Explanation(), "Picture file may be (or have been) saved as normal.");
  EXPECT_FALSE(image.HasBitmap());

  EXPECT_EQ(image.SetImageFlag(1), 1);
  try {
    image.Decode(1, 1);
    ADD_FAILURE() << "the failure was not thrown";
  } catch (const _brantel_take_error& error) {
    EXPECT_EQ(error.Error(), static_cast<HRESULT>(0x81060004u));
  }
  image.FreeImageData();
  EXPECT_EQ(image.GetDecodeError(), nullptr);
}

TEST(ImageBase, DrawPaintsTheBitmapTheRightWayUp) {
  CTestImage image(5, 4);
  image.Decode(1, 1);

  QImage canvas = blankCanvas(20, 20);
  {
    QPainter painter(&canvas);
    EXPECT_EQ(image.Draw(&painter, 2, 3, 0, 0, -1, -1), 4);
  }
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x)
      EXPECT_EQ(canvas.pixelColor(2 + x, 3 + y), patternColour(x, y)) << x << "," << y;
  EXPECT_EQ(canvas.pixelColor(1, 3), QColor(Qt::black));
  EXPECT_EQ(canvas.pixelColor(2, 7), QColor(Qt::black));

  // A part counted from the top; a part reaching past the bitmap is clipped.
  QImage part = blankCanvas(10, 10);
  {
    QPainter painter(&part);
    EXPECT_EQ(image.Draw(&painter, 0, 0, 1, 2, 2, 2), 2);
    EXPECT_EQ(image.Draw(&painter, 5, 5, 3, 3, 10, 10), 1);
    EXPECT_EQ(image.Draw(&painter, 0, 0, 50, 50, 2, 2), 0);
  }
  EXPECT_EQ(part.pixelColor(0, 0), patternColour(1, 2));
  EXPECT_EQ(part.pixelColor(1, 1), patternColour(2, 3));
  EXPECT_EQ(part.pixelColor(5, 5), patternColour(3, 3));
  EXPECT_EQ(part.pixelColor(6, 5), patternColour(4, 3));
  EXPECT_EQ(part.pixelColor(7, 5), QColor(Qt::black));
  EXPECT_EQ(part.pixelColor(5, 6), QColor(Qt::black));

  const QImage copy = image.CreateDibSection();
  ASSERT_FALSE(copy.isNull());
  EXPECT_EQ(copy.size(), QSize(5, 4));
  EXPECT_EQ(copy.pixelColor(0, 0), patternColour(0, 0));
  EXPECT_EQ(copy.pixelColor(4, 3), patternColour(4, 3));
}

TEST(ImageBase, WithoutABitmapDrawShowsTheFailurePanelOnlyAfterAFailure) {
  CTestImage fresh(5, 4);
  QImage untouched = blankCanvas(700, 500);
  {
    QPainter painter(&untouched);
    EXPECT_EQ(fresh.Draw(&painter, 0, 0, 0, 0, -1, -1), 0);
    EXPECT_EQ(fresh.Draw(nullptr, 0, 0, 0, 0, -1, -1), 0);
  }
  EXPECT_EQ(untouched.pixelColor(100, 100), QColor(Qt::black));
  EXPECT_TRUE(fresh.CreateDibSection().isNull());

  CTestImage failed(0, 4);
  failed.Decode(1, 1);
  QImage panel = blankCanvas(700, 500);
  {
    QPainter painter(&panel);
    EXPECT_EQ(failed.Draw(&painter, 0, 0, 0, 0, -1, -1), 0);
  }
  // The panel covers 640 x 480 in the window colour and writes the error in
  // red and the source and note in blue.
  EXPECT_NE(panel.pixelColor(600, 450), QColor(Qt::black));
  EXPECT_EQ(panel.pixelColor(660, 490), QColor(Qt::black));
  bool red = false;
  bool blue = false;
  for (int y = 0; y < 200; ++y) {
    for (int x = 0; x < 640; ++x) {
      const QColor colour = panel.pixelColor(x, y);
      red = red || (colour.red() > 200 && colour.green() < 80 && colour.blue() < 80);
      blue = blue || (colour.blue() > 200 && colour.red() < 80 && colour.green() < 80);
    }
  }
  EXPECT_TRUE(red);
  EXPECT_TRUE(blue);
}

TEST(ImageBase, SaveToFileWritesExactlyTheCurrentBytes) {
  const tarsel::test::TempDir folder;
  CTestImage image(2, 2);
  const BYTE bytes[] = {0xFF, 0xD8, 0x00, 0x41, 0x0A, 0x0D};
  image.SetData(bytes, sizeof bytes);
  const std::string path = folder.file("a.jpg");
  tarsel::test::writeFile(path, std::string(100, 'x'));
  image.SaveToFile(path.c_str());
  EXPECT_EQ(tarsel::test::readFile(path), std::string(reinterpret_cast<const char*>(bytes), sizeof bytes));

  image.Rotate(1, false);
  image.SaveToFile(path.c_str());
  EXPECT_EQ(tarsel::test::readFile(path), std::string("\x0D\x0A\x41\x00\xD8\xFF\xEE", 7));

  try {
    image.SaveToFile(folder.file("missing/a.jpg").c_str());
    ADD_FAILURE() << "a file in a missing folder was written";
  } catch (const _brantel_take_error& error) {
    EXPECT_EQ(error.Error(), HRESULT(ERROR_FILE_NOT_FOUND));
  }
  try {
    image.SaveToFile(folder.path().c_str());
    ADD_FAILURE() << "a folder was written as a file";
  } catch (const _brantel_take_error& error) {
    EXPECT_GT(error.Error(), 0);
  }
}
