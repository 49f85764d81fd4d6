// A decoded picture as one packed device-independent bitmap: a 40-byte
// BITMAPINFOHEADER followed directly by 24-bit rows (blue, green, red),
// stored bottom-up, each padded to a multiple of 4 bytes. The block holds
// 4 spare zero bytes after the rows. This is the layout handed out to the
// clipboard and to callers of GetPackedDib.
//
// Sizes come from picture headers, so they are checked: a width or height
// below 1, or a block above kMaxBlockSize, is refused with error 8 (not
// enough memory) before anything is allocated. Used by one thread at a time.
#pragma once

#include "TarselPictures_export.h"
#include "hostapi/Win32Types.h"

#include <cstddef>
#include <cstdint>
#include <memory>

class QPainter;

#pragma pack(push, 1)
struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPINFOHEADER) == 40, "the header is 40 bytes");

class TARSELPICTURES_EXPORT CDibBuffer {
public:
  // The largest block made: 1 GiB, over 18000 x 18000 pixels.
  static constexpr std::uint64_t kMaxBlockSize = std::uint64_t{1} << 30;
  static constexpr DWORD kHeaderSize = 40;

  CDibBuffer() = default;
  CDibBuffer(const CDibBuffer& other);
  CDibBuffer& operator=(const CDibBuffer& other);
  ~CDibBuffer() { Release(); }

  // A zero-filled bitmap of width x height with its header set.
  void Create(std::int32_t width, std::int32_t height);
  // Copies one row of red-green-blue pixels (RowBytes bytes) into the row
  // `fromTop` rows below the top, as blue-green-red. A row outside the
  // bitmap is refused with error 87.
  void SetRow(std::int32_t fromTop, const BYTE* rgb);
  // Frees the block; all sizes become 0.
  void Release() noexcept;

  // Draws the part (sourceX, sourceY from the top, width x height) of the
  // bitmap at (x, y); the part is clipped to the bitmap. Returns the number
  // of rows drawn.
  std::int32_t Paint(QPainter& painter, std::int32_t x, std::int32_t y, std::int32_t sourceX,
                     std::int32_t sourceY, std::int32_t width, std::int32_t height) const;

  bool IsEmpty() const { return !m_block; }
  const BYTE* Block() const { return m_block.get(); }
  DWORD BlockSize() const { return m_blockSize; }
  const BITMAPINFOHEADER* Header() const;
  BYTE* Rows() const { return m_rows; }
  DWORD Stride() const { return m_stride; }
  DWORD RowBytes() const { return m_rowBytes; }
  std::int32_t Width() const;
  std::int32_t Height() const;

private:
  std::unique_ptr<BYTE[]> m_block;
  DWORD m_blockSize = 0;
  BYTE* m_rows = nullptr;
  DWORD m_stride = 0;
  DWORD m_rowBytes = 0;
};
