#include "sim/cdsdk/CdSimPictures.h"

#include <cstdio>
// clang-format off: jpeglib.h needs the definitions of stdio.h first
#include <jpeglib.h>
// clang-format on

#include <cmath>
#include <csetjmp>
#include <cstdlib>
#include <ctime>
#include <initializer_list>
#include <numeric>
#include <stdexcept>

namespace tarsel::cdsim {
namespace {

struct ErrorManager {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void errorExit(j_common_ptr cinfo) {
  auto* error = reinterpret_cast<ErrorManager*>(cinfo->err);
  std::longjmp(error->jump, 1);
}

// Encodes rows produced by `pixel(x, y, rgb)`; `app1` (may be empty) becomes the APP1 marker.
template <typename Pixel>
Bytes encode(std::uint32_t width, std::uint32_t height, int quality, const Bytes& app1, Pixel pixel) {
  std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 3);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;
  jpeg_compress_struct cinfo{};
  ErrorManager error{};
  cinfo.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = errorExit;
  if (setjmp(error.jump)) {
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    throw std::runtime_error("JPEG encoding failed");
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, &out, &outSize);
  cinfo.image_width = width;
  cinfo.image_height = height;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  cinfo.write_JFIF_header = app1.empty() ? TRUE : FALSE;
  jpeg_start_compress(&cinfo, TRUE);
  if (!app1.empty())
    jpeg_write_marker(&cinfo, JPEG_APP0 + 1, app1.data(), static_cast<unsigned int>(app1.size()));
  while (cinfo.next_scanline < height) {
    for (std::uint32_t x = 0; x < width; ++x)
      pixel(x, cinfo.next_scanline, &row[x * 3]);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes bytes(out, out + outSize);
  std::free(out);
  return bytes;
}

auto scene(const PictureParams& p) {
  return [&p](std::uint32_t x, std::uint32_t y, JSAMPLE* rgb) {
    const std::uint32_t u = x * 256 / p.width;
    const std::uint32_t v = y * 256 / p.height;
    rgb[0] = static_cast<JSAMPLE>(u ^ (p.seed * 37));
    rgb[1] = static_cast<JSAMPLE>(v + p.seed * 11);
    rgb[2] = static_cast<JSAMPLE>(((x / 16 + y / 16 + p.seed) % 2) * 160 + 40);
  };
}

class TiffWriter {
public:
  struct Field {
    std::uint16_t tag;
    std::uint16_t type; // 2 ASCII, 3 SHORT, 4 LONG, 5 RATIONAL, 7 UNDEFINED, 10 SRATIONAL
    std::uint32_t count;
    Bytes data;
  };

  static Field ascii(std::uint16_t tag, const std::string& text) {
    Bytes data(text.begin(), text.end());
    data.push_back(0);
    return {tag, 2, static_cast<std::uint32_t>(data.size()), data};
  }
  static Field shortValue(std::uint16_t tag, std::uint16_t value) {
    return {tag, 3, 1, {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8)}};
  }
  static Field longValue(std::uint16_t tag, std::uint32_t value) {
    Bytes data;
    put32(data, value);
    return {tag, 4, 1, data};
  }
  static Field rational(std::uint16_t tag, std::uint32_t numerator, std::uint32_t denominator) {
    Bytes data;
    put32(data, numerator);
    put32(data, denominator);
    return {tag, 5, 1, data};
  }
  static Field srational(std::uint16_t tag, std::int32_t numerator, std::uint32_t denominator) {
    Field field = rational(tag, static_cast<std::uint32_t>(numerator), denominator);
    field.type = 10;
    return field;
  }

  // Appends one IFD at the end of `out` (offsets count from out's start); returns
  // the position of the first entry's value slot of `pointerTag` for patching.
  static std::size_t writeIfd(Bytes& out, const std::vector<Field>& fields, std::uint16_t pointerTag = 0) {
    const std::size_t start = out.size();
    std::size_t dataAt = start + 2 + fields.size() * 12 + 4;
    std::size_t pointerSlot = 0;
    put16(out, static_cast<std::uint16_t>(fields.size()));
    Bytes data;
    for (const auto& f : fields) {
      put16(out, f.tag);
      put16(out, f.type);
      put32(out, f.count);
      if (f.tag == pointerTag)
        pointerSlot = out.size();
      if (f.data.size() <= 4) {
        Bytes value = f.data;
        value.resize(4, 0);
        out.insert(out.end(), value.begin(), value.end());
      } else {
        put32(out, static_cast<std::uint32_t>(dataAt + data.size()));
        data.insert(data.end(), f.data.begin(), f.data.end());
        if (data.size() % 2)
          data.push_back(0);
      }
    }
    put32(out, 0);
    out.insert(out.end(), data.begin(), data.end());
    return pointerSlot;
  }

  static void put16(Bytes& out, std::uint16_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  static void put32(Bytes& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
      out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
  }
};

} // namespace

std::string exifDateTime(std::uint32_t seconds) {
  const std::time_t t = seconds;
  std::tm tm{};
  gmtime_r(&t, &tm);
  char text[64];
  std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  return text;
}

std::uint16_t isoSpeedOfCode(std::uint16_t code) {
  static const std::uint16_t table[][2] = {
      {40, 6},     {43, 8},     {45, 10},    {48, 12},    {51, 16},    {53, 20},    {56, 25},   {59, 32},
      {61, 40},    {64, 50},    {67, 64},    {69, 80},    {72, 100},   {75, 125},   {77, 160},  {80, 200},
      {83, 250},   {85, 320},   {88, 400},   {91, 500},   {93, 640},   {96, 800},   {99, 1000}, {101, 1250},
      {104, 1600}, {107, 2000}, {109, 2500}, {112, 3200}, {115, 4000}, {117, 5000}, {120, 6400}};
  for (const auto& row : table)
    if (row[0] == code)
      return row[1];
  return 0;
}

std::uint16_t exifFlashOfMode(std::uint16_t mode) {
  switch (mode) {
  case 0:
    return 0x10; // off: not fired, suppressed
  case 1:
    return 0x18; // auto, not fired
  case 2:
  case 4:
    return 0x09; // fired, compulsory
  case 3:
  case 6:
    return 0x49; // fired, compulsory, red-eye reduction
  case 5:
    return 0x59; // fired, auto, red-eye reduction
  default:
    return 0x20; // no flash function
  }
}

namespace {

// The nominal value of a series (a third of a stop apart) nearest to `exact`
// on the logarithmic scale a camera's stops follow.
double nominal(double exact, std::initializer_list<double> series) {
  double best = *series.begin();
  for (const double value : series)
    if (std::fabs(std::log(value / exact)) < std::fabs(std::log(best / exact)))
      best = value;
  return best;
}

Rational tenths(double value) {
  return {static_cast<std::int32_t>(std::lround(value * 10)), 10};
}

Rational reduced(std::int32_t numerator, std::uint32_t denominator) {
  const auto divisor =
      static_cast<std::uint32_t>(std::gcd(std::abs(numerator), static_cast<std::int32_t>(denominator)));
  if (divisor <= 1)
    return {numerator, denominator};
  return {numerator / static_cast<std::int32_t>(divisor), denominator / divisor};
}

} // namespace

Rational fNumberOfCode(std::uint16_t code) {
  const double exact = std::pow(2.0, (code - 8) / 16.0);
  return tenths(nominal(exact, {1.0, 1.1, 1.2, 1.4, 1.6, 1.8, 2.0, 2.2, 2.5, 2.8, 3.2, 3.5, 4.0, 4.5,
                                5.0, 5.6, 6.3, 7.1, 8.0, 9.0, 10,  11,  13,  14,  16,  18,  20,  22,
                                25,  29,  32,  36,  40,  45,  51,  57,  64,  72,  81,  91}));
}

Rational exposureTimeOfCode(std::uint16_t code) {
  if (code >= 56) {
    // A fraction of a second: one over the nominal rate.
    const double rate = std::pow(2.0, (code - 56) / 8.0);
    const double shown = nominal(rate, {1,    1.3,  1.6,  2,    2.5,  3,    4,    5,     6,     8,    10,
                                        13,   15,   20,   25,   30,   40,   50,   60,    80,    100,  125,
                                        160,  200,  250,  320,  400,  500,  640,  800,   1000,  1250, 1600,
                                        2000, 2500, 3200, 4000, 5000, 6400, 8000, 10000, 12800, 16000});
    if (shown >= 3)
      return {1, static_cast<std::uint32_t>(shown)};
    return reduced(10, static_cast<std::uint32_t>(std::lround(shown * 10)));
  }
  const double seconds = std::pow(2.0, (56 - code) / 8.0);
  return tenths(nominal(seconds, {1, 1.3, 1.6, 2, 2.5, 3.2, 4, 5, 6, 8, 10, 13, 15, 20, 25, 30}));
}

Rational exposureBiasOfCode(std::uint16_t code) {
  // Eighths of a stop below code 24; the camera's steps are thirds and halves.
  const int eighths = 24 - static_cast<int>(code);
  const int whole = std::abs(eighths) / 8;
  static const int kSixths[8] = {0, 1, 2, 2, 3, 4, 5, 5};
  const int sixths = whole * 6 + kSixths[std::abs(eighths) % 8];
  return reduced(eighths < 0 ? -sixths : sixths, 6);
}

Bytes makeExifBlock(const PictureParams& p) {
  using W = TiffWriter;
  const std::string when = exifDateTime(p.clockSeconds);
  Bytes tiff{'I', 'I', 42, 0, 8, 0, 0, 0};
  const std::size_t slot =
      W::writeIfd(tiff,
                  {W::ascii(0x010F, p.make), W::ascii(0x0110, p.model), W::ascii(0x0131, p.software),
                   W::ascii(0x0132, when), W::longValue(0x8769, 0)},
                  0x8769);
  const auto exifAt = static_cast<std::uint32_t>(tiff.size());
  for (int i = 0; i < 4; ++i)
    tiff[slot + i] = static_cast<std::uint8_t>(exifAt >> (8 * i));
  std::vector<W::Field> exif;
  if (p.exposureGiven) {
    const Rational time = exposureTimeOfCode(p.exposureTimeCode);
    exif.push_back(W::rational(0x829A, static_cast<std::uint32_t>(time.numerator), time.denominator));
    const Rational number = fNumberOfCode(p.apertureCode);
    exif.push_back(W::rational(0x829D, static_cast<std::uint32_t>(number.numerator), number.denominator));
  }
  if (p.isoSpeed != 0)
    exif.push_back(W::shortValue(0x8827, p.isoSpeed));
  exif.push_back({0x9000, 7, 4, {'0', '2', '2', '0'}});
  exif.push_back(W::ascii(0x9003, when));
  exif.push_back(W::ascii(0x9004, when));
  if (p.exposureGiven) {
    const Rational bias = exposureBiasOfCode(p.exposureBiasCode);
    exif.push_back(W::srational(0x9204, bias.numerator, bias.denominator));
  }
  exif.push_back(W::shortValue(0x9209, p.flash));
  if (p.focalLength != 0)
    exif.push_back(W::rational(0x920A, p.focalLength, p.focalBase == 0 ? 1 : p.focalBase));
  exif.push_back(W::longValue(0xA002, p.width));
  exif.push_back(W::longValue(0xA003, p.height));
  exif.push_back(W::shortValue(0xA403, p.whiteBalance));
  W::writeIfd(tiff, exif);
  Bytes block{'E', 'x', 'i', 'f', 0, 0};
  block.insert(block.end(), tiff.begin(), tiff.end());
  return block;
}

Bytes makeJpegPicture(const PictureParams& p) {
  return encode(p.width, p.height, p.quality, makeExifBlock(p), scene(p));
}

Bytes makeThumbnail(const PictureParams& p) {
  PictureParams small = p;
  small.width = 160;
  small.height = 120;
  return encode(small.width, small.height, 75, {}, scene(small));
}

Bytes makeRawPicture(const PictureParams& p, std::uint32_t size) {
  Bytes raw{'C', 'D', 'S', 'I', 'M', 'R', 'A', 'W'};
  TiffWriter::put32(raw, p.width);
  TiffWriter::put32(raw, p.height);
  std::uint32_t state = p.seed * 2654435761u + 1;
  while (raw.size() < size) {
    state = state * 1103515245u + 12345u;
    raw.push_back(static_cast<std::uint8_t>(state >> 16));
  }
  return raw;
}

Bytes makeViewfinderFrame(std::uint32_t width, std::uint32_t height, std::uint32_t frameNumber) {
  const std::uint32_t bar = frameNumber % width;
  return encode(width, height, 60, {}, [&](std::uint32_t x, std::uint32_t y, JSAMPLE* rgb) {
    const bool onBar = x >= bar && x < bar + 8;
    rgb[0] = static_cast<JSAMPLE>(onBar ? 255 : x * 255 / width);
    rgb[1] = static_cast<JSAMPLE>(onBar ? 255 : y * 255 / height);
    rgb[2] = static_cast<JSAMPLE>(frameNumber * 7);
  });
}

} // namespace tarsel::cdsim
