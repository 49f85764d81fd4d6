// The JPEG image against the command-line tools of the same library:
// rotations byte for byte like jpegtran, pixels like djpeg, and damaged files
// that fail with the library's error and leave the image usable.
#include "app/pictures/JPEGImage.h"

#include "platform/Win32Error.h"
#include "platform/testsupport/TestSupport.h"

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <utility>
#include <vector>

using tarsel::test::readFile;
using tarsel::test::runProgram;
using tarsel::test::TempDir;
using tarsel::test::testDataDir;
using tarsel::test::writeFile;

namespace {

constexpr HRESULT kBadParameter = static_cast<HRESULT>(0x81060004u);

const char* const kSamples[] = {"s420_64x48", "s420_70x45", "s422_64x48", "s422_70x45",
                                "s444_64x48", "s444_70x45", "grey_64x48", "grey_70x45"};

bool isJpegError(HRESULT code) {
  return (static_cast<std::uint32_t>(code) & 0xFFFF0000u) == 0x81060000u;
}

bool haveProgram(const char* path) {
  return ::access(path, X_OK) == 0;
}

// The process's peak resident memory so far, in bytes.
std::uint64_t peakResidentBytes() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return std::uint64_t(usage.ru_maxrss) * 1024;
}

class JpegImage : public testing::Test {
protected:
  static void SetUpTestSuite() {
    s_folder = std::make_unique<TempDir>();
#ifdef TARSEL_JPEG_SAMPLES
    // Made once when the build was configured; each case works on its own copy.
    std::error_code error;
    std::filesystem::copy(TARSEL_JPEG_SAMPLES, s_folder->path(), error);
    s_haveSamples = !error && ::access(path("s420_64x48.jpg").c_str(), R_OK) == 0;
    if (s_haveSamples)
      return;
#endif
    const auto made = runProgram({"/usr/bin/python3", testDataDir() + "/jpeg_samples.py", s_folder->path()});
    s_haveSamples = made.exitCode == 0;
  }
  static void TearDownTestSuite() {
    s_folder.reset();
  }

  void SetUp() override {
    if (!s_haveSamples)
      GTEST_SKIP() << "/usr/bin/python3 with PIL is needed to make the test pictures";
  }

  static std::string path(const std::string& name) {
    return s_folder->file(name);
  }
  static std::string sample(const std::string& name) {
    return readFile(path(name + ".jpg"));
  }

  static void load(CJPEGImage& image, const std::string& bytes) {
    image.SetData(bytes.data(), DWORD(bytes.size()));
  }
  static std::string bytesOf(const CImageBase& image) {
    return std::string(reinterpret_cast<const char*>(image.GetData()), image.GetDataSize());
  }

  static std::unique_ptr<TempDir> s_folder;
  static bool s_haveSamples;
};

std::unique_ptr<TempDir> JpegImage::s_folder;
bool JpegImage::s_haveSamples = false;

// A PPM (P6) or PGM (P5) picture as red, green, blue bytes per pixel.
struct Pnm {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgb;
};

bool parsePnm(const std::string& data, Pnm& out) {
  std::size_t at = 0;
  auto token = [&]() {
    while (at < data.size() && (data[at] == ' ' || data[at] == '\n' || data[at] == '\r' || data[at] == '\t'))
      ++at;
    const std::size_t start = at;
    while (at < data.size() && !(data[at] == ' ' || data[at] == '\n' || data[at] == '\r' || data[at] == '\t'))
      ++at;
    return data.substr(start, at - start);
  };
  const std::string magic = token();
  out.width = std::stoi(token());
  out.height = std::stoi(token());
  token(); // maximum value, 255
  ++at;    // the single blank before the pixels
  const int channels = magic == "P6" ? 3 : magic == "P5" ? 1 : 0;
  if (!channels || data.size() - at != std::size_t(out.width) * std::size_t(out.height) * channels)
    return false;
  for (std::size_t i = at; i < data.size(); i += channels)
    for (int c = 0; c < 3; ++c)
      out.rgb.push_back(static_cast<unsigned char>(data[i + (channels == 3 ? c : 0)]));
  return true;
}

// The bitmap pixel (x, y from the top) as red, green, blue.
std::vector<unsigned char> bitmapPixel(CImageBase& image, int x, int y) {
  const auto* rows = static_cast<const unsigned char*>(image.GetBitmapBits());
  const int height = int(image.GetBitmapHeight());
  const int stride = (int(image.GetBitmapWidth()) * 3 + 3) & ~3;
  const unsigned char* bgr = rows + std::size_t(height - 1 - y) * stride + std::size_t(x) * 3;
  return {bgr[2], bgr[1], bgr[0]};
}

TEST_F(JpegImage, RotationsAreByteIdenticalToJpegtranCopyingAllMarkers) {
  if (!haveProgram("/usr/bin/jpegtran"))
    GTEST_SKIP() << "jpegtran (libjpeg-turbo-progs) is missing";
  const char* const angles[] = {"90", "180", "270"};
  std::vector<std::string> files = {"progressive", "xmp", "cmyk"};
  for (const char* name : kSamples) {
    files.push_back(name);
    files.push_back(std::string(name) + "_marked");
  }
  for (const std::string& file : files) {
    for (int code = 1; code <= 3; ++code) {
      SCOPED_TRACE(file + " rotated by " + angles[code - 1]);
      const std::string expectedPath = path(file + "_" + angles[code - 1] + ".jpg");
      const auto ran = runProgram({"/usr/bin/jpegtran", "-rotate", angles[code - 1], "-copy", "all",
                                   "-outfile", expectedPath, path(file + ".jpg")});
      ASSERT_EQ(ran.exitCode, 0);
      CJPEGImage image;
      load(image, sample(file));
      image.Rotate(code, false);
      EXPECT_EQ(image.GetDecodeError(), nullptr);
      EXPECT_TRUE(bytesOf(image) == readFile(expectedPath));
    }
  }
}

TEST_F(JpegImage, NinetyThenTwoSeventyGivesBackTheOriginalBytes) {
  for (const char* name : {"s420_64x48", "s422_64x48", "s444_64x48", "grey_64x48", "s420_64x48_marked"}) {
    SCOPED_TRACE(name);
    const std::string original = sample(name);
    CJPEGImage image;
    load(image, original);
    image.Rotate(1, false);
    EXPECT_NE(bytesOf(image), original);
    image.Rotate(3, false);
    EXPECT_TRUE(bytesOf(image) == original);
  }
}

TEST_F(JpegImage, ExifBlockAndCommentSurviveEveryRotation) {
  const std::string tiffBlock = readFile(path("tiff_block.bin"));
  for (const char* name : {"s420_70x45_marked", "grey_64x48_marked"}) {
    for (int code = 1; code <= 3; ++code) {
      SCOPED_TRACE(std::string(name) + " code " + std::to_string(code));
      CJPEGImage image;
      load(image, sample(name));
      image.Rotate(code, true);
      ASSERT_EQ(image.GetDecodeError(), nullptr);
      const BYTE* block = nullptr;
      DWORD size = 0;
      bool copied = false;
      ASSERT_TRUE(image.GetExifBlock(&block, &size, &copied));
      ASSERT_TRUE(copied);
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(block), size), tiffBlock);
      delete[] block;
      EXPECT_NE(bytesOf(image).find("\xFF\xFE" + std::string("\x00\x19", 2) + "tarsel comment survives"),
                std::string::npos);
    }
  }
}

TEST_F(JpegImage, DecodedPixelsMatchDjpegAtEachScale) {
  if (!haveProgram("/usr/bin/djpeg"))
    GTEST_SKIP() << "djpeg (libjpeg-turbo-progs) is missing";
  for (const char* name : kSamples) {
    for (const DWORD denominator : {1u, 2u, 4u, 8u}) {
      SCOPED_TRACE(std::string(name) + " at 1/" + std::to_string(denominator));
      const std::string scale = "1/" + std::to_string(denominator);
      const std::string out = path(std::string(name) + "_" + std::to_string(denominator) + ".pnm");
      ASSERT_EQ(runProgram({"/usr/bin/djpeg", "-scale", scale, "-pnm", "-outfile", out,
                            path(std::string(name) + ".jpg")})
                    .exitCode,
                0);
      Pnm expected;
      ASSERT_TRUE(parsePnm(readFile(out), expected));

      CJPEGImage image;
      load(image, sample(name));
      image.Decode(1, denominator);
      ASSERT_TRUE(image.HasBitmap());
      EXPECT_EQ(image.GetScaleNumerator(), 1u);
      EXPECT_EQ(image.GetScaleDenominator(), denominator);
      ASSERT_EQ(int(image.GetBitmapWidth()), expected.width);
      ASSERT_EQ(int(image.GetBitmapHeight()), expected.height);
      EXPECT_EQ(image.GetPictureWidth(), name[5] == '6' || name[7] == '6' ? 64u : 70u);
      int wrong = 0;
      for (int y = 0; y < expected.height; ++y)
        for (int x = 0; x < expected.width; ++x) {
          const std::size_t at = (std::size_t(y) * expected.width + x) * 3;
          const std::vector<unsigned char> want(expected.rgb.begin() + at, expected.rgb.begin() + at + 3);
          wrong += bitmapPixel(image, x, y) != want;
        }
      EXPECT_EQ(wrong, 0);
    }
  }
}

TEST_F(JpegImage, RectangleIsTheSameWindowAsAWholeDecodeAndBadRectanglesFail) {
  const std::string bytes = sample("s422_70x45");
  CJPEGImage whole;
  load(whole, bytes);
  whole.Decode(1, 1);
  ASSERT_TRUE(whole.HasBitmap());

  CJPEGImage image;
  load(image, bytes);
  image.Decode(1, 2);
  image.DecodeRect(13, 7, 41, 30);
  ASSERT_TRUE(image.HasBitmap());
  EXPECT_EQ(image.GetScaleNumerator(), 1u);
  EXPECT_EQ(image.GetScaleDenominator(), 1u);
  ASSERT_EQ(image.GetBitmapWidth(), 41u);
  ASSERT_EQ(image.GetBitmapHeight(), 30u);
  int wrong = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 41; ++x)
      wrong += bitmapPixel(image, x, y) != bitmapPixel(whole, x + 13, y + 7);
  EXPECT_EQ(wrong, 0);
  image.DecodeRect(0, 0, 70, 45);
  EXPECT_TRUE(image.HasBitmap());

  struct Row {
    std::int32_t x, y, width, height;
  };
  const Row bad[] = {{0, 0, 0, 10},  {0, 0, 10, 0},  {-1, 0, 10, 10}, {0, -1, 10, 10},
                     {0, 0, 71, 10}, {0, 0, 10, 46}, {60, 0, 11, 10}, {0x7FFFFFFF, 0, 0x7FFFFFFF, 1}};
  for (const Row& row : bad) {
    SCOPED_TRACE(std::to_string(row.x) + "," + std::to_string(row.y) + " " + std::to_string(row.width) + "x" +
                 std::to_string(row.height));
    image.DecodeRect(row.x, row.y, row.width, row.height);
    EXPECT_FALSE(image.HasBitmap());
    ASSERT_NE(image.GetDecodeError(), nullptr);
    EXPECT_EQ(image.GetDecodeError()->Error(), kBadParameter);
    // The decoder is back at its start: the next decode works.
    image.Decode(1, 4);
    EXPECT_TRUE(image.HasBitmap());
  }
}

TEST_F(JpegImage, TruncatedFilesNeverFailUnsafelyAndTheNextDecodeAndRotationWork) {
  const std::string good = sample("progressive");
  for (const std::string name : {"s420_70x45_marked", "progressive", "grey_70x45"}) {
    const std::string bytes = sample(name);
    for (std::size_t length = 0; length < bytes.size(); length += (length < 700 ? 1 : 97)) {
      SCOPED_TRACE(name + " cut to " + std::to_string(length));
      CJPEGImage image;
      // A copy of exactly `length` bytes, so a read past them is caught by
      // the sanitizers.
      load(image, bytes.substr(0, length));
      image.Decode(1, 2);
      if (image.HasBitmap()) {
        EXPECT_EQ(image.GetDecodeError(), nullptr);
      } else {
        ASSERT_NE(image.GetDecodeError(), nullptr);
        EXPECT_TRUE(isJpegError(image.GetDecodeError()->Error()))
            << std::hex << image.GetDecodeError()->Error();
      }
      const std::string before = bytesOf(image);
      image.Rotate(1, false);
      if (image.GetDecodeError() && isJpegError(image.GetDecodeError()->Error()) &&
          bytesOf(image) == before) {
        // A failed rotation leaves the bytes as they were.
      } else {
        EXPECT_NE(bytesOf(image), before);
      }
      const BYTE* block = nullptr;
      DWORD size = 0;
      bool copied = false;
      if (image.GetExifBlock(&block, &size, &copied) && copied)
        delete[] block;

      load(image, good);
      image.Decode(1, 1);
      EXPECT_TRUE(image.HasBitmap());
      EXPECT_EQ(image.GetDecodeError(), nullptr);
      image.Rotate(2, true);
      EXPECT_TRUE(image.HasBitmap());
      EXPECT_EQ(image.GetDecodeError(), nullptr);
    }
  }
}

TEST_F(JpegImage, AFileCutInsideItsPixelsDecodesWholeWithAWarning) {
  const std::string bytes = sample("s444_70x45");
  CJPEGImage image;
  load(image, bytes.substr(0, bytes.size() * 2 / 3));
  image.Decode(1, 1);
  EXPECT_TRUE(image.HasBitmap());
  EXPECT_EQ(image.GetDecodeError(), nullptr);
  EXPECT_EQ(image.GetTruncationWarnings(), 1u);
  image.Rotate(1, true);
  EXPECT_EQ(image.GetDecodeError(), nullptr);
  EXPECT_EQ(image.GetBitmapWidth(), 45u);
  EXPECT_EQ(image.GetBitmapHeight(), 70u);
}

TEST_F(JpegImage, HeaderFailuresGiveTheLibraryMessageNumber) {
  struct Row {
    const char* what;
    std::string bytes;
    HRESULT code;
  };
  const std::string good = sample("s420_64x48");
  std::string badFrameLength = good;
  const std::size_t frame = badFrameLength.find("\xFF\xC0");
  ASSERT_NE(frame, std::string::npos);
  badFrameLength[frame + 2] = 0;
  badFrameLength[frame + 3] = 1;
  const Row rows[] = {
      // JERR_NO_SOI (53): the data does not start with a start marker.
      {"not a JPEG", std::string("\xFF\xD9garbage", 9), static_cast<HRESULT>(0x81060035u)},
      // JERR_NO_IMAGE (51): only the start and end markers.
      {"no image", std::string("\xFF\xD8\xFF\xD9", 4), static_cast<HRESULT>(0x81060033u)},
      // JERR_BAD_LENGTH (11): a frame header of length 1.
      {"bogus length", badFrameLength, static_cast<HRESULT>(0x8106000Bu)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    CJPEGImage image;
    load(image, row.bytes);
    image.Decode(1, 1);
    ASSERT_NE(image.GetDecodeError(), nullptr);
    EXPECT_EQ(image.GetDecodeError()->Error(), row.code);
    EXPECT_STRNE(image.GetDecodeError()->ErrorMessage(), "");
    EXPECT_STREQ(image.GetDecodeError()->Explanation(),
                 "Picture file may be (or have been) saved as normal.");
    const std::string before = bytesOf(image);
    image.Rotate(1, true);
    ASSERT_NE(image.GetDecodeError(), nullptr);
    EXPECT_EQ(image.GetDecodeError()->Error(), row.code);
    EXPECT_TRUE(bytesOf(image) == before);
    // While the image flag is set the failure reaches the caller too.
    image.SetImageFlag(1);
    try {
      image.Decode(1, 1);
      ADD_FAILURE() << "no exception";
    } catch (const _brantel_take_error& error) {
      EXPECT_EQ(error.Error(), row.code);
    }
  }
}

// An APP1 Exif marker whose sub-directory holds the image width and height
// (SHORT values), in either byte order.
std::string exifSizeMarker(bool littleEndian, unsigned width, unsigned height) {
  std::string tiff = littleEndian ? std::string("II*\0", 4) : std::string("MM\0*", 4);
  auto put = [&](unsigned value, int size) {
    for (int i = 0; i < size; ++i)
      tiff += char(value >> (8 * (littleEndian ? i : size - 1 - i)));
  };
  // One directory of entries (tag, type, one value; SHORT is 3) after its
  // count, and no next directory.
  auto directory = [&](std::vector<std::pair<unsigned, unsigned>> entries, unsigned type) {
    put(unsigned(entries.size()), 2);
    for (const auto& [tag, value] : entries) {
      put(tag, 2);
      put(type, 2);
      put(1, 4);
      put(value, type == 3 ? 2 : 4);
      if (type == 3)
        put(0, 2);
    }
    put(0, 4);
  };
  put(8, 4);
  directory({{0x8769, 26}}, 4);
  directory({{0xA002, width}, {0xA003, height}}, 3);
  const std::string payload = std::string("Exif\0\0", 6) + tiff;
  return std::string("\xFF\xE1", 2) + char((payload.size() + 2) >> 8) + char(payload.size() + 2) + payload;
}

TEST_F(JpegImage, SamplingsTurboJpegRefusesRotateByteIdenticalToJpegtran) {
  if (!haveProgram("/usr/bin/jpegtran") || !haveProgram("/usr/bin/cjpeg"))
    GTEST_SKIP() << "jpegtran and cjpeg (libjpeg-turbo-progs) are needed";
  struct Row {
    const char* sampling;
    std::vector<std::string> options;
    int width, height;
    std::string markers;
  };
  const std::string comment = "\xFF\xFE" + std::string("\x00\x06", 2) + "note";
  const std::string app2 = "\xFF\xE2" + std::string("\x00\x05", 2) + "icc";
  // Sizes with partial iMCUs at the right and bottom, and one of whole iMCUs.
  const Row rows[] = {
      {"1x4,1x1,1x1", {}, 70, 45, exifSizeMarker(true, 70, 45) + comment + app2},
      {"3x1,1x1,1x1", {"-progressive"}, 70, 45, exifSizeMarker(false, 70, 45) + comment},
      {"4x2,1x1,1x1", {"-restart", "1"}, 64, 32, comment},
      {"4x2,1x1,1x1", {}, 37, 53, app2 + exifSizeMarker(false, 37, 53)},
      {"2x2,2x1,1x2", {"-arithmetic"}, 53, 37, ""},
      {"1x2,2x1,1x1", {}, 45, 70, exifSizeMarker(true, 45, 70)},
  };
  const char* const angles[] = {"90", "180", "270"};
  for (const Row& row : rows) {
    const std::string name = std::string(row.sampling) + "_" + std::to_string(row.width) + "x" +
                             std::to_string(row.height) + (row.options.empty() ? "" : row.options[0]);
    std::string pixels = "P6\n" + std::to_string(row.width) + " " + std::to_string(row.height) + "\n255\n";
    for (int y = 0; y < row.height; ++y)
      for (int x = 0; x < row.width; ++x)
        pixels += {char(x * 7 + y), char(y * 5 - x * 3), char((x ^ y) * 9)};
    writeFile(path(name + ".ppm"), pixels);
    std::vector<std::string> cjpeg = {"/usr/bin/cjpeg", "-sample", row.sampling};
    cjpeg.insert(cjpeg.end(), row.options.begin(), row.options.end());
    cjpeg.insert(cjpeg.end(), {"-outfile", path(name + ".jpg"), path(name + ".ppm")});
    ASSERT_EQ(runProgram(cjpeg).exitCode, 0) << name;
    const std::string plain = readFile(path(name + ".jpg"));
    writeFile(path(name + ".jpg"), plain.substr(0, 2) + row.markers + plain.substr(2));
    for (int code = 1; code <= 3; ++code) {
      SCOPED_TRACE(name + " rotated by " + angles[code - 1]);
      const std::string expectedPath = path(name + "_" + angles[code - 1] + ".jpg");
      ASSERT_EQ(runProgram({"/usr/bin/jpegtran", "-copy", "all", "-rotate", angles[code - 1], "-outfile",
                            expectedPath, path(name + ".jpg")})
                    .exitCode,
                0);
      CJPEGImage image;
      load(image, sample(name));
      image.Rotate(code, true);
      EXPECT_EQ(image.GetDecodeError(), nullptr);
      EXPECT_TRUE(image.HasBitmap());
      EXPECT_TRUE(bytesOf(image) == readFile(expectedPath));
    }
  }
  // Such a picture too large to decode is refused before it is turned.
  std::string huge = sample("1x4,1x1,1x1_70x45");
  const std::size_t frame = huge.find("\xFF\xC0");
  ASSERT_NE(frame, std::string::npos);
  huge.replace(frame + 5, 4, "\xFF\xDC\xFF\xDC");
  CJPEGImage image;
  load(image, huge);
  image.Rotate(1, false);
  ASSERT_NE(image.GetDecodeError(), nullptr);
  EXPECT_EQ(image.GetDecodeError()->Error(), HRESULT(ERROR_NOT_ENOUGH_MEMORY));
  EXPECT_TRUE(bytesOf(image) == huge);
}

TEST_F(JpegImage, CmykPicturesRotateButDoNotDecode) {
  CJPEGImage image;
  load(image, sample("cmyk"));
  image.Decode(1, 1);
  EXPECT_FALSE(image.HasBitmap());
  ASSERT_NE(image.GetDecodeError(), nullptr);
  // JERR_CONVERSION_NOTIMPL (27): there is no blue-green-red form of CMYK.
  EXPECT_EQ(image.GetDecodeError()->Error(), static_cast<HRESULT>(0x8106001Bu));
  const std::string before = bytesOf(image);
  load(image, before);
  image.Rotate(2, false);
  EXPECT_EQ(image.GetDecodeError(), nullptr);
  EXPECT_FALSE(bytesOf(image) == before);
}

TEST_F(JpegImage, BitFlippedFilesFailCleanlyOrDecode) {
  const std::string bytes = sample("s420_70x45_marked");
  std::uint32_t seed = 12345;
  auto next = [&seed]() {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  CJPEGImage image;
  for (int round = 0; round < 300; ++round) {
    std::string damaged = bytes;
    for (int flips = 1 + int(next() % 4); flips > 0; --flips)
      damaged[next() % damaged.size()] ^= static_cast<char>(1u << (next() % 8));
    load(image, damaged);
    image.Decode(1, 1 + round % 8);
    if (!image.HasBitmap()) {
      ASSERT_NE(image.GetDecodeError(), nullptr);
      const HRESULT code = image.GetDecodeError()->Error();
      EXPECT_TRUE(isJpegError(code) || code == ERROR_NOT_ENOUGH_MEMORY) << std::hex << code;
    }
    image.DecodeRect(1, 2, 30, 20);
    image.Rotate(1 + round % 3, round % 2 == 0);
    const BYTE* block = nullptr;
    DWORD size = 0;
    bool copied = false;
    if (image.GetExifBlock(&block, &size, &copied) && copied)
      delete[] block;
  }
  load(image, bytes);
  image.Decode(1, 1);
  EXPECT_TRUE(image.HasBitmap());
}

TEST_F(JpegImage, CraftedHugeDimensionsAreRefusedWithoutOverflow) {
  const std::string bytes = sample("s420_64x48");
  const std::size_t frame = bytes.find("\xFF\xC0");
  ASSERT_NE(frame, std::string::npos);
  struct Row {
    unsigned width, height;
  };
  for (const Row row : {Row{65500, 65500}, Row{65535, 65535}, Row{65500, 8}, Row{1, 65500}}) {
    SCOPED_TRACE(std::to_string(row.width) + "x" + std::to_string(row.height));
    std::string crafted = bytes;
    crafted[frame + 5] = char(row.height >> 8);
    crafted[frame + 6] = char(row.height & 0xFF);
    crafted[frame + 7] = char(row.width >> 8);
    crafted[frame + 8] = char(row.width & 0xFF);
    CJPEGImage image;
    load(image, crafted);
    image.Decode(1, 1);
    if (!image.HasBitmap()) {
      ASSERT_NE(image.GetDecodeError(), nullptr);
      const HRESULT code = image.GetDecodeError()->Error();
      EXPECT_TRUE(code == ERROR_NOT_ENOUGH_MEMORY || isJpegError(code)) << std::hex << code;
    } else {
      EXPECT_EQ(image.GetBitmapWidth(), row.width);
    }
    image.DecodeRect(0, 0, 65000, 65000);
    image.Decode(1, 8);
  }
}

TEST_F(JpegImage, RotationRefusesAPictureTooLargeToDecodeBeforeTransformingIt) {
  struct Row {
    const char* sample;
    unsigned width, height;
  };
  // 65471 x 64719 grey made the transformer ask for about 17 GB. 16384 x
  // 21846 is the first height whose bitmap (stride 49152) passes 1 GiB,
  // turned or not.
  const Row rows[] = {{"grey_64x48", 65471, 64719},
                      {"s420_64x48", 65500, 65500},
                      {"s444_70x45", 30000, 20000},
                      {"s422_64x48", 16384, 21846},
                      {"grey_70x45", 21846, 16384}};
  const std::uint64_t peakBefore = peakResidentBytes();
  const auto started = std::chrono::steady_clock::now();
  for (const Row& row : rows) {
    const std::string bytes = sample(row.sample);
    const std::size_t frame = bytes.find("\xFF\xC0");
    ASSERT_NE(frame, std::string::npos);
    std::string crafted = bytes;
    crafted[frame + 5] = char(row.height >> 8);
    crafted[frame + 6] = char(row.height & 0xFF);
    crafted[frame + 7] = char(row.width >> 8);
    crafted[frame + 8] = char(row.width & 0xFF);
    for (int code = 1; code <= 3; ++code) {
      SCOPED_TRACE(std::string(row.sample) + " as " + std::to_string(row.width) + "x" +
                   std::to_string(row.height) + " code " + std::to_string(code));
      CJPEGImage image;
      load(image, crafted);
      // The decode refuses it...
      image.Decode(1, 1);
      ASSERT_NE(image.GetDecodeError(), nullptr);
      EXPECT_EQ(image.GetDecodeError()->Error(), HRESULT(ERROR_NOT_ENOUGH_MEMORY));
      // ... and so does the rotation, with the same error, the bytes left.
      image.Rotate(code, code == 2);
      ASSERT_NE(image.GetDecodeError(), nullptr);
      EXPECT_EQ(image.GetDecodeError()->Error(), HRESULT(ERROR_NOT_ENOUGH_MEMORY));
      EXPECT_STREQ(image.GetDecodeError()->Explanation(),
                   "Picture file may be (or have been) saved as normal.");
      EXPECT_TRUE(bytesOf(image) == crafted);
      EXPECT_FALSE(image.HasBitmap());
      // While the image flag is set the refusal reaches the caller too.
      image.SetImageFlag(1);
      try {
        image.Rotate(code, false);
        ADD_FAILURE() << "no exception";
      } catch (const _brantel_take_error& error) {
        EXPECT_EQ(error.Error(), HRESULT(ERROR_NOT_ENOUGH_MEMORY));
      }
    }
  }
  // Refused from the header alone: nothing near the picture's size was
  // allocated, and no time went into transforming.
  EXPECT_LT(peakResidentBytes() - peakBefore, std::uint64_t{256} << 20);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(20));
}

TEST_F(JpegImage, RotationCodesAndTheBitmapAfterwards) {
  const std::string bytes = sample("s420_70x45");
  CJPEGImage image;
  load(image, bytes);
  image.Decode(1, 2);
  image.Rotate(0, true);
  EXPECT_EQ(bytesOf(image), bytes);
  EXPECT_EQ(image.GetBitmapWidth(), 35u);

  image.Rotate(4, true);
  ASSERT_NE(image.GetDecodeError(), nullptr);
  EXPECT_EQ(image.GetDecodeError()->Error(), kBadParameter);
  EXPECT_EQ(bytesOf(image), bytes);

  image.Rotate(1, true);
  ASSERT_TRUE(image.HasBitmap());
  EXPECT_EQ(image.GetBitmapWidth(), 23u);
  EXPECT_EQ(image.GetBitmapHeight(), 35u);
  EXPECT_EQ(image.GetPictureWidth(), 45u);
  EXPECT_EQ(image.GetScaleDenominator(), 2u);

  // Without a new decode the old bitmap would show the unrotated picture.
  image.Rotate(1, false);
  EXPECT_FALSE(image.HasBitmap());
  EXPECT_EQ(image.GetPictureWidth(), 0u);

  image.Decode(0, 1);
  ASSERT_NE(image.GetDecodeError(), nullptr);
  EXPECT_EQ(image.GetDecodeError()->Error(), kBadParameter);
}

TEST_F(JpegImage, ExifBlockOfTheFirstApp1MarkerOnly) {
  const std::string tiffBlock = readFile(path("tiff_block.bin"));
  struct Row {
    const char* name;
    bool copied;
    std::string block;
  };
  const Row rows[] = {{"s444_64x48_marked", true, tiffBlock},
                      {"s444_64x48", false, ""},
                      {"xmp", false, ""},
                      {"empty_exif", true, ""}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    CJPEGImage image;
    load(image, sample(row.name));
    const BYTE* block = nullptr;
    DWORD size = 12345;
    bool copied = true;
    EXPECT_TRUE(image.GetExifBlock(&block, &size, &copied));
    EXPECT_EQ(copied, row.copied);
    if (!copied) {
      // No block: the outputs say so, whatever they held.
      EXPECT_EQ(block, nullptr);
      EXPECT_EQ(size, 0u);
      continue;
    }
    const std::string got(reinterpret_cast<const char*>(block), size);
    delete[] block;
    EXPECT_EQ(got, row.block);
    if (!row.block.empty() && haveProgram("/usr/bin/exiftool")) {
      const auto oracle =
          runProgram({"/usr/bin/exiftool", "-b", "-EXIF", path(std::string(row.name) + ".jpg")});
      EXPECT_EQ(oracle.exitCode, 0);
      EXPECT_EQ(got, oracle.out);
    }
  }
  CJPEGImage broken;
  load(broken, std::string("\xFF\xD8\xFF\xE1\x00\x01", 6));
  const BYTE* block = nullptr;
  DWORD size = 0;
  bool copied = true;
  EXPECT_FALSE(broken.GetExifBlock(&block, &size, &copied));
  EXPECT_FALSE(copied);
  ASSERT_NE(broken.GetDecodeError(), nullptr);
  EXPECT_TRUE(isJpegError(broken.GetDecodeError()->Error()));
}

TEST_F(JpegImage, CloneKeepsBytesAndBitmapAndReportsNoPictureSizeUntilDecoded) {
  CJPEGImage image;
  load(image, sample("grey_70x45"));
  image.Decode(1, 4);
  CImageBase* copy = nullptr;
  image.Clone(&copy);
  ASSERT_NE(copy, nullptr);
  std::unique_ptr<CImageBase> owned(copy);
  EXPECT_EQ(copy->GetImageType(), 1);
  EXPECT_STREQ(copy->GetTypeName(), "JPEG");
  EXPECT_STREQ(copy->GetExtension(), ".JPG");
  EXPECT_EQ(bytesOf(*copy), bytesOf(image));
  EXPECT_TRUE(copy->HasBitmap());
  EXPECT_EQ(copy->GetScaleDenominator(), 4u);
  EXPECT_EQ(copy->GetPictureWidth(), 0u);
  copy->Decode(1, 1);
  EXPECT_EQ(copy->GetPictureWidth(), 70u);
  EXPECT_EQ(copy->GetPictureHeight(), 45u);
}

TEST_F(JpegImage, DrawsTheScaledBitmapAndTheFailurePanelOffscreen) {
  CJPEGImage image;
  load(image, sample("s444_70x45"));
  image.Decode(1, 2);
  ASSERT_TRUE(image.HasBitmap());
  QImage canvas(40, 30, QImage::Format_RGB32);
  canvas.fill(Qt::black);
  {
    QPainter painter(&canvas);
    EXPECT_EQ(image.Draw(&painter, 0, 0, 0, 0, -1, -1), 23);
  }
  int wrong = 0;
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 35; ++x) {
      const QRgb drawn = canvas.pixel(x, y);
      const std::vector<unsigned char> want = bitmapPixel(image, x, y);
      wrong += qRed(drawn) != want[0] || qGreen(drawn) != want[1] || qBlue(drawn) != want[2];
    }
  EXPECT_EQ(wrong, 0);

  load(image, std::string("\xFF\xD8\xFF\xD9", 4));
  image.Decode(1, 1);
  ASSERT_FALSE(image.HasBitmap());
  QImage panel(640, 480, QImage::Format_RGB32);
  panel.fill(Qt::black);
  {
    QPainter painter(&panel);
    image.Draw(&painter, 0, 0, 0, 0, -1, -1);
  }
  EXPECT_NE(panel.pixel(5, 5), QColor(Qt::black).rgb());
}

} // namespace
