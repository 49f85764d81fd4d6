#include "app/pictures/TIFFImage.h"

#include "app/pictures/PictureStrings.h"
#include "app/pictures/TiffBuffer.h"
#include "app/pictures/TiffReader.h"
#include "platform/Win32Error.h"

#include <algorithm>
#include <exception>
#include <limits>
#include <new>
#include <vector>

CTIFFImage::CTIFFImage() = default;

CTIFFImage::~CTIFFImage() {
  FreeImageData();
  m_buffer.reset();
}

const CTiffBuffer* CTIFFImage::CurrentBuffer() const {
  if (!m_buffer || !GetDataBuffer() || m_buffer->Bytes() != GetDataBuffer())
    return nullptr;
  return m_buffer.get();
}

const CTiffBuffer& CTIFFImage::EnsureParsed() {
  if (!CurrentBuffer()) {
    m_buffer.reset();
    std::unique_ptr<CTiffBuffer> buffer;
    try {
      buffer = std::make_unique<CTiffBuffer>(GetDataBuffer());
    } catch (const std::bad_alloc&) {
      ThrowTiffError(ERROR_NOT_ENOUGH_MEMORY);
    }
    buffer->Parse();
    m_buffer = std::move(buffer);
  }
  if (!m_buffer->HasStripLayout())
    ThrowTiffError(kTiffNotTiff);
  if (!m_buffer->IsSupportedLayout())
    ThrowTiffError(kTiffUnsupported);
  return *m_buffer;
}

void CTIFFImage::Decode(DWORD scaleNumerator, DWORD scaleDenominator) {
  try {
    DestroyBitmap();
    DecodeRows(scaleDenominator);
    SetScale(scaleNumerator, scaleDenominator);
  } catch (...) {
    DestroyBitmap();
    KeepFailure(std::current_exception());
  }
}

void CTIFFImage::DecodeRows(DWORD denominator) {
  const CTiffBuffer& tiff = EnsureParsed();
  const std::uint32_t width = tiff.GetImageWidth();
  const std::uint32_t height = tiff.GetImageLength();
  if (denominator == 0 || width > std::uint32_t(std::numeric_limits<std::int32_t>::max()) ||
      height > std::uint32_t(std::numeric_limits<std::int32_t>::max()))
    ThrowTiffError(kTiffOutOfBounds);
  // Uncompressed pixels cannot outnumber the file's bytes: larger
  // dimensions are crafted and must not size the bitmap.
  if (std::uint64_t{width} * height * 3 > tiff.Size())
    ThrowTiffError(kTiffOutOfBounds);
  // A picture smaller than the divisor still keeps its first pixel.
  const auto bitmapWidth = std::int32_t(std::max<std::uint32_t>(width / denominator, 1));
  const auto bitmapHeight = std::int32_t(std::max<std::uint32_t>(height / denominator, 1));
  CDibBuffer& bitmap = NewBitmap();
  bitmap.Create(bitmapWidth, bitmapHeight);
  if (denominator != 1 && denominator != 2 && denominator != 4)
    return;

  const std::uint64_t rowBytes = std::uint64_t{width} * 3;
  std::vector<BYTE> gathered;
  try {
    gathered.resize(std::size_t(bitmapWidth) * 3);
  } catch (const std::bad_alloc&) {
    ThrowTiffError(ERROR_NOT_ENOUGH_MEMORY);
  }
  std::int32_t next = 0;
  for (std::uint32_t strip = 0; strip < tiff.GetStripCount() && next < bitmapHeight; ++strip) {
    const BYTE* data = tiff.GetStripData(strip);
    const std::uint64_t rows = tiff.GetStripByteCount(strip) / rowBytes;
    // Rows 0, d, 2d ... of each strip; rows past the bitmap are dropped when
    // the strips' height is not a multiple of d.
    for (std::uint64_t row = 0; row < rows && next < bitmapHeight; row += denominator) {
      const BYTE* source = data + row * rowBytes;
      if (denominator == 1) {
        bitmap.SetRow(next++, source);
        continue;
      }
      // Exactly the bitmap's width in pixels, whatever remains of the row.
      for (std::int32_t x = 0; x < bitmapWidth; ++x) {
        const BYTE* pixel = source + std::uint64_t(x) * denominator * 3;
        gathered[std::size_t(x) * 3] = pixel[0];
        gathered[std::size_t(x) * 3 + 1] = pixel[1];
        gathered[std::size_t(x) * 3 + 2] = pixel[2];
      }
      bitmap.SetRow(next++, gathered.data());
    }
  }
}

void CTIFFImage::DecodeRect(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
  try {
    DestroyBitmap();
    if (x < 0 || y < 0 || width <= 0 || height <= 0)
      ThrowTiffError(ERROR_INVALID_PARAMETER);
    const CTiffBuffer& tiff = EnsureParsed();
    if (std::uint64_t(x) + std::uint64_t(width) > tiff.GetImageWidth() ||
        std::uint64_t(y) + std::uint64_t(height) > tiff.GetImageLength())
      ThrowTiffError(ERROR_INVALID_PARAMETER);
    CDibBuffer& bitmap = NewBitmap();
    bitmap.Create(width, height);
    const std::uint64_t rowBytes = std::uint64_t{tiff.GetImageWidth()} * 3;
    std::uint64_t row = 0;
    const std::uint64_t end = std::uint64_t(y) + std::uint64_t(height);
    for (std::uint32_t strip = 0; strip < tiff.GetStripCount() && row < end; ++strip) {
      const BYTE* data = tiff.GetStripData(strip);
      const std::uint64_t rows = tiff.GetStripByteCount(strip) / rowBytes;
      for (std::uint64_t k = 0; k < rows && row < end; ++k, ++row) {
        if (row >= std::uint64_t(y))
          bitmap.SetRow(std::int32_t(row - std::uint64_t(y)), data + k * rowBytes + std::uint64_t(x) * 3);
      }
    }
    SetScale(1, 1);
  } catch (...) {
    DestroyBitmap();
    KeepFailure(std::current_exception());
  }
}

bool CTIFFImage::GetExifBlock(const BYTE** data, DWORD* size, bool* copied) {
  if (!data || !size || !copied)
    return false;
  *data = nullptr;
  *size = 0;
  *copied = false;
  if (!GetData())
    return false;
  *data = GetData();
  *size = GetDataSize();
  *copied = false;
  return true;
}

void CTIFFImage::Rotate(std::int32_t code, bool redecode) {
  if (code == 0)
    return;
  try {
    const CTiffBuffer& tiff = EnsureParsed();
    std::vector<BYTE> turned = tiff.Serialize(code);
    ReplaceData(std::move(turned));
    m_buffer.reset();
    EnsureParsed();
  } catch (...) {
    KeepFailure(std::current_exception());
    return;
  }
  // Kept, the bitmap would show the unturned picture under the turned size.
  if (redecode)
    Decode(GetScaleNumerator(), GetScaleDenominator());
  else
    DestroyBitmap();
}

DWORD CTIFFImage::GetPictureWidth() {
  const CTiffBuffer* tiff = CurrentBuffer();
  return Bitmap() && tiff ? tiff->GetImageWidth() : 0;
}

DWORD CTIFFImage::GetPictureHeight() {
  const CTiffBuffer* tiff = CurrentBuffer();
  return Bitmap() && tiff ? tiff->GetImageLength() : 0;
}

void CTIFFImage::Clone(CImageBase** out) {
  if (!out)
    return;
  *out = nullptr;
  CTIFFImage* copy = new (std::nothrow) CTIFFImage();
  if (!copy)
    ThrowError(ERROR_NOT_ENOUGH_MEMORY);
  try {
    copy->Assign(*this, true);
  } catch (...) {
    delete copy;
    throw;
  }
  *out = copy;
}
