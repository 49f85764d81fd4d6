#include "app/pictures/TiffEntry.h"

#include "app/pictures/TiffReader.h"

#include <cstring>

std::uint32_t CTiffEntry::TypeSize(std::uint16_t type) {
  switch (type) {
  case 1:
  case 2:
  case 6:
  case 7:
    return 1;
  case 3:
  case 8:
    return 2;
  case 4:
  case 9:
  case 11:
  case 13:
    return 4;
  case 5:
  case 10:
  case 12:
    return 8;
  default:
    return 0;
  }
}

bool CTiffEntry::IsAbsent() const {
  return !m_data || (Tag() == 0 && Type() == 0);
}

std::uint16_t CTiffEntry::Tag() const {
  return m_data ? TiffGet16(m_data + m_offset, m_little) : 0;
}

std::uint16_t CTiffEntry::Type() const {
  return m_data ? TiffGet16(m_data + m_offset + 2, m_little) : 0;
}

std::uint32_t CTiffEntry::Count() const {
  return m_data ? TiffGet32(m_data + m_offset + 4, m_little) : 0;
}

std::uint32_t CTiffEntry::RawValue() const {
  return m_data ? TiffGet32(m_data + m_offset + 8, m_little) : 0;
}

std::uint64_t CTiffEntry::DataSize() const {
  return std::uint64_t{Count()} * TypeSize(Type());
}

std::size_t CTiffEntry::DataOffset() const {
  if (!m_data)
    ThrowTiffError(kTiffBadParameter);
  if (!IsOutOfLine())
    return m_offset + 8;
  const std::uint32_t offset = RawValue();
  if (!TiffRangeInside(offset, DataSize(), m_size))
    ThrowTiffError(kTiffOutOfBounds);
  return offset;
}

std::uint32_t CTiffEntry::Value() const {
  if (!m_data)
    return 0;
  const BYTE* field = m_data + m_offset + 8;
  switch (TypeSize(Type())) {
  case 1:
    return field[0];
  case 2:
    return TiffGet16(field, m_little);
  default:
    return TiffGet32(field, m_little);
  }
}

const BYTE* CTiffEntry::ElementAt(std::uint32_t index, std::size_t width) const {
  if (!m_data || index >= Count())
    ThrowTiffError(kTiffOutOfBounds);
  const std::uint64_t position = std::uint64_t{index} * width;
  std::uint64_t start = m_offset + 8;
  std::uint64_t limit = m_offset + 12;
  if (IsOutOfLine()) {
    start = RawValue();
    limit = m_size;
  }
  if (!TiffRangeInside(start + position, width, limit))
    ThrowTiffError(kTiffOutOfBounds);
  return m_data + start + position;
}

std::uint32_t CTiffEntry::Element32(std::uint32_t index) const {
  return TiffGet32(ElementAt(index, 4), m_little);
}

std::uint16_t CTiffEntry::Element16(std::uint32_t index) const {
  return TiffGet16(ElementAt(index, 2), m_little);
}

std::string CTiffEntry::Text() const {
  if (!m_data || Type() != TypeAscii)
    ThrowTiffError(kTiffBadParameter);
  const std::size_t offset = DataOffset();
  const char* begin = reinterpret_cast<const char*>(m_data + offset);
  const std::size_t count = Count();
  const void* nul = std::memchr(begin, 0, count);
  return std::string(begin, nul ? static_cast<const char*>(nul) : begin + count);
}

TiffRational CTiffEntry::Rational() const {
  if (!m_data)
    return {};
  const std::uint32_t offset = RawValue();
  if (!TiffRangeInside(offset, 8, m_size))
    ThrowTiffError(kTiffOutOfBounds);
  return {TiffGet32(m_data + offset, m_little), TiffGet32(m_data + offset + 4, m_little)};
}
