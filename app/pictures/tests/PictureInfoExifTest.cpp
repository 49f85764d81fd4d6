#include "app/pictures/PictureInfoExif.h"

#include "app/pictures/PictureFromCamera.h"
#include "app/pictures/TiffBuffer.h"
#include "env/BrantelTakeError.h"
#include "hostapi/RefPtr.h"
#include "platform/testsupport/TestSupport.h"
#include "sim/cdsdk/CdSimPictures.h"
#include "sim/vesk/VeskSimPictures.h"

#include "CommaLocale.h"
#include "TiffBuilder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

using namespace tarsel::test;

namespace {

using Bytes = std::vector<BYTE>;
using Getter = void (CPictureInfoExif::*)(std::string*);
using C = CPictureInfoExif;

std::vector<std::string> textsOf(CPictureInfoExif& info) {
  std::vector<std::string> texts;
  for (Getter getter : {&C::GetOrientationText, &C::GetExposureTimeText, &C::GetApertureText, &C::GetDateText,
                        &C::GetExposureBiasText, &C::GetMeteringModeText, &C::GetLightSourceText,
                        &C::GetFlashText, &C::GetIsoText, &C::GetFocalLengthText, &C::GetDimensionsText}) {
    texts.emplace_back("unset");
    (info.*getter)(&texts.back());
  }
  texts.emplace_back();
  info.GetSizeText(&texts.back(), nullptr);
  return texts;
}

// A 640 x 480 picture's first directory with `first` and an Exif directory with `exif`.
Bytes exifBlock(bool little, std::vector<TiffBuilder::Entry> first,
                const std::vector<TiffBuilder::Entry>& exif) {
  TiffBuilder builder(little);
  const std::uint32_t exifAt = builder.directory(exif);
  first.insert(first.end(),
               {builder.longs(256, {640}), builder.longs(257, {480}), builder.longs(34665, {exifAt})});
  std::sort(first.begin(), first.end(), [](const auto& a, const auto& b) { return a.tag < b.tag; });
  builder.setFirst(builder.directory(first));
  return builder.bytes();
}

void expectEdgeCases(bool little) {
  const TiffBuilder b(little);
  const auto signedPair = [&](std::uint16_t tag, std::int32_t n, std::int32_t d) {
    return TiffBuilder::Entry{tag, 10, 1, b.encode32({std::uint32_t(n), std::uint32_t(d)})};
  };
  const struct {
    std::vector<TiffBuilder::Entry> first, exif;
    Getter getter;
    std::string expected;
  } rows[] = {
      {{}, {b.rational(33434, 1, 250)}, &C::GetExposureTimeText, "1/250 sec"},
      {{}, {b.rational(33434, 2, 1)}, &C::GetExposureTimeText, "2.000000 sec"},
      {{}, {b.rational(33434, 0, 0)}, &C::GetExposureTimeText, "ERROR"},
      {{}, {b.rational(33434, 10, 15)}, &C::GetExposureTimeText, "0.666667 sec"},
      // The quotient of the smallest denominator by -1 needs 64 bits.
      {{}, {signedPair(33434, -1, INT32_MIN)}, &C::GetExposureTimeText, "1/2147483648 sec"},
      {{}, {signedPair(33434, -1, 250)}, &C::GetExposureTimeText, "-0.004000 sec"},
      {{}, {b.rational(33437, 28, 10)}, &C::GetApertureText, "2.8 "},
      {{}, {signedPair(37380, -7, 10)}, &C::GetExposureBiasText, "-0.7"},
      {{}, {signedPair(37386, -1234, 10)}, &C::GetFocalLengthText, "-123.4 mm"},
      {{b.shorts(274, {9})}, {}, &C::GetOrientationText, "#9"},
      {{}, {b.shorts(37384, {4})}, &C::GetWhiteBalanceText, "#4"},
      {{}, {b.shorts(37385, {24})}, &C::GetFlashText, "#24"},
      {{}, {}, &C::GetDimensionsText, "640x480"},
      {{}, {b.longs(40962, {1600}), b.longs(40963, {1200})}, &C::GetDimensionsText, "1600x1200"},
  };
  for (const auto& row : rows) {
    const Bytes block = exifBlock(little, row.first, row.exif);
    CTiffBuffer tiff(block.data(), block.size());
    tiff.Parse();
    CPictureInfoExif info(&tiff);
    std::string text;
    (info.*row.getter)(&text);
    EXPECT_EQ(text, row.expected) << row.expected << (little ? " II" : " MM");
  }
}

} // namespace

TEST(PictureInfoExif, TextsFollowTheExifValuesInBothByteOrdersAndCopy) {
  expectEdgeCases(true);
  expectEdgeCases(false);

  const Bytes block = exifBlock(true, {}, {});
  CTiffBuffer tiff(block.data(), block.size());
  tiff.Parse();
  CPictureInfoExif info(&tiff);
  EXPECT_EQ(textsOf(info).back(), std::to_string(block.size()) + " bytes");
  const std::unique_ptr<IPictureInfo> copy(info.Clone());
  EXPECT_EQ(textsOf(*static_cast<CPictureInfoExif*>(copy.get())), textsOf(info));
  CPictureInfoExif empty(nullptr);
  EXPECT_EQ(textsOf(empty), std::vector<std::string>(12));
}

TEST(PictureInfoExif, NumbersKeepTheirPointUnderACommaLocale) {
  const CommaLocale comma;
  if (!comma.active())
    GTEST_SKIP() << "no German locale here";
  char printed[8];
  std::snprintf(printed, sizeof printed, "%.1f", 2.8);
  ASSERT_STREQ(printed, "2,8");
  expectEdgeCases(true);
}

TEST(PictureInfoExif, DamagedBlocksGiveErrorTextsAndNeverThrow) {
  const TiffBuilder b;
  const Bytes good =
      exifBlock(true, {b.shorts(274, {6})}, {b.rational(33434, 1, 250), b.ascii(36867, "2024")});
  // Every shortening and every byte turned to 0xFF, each in a buffer of
  // its own size so that a read past its end is seen.
  for (std::size_t at = 0; at < 2 * good.size(); ++at) {
    Bytes block(good.begin(), good.begin() + std::ptrdiff_t(std::min(at, good.size())));
    if (at >= good.size())
      block[at - good.size()] = 0xFF;
    const auto copy = std::make_unique<BYTE[]>(block.size() + 1);
    std::copy(block.begin(), block.end(), copy.get());
    CTiffBuffer tiff(copy.get(), block.size());
    try {
      tiff.Parse();
    } catch (const _brantel_take_error&) {
      CPictureInfoExif info(&tiff);
      EXPECT_EQ(textsOf(info).front(), "ERROR");
      continue;
    }
    EXPECT_NO_THROW(CPictureInfoExif info(&tiff));
  }
}

TEST(PictureInfoExif, AgreesWithExiftoolOnSimulatorPicturesAndHeldSamples) {
  TempDir dir;
  tarsel::vesksim::PictureParams params;
  params.exposureUs = 4000;
  params.apertureTenths = 28;
  params.isoSpeed = 200;
  params.biasTenths = -3;
  params.orientation = 6;
  const Bytes picture = tarsel::vesksim::makeJpegPicture(params);
  writeFile(dir.file("sim.jpg"), std::string(picture.begin(), picture.end()));
  writeFile(dir.file("edited.jpg"), std::string(picture.begin(), picture.end()));
  ASSERT_EQ(runProgram({"exiftool", "-q", "-q", "-n", "-overwrite_original", "-Orientation=9",
                        "-LightSource=4", "-FocalLength=35", "-Flash=24", "-ExposureTime=2",
                        "-MeteringMode=255", "-ISO=0", dir.file("edited.jpg")})
                .exitCode,
            0);
  const std::string held = testDataDir() + "/corpus/";
  // exiftool's raw values of each file, then our texts of the same tags.
  const struct {
    std::string path, raw;
    std::vector<std::string> texts;
  } files[] = {
      {dir.file("sim.jpg"),
       "6 0.004 2.8 -0.3 5 0 200 640 480",
       {"Right Top", "1/250 sec", "2.8 ", "-0.3", "Multi-segment", "No", "200", "640x480"}},
      {dir.file("edited.jpg"),
       "9 2 2.8 -0.3 255 24 0 640 480",
       {"#9", "2.000000 sec", "2.8 ", "-0.3", "Other", "#24", "0", "640x480"}},
      {held + "jpeg_image/exif",
       "6 0.008 - - - - - - -",
       {"Right Top", "1/125 sec", "ERROR", "ERROR", "Unknown", "No", "0", "0x0"}},
      {held + "tiff_directory/exif_be",
       "6 0.008 - - - - - - -",
       {"Right Top", "1/125 sec", "ERROR", "ERROR", "Unknown", "No", "0", "0x0"}},
  };
  for (const auto& file : files) {
    std::string raw = runProgram({"exiftool", "-n", "-f", "-s3", "-Orientation", "-ExposureTime", "-FNumber",
                                  "-ExposureCompensation", "-MeteringMode", "-Flash", "-ISO",
                                  "-ExifImageWidth", "-ExifImageHeight", file.path})
                          .out;
    std::replace(raw.begin(), raw.end(), '\n', ' ');
    EXPECT_EQ(raw, file.raw + " ") << file.path;

    const std::string bytes = readFile(file.path);
    CRefPtr<CPictureFromCamera> record(new CPictureFromCamera);
    record->SetImage(bytes.data(), DWORD(bytes.size()), nullptr, nullptr);
    const BYTE* block = nullptr;
    DWORD size = 0;
    bool copied = false;
    ASSERT_TRUE(record->GetExifBlock(&block, &size, &copied)) << file.path;
    const std::unique_ptr<const BYTE[]> owned(copied ? block : nullptr);
    CTiffBuffer tiff(block, size);
    tiff.Parse();
    CPictureInfoExif info(&tiff);
    const std::vector<std::string> all = textsOf(info);
    EXPECT_EQ(std::vector<std::string>({all[0], all[1], all[2], all[4], all[5], all[7], all[8], all[10]}),
              file.texts)
        << file.path;
  }
}

// The Canon stand-in's pictures carry the exposure a camera writes: the
// program shows numbers, the nominal values of the camera's settings.
TEST(PictureInfoExif, TheCanonStandInsPicturesShowTheirExposureAsNumbers) {
  const struct {
    std::uint16_t time, aperture, bias;
    std::vector<std::string> texts; // exposure time, aperture, bias
  } rows[] = {
      {104, 32, 24, {"1/60 sec", "2.8 ", "0.0 "}},    {120, 40, 21, {"1/250 sec", "4.0 ", "0.3 "}},
      {16, 8, 32, {"30.000000 sec", "1.0 ", "-1.0"}}, {96, 48, 28, {"1/30 sec", "5.6 ", "-0.5"}},
      {152, 64, 16, {"1/4000 sec", "11.0", "1.0 "}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.time);
    tarsel::cdsim::PictureParams params;
    params.width = 64;
    params.height = 48;
    params.exposureGiven = true;
    params.exposureTimeCode = row.time;
    params.apertureCode = row.aperture;
    params.exposureBiasCode = row.bias;
    const auto picture = tarsel::cdsim::makeJpegPicture(params);
    CRefPtr<CPictureFromCamera> record(new CPictureFromCamera);
    record->SetImage(picture.data(), DWORD(picture.size()), nullptr, nullptr);
    const BYTE* block = nullptr;
    DWORD size = 0;
    bool copied = false;
    ASSERT_TRUE(record->GetExifBlock(&block, &size, &copied));
    const std::unique_ptr<const BYTE[]> owned(copied ? block : nullptr);
    CTiffBuffer tiff(block, size);
    tiff.Parse();
    CPictureInfoExif info(&tiff);
    const std::vector<std::string> all = textsOf(info);
    EXPECT_EQ(std::vector<std::string>({all[1], all[2], all[4]}), row.texts);
  }
}
