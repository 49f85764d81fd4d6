// Fuzz target of the TIFF picture decoder: any bytes as a TIFF picture from a
// camera or a file, decoded at every scale the viewers ask (1:1, 1/2, 1/4)
// and at the 1/8 of the capability trial, each twice. Errors of the codec
// are expected; anything else is a finding: a crash, a sanitizer report (the
// bytes are a block of their exact size, so a strip read past the file's
// end is one), another exception or failure, a decode that fails but leaves
// a bitmap, a bitmap whose size is not the directory's scaled as asked or
// whose block is not exactly its rows, a second decode that differs from
// the first, a success on a file whose layout the decoder refuses, or
// pixels other than the strips' rows (red-green-blue turned blue-green-red,
// bottom-up, every d-th row of each strip and every d-th pixel of a row).
// Pictures of more than 32 K pixels are not decoded (the size cap keeps them
// out of the fuzzer's runs anyway: uncompressed pixels must fit the file).
#include "app/pictures/TIFFImage.h"
#include "app/pictures/TiffBuffer.h"
#include "app/pictures/tests/PictureFuzzing.h"
#include "platform/Win32Error.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

using namespace tarsel::pictures::fuzzing;

namespace {

bool isTiffError(HRESULT code) {
  return code == ERROR_NOT_ENOUGH_MEMORY || code == kTiffNotTiff || code == kTiffUnsupported ||
         code == kTiffOutOfBounds || code == kTiffBadParameter;
}

// The bitmap the decoder must make at 1/d from the strips of `tiff`: every
// d-th row of each strip, every d-th pixel of those rows; only 1, 2 and 4
// take pixels, other divisors leave the bitmap black. Aborts when a strip
// the decoder needed lies beyond the file.
std::vector<BYTE> expectedRows(const CTiffBuffer& tiff, DWORD d, DWORD width, DWORD height) {
  const std::size_t stride = (std::size_t{width} * 3 + 3) / 4 * 4;
  std::vector<BYTE> rows(stride * height, 0);
  if (d != 1 && d != 2 && d != 4)
    return rows;
  const std::uint64_t rowBytes = std::uint64_t{tiff.GetImageWidth()} * 3;
  const auto source = stripRows(tiff.Data(), tiff.Size(), tiff.Directory(0), rowBytes, height, d);
  check(source.has_value());
  for (std::size_t y = 0; y < source->size(); ++y) {
    BYTE* out = &rows[(height - 1 - y) * stride];
    for (std::size_t x = 0; x < width; ++x) {
      const BYTE* pixel = (*source)[y] + x * d * 3;
      out[x * 3] = pixel[2];
      out[x * 3 + 1] = pixel[1];
      out[x * 3 + 2] = pixel[0];
    }
  }
  return rows;
}

void decodeAtScale(CTIFFImage& image, const CTiffBuffer& tiff, DWORD d) {
  const bool decoded = tolerateCodecErrors([&] { image.Decode(1, d); });
  const DWORD width = std::max<DWORD>(tiff.GetImageWidth() / d, 1);
  const DWORD height = std::max<DWORD>(tiff.GetImageLength() / d, 1);
  checkDecoded(image, decoded, width, height, isTiffError);
  const std::vector<BYTE> first = bitmapBlock(image);
  const bool again = tolerateCodecErrors([&] { image.Decode(1, d); });
  check(again == decoded && bitmapBlock(image) == first);
  if (!decoded)
    return;
  check(image.GetPictureWidth() == tiff.GetImageWidth() &&
        image.GetPictureHeight() == tiff.GetImageLength() && image.GetScaleDenominator() == d);
  check(tiff.HasStripLayout() && tiff.IsSupportedLayout());
  const std::vector<BYTE> rows = expectedRows(tiff, d, width, height);
  check(std::equal(rows.begin(), rows.end(), static_cast<const BYTE*>(image.GetBitmapBits())));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // The same bytes read apart from the image, for the sizes and pixels the
  // decoder must give; a file whose size cannot be read must fail every
  // decode.
  CTiffBuffer tiff(data, size);
  std::uint64_t pixels = 0;
  const bool parsed = tolerateCodecErrors([&] {
    tiff.Parse();
    pixels = std::uint64_t{tiff.GetImageWidth()} * tiff.GetImageLength();
  });
  if (pixels > kMaxDecodedPixels)
    return 0;
  CTIFFImage image;
  image.SetData(data, static_cast<DWORD>(size));
  // Failures are thrown on, as for the viewer's pictures: nothing but the
  // codec's error may come out.
  image.SetImageFlag(1);
  for (const DWORD d : {1u, 2u, 4u, 8u}) {
    if (!parsed) {
      check(!tolerateCodecErrors([&] { image.Decode(1, d); }) && !image.HasBitmap());
      continue;
    }
    decodeAtScale(image, tiff, d);
  }
  return 0;
}
