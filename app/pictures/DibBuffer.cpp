#include "app/pictures/DibBuffer.h"

#include "env/BrantelTakeError.h"
#include "platform/Win32Error.h"

#include <QImage>
#include <QPainter>
#include <QPoint>
#include <QRect>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

namespace {

// Allocates `size` bytes; zero-filled when asked. Failure is error 8.
std::unique_ptr<BYTE[]> allocateBlock(std::size_t size, bool zero) {
  BYTE* block = zero ? new (std::nothrow) BYTE[size]() : new (std::nothrow) BYTE[size];
  if (!block)
    ThrowError(ERROR_NOT_ENOUGH_MEMORY);
  return std::unique_ptr<BYTE[]>(block);
}

} // namespace

CDibBuffer::CDibBuffer(const CDibBuffer& other) {
  *this = other;
}

CDibBuffer& CDibBuffer::operator=(const CDibBuffer& other) {
  if (&other == this)
    return *this;
  if (other.IsEmpty()) {
    Release();
    return *this;
  }
  std::unique_ptr<BYTE[]> block = allocateBlock(other.m_blockSize, false);
  std::memcpy(block.get(), other.m_block.get(), other.m_blockSize);
  m_block = std::move(block);
  m_blockSize = other.m_blockSize;
  m_rows = m_block.get() + kHeaderSize;
  m_stride = other.m_stride;
  m_rowBytes = other.m_rowBytes;
  return *this;
}

void CDibBuffer::Create(std::int32_t width, std::int32_t height) {
  if (width < 1 || height < 1)
    ThrowError(ERROR_NOT_ENOUGH_MEMORY);
  // In 64 bits, so that dimensions from a crafted header cannot wrap the
  // size and leave a block too small for its rows.
  const std::uint64_t rowBytes = std::uint64_t(width) * 3;
  const std::uint64_t stride = (rowBytes + 3) & ~std::uint64_t{3};
  const std::uint64_t blockSize = stride * std::uint64_t(height) + kHeaderSize + 4;
  if (blockSize > kMaxBlockSize)
    ThrowError(ERROR_NOT_ENOUGH_MEMORY);

  std::unique_ptr<BYTE[]> block = allocateBlock(static_cast<std::size_t>(blockSize), true);
  BITMAPINFOHEADER header{};
  header.biSize = kHeaderSize;
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = 0;
  std::memcpy(block.get(), &header, sizeof header);

  Release();
  m_block = std::move(block);
  m_blockSize = static_cast<DWORD>(blockSize);
  m_rows = m_block.get() + kHeaderSize;
  m_stride = static_cast<DWORD>(stride);
  m_rowBytes = static_cast<DWORD>(rowBytes);
}

void CDibBuffer::SetRow(std::int32_t fromTop, const BYTE* rgb) {
  if (IsEmpty() || !rgb || fromTop < 0 || fromTop >= Height())
    ThrowError(ERROR_INVALID_PARAMETER);
  BYTE* row = m_rows + std::size_t(Height() - 1 - fromTop) * m_stride;
  for (DWORD i = 0; i + 2 < m_rowBytes; i += 3) {
    row[i] = rgb[i + 2];
    row[i + 1] = rgb[i + 1];
    row[i + 2] = rgb[i];
  }
}

void CDibBuffer::Release() noexcept {
  m_block.reset();
  m_blockSize = 0;
  m_rows = nullptr;
  m_stride = 0;
  m_rowBytes = 0;
}

const BITMAPINFOHEADER* CDibBuffer::Header() const {
  return reinterpret_cast<const BITMAPINFOHEADER*>(m_block.get());
}

std::int32_t CDibBuffer::Width() const {
  return IsEmpty() ? 0 : Header()->biWidth;
}

std::int32_t CDibBuffer::Height() const {
  return IsEmpty() ? 0 : Header()->biHeight;
}

std::int32_t CDibBuffer::Paint(QPainter& painter, std::int32_t x, std::int32_t y, std::int32_t sourceX,
                               std::int32_t sourceY, std::int32_t width, std::int32_t height) const {
  if (IsEmpty() || width <= 0 || height <= 0)
    return 0;
  // Clip in 64 bits: the caller's rectangle may lie anywhere.
  const std::int64_t left = std::max<std::int64_t>(sourceX, 0);
  const std::int64_t top = std::max<std::int64_t>(sourceY, 0);
  const std::int64_t right = std::min<std::int64_t>(std::int64_t(sourceX) + width, Width());
  const std::int64_t bottom = std::min<std::int64_t>(std::int64_t(sourceY) + height, Height());
  if (left >= right || top >= bottom)
    return 0;
  const QRect part(int(left), int(top), int(right - left), int(bottom - top));

  // The rows are stored bottom-up in blue, green, red: copy the part top
  // down into the 32-bit format painting uses natively, so the painter only
  // blits it (a converting or flipping draw hands large images to Qt's own
  // worker threads).
  QImage rows(part.width(), part.height(), QImage::Format_RGB32);
  if (rows.isNull())
    return 0;
  for (int row = 0; row < part.height(); ++row) {
    const auto* source = static_cast<const BYTE*>(m_rows) +
                         std::size_t(Height() - 1 - (part.y() + row)) * m_stride + std::size_t(part.x()) * 3;
    auto* target = reinterpret_cast<QRgb*>(rows.scanLine(row));
    for (int column = 0; column < part.width(); ++column, source += 3)
      target[column] = qRgb(source[2], source[1], source[0]);
  }
  const std::int64_t targetX = std::int64_t(x) + (left - sourceX);
  const std::int64_t targetY = std::int64_t(y) + (top - sourceY);
  constexpr std::int64_t kFar = std::numeric_limits<int>::max() / 2;
  if (std::abs(targetX) < kFar && std::abs(targetY) < kFar)
    painter.drawImage(QPoint(int(targetX), int(targetY)), rows);
  return part.height();
}
