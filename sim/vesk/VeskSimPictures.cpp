#include "sim/vesk/VeskSimPictures.h"

#include "sim/vesk/VeskSimTiffBuilder.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <numeric>
#include <stdexcept>

#include <jpeglib.h>

namespace tarsel::vesksim {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Tiff = VeskSimTiffBuilder;

// ---- scene ----

std::uint8_t clampByte(int v) {
  return static_cast<std::uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

struct Scene {
  std::uint32_t width;
  std::uint32_t height;
  std::uint32_t seed;
};

// One row of RGB pixels: gradients, a block pattern that depends on the seed,
// and per-pixel noise so that the encoded size grows with the JPEG quality.
void sceneRow(const Scene& s, std::uint32_t y, std::uint8_t* row) {
  const std::uint32_t mix = s.seed * 2654435761u;
  std::uint32_t state = (s.seed ^ (y * 0x9E3779B9u)) | 1u;
  const std::uint32_t w = s.width ? s.width : 1;
  const std::uint32_t h = s.height ? s.height : 1;
  for (std::uint32_t x = 0; x < s.width; ++x) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    const int noise = static_cast<int>(state & 95u) - 48;
    int r = static_cast<int>((x * 200u) / w + (mix & 55u));
    int g = static_cast<int>((y * 200u) / h + ((mix >> 6) & 55u));
    int b = static_cast<int>(((x + y) * 128u) / (w + h) + 64u);
    if (((x / 48u) + (y / 48u) + s.seed) % 5u == 0) {
      r = 255 - r;
      b = 255 - b;
    }
    row[3 * x] = clampByte(r + noise);
    row[3 * x + 1] = clampByte(g + noise / 2);
    row[3 * x + 2] = clampByte(b - noise);
  }
}

// ---- JPEG encoding through libjpeg; its errors come back through longjmp ----

using RowSource = void (*)(const void* context, std::uint32_t y, std::uint8_t* row);

struct JpegError {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

void jpegErrorExit(j_common_ptr cinfo) {
  auto* error = reinterpret_cast<JpegError*>(cinfo->err);
  std::longjmp(error->jump, 1);
}

void jpegSilence(j_common_ptr, int) {}

// Plain C-style body so that longjmp skips no destructor.
bool encodeJpeg(std::uint32_t width, std::uint32_t height, int quality, const Bytes* app1, RowSource source,
                const void* context, std::uint8_t* row, unsigned char** out, unsigned long* outSize) {
  jpeg_compress_struct cinfo;
  JpegError error;
  cinfo.err = jpeg_std_error(&error.manager);
  error.manager.error_exit = jpegErrorExit;
  error.manager.emit_message = jpegSilence;
  if (setjmp(error.jump)) {
    jpeg_destroy_compress(&cinfo);
    return false;
  }
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, out, outSize);
  cinfo.image_width = width;
  cinfo.image_height = height;
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, quality, TRUE);
  if (app1)
    cinfo.write_JFIF_header = FALSE;
  jpeg_start_compress(&cinfo, TRUE);
  if (app1)
    jpeg_write_marker(&cinfo, JPEG_APP0 + 1, app1->data(), static_cast<unsigned int>(app1->size()));
  while (cinfo.next_scanline < cinfo.image_height) {
    source(context, cinfo.next_scanline, row);
    JSAMPROW rows[1] = {row};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  return true;
}

Bytes jpegFrom(std::uint32_t width, std::uint32_t height, int quality, const Bytes* app1, RowSource source,
               const void* context) {
  if (width == 0 || height == 0 || width > 20000 || height > 20000)
    throw std::runtime_error("picture size out of range");
  Bytes row(static_cast<std::size_t>(width) * 3);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  const bool ok = encodeJpeg(width, height, quality, app1, source, context, row.data(), &buffer, &size);
  Bytes result;
  if (ok && buffer)
    result.assign(buffer, buffer + size);
  std::free(buffer);
  if (!ok)
    throw std::runtime_error("JPEG encoder failed");
  return result;
}

void sceneSource(const void* context, std::uint32_t y, std::uint8_t* row) {
  sceneRow(*static_cast<const Scene*>(context), y, row);
}

// ---- EXIF ----

Tiff::Directory primaryEntries(const PictureParams& p) {
  Tiff::Directory dir;
  if (!p.make.empty())
    dir.push_back(Tiff::ascii(0x010F, p.make));
  if (!p.model.empty())
    dir.push_back(Tiff::ascii(0x0110, p.model));
  dir.push_back(Tiff::shorts(0x0112, {p.orientation}));
  dir.push_back(Tiff::rational(0x011A, 72, 1));
  dir.push_back(Tiff::rational(0x011B, 72, 1));
  dir.push_back(Tiff::shorts(0x0128, {2}));
  if (!p.software.empty())
    dir.push_back(Tiff::ascii(0x0131, p.software));
  dir.push_back(Tiff::ascii(0x0132, p.dateTime));
  return dir;
}

Tiff::Directory exifEntries(const PictureParams& p) {
  Tiff::Directory dir;
  if (p.exposureUs) {
    const std::uint32_t g = std::gcd(p.exposureUs, 1000000u);
    dir.push_back(Tiff::rational(0x829A, p.exposureUs / g, 1000000u / g));
  }
  if (p.apertureTenths)
    dir.push_back(Tiff::rational(0x829D, p.apertureTenths, 10));
  dir.push_back(Tiff::shorts(0x8822, {p.programMode}));
  if (p.isoSpeed)
    dir.push_back(Tiff::shorts(0x8827, {static_cast<std::uint16_t>(p.isoSpeed)}));
  dir.push_back(Tiff::undefined(0x9000, "0220"));
  dir.push_back(Tiff::ascii(0x9003, p.dateTime));
  dir.push_back(Tiff::srational(0x9204, p.biasTenths, 10));
  dir.push_back(Tiff::shorts(0x9207, {p.metering}));
  dir.push_back(Tiff::shorts(0x9209, {p.flash}));
  if (p.focalTenths)
    dir.push_back(Tiff::rational(0x920A, p.focalTenths, 10));
  dir.push_back(Tiff::longs(0xA002, {p.width}));
  dir.push_back(Tiff::longs(0xA003, {p.height}));
  dir.push_back(Tiff::shorts(0xA403, {p.whiteBalance}));
  return dir;
}

constexpr std::uint16_t kExifPointerTag = 0x8769;

// ---- preview digits ----

constexpr std::uint8_t kDigitFont[11][7] = {
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
    {0x00, 0x0C, 0x0C, 0x00, 0x0C, 0x0C, 0x00}};

struct PreviewScene {
  std::string lines[2];
};

constexpr std::uint32_t kPreviewWidth = 320;
constexpr std::uint32_t kPreviewHeight = 240;
constexpr std::uint32_t kGlyphScale = 5;
constexpr std::uint32_t kLineTop[2] = {50, 140};

bool glyphPixel(char c, std::uint32_t gx, std::uint32_t gy) {
  int index = -1;
  if (c >= '0' && c <= '9')
    index = c - '0';
  else if (c == ':')
    index = 10;
  if (index < 0 || gx >= 5 || gy >= 7)
    return false;
  return (kDigitFont[index][gy] >> (4 - gx)) & 1u;
}

void previewSource(const void* context, std::uint32_t y, std::uint8_t* row) {
  const auto& scene = *static_cast<const PreviewScene*>(context);
  for (std::uint32_t x = 0; x < kPreviewWidth; ++x) {
    std::uint8_t v = static_cast<std::uint8_t>(40 + (x + y) / 8);
    for (int line = 0; line < 2; ++line) {
      const std::string& text = scene.lines[line];
      const std::uint32_t charWidth = 6 * kGlyphScale;
      const std::uint32_t left = (kPreviewWidth - static_cast<std::uint32_t>(text.size()) * charWidth) / 2;
      if (y < kLineTop[line] || y >= kLineTop[line] + 7 * kGlyphScale || x < left)
        continue;
      const std::uint32_t cx = (x - left) / charWidth;
      if (cx >= text.size())
        continue;
      const std::uint32_t gx = ((x - left) % charWidth) / kGlyphScale;
      const std::uint32_t gy = (y - kLineTop[line]) / kGlyphScale;
      if (glyphPixel(text[cx], gx, gy))
        v = 240;
    }
    row[3 * x] = v;
    row[3 * x + 1] = v;
    row[3 * x + 2] = static_cast<std::uint8_t>(v / 2 + 60);
  }
}

void put32(Bytes& out, std::uint32_t v) {
  for (int i = 0; i < 4; ++i)
    out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

} // namespace

std::string exifDateTime(std::uint32_t seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm parts{};
  gmtime_r(&t, &parts);
  char text[80];
  std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", parts.tm_year + 1900, parts.tm_mon + 1,
                parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
  return text;
}

std::vector<std::uint8_t> makeExifBlock(const PictureParams& p) {
  Bytes out = {'E', 'x', 'i', 'f', 0, 0};
  const std::size_t base = out.size();
  Tiff::Directory primary = primaryEntries(p);
  primary.push_back(Tiff::longs(kExifPointerTag, {0}));
  const std::uint32_t exifOffset = 8 + Tiff::directorySize(primary);
  primary.back() = Tiff::longs(kExifPointerTag, {exifOffset});
  Tiff::appendHeader(out);
  Tiff::appendDirectory(out, base, primary, 0);
  Tiff::appendDirectory(out, base, exifEntries(p), 0);
  return out;
}

std::vector<std::uint8_t> makeJpegPicture(const PictureParams& p) {
  const Bytes exif = makeExifBlock(p);
  const Scene scene{p.width, p.height, p.seed};
  return jpegFrom(p.width, p.height, p.quality, &exif, sceneSource, &scene);
}

std::vector<std::uint8_t> makeThumbnail(const PictureParams& p) {
  // Sample the picture's pattern at a fixed small size.
  const Scene scene{160, 120, p.seed};
  return jpegFrom(160, 120, 70, nullptr, sceneSource, &scene);
}

std::vector<std::uint8_t> makePreviewFrame(std::uint32_t frameNumber, std::uint32_t cameraSeconds) {
  PreviewScene scene;
  char text[32];
  std::snprintf(text, sizeof text, "%05u", frameNumber % 100000u);
  scene.lines[0] = text;
  const std::uint32_t day = cameraSeconds % 86400u;
  std::snprintf(text, sizeof text, "%02u:%02u:%02u", day / 3600u, (day / 60u) % 60u, day % 60u);
  scene.lines[1] = text;
  return jpegFrom(kPreviewWidth, kPreviewHeight, 70, nullptr, previewSource, &scene);
}

std::vector<std::uint8_t> makeTiffPicture(const PictureParams& p) {
  const std::uint64_t stripBytes = static_cast<std::uint64_t>(p.width) * p.height * 3;
  if (p.width == 0 || p.height == 0 || stripBytes > (1ull << 30))
    throw std::runtime_error("picture size out of range");

  Tiff::Directory primary = primaryEntries(p);
  primary.push_back(Tiff::longs(0x0100, {p.width}));
  primary.push_back(Tiff::longs(0x0101, {p.height}));
  primary.push_back(Tiff::shorts(0x0102, {8, 8, 8}));
  primary.push_back(Tiff::shorts(0x0103, {1}));
  primary.push_back(Tiff::shorts(0x0106, {2}));
  primary.push_back(Tiff::longs(0x0111, {0}));
  primary.push_back(Tiff::shorts(0x0115, {3}));
  primary.push_back(Tiff::longs(0x0116, {p.height}));
  primary.push_back(Tiff::longs(0x0117, {static_cast<std::uint32_t>(stripBytes)}));
  primary.push_back(Tiff::shorts(0x011C, {1}));
  primary.push_back(Tiff::longs(kExifPointerTag, {0}));
  const Tiff::Directory exif = exifEntries(p);
  const std::uint32_t primarySize = Tiff::directorySize(primary);
  const std::uint32_t exifOffset = 8 + primarySize;
  const std::uint32_t stripOffset = exifOffset + Tiff::directorySize(exif);
  for (auto& e : primary) {
    if (e.tag == 0x0111)
      e = Tiff::longs(0x0111, {stripOffset});
    else if (e.tag == kExifPointerTag)
      e = Tiff::longs(kExifPointerTag, {exifOffset});
  }

  Bytes out;
  out.reserve(stripOffset + stripBytes);
  Tiff::appendHeader(out);
  Tiff::appendDirectory(out, 0, primary, 0);
  Tiff::appendDirectory(out, 0, exif, 0);
  const Scene scene{p.width, p.height, p.seed};
  const std::size_t rowBytes = static_cast<std::size_t>(p.width) * 3;
  for (std::uint32_t y = 0; y < p.height; ++y) {
    const std::size_t at = out.size();
    out.resize(at + rowBytes);
    sceneRow(scene, y, out.data() + at);
  }
  return out;
}

std::vector<std::uint8_t> makeRawPicture(const PictureParams& p) {
  const std::uint64_t dataBytes = (static_cast<std::uint64_t>(p.width) * p.height * 3 + 1) / 2;
  if (p.width == 0 || p.height == 0 || dataBytes > (1ull << 30))
    throw std::runtime_error("picture size out of range");
  constexpr std::uint32_t kHeaderSize = 32;
  Bytes out = {'B', 'R', 'F', '1'};
  put32(out, p.width);
  put32(out, p.height);
  put32(out, 12);
  put32(out, kHeaderSize);
  put32(out, static_cast<std::uint32_t>(dataBytes));
  out.resize(kHeaderSize, 0);
  out.reserve(kHeaderSize + dataBytes);

  // 12-bit samples of a colour-filter pattern, two samples in three bytes.
  const Scene scene{p.width, p.height, p.seed};
  Bytes row(static_cast<std::size_t>(p.width) * 3);
  bool haveHalf = false;
  std::uint32_t half = 0;
  for (std::uint32_t y = 0; y < p.height; ++y) {
    sceneRow(scene, y, row.data());
    for (std::uint32_t x = 0; x < p.width; ++x) {
      const int channel = (y & 1u) ? ((x & 1u) ? 2 : 1) : ((x & 1u) ? 1 : 0);
      const std::uint32_t sample = static_cast<std::uint32_t>(row[3 * x + channel]) << 4 | (x & 15u);
      if (!haveHalf) {
        half = sample;
        haveHalf = true;
        continue;
      }
      out.push_back(static_cast<std::uint8_t>(half >> 4));
      out.push_back(static_cast<std::uint8_t>(((half & 15u) << 4) | (sample >> 8)));
      out.push_back(static_cast<std::uint8_t>(sample));
      haveHalf = false;
    }
  }
  if (haveHalf) {
    out.push_back(static_cast<std::uint8_t>(half >> 4));
    out.push_back(static_cast<std::uint8_t>((half & 15u) << 4));
  }
  return out;
}

} // namespace tarsel::vesksim
