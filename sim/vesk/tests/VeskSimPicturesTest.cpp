// The files on the simulated card are what they claim to be: JPEGs that
// decode at their size with an EXIF block an independent reader understands,
// baseline TIFFs whose strip fits, raw files with their tag, and the same
// bytes for the same parameters.
#include "sim/vesk/VeskSimPictures.h"
#include "sim/vesk/VeskSimEngine.h"

#include "platform/testsupport/TestSupport.h"

#include <gtest/gtest.h>

#include <csetjmp>
#include <map>
#include <sstream>

#include <jpeglib.h>

using namespace tarsel::vesksim;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct DecodeError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

void onDecodeError(j_common_ptr cinfo) {
  std::longjmp(reinterpret_cast<DecodeError*>(cinfo->err)->jump, 1);
}

// Decodes every scanline; false when libjpeg finds the data broken.
bool decodeJpeg(const Bytes& data, unsigned& width, unsigned& height, std::uint8_t* row,
                std::size_t rowSize) {
  jpeg_decompress_struct cinfo;
  DecodeError error;
  cinfo.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = onDecodeError;
  if (setjmp(error.jump)) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  jpeg_create_decompress(&cinfo);
  jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
  jpeg_read_header(&cinfo, TRUE);
  jpeg_start_decompress(&cinfo);
  width = cinfo.output_width;
  height = cinfo.output_height;
  if (static_cast<std::size_t>(cinfo.output_width) * cinfo.output_components > rowSize) {
    jpeg_destroy_decompress(&cinfo);
    return false;
  }
  while (cinfo.output_scanline < cinfo.output_height) {
    JSAMPROW rows[1] = {row};
    jpeg_read_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_decompress(&cinfo);
  jpeg_destroy_decompress(&cinfo);
  return error.manager.num_warnings == 0;
}

bool decodes(const Bytes& data, unsigned expectWidth, unsigned expectHeight) {
  Bytes row(3 * 4096);
  unsigned w = 0;
  unsigned h = 0;
  return decodeJpeg(data, w, h, row.data(), row.size()) && w == expectWidth && h == expectHeight;
}

std::map<std::string, std::string> oracle(const Bytes& file) {
  tarsel::test::TempDir dir;
  const std::string path = dir.file("picture");
  tarsel::test::writeFile(path, std::string(file.begin(), file.end()));
  const auto result =
      tarsel::test::runProgram({"python3", tarsel::test::testDataDir() + "/exif_dump.py", path});
  std::map<std::string, std::string> tags;
  std::istringstream in(result.out);
  for (std::string line; std::getline(in, line);) {
    const auto eq = line.find('=');
    if (eq != std::string::npos)
      tags[line.substr(0, eq)] = line.substr(eq + 1);
  }
  if (result.exitCode != 0)
    tags["exit"] = std::to_string(result.exitCode);
  return tags;
}

PictureParams params() {
  PictureParams p;
  p.width = 640;
  p.height = 480;
  p.quality = 75;
  p.seed = 42;
  p.make = "BRANTEL";
  p.model = "XC-701";
  p.software = "XC701 FW 2.14";
  p.dateTime = "2024:05:01 12:00:00";
  p.exposureUs = 2000000;
  p.apertureTenths = 56;
  p.isoSpeed = 200;
  p.flash = 1;
  return p;
}

} // namespace

TEST(Pictures, JpegDecodesAtItsSizeWithTheExifAnIndependentReaderSees) {
  const Bytes jpeg = makeJpegPicture(params());
  ASSERT_GT(jpeg.size(), 100u);
  EXPECT_EQ(Bytes(jpeg.begin(), jpeg.begin() + 4), (Bytes{0xFF, 0xD8, 0xFF, 0xE1}));
  EXPECT_TRUE(decodes(jpeg, 640, 480));
  const auto tags = oracle(jpeg);
  EXPECT_EQ(tags.count("exit"), 0u) << tags.at("error");
  EXPECT_EQ(tags.at("format"), "jpeg");
  EXPECT_EQ(tags.at("endsWithEOI"), "1");
  EXPECT_EQ(tags.at("Make"), "BRANTEL");
  EXPECT_EQ(tags.at("Model"), "XC-701");
  EXPECT_EQ(tags.at("Software"), "XC701 FW 2.14");
  EXPECT_EQ(tags.at("DateTime"), "2024:05:01 12:00:00");
  EXPECT_EQ(tags.at("DateTimeOriginal"), "2024:05:01 12:00:00");
  EXPECT_EQ(tags.at("Orientation"), "1");
  EXPECT_EQ(tags.at("ISOSpeedRatings"), "200");
  EXPECT_EQ(tags.at("FNumber"), "56/10");
  EXPECT_EQ(tags.at("ExposureTime"), "2/1");
  EXPECT_EQ(tags.at("Flash"), "1");
  EXPECT_EQ(tags.at("PixelXDimension"), "640");
  EXPECT_EQ(tags.at("PixelYDimension"), "480");
}

TEST(Pictures, TiffIsBaselineRgbWithItsStripInsideTheFile) {
  PictureParams p = params();
  p.width = 320;
  p.height = 200;
  const Bytes tiff = makeTiffPicture(p);
  EXPECT_EQ(tiff.size() - 320u * 200u * 3u < 1024u, true);
  const auto tags = oracle(tiff);
  EXPECT_EQ(tags.count("exit"), 0u);
  EXPECT_EQ(tags.at("format"), "tiff");
  EXPECT_EQ(tags.at("stripInside"), "1");
  EXPECT_EQ(tags.at("stripSize"), "1");
  EXPECT_EQ(tags.at("ImageWidth"), "320");
  EXPECT_EQ(tags.at("ImageLength"), "200");
  EXPECT_EQ(tags.at("BitsPerSample"), "8,8,8");
  EXPECT_EQ(tags.at("Compression"), "1");
  EXPECT_EQ(tags.at("Photometric"), "2");
  EXPECT_EQ(tags.at("Model"), "XC-701");
  EXPECT_EQ(tags.at("ISOSpeedRatings"), "200");
}

TEST(Pictures, RawThumbnailPreviewAndQualityBehave) {
  PictureParams p = params();
  const Bytes raw = makeRawPicture(p);
  EXPECT_EQ(raw.size(), 32u + 640u * 480u * 3u / 2u);
  EXPECT_EQ(std::string(raw.begin(), raw.begin() + 3), "BRF");

  EXPECT_TRUE(decodes(makeThumbnail(p), 160, 120));
  const Bytes frame = makePreviewFrame(7, 3600);
  EXPECT_TRUE(decodes(frame, 320, 240));
  EXPECT_NE(makePreviewFrame(8, 3600), frame);

  p.quality = 95;
  const Bytes high = makeJpegPicture(p);
  p.quality = 75;
  EXPECT_GT(high.size(), makeJpegPicture(p).size() * 3 / 2);
  EXPECT_EQ(makeJpegPicture(p), makeJpegPicture(p));
  p.seed = 43;
  EXPECT_NE(makeJpegPicture(p), makeJpegPicture(params()));

  EXPECT_EQ(exifDateTime(0), "1970:01:01 00:00:00");
  EXPECT_EQ(exifDateTime(0x80000001u), "2038:01:19 03:14:09");
  PictureParams bad = params();
  bad.width = 0;
  EXPECT_THROW(makeJpegPicture(bad), std::runtime_error);
}

TEST(Pictures, CardHoldsJpegTiffAndRawOfTheModel) {
  VeskSimEngine engine;
  CardSetup card;
  card.jpegCount = 1;
  card.resolution = 4;
  card.tiff = true;
  card.raw = true;
  card.files.emplace_back("OWN.BIN", Bytes{1, 2, 3});
  engine.addCamera(*builtinModel("KT-300"), card);
  ASSERT_EQ(engine.pictureCount(0), 4u);
  const auto jpeg = engine.picture(0, 1);
  EXPECT_EQ(jpeg->format, PictureFormat::Jpeg);
  EXPECT_TRUE(decodes(*jpeg->bytes, 640, 480));
  EXPECT_EQ(oracle(*jpeg->bytes).at("Model"), "KT-300");
  const auto tiff = engine.picture(0, 2);
  EXPECT_EQ(tiff->fileName, "SIM_0002.TIF");
  EXPECT_EQ(oracle(*tiff->bytes).at("ImageWidth"), "640");
  const auto raw = engine.picture(0, 3);
  EXPECT_EQ(raw->fileName, "SIM_0003.BRF");
  EXPECT_EQ(raw->bytes->size(), 32u + 1280u * 960u * 3u / 2u);
  EXPECT_EQ(engine.picture(0, 4)->fileName, "OWN.BIN");
  EXPECT_EQ(*engine.picture(0, 4)->bytes, (Bytes{1, 2, 3}));

  tarsel::test::TempDir dir;
  std::string error;
  ASSERT_EQ(engine.dumpCard(0, dir.path(), error), 4u) << error;
  const std::string dumped = tarsel::test::readFile(dir.file("SIM_0002.TIF"));
  EXPECT_TRUE(Bytes(dumped.begin(), dumped.end()) == *tiff->bytes);
}
