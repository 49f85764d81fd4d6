// What the picture fuzz targets share: the bound on decoded pixels, the
// codec's errors tolerated around one step, and the checks of the bitmap a
// decode leaves behind. A broken check aborts: the fuzzer reports it.
#pragma once

#include "app/pictures/ImageBase.h"
#include "app/pictures/TiffDirectory.h"
#include "env/BrantelTakeError.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

namespace tarsel::pictures::fuzzing {

// Pictures that declare more pixels are not decoded: a few bytes declaring
// a huge frame would keep the decoder busy with nothing to find.
inline constexpr std::uint64_t kMaxDecodedPixels = 1 << 15;

// Aborts, naming the broken check's line, unless `holds`.
inline void check(bool holds, const char* file = __builtin_FILE(), int line = __builtin_LINE()) {
  if (holds)
    return;
  std::fprintf(stderr, "check failed: %s:%d\n", file, line);
  std::abort();
}

// Whether the step ran without the codec's error; any other exception
// escapes to the fuzzer as a finding.
template <typename Step> bool tolerateCodecErrors(Step step) {
  try {
    step();
    return true;
  } catch (const _brantel_take_error&) {
    return false;
  }
}

// The image after a decode that ran without error (`decoded`) or failed: a
// failure leaves no bitmap and keeps a decode error with one of the codec's
// codes (`isCodecError`; anything else the decoder met becomes 0x8000FFFF,
// which is none of them); a success leaves a bitmap of exactly width x height, 24-bit rows of the
// stride that pads them to 4 bytes, bottom-up, in a block that holds the
// 40-byte header, the rows and 4 spare bytes.
template <typename IsCodecError>
void checkDecoded(CImageBase& image, bool decoded, DWORD width, DWORD height, IsCodecError isCodecError) {
  if (!decoded) {
    check(!image.HasBitmap() && image.GetPackedDib() == nullptr && image.GetDecodeError() != nullptr);
    check(isCodecError(image.GetDecodeError()->Error()));
    return;
  }
  check(image.HasBitmap() && image.GetBitmapWidth() == width && image.GetBitmapHeight() == height);
  BITMAPINFOHEADER header{};
  check(image.GetPackedDibSize() >= sizeof header);
  std::memcpy(&header, image.GetPackedDib(), sizeof header);
  const std::uint64_t stride = (std::uint64_t{width} * 3 + 3) / 4 * 4;
  check(header.biSize == sizeof header && header.biWidth == LONG(width) && header.biHeight == LONG(height) &&
        header.biPlanes == 1 && header.biBitCount == 24 && header.biCompression == 0);
  check(image.GetPackedDibSize() == sizeof header + stride * height + 4);
  check(static_cast<const BYTE*>(image.GetBitmapBits()) ==
        static_cast<const BYTE*>(image.GetPackedDib()) + 40);
}

// A copy of the bitmap's block (header and rows); empty without a bitmap.
inline std::vector<BYTE> bitmapBlock(const CImageBase& image) {
  const auto* block = static_cast<const BYTE*>(image.GetPackedDib());
  return block ? std::vector<BYTE>(block, block + image.GetPackedDibSize()) : std::vector<BYTE>();
}

// Where the rows a reader of plain TIFF rows takes begin: rows 0, step,
// 2 step ... of each strip (its whole rows of rowBytes only), strip after
// strip, until `height` rows are found. None when one of those strips does
// not lie inside the `size` bytes: nothing may be read from it. Malformed
// strip tags throw the codec's errors.
inline std::optional<std::vector<const BYTE*>> stripRows(const BYTE* data, std::size_t size,
                                                         const CTiffDirectory& directory,
                                                         std::uint64_t rowBytes, std::uint64_t height,
                                                         std::uint32_t step) {
  std::vector<const BYTE*> rows;
  for (std::uint32_t strip = 0; strip < directory.StripCount() && rows.size() < height; ++strip) {
    const std::uint64_t offset = directory.StripOffset(strip);
    const std::uint64_t bytes = directory.StripByteCount(strip);
    if (offset + bytes > size)
      return std::nullopt;
    for (std::uint64_t row = 0; row < bytes / rowBytes && rows.size() < height; row += step)
      rows.push_back(data + offset + row * rowBytes);
  }
  return rows;
}

} // namespace tarsel::pictures::fuzzing
