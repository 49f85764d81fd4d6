#include "app/pictures/TiffReader.h"

#include "app/pictures/PictureStrings.h"
#include "env/BrantelTakeError.h"

void ThrowTiffError(HRESULT code) {
  ThrowError(code, tarsel::pictures::PictureString(tarsel::pictures::IDS_PICTURE_MAY_BE_SAVED));
}

std::uint16_t TiffGet16(const BYTE* p, bool little) {
  return little ? std::uint16_t(p[0] | (p[1] << 8)) : std::uint16_t((p[0] << 8) | p[1]);
}

std::uint32_t TiffGet32(const BYTE* p, bool little) {
  if (little)
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) |
         std::uint32_t(p[3]);
}

void TiffPut16(BYTE* p, std::uint16_t value, bool little) {
  const BYTE low = BYTE(value & 0xFF);
  const BYTE high = BYTE(value >> 8);
  p[0] = little ? low : high;
  p[1] = little ? high : low;
}

void TiffPut32(BYTE* p, std::uint32_t value, bool little) {
  for (int i = 0; i < 4; ++i) {
    const BYTE byte = BYTE((value >> (8 * i)) & 0xFF);
    p[little ? i : 3 - i] = byte;
  }
}

void CTiffReader::Open(const BYTE* data, std::size_t size) {
  m_start = data;
  m_size = data ? size : 0;
  m_position = 0;
  const BYTE* mark = Take(2);
  if ((mark[0] != 'I' || mark[1] != 'I') && (mark[0] != 'M' || mark[1] != 'M'))
    ThrowTiffError(kTiffNotTiff);
  m_little = mark[0] == 'I';
  if (Read16() != 42)
    ThrowTiffError(kTiffNotTiff);
  Seek(Read32());
}

void CTiffReader::Seek(std::uint32_t offset) {
  if (offset > m_size)
    ThrowTiffError(kTiffOutOfBounds);
  m_position = offset;
}

std::uint16_t CTiffReader::Read16() {
  return TiffGet16(Take(2), m_little);
}

std::uint32_t CTiffReader::Read32() {
  return TiffGet32(Take(4), m_little);
}

const BYTE* CTiffReader::Take(std::size_t length) {
  if (!TiffRangeInside(m_position, length, m_size))
    ThrowTiffError(kTiffOutOfBounds);
  const BYTE* p = m_start + m_position;
  m_position += length;
  return p;
}
