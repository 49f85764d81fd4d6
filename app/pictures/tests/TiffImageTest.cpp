#include "app/pictures/TIFFImage.h"
#include "app/pictures/RawImage.h"
#include "app/pictures/TiffBuffer.h"
#include "app/pictures/TiffReader.h"
#include "platform/Win32Error.h"
#include "platform/testsupport/TestSupport.h"

#include "TiffBuilder.h"

#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <sstream>

using namespace tarsel::test;

namespace {

using Bytes = std::vector<BYTE>;

struct Picture {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  Bytes rgb; // top row first
};

std::string oracle() {
  return testDataDir() + "/tiff_oracle.py";
}

Bytes fromHex(const std::string& hex) {
  Bytes out;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    out.push_back(BYTE(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return out;
}

Picture oraclePicture(const std::vector<std::string>& arguments) {
  std::vector<std::string> argv = {"/usr/bin/python3", oracle()};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  const ProcessResult result = runProgram(argv);
  EXPECT_EQ(result.exitCode, 0) << arguments[0];
  std::istringstream in(result.out);
  Picture picture;
  std::string hex;
  in >> picture.width >> picture.height >> hex;
  picture.rgb = fromHex(hex);
  return picture;
}

// Several oracle requests ({"pixels", FILE} or {"turn", FILE, CODE}) in one run
// of the oracle, the pictures in the order asked.
std::vector<Picture> oraclePictures(const std::vector<std::vector<std::string>>& requests) {
  std::vector<std::string> argv = {"/usr/bin/python3", oracle()};
  for (const auto& request : requests) {
    if (argv.size() > 2)
      argv.push_back("--");
    argv.insert(argv.end(), request.begin(), request.end());
  }
  const ProcessResult result = runProgram(argv);
  EXPECT_EQ(result.exitCode, 0);
  std::istringstream in(result.out);
  std::vector<Picture> pictures(requests.size());
  for (Picture& picture : pictures) {
    std::string hex;
    in >> picture.width >> picture.height >> hex;
    picture.rgb = fromHex(hex);
  }
  return pictures;
}

void makeTiff(const std::string& path, int width, int height, const std::string& mode = "RGB") {
  ASSERT_EQ(runProgram({"/usr/bin/python3", oracle(), "make", path, std::to_string(width),
                        std::to_string(height), mode})
                .exitCode,
            0);
}

void tiffcp(const std::vector<std::string>& options, const std::string& from, const std::string& to) {
  std::vector<std::string> argv = {"tiffcp"};
  argv.insert(argv.end(), options.begin(), options.end());
  argv.push_back(from);
  argv.push_back(to);
  ASSERT_EQ(runProgram(argv).exitCode, 0);
}

Bytes fileBytes(const std::string& path) {
  const std::string text = readFile(path);
  return Bytes(text.begin(), text.end());
}

void load(CImageBase& image, const Bytes& bytes) {
  image.SetData(bytes.data(), DWORD(bytes.size()));
}

Picture bitmapOf(const CImageBase& image) {
  const QImage dib = image.CreateDibSection().convertToFormat(QImage::Format_RGB888);
  Picture picture;
  picture.width = std::uint32_t(dib.width());
  picture.height = std::uint32_t(dib.height());
  for (int y = 0; y < dib.height(); ++y) {
    const BYTE* row = dib.constScanLine(y);
    picture.rgb.insert(picture.rgb.end(), row, row + dib.width() * 3);
  }
  return picture;
}

HRESULT decodeError(const CImageBase& image) {
  return image.GetDecodeError() ? image.GetDecodeError()->Error() : 0;
}

// exiftool run once over several files with the same options: each file's
// output, in the order given (exiftool heads each with "======== <path>").
std::vector<std::string> exiftoolEach(std::vector<std::string> argv, const std::vector<std::string>& paths) {
  argv.insert(argv.begin(), "exiftool");
  argv.insert(argv.end(), paths.begin(), paths.end());
  const ProcessResult result = runProgram(argv);
  std::vector<std::string> outputs(paths.size());
  std::istringstream in(result.out);
  std::size_t at = paths.size() == 1 ? 0 : paths.size();
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("======== ", 0) == 0) {
      const auto found = std::find(paths.begin(), paths.end(), line.substr(9));
      at = std::size_t(found - paths.begin());
      continue;
    }
    // The count of files read ends the run, after the last file.
    if (line.rfind("    ", 0) == 0 && line.find(" image files read") != std::string::npos)
      continue;
    if (at < paths.size())
      outputs[at] += line + "\n";
  }
  return outputs;
}

std::set<std::string> warningLines(const std::string& output) {
  std::set<std::string> lines;
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);) {
    if (line.find("Warning") == std::string::npos && line.find("Error") == std::string::npos &&
        line.find("Missing") == std::string::npos && line.find("not allowed") == std::string::npos)
      continue;
    lines.insert(line);
  }
  return lines;
}

// exiftool's validation warnings of a file, one line each.
std::set<std::string> exifWarnings(const std::string& path) {
  return warningLines(runProgram({"exiftool", "-validate", "-warning", "-a", "-s3", path}).out);
}

std::string shell(const std::string& command, const std::string& argument) {
  return runProgram({"sh", "-c", command + " \"$0\" 2>&1", argument}).out;
}

// The lines of a tool's output that report a warning or an error.
std::set<std::string> complaints(const std::string& output) {
  std::set<std::string> lines;
  std::istringstream in(output);
  for (std::string line; std::getline(in, line);) {
    if (line.find("Warning") != std::string::npos || line.find("Error") != std::string::npos)
      lines.insert(line);
  }
  return lines;
}

} // namespace

TEST(TiffImage, FilesFromPilAndTiffcpDecodeInBothByteOrders) {
  TempDir dir;
  makeTiff(dir.file("pil.tif"), 37, 23);
  const Picture expected = oraclePicture({"pixels", dir.file("pil.tif")});
  ASSERT_EQ(expected.rgb.size(), 37u * 23u * 3u);
  const std::vector<std::pair<std::string, std::vector<std::string>>> variants = {
      {"pil.tif", {}},
      {"le1.tif", {"-L", "-c", "none", "-r", "1"}},
      {"be5.tif", {"-B", "-c", "none", "-r", "5"}},
      {"be16.tif", {"-B", "-c", "none", "-r", "16"}},
  };
  for (const auto& [name, options] : variants) {
    if (!options.empty())
      tiffcp(options, dir.file("pil.tif"), dir.file(name));
    CTIFFImage image;
    load(image, fileBytes(dir.file(name)));
    image.Decode(1, 1);
    ASSERT_TRUE(image.HasBitmap()) << name << " " << std::hex << decodeError(image);
    EXPECT_EQ(image.GetPictureWidth(), 37u);
    EXPECT_EQ(image.GetPictureHeight(), 23u);
    const Picture decoded = bitmapOf(image);
    EXPECT_EQ(decoded.width, 37u);
    EXPECT_EQ(decoded.height, 23u);
    EXPECT_EQ(decoded.rgb, expected.rgb) << name;

    QImage canvas(40, 30, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
      QPainter painter(&canvas);
      EXPECT_EQ(image.Draw(&painter, 0, 0, 0, 0, -1, -1), 23);
    }
    const std::size_t at = (3 * 37 + 5) * 3;
    EXPECT_EQ(canvas.pixelColor(5, 3), QColor(expected.rgb[at], expected.rgb[at + 1], expected.rgb[at + 2]))
        << name;
  }
}

TEST(TiffImage, RotatedFilesMatchPilAndReadBackInTiffinfoAndExiftool) {
  TempDir dir;
  makeTiff(dir.file("pil.tif"), 37, 23);
  tiffcp({"-B", "-c", "none", "-r", "5"}, dir.file("pil.tif"), dir.file("be.tif"));
  // Exif, GPS and Interoperability directories to carry along.
  ASSERT_EQ(
      runProgram({"exiftool", "-q", "-overwrite_original", "-ExposureTime=1/250", "-FNumber=2.8", "-ISO=200",
                  "-DateTimeOriginal=2026:12:09 06:00:00", "-GPSLatitude=35.5", "-GPSLatitudeRef=N",
                  "-InteropIndex=R98", "-XResolution=72", "-YResolution=72", dir.file("be.tif")})
          .exitCode,
      0);
  // Every file is turned and saved first; then each tool checks them all in one run.
  struct Turned {
    std::string name;
    std::string source;
    int code;
    std::string saved;
    Picture bitmap;
    std::uint32_t width;
  };
  std::vector<Turned> turned;
  for (const std::string name : {"pil.tif", "be.tif"}) {
    const std::string source = dir.file(name);
    for (int code : {1, 3}) {
      CTIFFImage image;
      load(image, fileBytes(source));
      image.Rotate(code, true);
      ASSERT_EQ(decodeError(image), 0) << std::hex << decodeError(image);
      const std::string saved = dir.file("turned-" + std::to_string(code) + "-" + name);
      image.SaveToFile(saved.c_str());
      turned.push_back({name, source, code, saved, bitmapOf(image), image.GetPictureWidth()});
    }
  }
  std::vector<std::vector<std::string>> requests;
  std::vector<std::string> checked = {dir.file("pil.tif"), dir.file("be.tif")};
  std::vector<std::string> savedBe;
  for (const Turned& file : turned) {
    requests.push_back({"pixels", file.saved});
    requests.push_back({"turn", file.source, std::to_string(file.code)});
    checked.push_back(file.saved);
    if (file.name == "be.tif")
      savedBe.push_back(file.saved);
  }
  const std::vector<Picture> pictures = oraclePictures(requests);
  const std::vector<std::string> validated = exiftoolEach({"-validate", "-warning", "-a", "-s3"}, checked);
  const std::vector<std::string> values = exiftoolEach(
      {"-n", "-s3", "-ExposureTime", "-FNumber", "-ISO", "-GPSLatitude", "-InteropIndex"}, savedBe);
  const std::string sourceInfo[] = {shell("tiffinfo", checked[0]), shell("tiffinfo", checked[1])};
  for (std::size_t i = 0; i < turned.size(); ++i) {
    const Turned& file = turned[i];
    SCOPED_TRACE(file.saved);
    const std::size_t sourceIndex = file.name == "pil.tif" ? 0 : 1;
    EXPECT_EQ(pictures[2 * i].rgb, pictures[2 * i + 1].rgb);
    EXPECT_EQ(file.bitmap.rgb, pictures[2 * i + 1].rgb);
    EXPECT_EQ(file.width, 23u);

    const std::string info = shell("tiffinfo", file.saved);
    EXPECT_NE(info.find("Image Width: 23 Image Length: 37"), std::string::npos) << info;
    EXPECT_EQ(complaints(info), complaints(sourceInfo[sourceIndex])) << info;
    EXPECT_EQ(warningLines(validated[2 + i]), warningLines(validated[sourceIndex])) << file.name;
    if (file.name == "be.tif") {
      EXPECT_EQ(values[i - 2], "0.004\n2.8\n200\n35.5\nR98\n");
    }
  }
}

TEST(TiffImage, ThumbnailOfAFileWeRotateIsTheSameForExiftool) {
  TempDir dir;
  TiffBuilder builder(false);
  const Bytes thumbnail = {0xFF, 0xD8, 0xFF, 0xFE, 0, 4, 'h', 'i', 0xFF, 0xD9};
  builder.append(Bytes(13, 0x55));
  const std::uint32_t thumbAt = builder.append(thumbnail);
  const std::uint32_t ifd1 = builder.directory({builder.shorts(259, {6}), builder.longs(513, {thumbAt}),
                                                builder.longs(514, {std::uint32_t(thumbnail.size())})});
  Bytes pixels(4 * 3 * 3);
  for (std::size_t i = 0; i < pixels.size(); ++i)
    pixels[i] = BYTE(i * 7);
  const std::uint32_t ifd0 = builder.rgbPicture(4, 3, 2, pixels);
  builder.put32(ifd0 + 2 + 12 * 10, ifd1);
  writeFile(dir.file("thumb.tif"), std::string(builder.bytes().begin(), builder.bytes().end()));
  ASSERT_EQ(runProgram({"exiftool", "-b", "-ThumbnailImage", dir.file("thumb.tif")}).out,
            std::string(thumbnail.begin(), thumbnail.end()));

  CTIFFImage image;
  load(image, builder.bytes());
  image.Rotate(1, false);
  ASSERT_EQ(decodeError(image), 0) << std::hex << decodeError(image);
  image.SaveToFile(dir.file("turned.tif").c_str());
  EXPECT_EQ(runProgram({"exiftool", "-b", "-ThumbnailImage", dir.file("turned.tif")}).out,
            std::string(thumbnail.begin(), thumbnail.end()));
  EXPECT_EQ(exifWarnings(dir.file("turned.tif")), exifWarnings(dir.file("thumb.tif")));
}

TEST(TiffImage, CompressedStripsAreCarriedOverUnchangedByARewrite) {
  TempDir dir;
  makeTiff(dir.file("rgb.tif"), 30, 20);
  tiffcp({"-B", "-c", "lzw", "-r", "6"}, dir.file("rgb.tif"), dir.file("lzw.tif"));
  CTiffBuffer tiff(std::make_shared<const Bytes>(fileBytes(dir.file("lzw.tif"))));
  tiff.Parse();
  const Bytes rewritten = tiff.Serialize(0);
  writeFile(dir.file("out.tif"), std::string(rewritten.begin(), rewritten.end()));
  EXPECT_EQ(oraclePicture({"pixels", dir.file("out.tif")}).rgb,
            oraclePicture({"pixels", dir.file("rgb.tif")}).rgb);
  EXPECT_EQ(complaints(shell("tiffinfo", dir.file("out.tif"))), std::set<std::string>());
  try {
    tiff.Serialize(1);
    ADD_FAILURE() << "a compressed picture was turned";
  } catch (const _brantel_take_error& error) {
    EXPECT_EQ(error.Error(), kTiffUnsupported);
  }
}

TEST(TiffImage, ScaledDecodeTakesEveryDthRowOfEachStripWithoutOverrun) {
  TempDir dir;
  makeTiff(dir.file("wide.tif"), 641, 13);
  tiffcp({"-c", "none", "-r", "5"}, dir.file("wide.tif"), dir.file("strips.tif"));
  const Picture source = oraclePicture({"pixels", dir.file("strips.tif")});
  const Bytes bytes = fileBytes(dir.file("strips.tif"));
  for (std::uint32_t d : {2u, 4u}) {
    CTIFFImage image;
    load(image, bytes);
    image.Decode(1, d);
    ASSERT_TRUE(image.HasBitmap()) << std::hex << decodeError(image);
    const Picture decoded = bitmapOf(image);
    ASSERT_EQ(decoded.width, 641u / d);
    ASSERT_EQ(decoded.height, 13u / d);
    Bytes expected(decoded.rgb.size(), 0);
    std::uint32_t next = 0;
    for (std::uint32_t stripStart = 0; stripStart < 13; stripStart += 5) {
      for (std::uint32_t k = 0; k < 5 && stripStart + k < 13 && next < decoded.height; k += d, ++next) {
        for (std::uint32_t x = 0; x < decoded.width; ++x)
          for (int c = 0; c < 3; ++c)
            expected[(next * decoded.width + x) * 3 + c] =
                source.rgb[((stripStart + k) * 641 + x * d) * 3 + c];
      }
    }
    EXPECT_EQ(decoded.rgb, expected) << d;
    EXPECT_EQ(image.GetScaleDenominator(), d);
  }
  CTIFFImage black;
  load(black, bytes);
  black.Decode(1, 3);
  const Picture blank = bitmapOf(black);
  EXPECT_EQ(blank.width, 213u);
  EXPECT_EQ(blank.height, 4u);
  EXPECT_TRUE(std::all_of(blank.rgb.begin(), blank.rgb.end(), [](BYTE b) { return b == 0; }));
}

TEST(TiffImage, RectangleDecodeTakesItsSliceAndRefusesOneBeyondTheEdges) {
  TempDir dir;
  makeTiff(dir.file("p.tif"), 150, 80);
  tiffcp({"-c", "none", "-r", "7"}, dir.file("p.tif"), dir.file("r.tif"));
  const Picture source = oraclePicture({"pixels", dir.file("r.tif")});
  CTIFFImage image;
  load(image, fileBytes(dir.file("r.tif")));
  image.DecodeRect(10, 20, 100, 50);
  ASSERT_TRUE(image.HasBitmap()) << std::hex << decodeError(image);
  Bytes expected;
  for (int y = 20; y < 70; ++y)
    expected.insert(expected.end(), source.rgb.begin() + (y * 150 + 10) * 3,
                    source.rgb.begin() + (y * 150 + 110) * 3);
  EXPECT_EQ(bitmapOf(image).rgb, expected);

  for (auto [x, y, w, h] : {std::array{-1, 0, 10, 10}, std::array{0, 0, 0, 10}, std::array{51, 0, 100, 10},
                            std::array{0, 71, 10, 10}}) {
    image.DecodeRect(x, y, w, h);
    EXPECT_FALSE(image.HasBitmap());
    EXPECT_EQ(decodeError(image), ERROR_INVALID_PARAMETER);
  }
  image.SetImageFlag(1);
  EXPECT_THROW(image.DecodeRect(0, 0, 151, 1), _brantel_take_error);
}

TEST(TiffImage, UnsupportedLayoutsFailWithTheirCodesAndPaintThePanel) {
  TempDir dir;
  makeTiff(dir.file("rgb.tif"), 20, 10);
  makeTiff(dir.file("rgba.tif"), 20, 10, "RGBA");
  tiffcp({"-c", "lzw"}, dir.file("rgb.tif"), dir.file("lzw.tif"));
  tiffcp({"-c", "none", "-p", "separate"}, dir.file("rgb.tif"), dir.file("planar.tif"));
  TiffBuilder mismatch;
  const std::uint32_t ifd = mismatch.rgbPicture(2, 2, 1, Bytes(12, 1));
  // One byte count more than there are strip offsets.
  mismatch.put16(ifd + 2 + 12 * 8 + 4, 0);
  mismatch.put32(ifd + 2 + 12 * 8 + 4, 3);
  const struct {
    Bytes bytes;
    HRESULT code;
  } rows[] = {
      {fileBytes(dir.file("lzw.tif")), kTiffUnsupported},
      {fileBytes(dir.file("rgba.tif")), kTiffUnsupported},
      // Three planes hold three times the strips the rows need: the strip
      // check, which comes first, refuses them.
      {fileBytes(dir.file("planar.tif")), kTiffNotTiff},
      {mismatch.bytes(), kTiffNotTiff},
  };
  for (const auto& row : rows) {
    CTIFFImage image;
    load(image, row.bytes);
    image.Decode(1, 1);
    EXPECT_FALSE(image.HasBitmap());
    EXPECT_EQ(decodeError(image), row.code) << std::hex << decodeError(image) << " row " << &row - rows;
    EXPECT_STREQ(image.GetDecodeError()->Explanation(),
                 "Picture file may be (or have been) saved as normal.");

    QImage canvas(640, 480, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
      QPainter painter(&canvas);
      image.Draw(&painter, 0, 0, 0, 0, -1, -1);
    }
    EXPECT_EQ(canvas.pixelColor(2, 2), QGuiApplication::palette().color(QPalette::Base));
  }
}

TEST(TiffImage, OneBitsPerSampleValueStandsForEverySample) {
  TempDir dir;
  const std::uint32_t width = 7;
  const std::uint32_t height = 5;
  Bytes pixels;
  for (std::uint32_t y = 0; y < height; ++y)
    for (std::uint32_t x = 0; x < width; ++x)
      for (std::uint32_t c = 0; c < 3; ++c)
        pixels.push_back(BYTE((x * 37 + y * 11 + c * 101) % 256));
  for (bool little : {true, false}) {
    SCOPED_TRACE(little ? "II" : "MM");
    TiffBuilder builder(little);
    builder.rgbPicture(width, height, 2, pixels, {}, builder.shorts(258, {8}));
    const std::string path = dir.file(little ? "single-le.tif" : "single-be.tif");
    writeFile(path, std::string(builder.bytes().begin(), builder.bytes().end()));
    // Turned copies of it, checked below with the file in one run of the oracle.
    std::vector<std::vector<std::string>> requests = {{"pixels", path}};
    std::vector<Picture> bitmaps;
    for (int code : {1, 3}) {
      CTIFFImage turned;
      load(turned, builder.bytes());
      turned.Rotate(code, true);
      ASSERT_EQ(decodeError(turned), 0) << std::hex << decodeError(turned);
      bitmaps.push_back(bitmapOf(turned));
      const std::string saved = dir.file("turned-" + std::to_string(code) + ".tif");
      turned.SaveToFile(saved.c_str());
      requests.push_back({"turn", path, std::to_string(code)});
      requests.push_back({"pixels", saved});
    }
    const std::vector<Picture> pictures = oraclePictures(requests);

    // A valid file: PIL reads our pixels from it, tiffinfo finds nothing wrong.
    const Picture& expected = pictures[0];
    ASSERT_EQ(expected.rgb, pixels);
    const std::string info = shell("tiffinfo", path);
    EXPECT_NE(info.find("Bits/Sample: 8"), std::string::npos) << info;
    EXPECT_EQ(complaints(info), std::set<std::string>()) << info;

    CTIFFImage image;
    load(image, builder.bytes());
    image.Decode(1, 1);
    ASSERT_TRUE(image.HasBitmap()) << std::hex << decodeError(image);
    EXPECT_EQ(bitmapOf(image).rgb, pixels);
    image.DecodeRect(2, 1, 4, 3);
    ASSERT_TRUE(image.HasBitmap()) << std::hex << decodeError(image);
    Bytes window;
    for (std::uint32_t y = 1; y < 4; ++y)
      window.insert(window.end(), pixels.begin() + (y * width + 2) * 3, pixels.begin() + (y * width + 6) * 3);
    EXPECT_EQ(bitmapOf(image).rgb, window);

    // Its rotation is the one PIL makes, and reads back everywhere.
    for (std::size_t i = 0; i < bitmaps.size(); ++i) {
      const int code = i == 0 ? 1 : 3;
      const Picture& want = pictures[1 + 2 * i];
      EXPECT_EQ(bitmaps[i].rgb, want.rgb) << code;
      EXPECT_EQ(pictures[2 + 2 * i].rgb, want.rgb) << code;
      const std::string saved = dir.file("turned-" + std::to_string(code) + ".tif");
      EXPECT_EQ(complaints(shell("tiffinfo", saved)), std::set<std::string>()) << code;
    }
  }
}

TEST(TiffImage, BitsPerSampleLayoutsWeDoNotReadAreUnsupportedNotOutOfBounds) {
  const Bytes pixels(4 * 3 * 3, 0x40);
  TiffBuilder probe;
  const TiffBuilder::Entry rows[] = {
      probe.shorts(258, {8, 8}), // neither one value nor one per sample
      probe.shorts(258, {16}),   // one value, but not 8 bits
      probe.shorts(258, {8, 8, 16}),
      probe.longs(258, {8}),  // not SHORT
      {258, 1, 3, {8, 8, 8}}, // BYTE x 3
      {258, 3, 0, {}},        // no value at all
  };
  for (const TiffBuilder::Entry& row : rows) {
    SCOPED_TRACE("type " + std::to_string(row.type) + " count " + std::to_string(row.count));
    TiffBuilder builder;
    builder.rgbPicture(4, 3, 3, pixels, {}, row);
    CTIFFImage image;
    load(image, builder.bytes());
    image.Decode(1, 1);
    EXPECT_FALSE(image.HasBitmap());
    EXPECT_EQ(decodeError(image), kTiffUnsupported) << std::hex << decodeError(image);
    image.Rotate(1, false);
    EXPECT_EQ(decodeError(image), kTiffUnsupported) << std::hex << decodeError(image);
    EXPECT_EQ(Bytes(image.GetData(), image.GetData() + image.GetDataSize()), builder.bytes());
  }
}

TEST(TiffImage, RotationCodesAndFreedDataLeaveTheImageSound) {
  TempDir dir;
  makeTiff(dir.file("p.tif"), 5, 3);
  const Bytes bytes = fileBytes(dir.file("p.tif"));
  CTIFFImage image;
  load(image, bytes);
  image.Rotate(2, false);
  EXPECT_EQ(decodeError(image), kTiffBadParameter);
  EXPECT_EQ(Bytes(image.GetData(), image.GetData() + image.GetDataSize()), bytes);
  image.Rotate(0, false);
  EXPECT_EQ(Bytes(image.GetData(), image.GetData() + image.GetDataSize()), bytes);

  image.Decode(1, 1);
  ASSERT_TRUE(image.HasBitmap());
  const Picture original = bitmapOf(image);
  image.Rotate(1, true);
  image.Rotate(3, true);
  EXPECT_EQ(bitmapOf(image).rgb, original.rgb);

  CImageBase* copy = nullptr;
  image.Clone(&copy);
  std::unique_ptr<CImageBase> owned(copy);
  EXPECT_STREQ(copy->GetTypeName(), "TIFF");
  EXPECT_STREQ(copy->GetExtension(), ".TIF");
  EXPECT_EQ(copy->GetImageType(), 2);
  copy->Decode(1, 1);
  EXPECT_EQ(bitmapOf(*copy).rgb, original.rgb);

  const BYTE* block = nullptr;
  DWORD size = 0;
  bool copied = true;
  EXPECT_TRUE(image.GetExifBlock(&block, &size, &copied));
  EXPECT_EQ(block, image.GetData());
  EXPECT_FALSE(copied);

  // The parsed views must not outlive the bytes they were made from.
  image.FreeImageData();
  image.Decode(1, 1);
  EXPECT_FALSE(image.HasBitmap());
  EXPECT_EQ(decodeError(image), kTiffOutOfBounds);
  load(image, bytes);
  image.Decode(1, 1);
  EXPECT_TRUE(image.HasBitmap());
}

TEST(TiffImage, ATurnWithoutRedecodeDropsTheBitmapAndTinyPicturesScaleToOnePixel) {
  TiffBuilder builder;
  builder.rgbPicture(3, 1, 1, {10, 20, 30, 40, 50, 60, 70, 80, 90});
  CTIFFImage image;
  load(image, builder.bytes());
  image.Decode(1, 4);
  ASSERT_TRUE(image.HasBitmap()) << std::hex << decodeError(image);
  EXPECT_EQ(bitmapOf(image).rgb, (Bytes{10, 20, 30}));

  // The bitmap showed the picture unturned: it must not outlive the turn.
  image.Rotate(1, false);
  EXPECT_EQ(decodeError(image), 0);
  EXPECT_FALSE(image.HasBitmap());
  image.Decode(1, 1);
  const Picture turned = bitmapOf(image);
  EXPECT_EQ(turned.width, 1u);
  EXPECT_EQ(turned.rgb, (Bytes{10, 20, 30, 40, 50, 60, 70, 80, 90}));
}

TEST(TiffImage, TruncatedAndBitFlippedFilesGiveTheCodecsErrors) {
  TempDir dir;
  makeTiff(dir.file("p.tif"), 6, 5);
  tiffcp({"-B", "-c", "none", "-r", "2"}, dir.file("p.tif"), dir.file("b.tif"));
  std::vector<Bytes> inputs;
  for (const std::string name : {"p.tif", "b.tif"}) {
    const Bytes bytes = fileBytes(dir.file(name));
    for (std::size_t size = 0; size < bytes.size(); size += 3)
      inputs.emplace_back(bytes.begin(), bytes.begin() + std::ptrdiff_t(size));
    for (std::size_t at = 0; at < bytes.size(); ++at) {
      // Pixel bytes decode whatever they hold; flip the structure only.
      if (at >= 8 && at < 8 + 6 * 5 * 3 && name == "p.tif")
        continue;
      for (int bit : {0, 4, 7}) {
        Bytes flipped = bytes;
        flipped[at] ^= BYTE(1u << bit);
        inputs.push_back(flipped);
      }
    }
  }
  const std::set<unsigned> allowed = {0, 8, 0x81050001u, 0x81050002u, 0x81050003u, 0x81050004u};
  for (const Bytes& input : inputs) {
    CTIFFImage image;
    load(image, input);
    image.Decode(1, 2);
    EXPECT_TRUE(allowed.count(unsigned(decodeError(image)))) << std::hex << decodeError(image);
    image.Rotate(1, true);
    EXPECT_TRUE(allowed.count(unsigned(decodeError(image)))) << std::hex << decodeError(image);
    image.DecodeRect(1, 1, 2, 2);
  }
}

TEST(RawImage, KeepsItsBytesTurnsItsAngleAndPaintsThePlaceholder) {
  CRawImage image(".BRF");
  const Bytes bytes = {1, 2, 3, 4};
  load(image, bytes);
  EXPECT_STREQ(image.GetTypeName(), "RAW");
  EXPECT_STREQ(image.GetExtension(), ".BRF");
  EXPECT_EQ(image.GetImageType(), 3);
  EXPECT_EQ(image.GetPictureWidth(), 800u);
  EXPECT_EQ(image.GetPictureHeight(), 480u);
  EXPECT_EQ(image.GetBitmapWidth(), 640u);
  EXPECT_EQ(image.GetBitmapHeight(), 480u);
  for (int code : {3, 3, 2})
    image.Rotate(code, true);
  EXPECT_EQ(image.GetRotationAngle(), 0);
  image.Rotate(1, false);
  image.Rotate(7, false);
  EXPECT_EQ(image.GetRotationAngle(), 90);
  image.Decode(1, 4);
  EXPECT_FALSE(image.HasBitmap());
  EXPECT_EQ(image.GetScaleDenominator(), 4u);

  const BYTE* block = bytes.data();
  DWORD size = 9;
  bool copied = true;
  EXPECT_FALSE(image.GetExifBlock(&block, &size, &copied));
  EXPECT_EQ(block, nullptr);
  EXPECT_EQ(size, 0u);
  EXPECT_TRUE(copied);

  CImageBase* copy = nullptr;
  image.Clone(&copy);
  std::unique_ptr<CImageBase> owned(copy);
  EXPECT_EQ(static_cast<CRawImage*>(copy)->GetRotationAngle(), 90);
  EXPECT_STREQ(copy->GetExtension(), ".BRF");
  EXPECT_EQ(Bytes(copy->GetData(), copy->GetData() + copy->GetDataSize()), bytes);

  QImage canvas(700, 520, QImage::Format_RGB32);
  canvas.fill(Qt::red);
  {
    QPainter painter(&canvas);
    EXPECT_EQ(image.Draw(&painter, 50, 50, 0, 0, -1, -1), 1);
  }
  const QColor base = QGuiApplication::palette().color(QPalette::Base);
  EXPECT_EQ(canvas.pixelColor(1, 1), base);
  EXPECT_EQ(canvas.pixelColor(639, 479), base);
  EXPECT_EQ(canvas.pixelColor(650, 10), QColor(Qt::red));
  EXPECT_EQ(canvas.pixelColor(10, 500), QColor(Qt::red));
  int ink = 0;
  int inkOutside = 0;
  for (int y = 0; y < 480; ++y)
    for (int x = 0; x < 640; ++x) {
      if (canvas.pixelColor(x, y) == base)
        continue;
      const bool inside = x >= 20 && x < 620 && y >= 20 && y < 460;
      (inside ? ink : inkOutside)++;
    }
  EXPECT_GT(ink, 100);
  EXPECT_EQ(inkOutside, 0);
}
